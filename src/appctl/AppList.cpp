#include "appctl/AppList.h"

#include <utility>

#include "appctl/AppMgrGeneric.h"
#include "appctl/PresentationSource.h"
#include "config/AppConfiguration.h"
#include "platform/WindowSystem.h"
#include "process/ExecutableLookup.h"

namespace {

// Buffer lengths, terminator included, in which class names and titles are read for matching.
constexpr size_t kClassBufferLength = 100;
constexpr size_t kTitleBufferLength = 300;

// Whether the profile can tell a window only by its executable: a class list decides alone,
// and a profile without an executable never looks at it.
bool NeedsExecutable(const CAppConfiguration& profile)
{
    return profile.GetClassName().empty() && !profile.GetExecutable().empty();
}

}  // namespace

CAppList::CAppList(IWindowSystem& windowSystem, IProcessListFactory& processes, CActionPlayer& player,
                   const ProfileSet& profiles, IPresentationSource* presentation)
    : m_windowSystem(windowSystem),
      m_processes(processes),
      m_player(player),
      m_profiles(profiles),
      m_presentation(presentation)
{
}

CAppList::~CAppList() = default;

bool CAppList::Update(bool onlyIfChanged)
{
    m_windows.clear();
    m_popupWindows.clear();
    m_apps.clear();

    if (!m_windowSystem.EnumTopLevelWindows(m_topLevel))
        return false;
    for (uint32_t window : m_topLevel) {
        const uint32_t style = m_windowSystem.GetStyle(window);
        if (style == 0 || (style & IWindowSystem::kStyleChild) != 0 || !m_windowSystem.IsVisible(window))
            continue;
        if ((style & IWindowSystem::kStylePopup) != 0)
            m_popupWindows.push_back(window);
        else
            m_windows.push_back(window);
    }

    // Each process's executable is read at most once in this update.
    CExecutableLookup executables(m_processes);

    for (uint32_t window : m_windows) {
        const int profile = FindProfile(window, executables);
        if (profile < 0)
            continue;
        const CAppConfiguration* config = m_profiles[profile].get();
        if (config->GetName() == kPresentationProfile)
            AddPresentationEntries(window);
        else
            m_apps.push_back(AppInfo{APPTYPE_GENERIC, window, config});
    }

    // Pop-up windows: only the first of each profile is offered, and never as the
    // presentation program.
    std::vector<bool> offered(m_profiles.size(), false);
    for (uint32_t window : m_popupWindows) {
        const int profile = FindProfile(window, executables);
        if (profile < 0 || offered[profile])
            continue;
        offered[profile] = true;
        m_apps.push_back(AppInfo{APPTYPE_GENERIC, window, m_profiles[profile].get()});
    }

    const uint32_t sum = WindowSum();
    if (onlyIfChanged && sum == m_lastWindowSum)
        return false;
    m_lastWindowSum = sum;
    DeleteManagers();
    BuildManagers();
    return true;
}

CAppMgr* CAppList::GetAt(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_managers.size())
        return nullptr;
    return m_managers[static_cast<size_t>(index)].get();
}

CAppMgr* CAppList::FindByWindow(uint32_t window) const
{
    for (const auto& manager : m_managers) {
        if (manager->GetWindow() == window)
            return manager.get();
    }
    return nullptr;
}

void CAppList::DeleteManagers()
{
    m_managers.clear();
}

int CAppList::FindProfile(uint32_t window, CExecutableLookup& executables) const
{
    const std::u16string className = m_windowSystem.GetWindowClass(window, kClassBufferLength);
    const std::u16string title = m_windowSystem.GetWindowTitle(window, kTitleBufferLength);
    const std::u16string noExecutable;
    const std::u16string* executable = nullptr;
    for (size_t i = 0; i < m_profiles.size(); ++i) {
        const CAppConfiguration& profile = *m_profiles[i];
        if (!profile.IsEnabled())
            continue;
        // Without an executable a profile matches only by class or title; where it matches so,
        // its executable would not change the answer.
        if (profile.Matches(className, noExecutable, title))
            return static_cast<int>(i);
        if (!NeedsExecutable(profile))
            continue;
        if (executable == nullptr)
            executable = &executables.Find(m_windowSystem.GetOwnerProcessId(window));
        if (profile.Matches(className, *executable, title))
            return static_cast<int>(i);
    }
    return -1;
}

// The presentation program shows each open presentation as a document window of class
// "mdiClass" inside its document area, the last "MDIClient" window among its descendants.
void CAppList::AddPresentationEntries(uint32_t mainWindow)
{
    if (!m_windowSystem.EnumDescendants(mainWindow, m_childWindows))
        return;
    uint32_t documentArea = 0;
    bool found = false;
    for (uint32_t child : m_childWindows) {
        if (m_windowSystem.GetWindowClass(child, kClassBufferLength) == kDocumentAreaClass) {
            documentArea = child;
            found = true;
        }
    }
    if (!found || !m_windowSystem.EnumDescendants(documentArea, m_childWindows))
        return;
    for (uint32_t child : m_childWindows) {
        if (m_windowSystem.GetWindowClass(child, kClassBufferLength) == kDocumentClass)
            m_apps.push_back(AppInfo{APPTYPE_POWERPOINT, child, nullptr});
    }
}

// A cheap signature of the offered windows. While the presentation program is busy its
// documents are left out, so that its windows coming and going do not count as a change.
uint32_t CAppList::WindowSum() const
{
    bool hasPresentations = false;
    for (const AppInfo& app : m_apps)
        hasPresentations = hasPresentations || app.m_appType == APPTYPE_POWERPOINT;
    // Asked only when the answer matters: it is a call into another program.
    const bool busy = hasPresentations && m_presentation != nullptr && m_presentation->IsBusy();

    uint32_t sum = 0;
    for (const AppInfo& app : m_apps) {
        if (busy && app.m_appType == APPTYPE_POWERPOINT)
            continue;
        sum += app.m_hWnd;  // unsigned: wraps around
    }
    return sum;
}

void CAppList::BuildManagers()
{
    for (const AppInfo& app : m_apps) {
        if (app.m_appType == APPTYPE_POWERPOINT) {
            if (m_presentation == nullptr)
                continue;
            const std::u16string title = m_windowSystem.GetWindowTitle(app.m_hWnd, kTitleBufferLength);
            if (std::unique_ptr<CAppMgr> manager = m_presentation->CreateManager(app.m_hWnd, title))
                m_managers.push_back(std::move(manager));
            continue;
        }
        auto manager = std::make_unique<CAppMgrGeneric>(m_windowSystem, m_player, app.m_hWnd, app.m_config->GetName());
        manager->LoadKeyMapping(app.m_config->GetKeyMapping());
        manager->SetBringToTop(app.m_config->GetBringToTop());
        manager->SetAutoRestore(app.m_config->GetAutoRestore());
        m_managers.push_back(std::move(manager));
    }
}
