#include "app/HelpFile.h"

#include <htmlhelp.h>

#include <optional>
#include <string>

#include "app/ResourceText.h"
#include "platform/win32/SystemLibrary.h"
#include "resource.h"

namespace {

constexpr wchar_t kHelpFileName[] = L"Quillant.chm";
// The pop-up texts inside the help file, one ".topic <context id>" paragraph each.
constexpr wchar_t kPopupTextFile[] = L"::/cshelp.txt";

// Topics opened for a context id where the viewer cannot show text pop-ups. Kept here rather
// than in a compiled [MAP]/[ALIAS] of the help project: chmcmd stores such maps with the build
// machine's absolute paths and allows only one id per topic, so HH_HELP_CONTEXT could not find
// the topics.
// Page controls carry 0x80000000 + 0x10000 x dialog + control.
struct ContextTopic {
    DWORD first;
    DWORD last;
    const wchar_t* topic;
};
constexpr ContextTopic kContextTopics[] = {
    {IDH_SHEET_OK, IDH_SHEET_TABS, L"::/configuration.htm"},
    {IDH_PAGE_CONTROL(IDD_CONFIG_APPLICATIONS, 0), IDH_PAGE_CONTROL(IDD_CONFIG_APPLICATIONS, 0xFFFF),
     L"::/applications.htm"},
    {IDH_PAGE_CONTROL(IDD_CONFIG_PREFERENCES, 0), IDH_PAGE_CONTROL(IDD_CONFIG_PREFERENCES, 0xFFFF),
     L"::/preferences.htm"},
};

using HtmlHelpProc = HWND(WINAPI*)(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data);

// Owns hhctrl.ocx for the life of the process: loaded on first use, its windows closed and the
// library released when the program ends.
class CHtmlHelpLibrary {
public:
    CHtmlHelpLibrary() : m_module(LoadSystemLibrary(L"hhctrl.ocx"))
    {
        m_htmlHelp = LibraryFunction<HtmlHelpProc>(m_module, "HtmlHelpW");
    }
    ~CHtmlHelpLibrary()
    {
        CloseAll();
        if (m_module) {
            ::FreeLibrary(m_module);
        }
    }
    CHtmlHelpLibrary(const CHtmlHelpLibrary&) = delete;
    CHtmlHelpLibrary& operator=(const CHtmlHelpLibrary&) = delete;

    HWND Call(HWND caller, const std::wstring& file, UINT command, DWORD_PTR data) const
    {
        return m_htmlHelp ? m_htmlHelp(caller, file.c_str(), command, data) : nullptr;
    }

    void CloseAll() const
    {
        if (m_htmlHelp) {
            m_htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
        }
    }

private:
    HMODULE m_module = nullptr;
    HtmlHelpProc m_htmlHelp = nullptr;
};

// The one library of the process; empty until help is first asked for.
std::optional<CHtmlHelpLibrary>& LibrarySlot()
{
    static std::optional<CHtmlHelpLibrary> library;
    return library;
}

const CHtmlHelpLibrary& Library()
{
    std::optional<CHtmlHelpLibrary>& slot = LibrarySlot();
    if (!slot) {
        slot.emplace();
    }
    return *slot;
}

// The full path of this executable, however long.
std::wstring ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        // A full buffer means the path was cut: try again with more room.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) {
            return std::wstring();
        }
        path.resize(path.size() * 2);
    }
}

// The help file beside the executable, or empty when it is not there.
std::wstring HelpFilePath()
{
    std::wstring path = ExecutablePath();
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return std::wstring();
    }
    path.resize(slash + 1);
    path += kHelpFileName;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::wstring();
    }
    return path;
}

const wchar_t* TopicForContext(DWORD id)
{
    for (const ContextTopic& entry : kContextTopics) {
        if (id >= entry.first && id <= entry.last) {
            return entry.topic;
        }
    }
    return nullptr;
}

DWORD ContextIdOf(const HELPINFO& info)
{
    if (info.iContextType == HELPINFO_WINDOW && info.hItemHandle) {
        const DWORD id = ::GetWindowContextHelpId(static_cast<HWND>(info.hItemHandle));
        if (id != 0) {
            return id;
        }
    }
    return static_cast<DWORD>(info.dwContextId);
}

}  // namespace

bool ShowHelpContents(HWND owner)
{
    const std::wstring file = HelpFilePath();
    // The main window is never visible: a help window it owned would have no taskbar button.
    const HWND caller = owner && ::IsWindowVisible(owner) ? owner : nullptr;
    const HWND help = file.empty() ? nullptr : Library().Call(caller, file, HH_DISPLAY_TOC, 0);
    if (!help) {
        ShowMessage(owner, LoadResourceText(IDS_HELP_FAILED), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    ::SetForegroundWindow(help);
    return true;
}

bool ShowContextHelp(const HELPINFO& info)
{
    const DWORD id = ContextIdOf(info);
    if (id == 0) {
        return false;
    }
    const std::wstring file = HelpFilePath();
    if (file.empty()) {
        return false;
    }
    const CHtmlHelpLibrary& library = Library();
    const HWND control = info.iContextType == HELPINFO_WINDOW ? static_cast<HWND>(info.hItemHandle) : nullptr;

    HH_POPUP popup{};
    popup.cbStruct = sizeof(popup);
    popup.idString = id;
    popup.pt = info.MousePos;
    popup.clrForeground = static_cast<COLORREF>(-1);
    popup.clrBackground = static_cast<COLORREF>(-1);
    popup.rcMargins = RECT{-1, -1, -1, -1};
    if (library.Call(control, file + kPopupTextFile, HH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&popup))) {
        return true;
    }
    // No text pop-ups in this viewer: open the topic that describes the control.
    const wchar_t* topic = TopicForContext(id);
    return topic && library.Call(nullptr, file + topic, HH_DISPLAY_TOPIC, 0) != nullptr;
}

void CloseAllHelp()
{
    // Nothing to close when help was never opened; do not load the viewer just for this.
    if (const std::optional<CHtmlHelpLibrary>& library = LibrarySlot()) {
        library->CloseAll();
    }
}
