#include "app/MainFrame.h"

#include <ole2.h>

#include "app/AboutDlg.h"
#include "app/HelpFile.h"
#include "app/ResourceText.h"
#include "app/SplashWnd.h"
#include "platform/win32/Win32Automation.h"
#include "platform/win32/Win32MessageFilter.h"
#include "presentation/PowerPointConnection.h"
#include "resource.h"

namespace {

constexpr UINT kSplashMilliseconds = 1500;
constexpr char kConfigureTimer[] = "configure";

}  // namespace

CMainFrame::CMainFrame()
    : m_protocolServer(m_serialPort, LoadResourceText(IDS_PROTOCOL_VERSION), m_timers)
{
}

CMainFrame::~CMainFrame()
{
    if (const HWND window = GetWindow()) {
        ::DestroyWindow(window);
    }
    if (m_oleInitialized) {
        // The program-wide automation reference must go before OLE does.
        m_powerPointConnection.Disconnect();
        ::OleUninitialize();
    }
}

bool CMainFrame::Create()
{
    return CreateHidden(kWindowClass, IDR_MAINFRAME);
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_TIMER:
        if (m_timers.OnTimer(wParam)) {
            return 0;
        }
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_QUERYENDSESSION:
        // Whatever the answer of the other programs, the phone's keys must not stay down.
        m_session.ReleaseHeldInput();
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) {
            OnEndSession();
        }
        return 0;
    default:
        if (m_protocolServer.OnLinkNotification(message, static_cast<uintptr_t>(wParam))) {
            return 0;
        }
        break;
    }
    return DefaultHandling(message, wParam, lParam);
}

bool CMainFrame::OnCreate()
{
    m_timers.Attach(GetWindow());
    if (FAILED(::OleInitialize(nullptr))) {
        // Without OLE the server stays inert: no tray icon, no link, no timers.
        ShowMessage(GetWindow(), LoadResourceText(IDS_OLE_INIT_FAILED), MB_OK);
        return true;
    }
    m_oleInitialized = true;
    // A busy presentation program's refusals are retried a while; the program is reached only
    // once it runs or the phone acts on a presentation.
    RegisterCallMessageFilter(m_powerPointConnection.GetCallPolicy());
    m_powerPointConnection.SetConnector(std::make_unique<CWin32AutomationConnector>());

    // Only the icon's own window or menu failing ends start-up; a shell that is not ready yet
    // gets the icon later, and the phone is served meanwhile.
    if (!m_tray.Create(GetWindow(), kTrayCallbackMessage, ID_APP_CONFIGURE)) {
        return false;
    }
    // Profiles first, so that the settings' list of switched-off profiles applies to them.
    m_settings.LoadProfiles();
    m_settings.LoadSettings();
    m_foregroundLock.HoldOff();
    m_session.Start(m_settings.GetSerialPort(), this);
    ShowSplashScreen(GetWindow(), kSplashMilliseconds);
    return true;
}

void CMainFrame::Post(uint32_t message, uintptr_t wParam)
{
    if (GetWindow()) {
        ::PostMessageW(GetWindow(), message, static_cast<WPARAM>(wParam), 0);
    }
}

void CMainFrame::SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload)
{
    m_protocolServer.SendApplicationData(appId, appType, payload);
}

void CMainFrame::OnCommand(UINT command)
{
    switch (command) {
    case ID_APP_ABOUT:
        ShowAbout();
        break;
    case ID_APP_HELP:
        ShowHelpContents(GetWindow());
        break;
    case ID_APP_CONFIGURE:
        Configure();
        break;
    case ID_APP_EXIT:
        // The editor and the sheet end first, as if cancelled; the question comes after.
        if (m_configDialog) {
            m_configDialog->EndAsCancelled();
        }
        ::PostMessageW(GetWindow(), WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void CMainFrame::OnClose()
{
    if (!m_closeConfirmed &&
        ShowMessage(GetWindow(), LoadResourceText(IDS_CONFIRM_EXIT), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    if (m_configDialog) {
        // Asked to close from outside while the sheet is open: the sheet's own loop is running
        // this handler, so end the sheet first and finish once it has returned.
        m_closeConfirmed = true;
        m_configDialog->EndAsCancelled();
        ::PostMessageW(GetWindow(), WM_CLOSE, 0, 0);
        return;
    }
    ShutDown();
    ::DestroyWindow(GetWindow());
}

void CMainFrame::OnEndSession()
{
    ShutDown();
    // No question at log-off; the sheet, if open, ends as cancelled and the close follows.
    m_closeConfirmed = true;
    OnClose();
}

void CMainFrame::ShutDown()
{
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    m_session.ShutDown();
    // Whatever the session's objects still had running (the sheet's start-up timer too).
    m_timers.StopAll();
    m_powerPointConnection.Disconnect();
    m_foregroundLock.Restore();
    m_tray.Remove();
    CloseAllHelp();
}

void CMainFrame::ScheduleConfigure(UINT milliseconds)
{
    // A timer rather than a wait: the link, the tray and the splash keep working meanwhile.
    m_timers.StartOneShot(kConfigureTimer, milliseconds, [this] { Configure(); });
}

void CMainFrame::ShowAbout()
{
    // A second About while the box is open brings that box forward instead.
    if (m_aboutBox) {
        if (const HWND window = m_aboutBox->GetWindow()) {
            ::SetForegroundWindow(window);
        }
        return;
    }
    CAboutDlg dialog;
    m_aboutBox = &dialog;
    dialog.DoModal(nullptr);
    m_aboutBox = nullptr;
}

void CMainFrame::Configure()
{
    if (!m_oleInitialized) {
        return;  // an inert server: settings were never loaded, so nothing may be edited or saved
    }
    if (m_configDialog) {
        m_configDialog->BringToTop();
        return;
    }
    {
        CConfigDialog dialog(m_settings, m_fileSystem, m_fileWriter);
        m_configDialog = &dialog;
        // Without an owner the sheet has a taskbar button, so the user can find it again.
        dialog.DoModal(nullptr);
        m_configDialog = nullptr;
    }
    if (m_shutDown) {
        return;  // the session ended while the sheet was open
    }
    m_settings.SaveSettings();
    m_settings.LoadProfiles();
    m_session.ApplySettings(m_settings.GetProfiles(), m_settings.GetSerialPort());
}

CPresentationContext CMainFrame::MakePresentationContext()
{
    CPresentationContext context{m_powerPointConnection, *this, m_presentationShared, m_windowSystem, m_input, m_player,
                                 [this] { return m_settings.GetDisableScreensaver() != 0; }};
    context.m_notAvailableText = LoadResourceText(IDS_NOT_AVAILABLE);
    context.m_hiddenSlideText = LoadResourceText(IDS_HIDDEN_SLIDE);
    return context;
}
