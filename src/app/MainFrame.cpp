#include "app/MainFrame.h"

#include <ole2.h>

#include <exception>

#include "app/AboutDlg.h"
#include "app/HelpFile.h"
#include "app/ResourceText.h"
#include "app/SplashWnd.h"
#include "appctl/AppMgr.h"
#include "appctl/AppMgrGeneric.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Automation.h"
#include "presentation/PowerPointConnection.h"
#include "protocol/ApplicationListMessage.h"
#include "resource.h"

namespace {

constexpr UINT kPollPeriodMilliseconds = 3000;
// The pointer-motion clock of the action player.
constexpr UINT kMotionPeriodMilliseconds = 55;
constexpr UINT kSplashMilliseconds = 1500;
// How often the link watch looks at a connected phone's silence (and the link's writes).
constexpr UINT kLinkWatchPeriodMilliseconds = 500;

}  // namespace

CMainFrame::CMainFrame() : m_protocolServer(m_serialPort, LoadResourceText(IDS_PROTOCOL_VERSION)) {}

CMainFrame::~CMainFrame()
{
    CActionPlayer::Install(nullptr);
    if (m_window) {
        ::DestroyWindow(m_window);
    }
    if (m_oleInitialized) {
        // The program-wide automation reference must go before OLE does.
        m_powerPointConnection.Disconnect();
        ::OleUninitialize();
    }
}

bool CMainFrame::Create()
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &CMainFrame::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);

    // A tool window has no taskbar button; size 0 x 0 keeps it invisible even when shown.
    const int x = ::GetSystemMetrics(SM_CXFULLSCREEN) / 2;
    const int y = ::GetSystemMetrics(SM_CYFULLSCREEN) / 2;
    return ::CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, x, y, 0, 0, nullptr, nullptr, instance,
                             this) != nullptr;
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CMainFrame*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_window = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CMainFrame*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_window = nullptr;
        ::PostQuitMessage(0);
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // Nothing may unwind through the system's window procedure; a failure the handlers did not
    // expect costs this one message, not the program.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception&) {
        return 0;
    }
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
    case WM_RC_PORT_OPENED:
        // Notifications of an attempt that has since been closed are stale.
        if (m_protocolServer.GetLink().IsCurrentAttempt(wParam)) {
            ShowDisplay(Display::Waiting);
        }
        return 0;
    case WM_RC_PORT_CLOSED:
        ShowDisplay(Display::Unavailable);
        return 0;
    case WM_RC_PORT_FAILED:
        if (m_protocolServer.GetLink().IsCurrentAttempt(wParam)) {
            OnPortFailed();
        }
        return 0;
    case WM_RC_DATA:
        m_protocolServer.OnData();
        // Timer messages wait while posted ones keep coming: a phone that floods the link
        // must not keep the watch from running.
        if (::GetTickCount64() - m_lastLinkWatch >= kLinkWatchPeriodMilliseconds) {
            RunLinkWatch();
        }
        return 0;
    case WM_RC_CONNECTION_LOST:
        // wParam 0: sent from outside the link, always taken.
        if (wParam == 0 || m_protocolServer.GetLink().IsCurrentAttempt(wParam)) {
            OnPhoneDisconnected(RC_REASON_LOST);
        }
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_QUERYENDSESSION:
        // Whatever the answer of the other programs, the phone's keys must not stay down.
        ReleaseHeldInput();
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) {
            OnEndSession();
        }
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(m_window, message, wParam, lParam);
}

bool CMainFrame::OnCreate()
{
    m_timers.Attach(m_window);
    if (FAILED(::OleInitialize(nullptr))) {
        // Without OLE the server stays inert: no tray icon, no link, no timers.
        ShowMessage(m_window, LoadResourceText(IDS_OLE_INIT_FAILED), MB_OK);
        return true;
    }
    m_oleInitialized = true;
    // Without a message filter a busy presentation program rejects calls at once instead of
    // having them retried, which is how the server tells that it is busy.
    ::CoRegisterMessageFilter(nullptr, nullptr);
    CWin32AutomationConnector connector;
    m_powerPointConnection.Connect(connector);

    m_iconUnavailable.Load(IDI_STATE_UNAVAILABLE);
    m_iconWaiting.Load(IDI_STATE_WAITING);
    m_iconConnected.Load(IDI_STATE_CONNECTED);

    // Only the icon's own window or menu failing ends start-up; a shell that is not ready yet
    // gets the icon later, and the phone is served meanwhile.
    if (!m_trayIcon.Create(m_window, kTrayCallbackMessage, LoadResourceText(IDS_TIP_UNAVAILABLE),
                           m_iconUnavailable.Get(), IDR_TRAYMENU)) {
        return false;
    }
    m_trayIcon.SetDefaultMenuItem(ID_APP_CONFIGURE);
    m_timers.StartPeriodic("poll", kPollPeriodMilliseconds, [this] { OnPollTimer(); });
    CActionPlayer::Install(&m_player);
    m_timers.StartPeriodic("pointer motion", kMotionPeriodMilliseconds, [this] { m_player.OnTick(); });

    // Profiles first, so that the settings' list of switched-off profiles applies to them.
    m_settings.LoadProfiles();
    m_settings.LoadSettings();
    m_foregroundLock.HoldOff();
    m_timers.StartPeriodic("link watch", kLinkWatchPeriodMilliseconds, [this] { RunLinkWatch(); });

    m_portFailureShown = false;
    m_protocolServer.SetOwner(this);
    StartLink();
    ShowSplashScreen(m_window, kSplashMilliseconds);
    return true;
}

