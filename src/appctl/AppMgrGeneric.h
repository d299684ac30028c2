#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "action/ActionSequence.h"
#include "appctl/AppMgr.h"
#include "config/AppConfiguration.h"

class CActionPlayer;
class IWindowSystem;

// The manager of an application that a profile describes: it plays the profile's action
// sequences as input into the application's window. It ignores the periodic poll and every
// user-interface event.
class CAppMgrGeneric : public CAppMgr {
public:
    // The class name of the desktop window, which is never activated or brought to the front.
    static constexpr char16_t kDesktopClass[] = u"Progman";

    // The window system and the player are the program's; both outlive the manager.
    CAppMgrGeneric(IWindowSystem& windowSystem, CActionPlayer& player, uint32_t window, std::u16string name);

    // Takes a copy of every sequence of a profile's key mapping, replacing what it held; the
    // profile may be reloaded or destroyed afterwards.
    void LoadKeyMapping(const CAppConfiguration::KeyMapping& mapping);

    // Kind 0 plays the key's sequence down, kind 1 up; other kinds play nothing. A key without
    // a sequence does nothing at all, not even bring the window to the front. When the window
    // is to be brought forward and Windows refuses, a press plays nothing (keys would reach
    // whichever program has the focus) and so does the release of that press.
    void KeyEvent(uint8_t kind, uint16_t keyCode) override;
    uint32_t GetAppType() const override { return APPTYPE_GENERIC; }
    std::u16string GetName() const override { return m_name; }
    // The desktop window keeps its state: it is never active and never brought to the front.
    void SetActive(bool active, bool bringToFront) override;

    // Makes the window the foreground window and, with AutoRestore, gives it its normal size.
    // False when the window is not in front afterwards.
    bool BringToFront();

private:
    bool IsDesktop() const;

    IWindowSystem& m_windowSystem;
    CActionPlayer& m_player;
    std::u16string m_name;
    std::unordered_map<uint32_t, CActionSequence> m_keyMap;
    std::unordered_set<uint16_t> m_withheld;  // keys whose press was not played
};
