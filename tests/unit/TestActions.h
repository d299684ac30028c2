#pragma once
#include <cstdint>
#include <vector>

#include "action/ActionSequence.h"

// Short forms for the actions a parsed sequence is expected to hold.
using Actions = std::vector<CAction>;

inline CAction Key(int32_t code, int32_t modifiers = 0) { return CAction{ACTION_KEY, modifiers, code}; }
inline CAction Mouse(int32_t code) { return CAction{ACTION_MOUSE, 0, code}; }

inline Actions ActionsOf(const CActionSequence& sequence)
{
    Actions actions;
    for (size_t i = 0; i < sequence.GetCount(); ++i)
        actions.push_back(sequence.GetAt(i));
    return actions;
}
