#pragma once
#include <windows.h>

#include "platform/win32/SystemLibrary.h"

// The DPI of the monitor the window is on (96 at 100 % scaling); the system's DPI where the
// system cannot tell it per window, or for a null window.
inline UINT WindowDpi(HWND window)
{
    using DpiForWindowFn = UINT(WINAPI*)(HWND window);
    const auto dpiForWindow = LibraryFunction<DpiForWindowFn>(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    UINT dpi = window && dpiForWindow ? dpiForWindow(window) : 0;
    if (dpi == 0) {
        if (const HDC screen = ::GetDC(nullptr)) {
            dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY));
            ::ReleaseDC(nullptr, screen);
        }
    }
    return dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

// The size the system gives an icon of the metric's kind (SM_CXSMICON, SM_CXICON) at the DPI of
// the monitor the window is on, so that it is drawn from its own frame rather than stretched.
// Systems that cannot tell the DPI per window give the system-wide size, as does a null window.
inline int IconSizeForWindow(HWND window, int metric)
{
    using MetricsForDpiFn = int(WINAPI*)(int index, UINT dpi);
    const auto metricsForDpi =
        LibraryFunction<MetricsForDpiFn>(::GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi");
    // The per-DPI metric comes with the per-window DPI (Windows 10 1607).
    if (window && metricsForDpi) {
        const int size = metricsForDpi(metric, WindowDpi(window));
        if (size > 0)
            return size;
    }
    return ::GetSystemMetrics(metric);
}

// A small icon loaded from the program's resources at the system's small-icon size (the frame
// nearest to it is chosen), destroyed with its owner.
class CSmallIcon {
public:
    CSmallIcon() = default;
    CSmallIcon(const CSmallIcon&) = delete;
    CSmallIcon& operator=(const CSmallIcon&) = delete;
    ~CSmallIcon()
    {
        if (m_icon) ::DestroyIcon(m_icon);
    }

    // At the size for the window's monitor; the system-wide size without a window.
    void Load(UINT resourceId, HWND window = nullptr)
    {
        if (m_icon) ::DestroyIcon(m_icon);
        const int size = IconSizeForWindow(window, SM_CXSMICON);
        m_icon = static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, size, size, 0));
    }
    HICON Get() const { return m_icon; }

private:
    HICON m_icon = nullptr;
};
