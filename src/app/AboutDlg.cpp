#include "app/AboutDlg.h"

#include <cstdint>
#include <string>

#include "app/ResourceText.h"
#include "app/SmallIcon.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32FileVersion.h"
#include "resource.h"
#include "text/VersionText.h"

namespace {

// "Tarvo Quillant\nVersion 1.2.3" from the program's own version resource; the product name
// alone when that cannot be read, rather than numbers that are not the program's.
std::u16string VersionText()
{
    const std::u16string format = LoadResourceText(IDS_ABOUT_VERSION);
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    const std::u16string path = CWin32FileSystem().GetExecutablePath();
    if (path.empty() || !ReadProductVersion(path, productVersionMS, productVersionLS)) {
        return VersionTextWithoutNumbers(format);
    }
    return FormatProductVersion(format, productVersionMS, productVersionLS);
}

}  // namespace

INT_PTR CAboutDlg::DoModal(HWND owner)
{
    const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), owner,
                                             &CAboutDlg::DialogProc, reinterpret_cast<LPARAM>(this));
    m_window = nullptr;
    return result;
}

INT_PTR CALLBACK CAboutDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        reinterpret_cast<CAboutDlg*>(lParam)->OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

void CAboutDlg::OnInitDialog(HWND dialog)
{
    m_window = dialog;
    // Its own window icon, for the taskbar button and Alt+Tab (shared icons: never destroyed).
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const auto largeIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                       IconSizeForWindow(dialog, SM_CXICON),
                                                       IconSizeForWindow(dialog, SM_CYICON), LR_SHARED));
    const auto smallIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                       IconSizeForWindow(dialog, SM_CXSMICON),
                                                       IconSizeForWindow(dialog, SM_CYSMICON), LR_SHARED));
    ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon));
    ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    const std::u16string version = VersionText();
    if (!version.empty()) {
        ::SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, as_wcstr(version));
    }
    ::SetForegroundWindow(dialog);
}
