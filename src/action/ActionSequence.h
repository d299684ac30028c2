#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "action/Action.h"

// The parsed form of a key-mapping value such as "KEY(TAB,alt);MOUSE(BUTTON1)": the actions in
// the order the value names them. A plain value: copies duplicate every action.
class CActionSequence {
public:
    // Replaces the contents with the actions of the value. Returns false at the first item it
    // cannot understand; the actions of the items before it stay in the sequence.
    bool Parse(const std::u16string& value);

    size_t GetCount() const { return m_actions.size(); }
    // A copy of the action at the index; an empty action (kind 0, which plays nothing) when
    // the index is out of range.
    CAction GetAt(size_t index) const { return index < m_actions.size() ? m_actions[index] : CAction{}; }

private:
    std::vector<CAction> m_actions;
};
