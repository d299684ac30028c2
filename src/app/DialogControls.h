#pragma once
// Reading and filling a dialog's controls with UTF-16 text.
#include <windows.h>

#include <string>
#include <vector>

std::u16string GetControlText(HWND dialog, int id);

// Sets the text only when it differs, so that an edit field keeps its caret and sends no
// change notification for a text it already shows.
void SetControlText(HWND dialog, int id, const std::u16string& text);

// The selected index of a combo box; -1 when nothing is selected.
int GetComboSelection(HWND dialog, int id);

// A drop-down list whose items are replaced only when they change, so that moving through it
// with the arrow keys does not rebuild it under the user.
class CComboList {
public:
    void Attach(HWND dialog, int id) { m_combo = ::GetDlgItem(dialog, id); }
    void Show(const std::vector<std::u16string>& items, int selected);
    void Enable(bool enabled) const { ::EnableWindow(m_combo, enabled ? TRUE : FALSE); }

private:
    HWND m_combo = nullptr;
    std::vector<std::u16string> m_items;
};