void CMainFrame::StartLink()
{
    m_protocolServer.Start(m_settings.GetSerialPort(), this);
}

void CMainFrame::Post(uint32_t message, uintptr_t wParam)
{
    if (m_window) {
        ::PostMessageW(m_window, message, static_cast<WPARAM>(wParam), 0);
    }
}

void CMainFrame::ShowDisplay(Display display)
{
    switch (display) {
    case Display::Unavailable:
        m_trayIcon.SetIcon(m_iconUnavailable.Get());
        m_trayIcon.SetTooltip(IDS_TIP_UNAVAILABLE);
        break;
    case Display::Waiting:
        m_trayIcon.SetIcon(m_iconWaiting.Get());
        m_trayIcon.SetTooltip(IDS_TIP_WAITING);
        break;
    case Display::Connected:
        m_trayIcon.SetIcon(m_iconConnected.Get());
        m_trayIcon.SetTooltip(IDS_TIP_CONNECTED);
        break;
    }
}

void CMainFrame::OnCommand(UINT command)
{
    switch (command) {
    case ID_APP_ABOUT:
        ShowAbout();
        break;
    case ID_APP_HELP:
        ShowHelpContents(m_window);
        break;
    case ID_APP_CONFIGURE:
        Configure();
        break;
    case ID_APP_EXIT:
        // The editor and the sheet end first, as if cancelled; the question comes after.
        if (m_configDialog) {
            m_configDialog->EndAsCancelled();
        }
        ::PostMessageW(m_window, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void CMainFrame::OnPollTimer()
{
    if (m_protocolServer.GetState() == RC_STATE_STOPPED) {
        StartLink();
    }
    if (m_currentManager) {
        m_currentManager->Poll();
    }
    if (m_protocolServer.GetState() == RC_STATE_CONNECTED) {
        m_protocolServer.RefreshApplicationList();
    }
}

void CMainFrame::OnPortFailed()
{
    // Stopped first: the poll timer's retry runs only while the server is stopped.
    m_protocolServer.OnPortFailed();
    if (m_portFailureShown) {
        return;
    }
    m_portFailureShown = true;
    ShowDisplay(Display::Unavailable);
    // The box is modal and timers keep running under it: Exit and Configure stay greyed so that
    // the program is not torn down from inside the message box.
    const HMENU menu = m_trayIcon.GetMenu();
    const HMENU popup = menu ? ::GetSubMenu(menu, 0) : nullptr;
    if (popup) {
        ::EnableMenuItem(popup, ID_APP_EXIT, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(popup, ID_APP_CONFIGURE, MF_BYCOMMAND | MF_GRAYED);
    }
    ShowMessage(m_window, FormatResourceText(IDS_PORT_FAILED, m_settings.GetSerialPort()), MB_OK | MB_ICONEXCLAMATION);
    if (popup) {
        ::EnableMenuItem(popup, ID_APP_EXIT, MF_BYCOMMAND | MF_ENABLED);
        ::EnableMenuItem(popup, ID_APP_CONFIGURE, MF_BYCOMMAND | MF_ENABLED);
    }
}

void CMainFrame::OnClose()
{
    if (!m_closeConfirmed &&
        ShowMessage(m_window, LoadResourceText(IDS_CONFIRM_EXIT), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    if (m_configDialog) {
        // Asked to close from outside while the sheet is open: the sheet's own loop is running
        // this handler, so end the sheet first and finish once it has returned.
        m_closeConfirmed = true;
        m_configDialog->EndAsCancelled();
        ::PostMessageW(m_window, WM_CLOSE, 0, 0);
        return;
    }
    ShutDown();
    ::DestroyWindow(m_window);
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
    m_timers.StopAll();
    // Released before the phone is told, in the order they went down reversed.
    ReleaseHeldInput();
    m_currentManager = nullptr;
    m_protocolServer.SetApplicationManager(nullptr);
    m_appList.DeleteManagers();
    m_protocolServer.Stop();
    m_powerPointConnection.Disconnect();
    m_foregroundLock.Restore();
    m_trayIcon.Remove();
    CloseAllHelp();
}

void CMainFrame::RunLinkWatch()
{
    m_lastLinkWatch = ::GetTickCount64();
    m_protocolServer.OnLinkWatch(m_lastLinkWatch, m_player.IsHolding());
}

void CMainFrame::ReleaseHeldInput()
{
    m_player.ReleaseAll();
}

void CMainFrame::ScheduleConfigure(UINT milliseconds)
{
    // A timer rather than a wait: the link, the tray and the splash keep working meanwhile.
    m_timers.StartOneShot("configure", milliseconds, [this] { Configure(); });
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
    if (m_configDialog) {
        m_configDialog->BringToTop();
        return;
    }
    const std::u16string previousPort = m_settings.GetSerialPort();
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
    // A key held down now would come up through a mapping that may have changed.
    ReleaseHeldInput();
    ApplyProfilesToManagers();
    if (m_settings.GetSerialPort() != previousPort) {
        ShowDisplay(Display::Unavailable);
        m_protocolServer.Stop();
        m_portFailureShown = false;
        StartLink();
    }
}

void CMainFrame::ApplyProfilesToManagers()
{
    for (int index = 0; CAppMgr* manager = m_appList.GetAt(index); ++index) {
        if (manager->GetAppType() != APPTYPE_GENERIC) {
            continue;
        }
        auto* generic = static_cast<CAppMgrGeneric*>(manager);
        for (const auto& profile : m_settings.GetProfiles()) {
            if (profile->GetName() == generic->GetName()) {
                generic->LoadKeyMapping(profile->GetKeyMapping());
                generic->SetBringToTop(profile->GetBringToTop());
                generic->SetAutoRestore(profile->GetAutoRestore());
            }
        }
    }
}

uint8_t CMainFrame::OnPhoneConnected()
{
    ShowDisplay(Display::Connected);
    return 0;
}

void CMainFrame::OnPhoneDisconnected(uint8_t /*reason*/)
{
    // The phone that held them is gone and will not send the key-ups.
    ReleaseHeldInput();
    if (m_currentManager) {
        m_currentManager->SetActive(false, true);
        m_currentManager = nullptr;
    }
    ShowDisplay(Display::Waiting);
    m_protocolServer.SetApplicationManager(nullptr);
    m_protocolServer.Stop();
    StartLink();
}

uint32_t CMainFrame::SelectApplication(uint32_t id, std::u16string& name)
{
    if (id == 0) {
        return 0;
    }
    CAppMgr* manager = m_appList.FindByWindow(id);
    if (!manager) {
        // The previous selection stays.
        name.clear();
        return 0;
    }
    name = manager->GetName();
    // The keys of the previous selection (or of this one, selected again) come up before the
    // window changes; their key-ups would otherwise go to the new window's manager.
    ReleaseHeldInput();
    if (m_currentManager) {
        m_currentManager->SetActive(false, true);
    }
    m_protocolServer.SetApplicationManager(manager);
    m_currentManager = manager;
    manager->SetActive(true, true);
    return id;
}

bool CMainFrame::FillApplicationList(std::vector<CAppListEntry>& entries, bool onlyIfChanged)
{
    const uint32_t currentWindow = m_currentManager ? m_currentManager->GetWindow() : 0;
    const std::u16string currentName = m_currentManager ? m_currentManager->GetName() : std::u16string();
    const uint32_t currentType = m_currentManager ? m_currentManager->GetAppType() : 0;
    if (!m_appList.Update(onlyIfChanged)) {
        return false;
    }
    // The rebuild replaced every manager: find the phone's application again (it stays
    // selected, but inactive, when its window is still offered).
    if (m_currentManager) {
        m_currentManager = m_appList.FindByWindow(currentWindow);
        m_protocolServer.SetApplicationManager(m_currentManager);
        // The window closed, or another application now stands behind it: what the phone
        // holds for the old one is let go.
        if (!m_currentManager || m_currentManager->GetName() != currentName ||
            m_currentManager->GetAppType() != currentType) {
            ReleaseHeldInput();
        }
    }
    for (int index = 0; const CAppMgr* manager = m_appList.GetAt(index); ++index) {
        entries.emplace_back(*manager);
    }
    return true;
}

CPresentationContext CMainFrame::MakePresentationContext()
{
    CPresentationContext context{m_powerPointConnection, *this, m_presentationShared, m_windowSystem, m_input, m_player,
                                 [this] { return m_settings.GetDisableScreensaver() != 0; }};
    context.m_notAvailableText = LoadResourceText(IDS_NOT_AVAILABLE);
    context.m_hiddenSlideText = LoadResourceText(IDS_HIDDEN_SLIDE);
    return context;
}

void CMainFrame::SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload)
{
    m_protocolServer.SendApplicationData(appId, appType, payload);
}

void CMainFrame::StartSyncTimer(uint32_t milliseconds)
{
    m_timers.StartOneShot("sync", milliseconds, [this] { m_protocolServer.OnSyncTimeout(); });
}

void CMainFrame::OnSyncRegained()
{
    m_timers.Stop("sync");
    ShowDisplay(Display::Connected);
}

void CMainFrame::StartStallTimer(uint32_t milliseconds)
{
    m_timers.StartOneShot("stall", milliseconds, [this] { m_protocolServer.OnStallTimeout(); });
}

void CMainFrame::StopStallTimer()
{
    m_timers.Stop("stall");
}
