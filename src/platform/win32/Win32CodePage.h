#pragma once
#include "text/TextCodec.h"

// The system's ANSI code page (GetACP), the one the profile functions of Windows read 8-bit
// files in, through the system's own conversion tables.
const ICodePage& SystemAnsiCodePage();
