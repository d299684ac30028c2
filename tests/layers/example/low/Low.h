#pragma once
#include "high/High.h"
#include <string>
