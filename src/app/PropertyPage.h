#pragma once
#include <windows.h>
#include <commctrl.h>

// One page of a property sheet: describes itself to the sheet and turns the page's window
// messages into calls of its own. The page object outlives its window (the sheet creates the
// window when the page is first shown and destroys it when the sheet closes).
class CPropertyPage {
public:
    explicit CPropertyPage(UINT templateId);
    virtual ~CPropertyPage() = default;
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    // The page as the sheet takes it: its template, this object, and a Help button.
    PROPSHEETPAGEW Describe();

    // The page's window; null until the page has been shown.
    HWND GetWindow() const { return m_window; }
    HWND GetSheet() const { return m_window ? ::GetParent(m_window) : nullptr; }

protected:
    virtual void OnInitDialog() {}
    // The sheet's OK, for a page that has been shown: takes the controls' values.
    virtual void OnApply() {}
    virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(const NMHDR& /*header*/) { return false; }
    // Gives a control of this page its context help identifier, and a label the identifier of
    // the control it describes.
    void SetContextHelp(int controlId) const;
    void ShareContextHelp(int labelId, int controlId) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_window = nullptr;
};
