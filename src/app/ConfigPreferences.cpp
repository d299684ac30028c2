#include "app/ConfigPreferences.h"

#include "config/SerialPortChoices.h"
#include "config/ServerConfiguration.h"
#include "platform/FileSystem.h"
#include "platform/win32/Win32SerialPortSource.h"
#include "platform/win32/WideText.h"
#include "resource.h"

namespace {

constexpr int kSlowest = 10;
constexpr int kFastest = 250;
constexpr int kTickSpacing = 20;

}  // namespace

CConfigPreferences::CConfigPreferences(CServerConfiguration& settings, IFileSystem& files)
    : CPropertyPage(IDD_CONFIG_PREFERENCES), m_settings(settings), m_files(files)
{
}

void CConfigPreferences::OnInitDialog()
{
    const HWND window = GetWindow();
    for (const int id : {IDC_PORT_LIST, IDC_START_AT_LOGON, IDC_DISABLE_SCREENSAVER, IDC_MOUSE_SPEED})
        SetContextHelp(id);
    ShareContextHelp(IDC_PORT_LABEL, IDC_PORT_LIST);
    for (const int id : {IDC_MOUSE_GROUP, IDC_MOUSE_SLOW, IDC_MOUSE_FAST})
        ShareContextHelp(id, IDC_MOUSE_SPEED);

    const std::u16string& stored = m_settings.GetSerialPort();
    CWin32SerialPortSource source;
    m_ports = ListSerialPortChoices(source, stored);
    // Inserted at their index rather than added, so a sorted list box could not reorder them.
    const HWND ports = ::GetDlgItem(window, IDC_PORT_LIST);
    for (size_t i = 0; i < m_ports.size(); ++i)
        ::SendMessageW(ports, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(as_wcstr(m_ports[i].label)));
    ::SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(FindSerialPortChoice(m_ports, stored)), 0);

    ::CheckDlgButton(window, IDC_START_AT_LOGON, m_settings.IsStartAtLogonEnabled() ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(window, IDC_DISABLE_SCREENSAVER,
                     m_settings.GetDisableScreensaver() != 0 ? BST_CHECKED : BST_UNCHECKED);

    const HWND slider = ::GetDlgItem(window, IDC_MOUSE_SPEED);
    ::SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(kSlowest, kFastest));
    ::SendMessageW(slider, TBM_SETTICFREQ, kTickSpacing, 0);
    ::SendMessageW(slider, TBM_SETPAGESIZE, 0, kTickSpacing);
    // The slider keeps the position inside its range; a stored value outside it is shown at
    // the nearer end and stored as that on OK.
    ::SendMessageW(slider, TBM_SETPOS, TRUE, static_cast<LPARAM>(m_settings.GetMouseSpeed()));
}

void CConfigPreferences::OnApply()
{
    const HWND window = GetWindow();
    const LRESULT selected = ::SendDlgItemMessageW(window, IDC_PORT_LIST, CB_GETCURSEL, 0, 0);
    const std::u16string stored = m_settings.GetSerialPort();
    m_settings.SetSerialPort(selected >= 0 && static_cast<size_t>(selected) < m_ports.size()
                                 ? ChosenSerialPort(m_ports[static_cast<size_t>(selected)].port, stored)
                                 : std::u16string());

    // Failures to write the log-on entry are not reported: the check box shows the entry as it
    // is the next time the page opens.
    m_settings.SetStartAtLogon(::IsDlgButtonChecked(window, IDC_START_AT_LOGON) == BST_CHECKED,
                               m_files.GetExecutablePath());

    m_settings.SetMouseSpeed(static_cast<int32_t>(::SendDlgItemMessageW(window, IDC_MOUSE_SPEED, TBM_GETPOS, 0, 0)));
    m_settings.SetDisableScreensaver(::IsDlgButtonChecked(window, IDC_DISABLE_SCREENSAVER) == BST_CHECKED ? 1 : 0);
}
