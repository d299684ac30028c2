#include "config/EditorLists.h"

#include <array>
#include <string>

namespace {

using Entries = std::vector<CEditorListEntry>;

std::u16string Widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

Entries WithNone(Entries entries)
{
    entries.insert(entries.begin(), CEditorListEntry{u"---", u""});
    return entries;
}

// "<display prefix>N<display suffix>" shown, "<written prefix>N" written, for N = first..last.
Entries Numbered(const std::string& displayPrefix, const std::string& displaySuffix,
                 const std::string& writtenPrefix, int first, int last)
{
    Entries entries;
    for (int n = first; n <= last; ++n)
        entries.push_back({Widen(displayPrefix + std::to_string(n) + displaySuffix), Widen(writtenPrefix + std::to_string(n))});
    return entries;
}

const std::array<Entries, kKeyTypeCount>& KeyTables()
{
    static const std::array<Entries, kKeyTypeCount> tables = [] {
        std::array<Entries, kKeyTypeCount> t;
        Entries letters;
        for (char c = 'a'; c <= 'z'; ++c)
            letters.push_back({Widen(std::string(1, c)), Widen(std::string(1, c))});
        t[KEYTYPE_ALPHABETICAL] = WithNone(letters);
        t[KEYTYPE_NUMBER] = WithNone(Numbered("Number key ", "", "num_", 1, 9));
        // Keypad Enter comes last, so that records of the number pad keys keep their indexes.
        Entries pad = Numbered("Number pad key ", "", "pad_", 1, 9);
        pad.push_back({u"Number pad enter key", u"pad_enter"});
        t[KEYTYPE_NUMBER_PAD] = WithNone(pad);
        t[KEYTYPE_ARROW] = WithNone({{u"Left key", u"left"}, {u"Right key", u"right"}, {u"Up key", u"up"}, {u"Down key", u"down"}});
        t[KEYTYPE_FUNCTION] = WithNone(Numbered("F", " key", "F", 1, 12));
        t[KEYTYPE_OTHER] = WithNone({{u"Back key", u"back"},
                                     {u"Tab key", u"tab"},
                                     {u"Clear key", u"clear"},
                                     {u"Return key", u"return"},
                                     {u"Escape key", u"escape"},
                                     {u"Space key", u"space"},
                                     {u"Pageup key", u"pageup"},
                                     {u"Pagedown key", u"pagedown"},
                                     {u"End key", u"end"},
                                     {u"Home key", u"home"},
                                     {u"Multiply key", u"multiply"},
                                     {u"Add key", u"add"},
                                     {u"Subtract key", u"subtract"},
                                     {u"Period key", u"period"},
                                     {u"Divide key", u"divide"},
                                     {u"Numberlock key", u"numlock"},
                                     {u"Scroll key", u"scroll"}});
        t[KEYTYPE_MOUSE] = WithNone({{u"Left", u"Left"},
                                     {u"Right", u"Right"},
                                     {u"Up", u"Up"},
                                     {u"Down", u"Down"},
                                     {u"Button1", u"Button1"},
                                     {u"Button2", u"Button2"},
                                     {u"Button3", u"Button3"}});
        return t;
    }();
    return tables;
}

// Entries 1 to 6 of the second list, as first-list indexes: after a Control key the Shift and
// Alt keys, after a Shift key the Control and Alt keys, after an Alt key the Control and Shift
// keys.
const std::array<int, kSecondModifierCount - 1>& SecondGroup(int firstModifier)
{
    static const std::array<int, kSecondModifierCount - 1> kAfterControl = {6, 7, 8, 9, 10, 11};
    static const std::array<int, kSecondModifierCount - 1> kAfterShift = {3, 4, 5, 9, 10, 11};
    static const std::array<int, kSecondModifierCount - 1> kAfterAlt = {3, 4, 5, 6, 7, 8};
    if (firstModifier <= 5)
        return kAfterControl;
    return firstModifier <= 8 ? kAfterShift : kAfterAlt;
}

const std::u16string& WrittenName(const Entries& entries, int index)
{
    static const std::u16string kNone;
    return index >= 0 && static_cast<size_t>(index) < entries.size() ? entries[index].m_written : kNone;
}

}  // namespace

