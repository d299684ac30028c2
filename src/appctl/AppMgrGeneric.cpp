#include "appctl/AppMgrGeneric.h"

#include <utility>

#include "appctl/ActionPlayer.h"
#include "platform/WindowSystem.h"

namespace {

// Room for any class name: the desktop test must not be fooled by a cut name.
constexpr size_t kClassBufferLength = 1000;

}  // namespace

CAppMgrGeneric::CAppMgrGeneric(IWindowSystem& windowSystem, uint32_t window, std::u16string name)
    : CAppMgr(window), m_windowSystem(windowSystem), m_name(std::move(name))
{
}

void CAppMgrGeneric::LoadKeyMapping(const CAppConfiguration::KeyMapping& mapping)
{
    m_keyMap.clear();
    m_keyMap.insert(mapping.begin(), mapping.end());
}

void CAppMgrGeneric::KeyEvent(uint8_t kind, uint16_t keyCode)
{
    const auto found = m_keyMap.find(keyCode);
    if (found == m_keyMap.end())
        return;
    if (m_bringToTop)
        BringToFront();
    if (kind == 0)
        CActionPlayer::GetInstance().Press(found->second, m_hWnd);
    else if (kind == 1)
        CActionPlayer::GetInstance().Release(found->second, m_hWnd);
}

void CAppMgrGeneric::SetActive(bool active, bool bringToFront)
{
    if (IsDesktop())
        return;
    m_active = active;
    if (active && bringToFront)
        BringToFront();
}

void CAppMgrGeneric::BringToFront()
{
    if (IsDesktop())
        return;
    m_windowSystem.SetForeground(m_hWnd);
    if (!m_autoRestore)
        return;
    uint32_t showState = 0;
    if (!m_windowSystem.GetPlacementShowState(m_hWnd, showState))
        return;
    // Writing the placement of another process's window can fail (always under Wine, for
    // elevated windows on Windows); showing it normally restores it all the same.
    if (!m_windowSystem.SetPlacementShowNormal(m_hWnd))
        m_windowSystem.ShowNormal(m_hWnd);
}

bool CAppMgrGeneric::IsDesktop() const
{
    return m_windowSystem.GetWindowClass(m_hWnd, kClassBufferLength) == kDesktopClass;
}
