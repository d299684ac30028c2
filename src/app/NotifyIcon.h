#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

// The tray icon: a hidden window of its own receives the shell's mouse notifications; the menu's
// commands go to the main window. Re-adds itself when the taskbar is recreated.
class CNotifyIcon {
public:
    static constexpr UINT WM_NOTIFYICON_SHOWMENU = 0x812B;
    static constexpr wchar_t kWindowClass[] = L"QuillantNotifyIcon";

    CNotifyIcon() = default;
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;
    ~CNotifyIcon();

    // mainWindow receives the menu commands. Returns the shell's result (non-zero on success).
    BOOL Create(HWND mainWindow, UINT callbackMessage, const std::u16string& tooltip, HICON icon, UINT resourceId);
    void SetIcon(HICON icon);
    void SetTooltip(const std::u16string& text);
    void SetTooltip(UINT stringId);
    bool SetDefaultMenuItem(UINT commandId);
    HMENU GetMenu() const { return m_menu; }
    void Remove();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotification(WPARAM wParam, LPARAM lParam);
    void ShowMenu();
    void AddAgain();
    void CopyTooltip(const std::u16string& text);

    HWND m_window = nullptr;
    HWND m_mainWindow = nullptr;
    UINT m_defaultItem = 0;
    UINT m_addFlags = 0;
    UINT m_taskbarCreated = 0;
    NOTIFYICONDATAW m_notifyData{};
    HMENU m_menu = nullptr;
};
