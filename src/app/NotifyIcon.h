#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

// The tray icon: a hidden window of its own receives the shell's mouse notifications; the menu's
// commands go to the main window. The shell may not be ready (at log-on) or may restart: the icon
// is added again when the taskbar is recreated, and every few seconds while it is not shown.
class CNotifyIcon {
public:
    static constexpr UINT WM_NOTIFYICON_SHOWMENU = 0x812B;
    static constexpr wchar_t kWindowClass[] = L"QuillantNotifyIcon";

    CNotifyIcon() = default;
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;
    ~CNotifyIcon();

    // mainWindow receives the menu commands. False only when the icon's own window or menu cannot
    // be made; a shell that refuses the icon is asked again later.
    bool Create(HWND mainWindow, UINT callbackMessage, const std::u16string& tooltip, HICON icon, UINT resourceId);
    // Kept while the shell does not have the icon, and shown when it takes it.
    void SetIcon(HICON icon);
    void SetTooltip(const std::u16string& text);
    void SetTooltip(UINT stringId);
    bool SetDefaultMenuItem(UINT commandId);
    HMENU GetMenu() const { return m_menu; }
    // The icon's own window: its monitor's scaling sets the icon's size.
    HWND GetWindow() const { return m_window; }
    // Called when the display's scaling or layout may have changed the tray's icon size (and
    // before a restarted shell is given the icon again), to set an icon of the new size.
    void OnScaleChange(std::function<void()> handler) { m_onScaleChange = std::move(handler); }
    // Takes the icon out of the notification area for good: it is not offered again.
    void Remove();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotification(WPARAM wParam, LPARAM lParam);
    void ShowMenu();
    void Show();
    void Modify();
    void WaitForShell();
    void CopyTooltip(const std::u16string& text);

    // Removed: not wanted (before Create, after Remove). Waiting: wanted, the shell does not have it.
    enum class State { Removed, Waiting, Shown };

    HWND m_window = nullptr;
    HWND m_mainWindow = nullptr;
    UINT m_defaultItem = 0;
    UINT m_addFlags = 0;
    UINT m_taskbarCreated = 0;
    NOTIFYICONDATAW m_notifyData{};
    HMENU m_menu = nullptr;
    State m_state = State::Removed;
    std::function<void()> m_onScaleChange;
};
