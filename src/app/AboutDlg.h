#pragma once
#include <windows.h>

// The About box: the program icon, the product name and version, and the legal notices.
class CAboutDlg {
public:
    // Runs the box modally; with no owner it is a top-level window of its own, centred on the
    // screen and brought to the front (the program has no visible window to sit on).
    INT_PTR DoModal(HWND owner = nullptr);

    // The box while it is shown, else null.
    HWND GetWindow() const { return m_window; }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND dialog);

    HWND m_window = nullptr;
};
