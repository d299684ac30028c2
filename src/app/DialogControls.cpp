#include "app/DialogControls.h"

#include "platform/win32/WideText.h"

std::u16string GetControlText(HWND dialog, int id)
{
    const HWND control = ::GetDlgItem(dialog, id);
    const int length = ::GetWindowTextLengthW(control);
    if (length <= 0)
        return std::u16string();
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const int copied = ::GetWindowTextW(control, as_writable_wcstr(text), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void SetControlText(HWND dialog, int id, const std::u16string& text)
{
    if (GetControlText(dialog, id) != text)
        ::SetDlgItemTextW(dialog, id, as_wcstr(text));
}

int GetComboSelection(HWND dialog, int id)
{
    return static_cast<int>(::SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

void CComboList::Show(const std::vector<std::u16string>& items, int selected)
{
    if (items != m_items) {
        ::SendMessageW(m_combo, CB_RESETCONTENT, 0, 0);
        for (const std::u16string& item : items)
            ::SendMessageW(m_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wcstr(item)));
        m_items = items;
    }
    if (static_cast<int>(::SendMessageW(m_combo, CB_GETCURSEL, 0, 0)) != selected)
        ::SendMessageW(m_combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}
