#include "app/HiddenWindow.h"

#include <exception>

#include "app/WindowObject.h"

CHiddenWindow::~CHiddenWindow()
{
    if (m_window) {
        ::DestroyWindow(m_window);
    }
}

bool CHiddenWindow::CreateHidden(const wchar_t* className, UINT iconId)
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &CHiddenWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    windowClass.lpszClassName = className;
    ::RegisterClassExW(&windowClass);

    const int x = ::GetSystemMetrics(SM_CXFULLSCREEN) / 2;
    const int y = ::GetSystemMetrics(SM_CYFULLSCREEN) / 2;
    return ::CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, x, y, 0, 0, nullptr, nullptr, instance,
                             this) != nullptr;
}

LRESULT CHiddenWindow::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcW(m_window, message, wParam, lParam);
}

LRESULT CALLBACK CHiddenWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = WindowObject<CHiddenWindow>(window, message, lParam);
    if (!self) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCCREATE) {
        self->m_window = window;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_window = nullptr;
        self->OnDestroyed();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // A failure the handlers did not expect costs this one message, not the program.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception&) {
        return 0;
    }
}
