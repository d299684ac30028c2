#include "app/SplashWnd.h"

#include <memory>
#include <utility>

#include "app/SmallIcon.h"
#include "app/WindowObject.h"
#include "resource.h"

namespace {

// The one piece of program-wide state of the shell: whether the splash is allowed, how long it
// stays, and the splash now shown (its object is released when its window is destroyed).
struct SplashState {
    bool m_enabled = true;
    UINT m_displayTime = 0;
    std::unique_ptr<CSplashWnd> m_current;
};

SplashState& State()
{
    static SplashState state;
    return state;
}

bool RegisterSplashClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = CSplashWnd::kWindowClass;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Centres the window on the work area of the monitor its owner is on (the owner itself is
// hidden and has no size, so centring on it would put the splash off the middle).
void CentreOnScreen(HWND window, SIZE size)
{
    HWND owner = ::GetWindow(window, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        area = monitor.rcWork;
    }
    const int x = area.left + (area.right - area.left - size.cx) / 2;
    const int y = area.top + (area.bottom - area.top - size.cy) / 2;
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE ScaledSize(SIZE size, UINT dpi)
{
    return SIZE{::MulDiv(size.cx, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI),
                ::MulDiv(size.cy, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI)};
}

}  // namespace

CSplashWnd::~CSplashWnd()
{
    if (m_window) {
        // Destroyed from outside its own window procedure (the program ends with it shown):
        // detach first, so that its destruction does not release this object a second time.
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        ::DestroyWindow(m_window);
    }
}

bool CSplashWnd::Create(HWND parent, UINT milliseconds)
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    m_bitmap.Reset(static_cast<HBITMAP>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (!m_bitmap || ::GetObjectW(m_bitmap.Get(), sizeof(info), &info) == 0) {
        return false;
    }
    m_bitmapSize = SIZE{info.bmWidth, info.bmHeight};
    // Shown on the owner's monitor, at that monitor's scaling.
    m_size = ScaledSize(m_bitmapSize, WindowDpi(parent));
    m_displayTime = milliseconds;
    if (!RegisterSplashClass(instance, &CSplashWnd::WindowProc)) {
        return false;
    }
    return ::CreateWindowExW(0, kWindowClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, m_size.cx, m_size.cy, parent, nullptr,
                             instance, this) != nullptr;
}

void CSplashWnd::OnCreate()
{
    CentreOnScreen(m_window, m_size);
    if (m_displayTime != 0) {
        ::SetTimer(m_window, kHideTimer, m_displayTime, nullptr);
    }
    ::SetWindowPos(m_window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

LRESULT CALLBACK CSplashWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = WindowObject<CSplashWnd>(window, message, lParam);
    if (!self) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCCREATE) {
        self->m_window = window;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_window = nullptr;
        const LRESULT result = ::DefWindowProcW(window, message, wParam, lParam);
        // The window is gone: so is the object, when it is the module's current splash.
        SplashState& state = State();
        if (state.m_current.get() == self) {
            state.m_current.reset();
        }
        return result;
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT CSplashWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        // The bitmap covers the whole window.
        return 1;
    case WM_DPICHANGED: {
        // Moved to a monitor of another scaling: the system suggests the new place and size.
        m_size = ScaledSize(m_bitmapSize, HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(m_window, nullptr, suggested->left, suggested->top, m_size.cx, m_size.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::InvalidateRect(m_window, nullptr, FALSE);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kHideTimer) {
            // Destroys this object: nothing may follow.
            HideSplashScreen();
            return 0;
        }
        break;
    case WM_KILLFOCUS: {
        const HWND owner = ::GetWindow(m_window, GW_OWNER);
        if (reinterpret_cast<HWND>(wParam) != owner) {
            HideSplashScreen();
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return ::DefWindowProcW(m_window, message, wParam, lParam);
}

void CSplashWnd::OnPaint()
{
    const CPaintScope paint(m_window);
    const CMemoryDC memory(paint.Get());
    if (!memory.Get()) {
        return;
    }
    const CSelectObject select(memory.Get(), m_bitmap.Get());
    if (!select.Selected()) {
        return;
    }
    if (m_size.cx == m_bitmapSize.cx && m_size.cy == m_bitmapSize.cy) {
        ::BitBlt(paint.Get(), 0, 0, m_size.cx, m_size.cy, memory.Get(), 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(paint.Get(), HALFTONE);
        ::SetBrushOrgEx(paint.Get(), 0, 0, nullptr);
        ::StretchBlt(paint.Get(), 0, 0, m_size.cx, m_size.cy, memory.Get(), 0, 0, m_bitmapSize.cx, m_bitmapSize.cy,
                     SRCCOPY);
    }
}

void EnableSplashScreen(bool enable)
{
    State().m_enabled = enable;
}

void ShowSplashScreen(HWND parent, UINT milliseconds)
{
    SplashState& state = State();
    state.m_displayTime = milliseconds;
    if (!state.m_enabled || state.m_current) {
        return;
    }
    auto splash = std::make_unique<CSplashWnd>();
    if (!splash->Create(parent, state.m_displayTime)) {
        return;
    }
    const HWND window = splash->GetWindow();
    state.m_current = std::move(splash);
    // Painted now: the thread may be busy for a while before it next reads its messages.
    ::UpdateWindow(window);
}

bool PreTranslateAppMessage(const MSG& message)
{
    const SplashState& state = State();
    if (!state.m_current || !state.m_current->GetWindow()) {
        return false;
    }
    switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        HideSplashScreen();
        return true;
    default:
        return false;
    }
}

void HideSplashScreen()
{
    // Taken out of the module first: destroying the window may call back here (focus moves
    // away from it), and that call must find nothing left to hide.
    std::unique_ptr<CSplashWnd> splash = std::move(State().m_current);
    if (!splash) {
        return;
    }
    const HWND window = splash->GetWindow();
    const HWND owner = window ? ::GetWindow(window, GW_OWNER) : nullptr;
    if (window) {
        ::DestroyWindow(window);
    }
    splash.reset();
    if (owner) {
        ::UpdateWindow(owner);
    }
}
