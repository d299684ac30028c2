#include "app/TrayView.h"

#include "app/ResourceText.h"
#include "resource.h"

bool CTrayView::Create(HWND mainWindow, UINT callbackMessage, UINT defaultCommand)
{
    m_mainWindow = mainWindow;
    LoadIcons();
    if (!m_icon.Create(mainWindow, callbackMessage, LoadResourceText(IDS_TIP_UNAVAILABLE), m_unavailable.Get(),
                       IDR_TRAYMENU)) {
        return false;
    }
    m_icon.SetDefaultMenuItem(defaultCommand);
    // The icon's own window now exists: take the size of its monitor, then follow changes.
    LoadIcons();
    m_icon.SetIcon(StateIcon());
    m_icon.OnScaleChange([this] {
        LoadIcons();
        m_icon.SetIcon(StateIcon());
    });
    return true;
}

void CTrayView::LoadIcons()
{
    const HWND window = m_icon.GetWindow();
    m_unavailable.Load(IDI_STATE_UNAVAILABLE, window);
    m_waiting.Load(IDI_STATE_WAITING, window);
    m_connected.Load(IDI_STATE_CONNECTED, window);
}

HICON CTrayView::StateIcon() const
{
    switch (m_state) {
    case ELinkState::Waiting:
        return m_waiting.Get();
    case ELinkState::Connected:
        return m_connected.Get();
    case ELinkState::Unavailable:
        break;
    }
    return m_unavailable.Get();
}

void CTrayView::ShowLinkState(ELinkState state)
{
    m_state = state;
    switch (state) {
    case ELinkState::Unavailable:
        m_icon.SetIcon(m_unavailable.Get());
        m_icon.SetTooltip(IDS_TIP_UNAVAILABLE);
        break;
    case ELinkState::Waiting:
        m_icon.SetIcon(m_waiting.Get());
        m_icon.SetTooltip(IDS_TIP_WAITING);
        break;
    case ELinkState::Connected:
        m_icon.SetIcon(m_connected.Get());
        m_icon.SetTooltip(IDS_TIP_CONNECTED);
        break;
    }
}

void CTrayView::ShowPortFailure(const std::u16string& portName)
{
    // The box is modal and timers keep running under it: Exit and Configure stay greyed so that
    // the program is not torn down from inside the message box.
    const HMENU menu = m_icon.GetMenu();
    const HMENU popup = menu ? ::GetSubMenu(menu, 0) : nullptr;
    for (const UINT command : {ID_APP_EXIT, ID_APP_CONFIGURE}) {
        if (popup) {
            ::EnableMenuItem(popup, command, MF_BYCOMMAND | MF_GRAYED);
        }
    }
    ShowMessage(m_mainWindow, FormatResourceText(IDS_PORT_FAILED, portName), MB_OK | MB_ICONEXCLAMATION);
    for (const UINT command : {ID_APP_EXIT, ID_APP_CONFIGURE}) {
        if (popup) {
            ::EnableMenuItem(popup, command, MF_BYCOMMAND | MF_ENABLED);
        }
    }
}
