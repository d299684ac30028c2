#pragma once
// The profile editor's record of its list choices for the 17 phone keys, kept as 102 decimal
// digits in the last line of a profile file, from which the editor rebuilds every mapping.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "config/EditorLists.h"

// The phone keys in the editor's order: 0 to 9, RIGHT, LEFT, UP, DOWN, BUTTON, STAR, HASH.
constexpr size_t kEditorKeyCount = 17;
constexpr size_t kSelectionRecordChars = 102;

using CKeySelections = std::array<CKeySelection, kEditorKeyCount>;

// The phone key name of an editor key ("0" .. "9", "RIGHT", ..., "HASH"); empty outside.
std::u16string EditorKeyName(size_t editorKey);

// Four groups one after the other, each over the keys in editor order: the key / button index
// as two digits, the key type as one, the first modifier as two, the second modifier as one.
// An index that does not fit its digits is written as 0, so the record always keeps its length.
std::u16string EncodeSelectionRecord(const CKeySelections& selections);

// The selections of a record; nothing when it is not exactly 102 characters long. A group that
// is not an index inside its list reads as 0, and so does a key / button index beyond the list
// of the key's type.
std::optional<CKeySelections> DecodeSelectionRecord(std::u16string_view record);
