#include "app/TrayView.h"

#include "app/ResourceText.h"
#include "resource.h"

bool CTrayView::Create(HWND mainWindow, UINT callbackMessage, UINT defaultCommand)
{
    m_mainWindow = mainWindow;
    m_unavailable.Load(IDI_STATE_UNAVAILABLE);
    m_waiting.Load(IDI_STATE_WAITING);
    m_connected.Load(IDI_STATE_CONNECTED);
    if (!m_icon.Create(mainWindow, callbackMessage, LoadResourceText(IDS_TIP_UNAVAILABLE), m_unavailable.Get(),
                       IDR_TRAYMENU)) {
        return false;
    }
    m_icon.SetDefaultMenuItem(defaultCommand);
    return true;
}

void CTrayView::ShowLinkState(ELinkState state)
{
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
