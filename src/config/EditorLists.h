#pragma once
// The lists of the profile editor and how a phone key's choices in them turn into a mapping
// value such as "Key(left,lctrl,lshift)" or "Mouse(Button1)".
#include <string>
#include <vector>

// The key type list, in list order.
enum EKeyType : int {
    KEYTYPE_ALPHABETICAL = 0,
    KEYTYPE_NUMBER = 1,
    KEYTYPE_NUMBER_PAD = 2,
    KEYTYPE_ARROW = 3,
    KEYTYPE_FUNCTION = 4,
    KEYTYPE_OTHER = 5,
    KEYTYPE_MOUSE = 6,
};
constexpr int kKeyTypeCount = 7;

// The identification list: which value names the application's windows.
enum EIdentification : int {
    IDENTIFY_EXECUTABLE = 0,
    IDENTIFY_TITLE = 1,
    IDENTIFY_CLASS_NAME = 2,
};
constexpr int kIdentificationCount = 3;

// The window-behaviour list.
enum EBehaviour : int {
    BEHAVIOUR_AUTO_RESTORE = 0,
    BEHAVIOUR_BRING_TO_TOP = 1,
};
constexpr int kBehaviourCount = 2;

constexpr int kModifierCount = 12;        // "---" and eleven modifier keys
constexpr int kSecondModifierCount = 7;   // "---" and six modifier keys
// First modifiers up to this one (none and the Windows keys) take no second modifier.
constexpr int kLastModifierWithoutSecond = 2;

// One phone key's choices, as indexes into the key type list, the key / button list of that
// type, the first modifier list and the second modifier list built from the first.
struct CKeySelection {
    int m_key = 0;
    int m_type = 0;
    int m_mod1 = 0;
    int m_mod2 = 0;

    bool operator==(const CKeySelection& other) const
    {
        return m_key == other.m_key && m_type == other.m_type && m_mod1 == other.m_mod1 && m_mod2 == other.m_mod2;
    }
    bool operator!=(const CKeySelection& other) const { return !(*this == other); }
};

// A list entry: the text the list shows and the name a mapping value uses for it; entry 0 of
// the key and modifier lists is "---", which writes nothing.
struct CEditorListEntry {
    std::u16string m_display;
    std::u16string m_written;
};

// An entry of the identification or window-behaviour list with the explanation shown beside it.
struct CExplainedEntry {
    std::u16string m_display;
    std::u16string m_explanation;
};

const std::vector<std::u16string>& EditorKeyTypes();

// The key / button list of a key type; empty for a type that is not in the list.
const std::vector<CEditorListEntry>& EditorKeys(int keyType);

// The first modifier list, which is also the table of modifier names.
const std::vector<CEditorListEntry>& EditorModifiers();

// The texts of the second modifier list shown for a first modifier: "---" alone after none or
// a Windows key, else "---" and the six modifiers of the other two kinds.
std::vector<std::u16string> EditorSecondModifiers(int firstModifier);

// The first-list index of the modifier that entry `secondModifier` of the second list stands
// for after `firstModifier`; 0 for "---" or an index outside the list. Always follows the kind
// of the first modifier, even after a Windows key, so that a stored choice keeps its meaning.
int SecondModifierTarget(int firstModifier, int secondModifier);

// The mapping value of the choices; modifiers count only for keyboard keys. Indexes outside
// their lists write nothing.
std::u16string ComposeMappingValue(const CKeySelection& selection);

// The identification list (executable, window title, window class name) and the
// window-behaviour list (AutoRestore, BringToTop).
const std::vector<CExplainedEntry>& EditorIdentifications();
const std::vector<CExplainedEntry>& EditorBehaviours();
