#pragma once
#include <windows.h>

// A window that is never seen, made to receive messages: posted notifications, timers, menu
// commands. A tool window has no taskbar button, and size 0 x 0 keeps it invisible even when
// shown. Derived classes handle the messages; nothing they throw unwinds into the system.
class CHiddenWindow {
public:
    CHiddenWindow() = default;
    virtual ~CHiddenWindow();
    CHiddenWindow(const CHiddenWindow&) = delete;
    CHiddenWindow& operator=(const CHiddenWindow&) = delete;

    // Registers the class and creates the window; WM_CREATE reaches HandleMessage before this
    // returns. False when it failed.
    bool CreateHidden(const wchar_t* className, UINT iconId);
    HWND GetWindow() const { return m_window; }

protected:
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The window is gone (WM_NCDESTROY).
    virtual void OnDestroyed() {}
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
};
