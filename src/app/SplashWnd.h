#pragma once
#include <windows.h>

#include "app/GdiHandles.h"

// The picture shown briefly while the server starts: a borderless, topmost popup exactly as
// large as the splash bitmap, centred on the screen and owned by the main window. The module
// functions below create and remove it; the object lives while its window does.
class CSplashWnd {
public:
    static constexpr wchar_t kWindowClass[] = L"QuillantSplash";
    static constexpr UINT_PTR kHideTimer = 1;

    CSplashWnd() = default;
    ~CSplashWnd();
    CSplashWnd(const CSplashWnd&) = delete;
    CSplashWnd& operator=(const CSplashWnd&) = delete;

    // Loads the bitmap and creates the visible window; false (and no window) when either fails.
    // A display time of 0 leaves it up until some other event hides it.
    bool Create(HWND parent, UINT milliseconds);
    HWND GetWindow() const { return m_window; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnPaint();

    HWND m_window = nullptr;
    CUniqueBitmap m_bitmap;
    SIZE m_bitmapSize{};  // the bitmap's own pixels, drawn for 96 DPI
    SIZE m_size{};        // the window's, scaled to its monitor's DPI
    UINT m_displayTime = 0;
};

// The splash module: at most one splash at a time, allowed or not by the command line.
void EnableSplashScreen(bool enable);

// Records the display time; shows the splash unless it is disabled or already shown.
void ShowSplashScreen(HWND parent, UINT milliseconds);

// Offered every message before it is translated: while the splash shows, a key-down or a mouse
// button press hides it and is consumed (true).
bool PreTranslateAppMessage(const MSG& message);

// Destroys the splash, if any, and repaints the main window at once.
void HideSplashScreen();
