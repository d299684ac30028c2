#include "app/ConfigDialog.h"

#include <commctrl.h>

#include "app/HelpFile.h"
#include "app/ResourceText.h"
#include "app/SmallIcon.h"
#include "platform/win32/WideText.h"
#include "resource.h"

namespace {

// The sheet's own controls answer F1 and the caption's help button with their topics.
LRESULT CALLBACK SheetSubclassProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR /*data*/)
{
    if (message == WM_HELP) {
        ShowContextHelp(*reinterpret_cast<const HELPINFO*>(lParam));
        return TRUE;
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(sheet, &SheetSubclassProc, id);
    return ::DefSubclassProc(sheet, message, wParam, lParam);
}

}  // namespace

CConfigDialog::CConfigDialog(CServerConfiguration& settings, IFileSystem& files, IFileWriter& writer)
    : m_preferences(settings, files),
      m_applications(std::make_unique<CConfigApplications>(settings, files, writer))
{
}

CConfigDialog::~CConfigDialog() = default;

int CALLBACK CConfigDialog::SheetCallback(HWND sheet, UINT message, LPARAM lParam)
{
    if (message == PSCB_PRECREATE) {
        // The caption's "?" button, for help on the sheet's and the pages' controls.
        // The template is an extended one (signature 0xFFFF) with its style at byte 12, or a
        // plain DLGTEMPLATE.
        auto* words = reinterpret_cast<WORD*>(lParam);
        auto* style = words[1] == 0xFFFF ? reinterpret_cast<DWORD*>(words + 6)
                                         : &reinterpret_cast<DLGTEMPLATE*>(lParam)->style;
        *style |= DS_CONTEXTHELP;
    } else if (message == PSCB_INITIALIZED) {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        const int small = IconSizeForWindow(sheet, SM_CXSMICON);
        const auto smallIcon = reinterpret_cast<HICON>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, small, small, LR_SHARED));
        ::SendMessageW(sheet, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
        ::SetWindowContextHelpId(::GetDlgItem(sheet, IDOK), IDH_SHEET_OK);
        ::SetWindowContextHelpId(::GetDlgItem(sheet, IDCANCEL), IDH_SHEET_CANCEL);
        ::SetWindowContextHelpId(PropSheet_GetTabControl(sheet), IDH_SHEET_TABS);
        ::SetWindowSubclass(sheet, &SheetSubclassProc, 0, 0);
        // Opened at start and from the tray, the sheet must not hide behind other windows.
        ::SetForegroundWindow(sheet);
    }
    return 0;
}

INT_PTR CConfigDialog::DoModal(HWND owner)
{
    PROPSHEETPAGEW descriptions[] = {m_preferences.Describe(), m_applications->Describe()};
    // The sheet takes ownership of page handles it is given and destroys them when it closes.
    HPROPSHEETPAGE pages[ARRAYSIZE(descriptions)] = {};
    for (size_t i = 0; i < ARRAYSIZE(descriptions); ++i) {
        pages[i] = ::CreatePropertySheetPageW(&descriptions[i]);
        if (!pages[i]) {
            for (size_t made = 0; made < i; ++made)
                ::DestroyPropertySheetPage(pages[made]);
            return IDCANCEL;
        }
    }
    const std::u16string title = LoadResourceText(IDS_CONFIG_TITLE);

    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_NOAPPLYNOW | PSH_HASHELP | PSH_USEICONID | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = ::GetModuleHandleW(nullptr);
    header.pszIcon = MAKEINTRESOURCEW(IDR_MAINFRAME);
    header.pszCaption = as_wcstr(title);
    header.nPages = ARRAYSIZE(pages);
    header.nStartPage = 0;
    header.phpage = pages;
    header.pfnCallback = &CConfigDialog::SheetCallback;
    const INT_PTR result = ::PropertySheetW(&header);
    return result > 0 ? IDOK : IDCANCEL;
}

void CConfigDialog::BringToTop()
{
    const HWND sheet = GetSheet();
    if (!sheet)
        return;
    // The editor, when open, is the sheet's enabled pop-up and the one to show.
    const HWND popup = ::GetLastActivePopup(sheet);
    ::SetForegroundWindow(popup ? popup : sheet);
}

void CConfigDialog::EndAsCancelled()
{
    m_applications->EndEditor();
    if (const HWND sheet = GetSheet())
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
}
