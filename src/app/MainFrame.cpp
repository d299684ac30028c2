#include "app/MainFrame.h"

#include <ole2.h>

#include <exception>

#include "app/AboutDlg.h"
#include "app/HelpFile.h"
#include "app/ResourceText.h"
#include "app/SplashWnd.h"
#include "platform/win32/Win32Automation.h"
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
    CActionPlayer::Install(nullptr);
    if (m_window) {
        ::DestroyWindow(m_window);
    }
    if (m_oleInitialized) {
        // The program-wide automation reference must go before OLE does.
        DisconnectPowerPoint();
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
    ConnectPowerPoint(connector);

    // Only the icon's own window or menu failing ends start-up; a shell that is not ready yet
    // gets the icon later, and the phone is served meanwhile.
    if (!m_tray.Create(m_window, kTrayCallbackMessage, ID_APP_CONFIGURE)) {
        return false;
    }
    CActionPlayer::Install(&m_player);
    // Profiles first, so that the settings' list of switched-off profiles applies to them.
    m_settings.LoadProfiles();
    m_settings.LoadSettings();
    m_foregroundLock.HoldOff();
    m_session.Start(m_settings.GetSerialPort(), this);
    ShowSplashScreen(m_window, kSplashMilliseconds);
    return true;
}

void CMainFrame::Post(uint32_t message, uintptr_t wParam)
{
    if (m_window) {
        ::PostMessageW(m_window, message, static_cast<WPARAM>(wParam), 0);
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
    m_session.ShutDown();
    m_timers.StopAll();
    DisconnectPowerPoint();
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
    CPresentationContext context{*this, m_presentationShared, m_windowSystem, m_input, m_player,
                                 [this] { return m_settings.GetDisableScreensaver() != 0; }};
    context.m_notAvailableText = LoadResourceText(IDS_NOT_AVAILABLE);
    context.m_hiddenSlideText = LoadResourceText(IDS_HIDDEN_SLIDE);
    return context;
}
