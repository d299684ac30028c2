#include "app/PropertyPage.h"

#include "app/HelpFile.h"
#include "resource.h"

CPropertyPage::CPropertyPage(UINT templateId) : m_templateId(templateId) {}

PROPSHEETPAGEW CPropertyPage::Describe()
{
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_HASHELP;
    page.hInstance = ::GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(m_templateId);
    page.pfnDlgProc = &CPropertyPage::DialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

void CPropertyPage::SetContextHelp(int controlId) const
{
    if (const HWND control = ::GetDlgItem(m_window, controlId))
        ::SetWindowContextHelpId(control, IDH_PAGE_CONTROL(m_templateId, static_cast<DWORD>(controlId)));
}

void CPropertyPage::ShareContextHelp(int labelId, int controlId) const
{
    const HWND label = ::GetDlgItem(m_window, labelId);
    const HWND control = ::GetDlgItem(m_window, controlId);
    if (label && control)
        ::SetWindowContextHelpId(label, ::GetWindowContextHelpId(control));
}

INT_PTR CALLBACK CPropertyPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CPropertyPage* page = nullptr;
    if (message == WM_INITDIALOG) {
        // The sheet hands the page a copy of its description; lParam of that copy is the page.
        page = reinterpret_cast<CPropertyPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->m_window = window;
    } else {
        page = reinterpret_cast<CPropertyPage*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!page)
        return FALSE;
    const INT_PTR result = page->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY)
        page->m_window = nullptr;
    return result;
}

INT_PTR CPropertyPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_HELP:
        // F1 or the caption's "?" on a control of the page.
        ShowContextHelp(*reinterpret_cast<const HELPINFO*>(lParam));
        return TRUE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.code == PSN_HELP) {
            ShowHelpContents(GetSheet());
            return TRUE;
        }
        if (header.code == PSN_APPLY) {
            OnApply();
            ::SetWindowLongPtrW(m_window, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        return OnNotify(header) ? TRUE : FALSE;
    }
    default:
        return FALSE;
    }
}
