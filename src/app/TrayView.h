#pragma once
#include <windows.h>

#include <string>

#include "app/NotifyIcon.h"
#include "app/SmallIcon.h"
#include "session/Session.h"

// The session as the user sees it: the tray icon and tooltip follow the link's state, and a
// port that cannot be opened is reported in a message box.
class CTrayView : public ISessionView {
public:
    // False only when the icon's own window or menu could not be made.
    bool Create(HWND mainWindow, UINT callbackMessage, UINT defaultCommand);
    void Remove() { m_icon.Remove(); }

    void ShowLinkState(ELinkState state) override;
    void ShowPortFailure(const std::u16string& portName) override;

private:
    // The state icons at the small-icon size of the tray's monitor.
    void LoadIcons();
    HICON StateIcon() const;

    HWND m_mainWindow = nullptr;
    ELinkState m_state = ELinkState::Unavailable;
    CNotifyIcon m_icon;
    CSmallIcon m_unavailable;
    CSmallIcon m_waiting;
    CSmallIcon m_connected;
};
