#pragma once
#include <windows.h>

// The object behind a window made with CreateWindowExW(..., object): kept in the window's user
// data from WM_NCCREATE on, so that a class's static window procedure can hand each message to
// it. Null for the few messages that come before WM_NCCREATE, and once the data is cleared.
template <class T>
T* WindowObject(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* object = static_cast<T*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        return object;
    }
    return reinterpret_cast<T*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}
