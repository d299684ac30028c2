#include "appctl/AppMgrGeneric.h"

#include <cstdio>
#include <utility>

#include "appctl/ActionPlayer.h"
#include "platform/Trace.h"
#include "platform/WindowSystem.h"

namespace {

// Room for any class name: the desktop test must not be fooled by a cut name.
constexpr size_t kClassBufferLength = 1000;

}  // namespace

CAppMgrGeneric::CAppMgrGeneric(IWindowSystem& windowSystem, CActionPlayer& player, uint32_t window,
                               std::u16string name)
    : CAppMgr(window), m_windowSystem(windowSystem), m_player(player), m_name(std::move(name))
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
    const bool inFront = !m_bringToTop || BringToFront();
    if (kind == 0) {
        if (!inFront) {
            // The next press tries again.
            m_withheld.insert(keyCode);
            char line[96];
            std::snprintf(line, sizeof line, "Key 0x%X not played: window 0x%08X is not in front", keyCode,
                          static_cast<unsigned>(m_hWnd));
            TraceLine(line);
            return;
        }
        m_withheld.erase(keyCode);
        m_player.Press(found->second, m_hWnd);
    } else if (kind == 1) {
        // A release is played even when the window has lost the front: what the press holds
        // down must come up. Only a press that was never played has nothing to release.
        if (m_withheld.erase(keyCode) != 0)
            return;
        m_player.Release(found->second, m_hWnd);
    }
}

void CAppMgrGeneric::SetActive(bool active, bool bringToFront)
{
    if (IsDesktop())
        return;
    m_active = active;
    if (active && bringToFront)
        BringToFront();
}

bool CAppMgrGeneric::BringToFront()
{
    // The desktop is never moved; keys for it go wherever the focus is, as they always did.
    if (IsDesktop())
        return true;
    const bool inFront = m_windowSystem.SetForeground(m_hWnd);
    if (!m_autoRestore)
        return inFront;
    uint32_t showState = 0;
    if (!m_windowSystem.GetPlacementShowState(m_hWnd, showState))
        return inFront;
    // Writing the placement of another process's window can fail (always under Wine, for
    // elevated windows on Windows); showing it normally restores it all the same.
    if (!m_windowSystem.SetPlacementShowNormal(m_hWnd))
        m_windowSystem.ShowNormal(m_hWnd);
    return inFront;
}

bool CAppMgrGeneric::IsDesktop() const
{
    return m_windowSystem.GetWindowClass(m_hWnd, kClassBufferLength) == kDesktopClass;
}