const std::vector<std::u16string>& EditorKeyTypes()
{
    static const std::vector<std::u16string> types = {u"Alphabetical keys", u"Number keys", u"Number pad keys",
                                                      u"Arrow keys",        u"Function keys", u"Other keys",
                                                      u"Mouse"};
    return types;
}

const std::vector<CEditorListEntry>& EditorKeys(int keyType)
{
    static const Entries kNone;
    return keyType >= 0 && keyType < kKeyTypeCount ? KeyTables()[keyType] : kNone;
}

const std::vector<CEditorListEntry>& EditorModifiers()
{
    static const Entries modifiers = WithNone({{u"Left Windows key", u"lwin"},
                                               {u"Right Windows key", u"rwin"},
                                               {u"Control key", u"ctrl"},
                                               {u"Left control key", u"lctrl"},
                                               {u"Right control key", u"rctrl"},
                                               {u"Shift key", u"shift"},
                                               {u"Left shift key", u"lshift"},
                                               {u"Right shift key", u"rshift"},
                                               {u"Alt key", u"alt"},
                                               {u"Left alt key", u"lalt"},
                                               {u"Right alt key", u"ralt"}});
    return modifiers;
}

std::vector<std::u16string> EditorSecondModifiers(int firstModifier)
{
    std::vector<std::u16string> texts = {EditorModifiers()[0].m_display};
    if (firstModifier > kLastModifierWithoutSecond && firstModifier < kModifierCount) {
        for (int index : SecondGroup(firstModifier))
            texts.push_back(EditorModifiers()[index].m_display);
    }
    return texts;
}

int SecondModifierTarget(int firstModifier, int secondModifier)
{
    if (secondModifier <= 0 || secondModifier >= kSecondModifierCount)
        return 0;
    return SecondGroup(firstModifier)[secondModifier - 1];
}

std::u16string ComposeMappingValue(const CKeySelection& selection)
{
    const std::u16string& key = WrittenName(EditorKeys(selection.m_type), selection.m_key);
    if (selection.m_type == KEYTYPE_MOUSE)
        return u"Mouse(" + key + u")";

    const std::u16string& first = WrittenName(EditorModifiers(), selection.m_mod1);
    const std::u16string& second =
        WrittenName(EditorModifiers(), SecondModifierTarget(selection.m_mod1, selection.m_mod2));
    // No blanks: the parser would keep them in the key name.
    std::u16string value = u"Key(" + key;
    if (!first.empty() && !second.empty())
        value += u"," + first + u"," + second;
    else if (!second.empty())
        value += u"," + second;
    else if (!first.empty() && !key.empty())
        value += u"," + first;
    return value + u")";
}

const std::vector<CExplainedEntry>& EditorIdentifications()
{
    static const std::vector<CExplainedEntry> entries = {
        {u"Executable",
         u"Identifies the application by its executable file. Type in the application's executable without the "
         u"directory path (for example: mediaplayer.exe):"},
        {u"Window title",
         u"Identifies the application by its window title. Type in the name displayed in the title bar of the "
         u"application window (case sensitive):"},
        {u"Window class name",
         u"Identifies the application by its window class name, but usually it requires special tools to acquire "
         u"this name. Type in the window class name (case sensitive):"},
    };
    return entries;
}

const std::vector<CExplainedEntry>& EditorBehaviours()
{
    static const std::vector<CExplainedEntry> entries = {
        {u"AutoRestore", u"Makes the application window visible whenever a command from the phone is received:"},
        {u"BringToTop", u"Brings the application window to the top whenever a command from the phone is received:"},
    };
    return entries;
}
