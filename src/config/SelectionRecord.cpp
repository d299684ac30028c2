#include "config/SelectionRecord.h"

namespace {

constexpr size_t kTypeStart = 2 * kEditorKeyCount;
constexpr size_t kFirstModifierStart = kTypeStart + kEditorKeyCount;
constexpr size_t kSecondModifierStart = kFirstModifierStart + 2 * kEditorKeyCount;

void AppendDigits(std::u16string& record, int value, int digits)
{
    const int limit = digits == 2 ? 100 : 10;
    if (value < 0 || value >= limit)
        value = 0;
    if (digits == 2)
        record.push_back(static_cast<char16_t>(u'0' + value / 10));
    record.push_back(static_cast<char16_t>(u'0' + value % 10));
}

// The number the digits spell when it is below `limit`, else 0.
int ReadIndex(std::u16string_view digits, int limit)
{
    int value = 0;
    for (char16_t unit : digits) {
        if (unit < u'0' || unit > u'9')
            return 0;
        value = value * 10 + (unit - u'0');
    }
    return value < limit ? value : 0;
}

}  // namespace

std::u16string EditorKeyName(size_t editorKey)
{
    static const char16_t* const kNames[kEditorKeyCount] = {u"0",     u"1",    u"2",  u"3",    u"4",      u"5",
                                                            u"6",     u"7",    u"8",  u"9",    u"RIGHT",  u"LEFT",
                                                            u"UP",    u"DOWN", u"BUTTON", u"STAR", u"HASH"};
    return editorKey < kEditorKeyCount ? kNames[editorKey] : u"";
}

std::u16string EncodeSelectionRecord(const CKeySelections& selections)
{
    std::u16string record;
    record.reserve(kSelectionRecordChars);
    for (const CKeySelection& selection : selections)
        AppendDigits(record, selection.m_key, 2);
    for (const CKeySelection& selection : selections)
        AppendDigits(record, selection.m_type, 1);
    for (const CKeySelection& selection : selections)
        AppendDigits(record, selection.m_mod1, 2);
    for (const CKeySelection& selection : selections)
        AppendDigits(record, selection.m_mod2, 1);
    return record;
}

std::optional<CKeySelections> DecodeSelectionRecord(std::u16string_view record)
{
    if (record.size() != kSelectionRecordChars)
        return std::nullopt;
    CKeySelections selections;
    for (size_t k = 0; k < kEditorKeyCount; ++k) {
        CKeySelection& selection = selections[k];
        selection.m_type = ReadIndex(record.substr(kTypeStart + k, 1), kKeyTypeCount);
        selection.m_key = ReadIndex(record.substr(2 * k, 2), static_cast<int>(EditorKeys(selection.m_type).size()));
        selection.m_mod1 = ReadIndex(record.substr(kFirstModifierStart + 2 * k, 2), kModifierCount);
        selection.m_mod2 = ReadIndex(record.substr(kSecondModifierStart + k, 1), kSecondModifierCount);
    }
    return selections;
}
