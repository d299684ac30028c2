#include "app/NotifyIcon.h"

#include <algorithm>

#include "app/ResourceText.h"
#include "app/WindowObject.h"
#include "platform/win32/WideText.h"

namespace {

// The tip field holds 128 characters; the last stays zero.
constexpr size_t kMaxTipCharacters = 127;

// While the shell does not have the icon, it is offered again this often.
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryMilliseconds = 5000;

}  // namespace

CNotifyIcon::~CNotifyIcon()
{
    if (m_menu) {
        ::DestroyMenu(m_menu);
        m_menu = nullptr;
    }
    if (m_window) {
        Remove();
        ::DestroyWindow(m_window);
        m_window = nullptr;
    }
}

bool CNotifyIcon::Create(HWND mainWindow, UINT callbackMessage, const std::u16string& tooltip, HICON icon,
                         UINT resourceId)
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &CNotifyIcon::WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);  // fails harmlessly when already registered

    m_mainWindow = mainWindow;
    m_window = ::CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    m_menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(resourceId));
    if (!m_window || !m_menu) {
        return false;
    }
    m_taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    // An elevated program gets the shell's broadcast only when it lets it through.
    ::ChangeWindowMessageFilterEx(m_window, m_taskbarCreated, MSGFLT_ALLOW, nullptr);

    // The Windows 2000 layout of the structure: its size differs between 32- and 64-bit builds.
    m_notifyData = NOTIFYICONDATAW{};
    m_notifyData.cbSize = NOTIFYICONDATAW_V2_SIZE;
    m_notifyData.hWnd = m_window;
    m_notifyData.uID = resourceId;
    m_notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_notifyData.uCallbackMessage = callbackMessage;
    m_notifyData.hIcon = icon;
    CopyTooltip(tooltip);
    m_addFlags = m_notifyData.uFlags;

    Show();
    return true;
}

void CNotifyIcon::CopyTooltip(const std::u16string& text)
{
    const size_t count = std::min(text.size(), kMaxTipCharacters);
    std::fill(std::begin(m_notifyData.szTip), std::end(m_notifyData.szTip), L'\0');
    std::copy_n(text.begin(), count, m_notifyData.szTip);
}

void CNotifyIcon::SetIcon(HICON icon)
{
    m_notifyData.uFlags = NIF_ICON;
    m_notifyData.hIcon = icon;
    Modify();
}

void CNotifyIcon::SetTooltip(const std::u16string& text)
{
    m_notifyData.uFlags = NIF_TIP;
    CopyTooltip(text);
    Modify();
}

void CNotifyIcon::SetTooltip(UINT stringId)
{
    SetTooltip(LoadResourceText(stringId));
}

bool CNotifyIcon::SetDefaultMenuItem(UINT commandId)
{
    m_defaultItem = commandId;
    return true;
}

void CNotifyIcon::Remove()
{
    // Also while waiting: the shell may hold the icon after an add it reported as failed.
    if (m_state != State::Removed) {
        m_notifyData.uFlags = 0;
        ::Shell_NotifyIconW(NIM_DELETE, &m_notifyData);
    }
    ::KillTimer(m_window, kRetryTimer);
    m_state = State::Removed;
}

void CNotifyIcon::Show()
{
    // Whatever image and tip are current appear, not those given at creation.
    m_notifyData.uFlags = m_addFlags;
    // A shell that kept the icon refuses a second add but takes the change.
    if (::Shell_NotifyIconW(NIM_ADD, &m_notifyData) || ::Shell_NotifyIconW(NIM_MODIFY, &m_notifyData)) {
        ::KillTimer(m_window, kRetryTimer);
        m_state = State::Shown;
    } else {
        WaitForShell();
    }
}

void CNotifyIcon::Modify()
{
    // While the shell does not have the icon, the change waits in the data for the next add.
    if (m_state == State::Shown && !::Shell_NotifyIconW(NIM_MODIFY, &m_notifyData)) {
        // The shell went away without telling us: offer the icon again until it is back.
        WaitForShell();
    }
}

void CNotifyIcon::WaitForShell()
{
    m_state = State::Waiting;
    ::SetTimer(m_window, kRetryTimer, kRetryMilliseconds, nullptr);
}

LRESULT CALLBACK CNotifyIcon::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Messages before CreateWindowExW has returned the handle are the system's alone.
    auto* self = WindowObject<CNotifyIcon>(window, message, lParam);
    if (self && self->m_window == window) {
        return self->HandleMessage(message, wParam, lParam);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CNotifyIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_notifyData.uCallbackMessage && message != 0) {
        return OnNotification(wParam, lParam);
    }
    if (message == WM_NOTIFYICON_SHOWMENU) {
        ShowMenu();
        return 0;
    }
    if (message == WM_DPICHANGED || message == WM_DISPLAYCHANGE) {
        if (m_onScaleChange && m_state != State::Removed) {
            m_onScaleChange();
        }
        return ::DefWindowProcW(m_window, message, wParam, lParam);
    }
    if (message == m_taskbarCreated && m_taskbarCreated != 0) {
        // A restarted shell has none of the icons it showed before; it may have restarted for a
        // new scaling, so the icon's size is taken again first.
        if (m_onScaleChange && m_state != State::Removed) {
            m_onScaleChange();
        }
        if (m_state != State::Removed) {
            Show();
        }
        return 0;
    }
    if (message == WM_TIMER && wParam == kRetryTimer) {
        if (m_state == State::Waiting) {
            Show();
        }
        return 0;
    }
    if (message == WM_SETTINGCHANGE) {
        const LRESULT result = ::DefWindowProcW(m_window, message, wParam, lParam);
        if (wParam == SPI_SETWORKAREA && m_state != State::Removed) {
            Show();
        }
        return result;
    }
    return ::DefWindowProcW(m_window, message, wParam, lParam);
}

LRESULT CNotifyIcon::OnNotification(WPARAM wParam, LPARAM lParam)
{
    if (wParam != m_notifyData.uID) {
        return 0;
    }
    switch (LOWORD(lParam)) {
    case WM_RBUTTONUP:
        // Shown from a posted message so that the shell's notification returns first.
        ::PostMessageW(m_window, WM_NOTIFYICON_SHOWMENU, 0, 0);
        break;
    case WM_LBUTTONDBLCLK:
        if (m_defaultItem != 0) {
            ::SetForegroundWindow(m_mainWindow);
            ::PostMessageW(m_mainWindow, WM_COMMAND, m_defaultItem, 0);
        }
        break;
    default:
        break;
    }
    return 1;
}

void CNotifyIcon::ShowMenu()
{
    const HMENU popup = m_menu ? ::GetSubMenu(m_menu, 0) : nullptr;
    if (!popup) {
        return;
    }
    if (m_defaultItem != 0) {
        ::SetMenuDefaultItem(popup, m_defaultItem, FALSE);
    }
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::SetForegroundWindow(m_mainWindow);
    ::TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, m_mainWindow, nullptr);
    // Lets the menu close when the user clicks elsewhere.
    ::PostMessageW(m_mainWindow, WM_NULL, 0, 0);
}
