#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "appctl/AppMgr.h"

class CActionPlayer;
class CAppConfiguration;
class CExecutableLookup;
class IPresentationSource;
class IProcessListFactory;
class IWindowSystem;

// The applications offered to the phone: the visible top-level windows that an enabled profile
// recognises, each with its manager, and one presentation manager per presentation open in the
// presentation program. The program has exactly one list, made by the main frame; all of it
// runs on the GUI thread.
class CAppList {
public:
    // The profile set, read in array order on every update; the list keeps a reference, so the
    // set may be reloaded between updates.
    using ProfileSet = std::vector<std::unique_ptr<CAppConfiguration>>;

    // The profile name that marks the presentation program's main window, and the classes of
    // its document area and document windows. All compared exactly.
    static constexpr char16_t kPresentationProfile[] = u"PowerPoint";
    static constexpr char16_t kDocumentAreaClass[] = u"MDIClient";
    static constexpr char16_t kDocumentClass[] = u"mdiClass";

    // `presentation` may be null: the presentation program is not there, and its documents get
    // no managers. The player plays the keys of every profile's manager.
    CAppList(IWindowSystem& windowSystem, IProcessListFactory& processes, CActionPlayer& player,
             const ProfileSet& profiles, IPresentationSource* presentation);
    virtual ~CAppList();
    CAppList(const CAppList&) = delete;
    CAppList& operator=(const CAppList&) = delete;

    // Looks at the desktop again and rebuilds every manager. With `onlyIfChanged`, nothing is
    // rebuilt when the window sum equals that of the last rebuild. True when the managers were
    // rebuilt; false when they were not, or window enumeration failed.
    bool Update(bool onlyIfChanged);
    // Null when the index is out of range.
    CAppMgr* GetAt(int index) const;
    // The first manager of the window, or null.
    CAppMgr* FindByWindow(uint32_t window) const;
    void DeleteManagers();

private:
    // A recognised window of the last update.
    struct AppInfo {
        uint32_t m_appType = APPTYPE_GENERIC;
        uint32_t m_hWnd = 0;
        const CAppConfiguration* m_config = nullptr;  // null for a presentation; valid only during the update
    };

    // The index of the first enabled profile that recognises the window, or -1. The window's
    // executable is looked up only when a profile that is asked needs it.
    int FindProfile(uint32_t window, CExecutableLookup& executables) const;
    void AddPresentationEntries(uint32_t mainWindow);
    uint32_t WindowSum() const;
    void BuildManagers();

    IWindowSystem& m_windowSystem;
    IProcessListFactory& m_processes;
    CActionPlayer& m_player;
    const ProfileSet& m_profiles;
    IPresentationSource* m_presentation;

    std::vector<uint32_t> m_windows;
    std::vector<uint32_t> m_popupWindows;
    std::vector<uint32_t> m_childWindows;
    std::vector<AppInfo> m_apps;
    std::vector<std::unique_ptr<CAppMgr>> m_managers;
    // The window sum of the last rebuild; 0 before the first. Kept here rather than
    // program-wide because the program has exactly one list.
    uint32_t m_lastWindowSum = 0;
    // Scratch for the top-level windows of one update.
    std::vector<uint32_t> m_topLevel;
};
