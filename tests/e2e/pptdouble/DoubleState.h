// Everything the automation objects and the control channel share: the model,
// the call log, and the switches a test flips.
#pragma once

#include "LineFile.h"
#include "Model.h"
#include "ObjectRef.h"

#include <oaidl.h>

#include <set>
#include <utility>

namespace ppt {

struct DoubleState {
    Model model;
    LineFile calls;
    // Busy: every call is rejected, as while the program shows a modal dialog.
    bool busy = false;
    // Members made to fail with an automation exception, by object type and dispatch id.
    std::set<std::pair<ObjectType, DISPID>> faults;
};

}  // namespace ppt
