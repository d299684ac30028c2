// wintool: a console helper that the Wine tests run inside the test prefix to
// see and drive the server's windows from outside the process.
//
//   wintool list
//   wintool find     [filters]                 exit 0 when a window matches, 4 when none
//   wintool count    [filters]                 prints how many windows match
//   wintool wait     [filters] [--timeout ms]  waits until one matches; prints it
//   wintool waitgone [filters] [--timeout ms]  waits until none matches
//   wintool text     [filters] [--timeout ms]  prints the static texts of the matching dialog
//   wintool press    IDOK|IDYES|IDNO|IDCANCEL|<id> [filters] [--timeout ms]
//   wintool post     --class C <msg> <wparam> <lparam>
//   wintool ping     [filters] [--timeout ms]  exit 0 when the window's thread answers in time (prints how long it took)
//   wintool menu     [--timeout ms]            prints the items of the open popup menu
//   wintool choose   <item text> [--timeout ms]  picks an item of the open popup menu
//   wintool foreground                        prints the foreground window (exit 4: none)
//   wintool inject   <vk> <count> <gap ms>    <count> key presses (down, up) with keybd_event,
//                                             each half <gap ms> apart; prints "<ns> down|up"
//                                             (QueryPerformanceCounter) just before each call;
//                                             with filters it first waits for the window
//                                             ("<ns> seen"), and with --untilgone then waits
//                                             until that window is gone ("<ns> gone")
//
// Controls of a dialog (the first top-level window matching the filters; the control is
// found by its id among all its descendants, so property-sheet pages are searched too):
//   wintool ctltext  <id> [filters]            prints the control's text
//   wintool settext  <id> <text> [filters]     sets it (an edit box reports the change itself)
//   wintool click    <id> [filters]            posts a click to a button (a dialog it opens
//                                             does not block this tool)
//   wintool check    <id> 0|1 [filters]        clicks a check box or radio button until it shows
//                                             the wanted state
//   wintool select   <id> <index>|=<text> [filters]
//                                             selects in a combo box, list box or list view, or
//                                             sets a slider, and notifies the owner as a user's
//                                             choice would
//   wintool items    <id> [filters]            one line per item: "*" when selected, "[x]"/"[ ]"
//                                             for a list view's check box; a slider prints
//                                             "<pos> <min> <max>"
//   wintool lvcheck  <id> <index> 0|1 [filters]  sets a list-view item's check box
//   wintool state    <id> [filters]            prints "enabled=<0|1> visible=<0|1> checked=<0|1>"
//
// Filters: --class C, --title T (exact), --text S (a static child's text contains S),
// --visible, --child C (the matching windows' children of class C match instead). Numbers take
// decimal or 0x hex. Results go to stdout as UTF-8, one window per line: hwnd pid visible class
// "title".
//
// Exit codes: 0 done, 2 usage error, 3 the window was there but the action failed, 4 nothing
// matched or time ran out. Never 1: that is what `wine` ends with when it could not start a
// program, which the tests tell apart and start again.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kDone = 0;
constexpr int kNotFound = 4;
constexpr int kUsage = 2;
constexpr int kFailed = 3;

constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU: the menu behind a "#32768" window
constexpr DWORD kPollMs = 20;             // short enough to react at once, cheap on 2 cores

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring Wide(const char* text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(size > 0 ? size - 1 : 0), L'\0');
    if (size > 1)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
    return out;
}

// Writes one line to stdout at once, so that the harness reads whole lines.
void PrintLine(const std::string& line)
{
    std::string out = line + "\n";
    fwrite(out.data(), 1, out.size(), stdout);
    fflush(stdout);
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

// WM_GETTEXT is marshalled across processes, so it reads a control's live text
// even where the cached window text would be stale.
std::wstring TextOf(HWND hwnd)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
        return {};
    text.resize(copied);
    return text;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> out;
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

// The message of a message box sits in a "Static" child; icon statics have no text.
std::vector<std::wstring> StaticTexts(HWND dialog)
{
    std::vector<std::wstring> out;
    for (HWND child : Children(dialog)) {
        if (lstrcmpiW(ClassOf(child).c_str(), L"Static") != 0)
            continue;
        std::wstring text = TextOf(child);
        if (!text.empty())
            out.push_back(text);
    }
    return out;
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> out;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

struct Filter {
    std::wstring className;
    std::wstring title;
    std::wstring text;
    std::wstring childClass;
    bool hasClass = false;
    bool hasTitle = false;
    bool hasText = false;
    bool visibleOnly = false;

    bool Matches(HWND hwnd) const
    {
        if (visibleOnly && !IsWindowVisible(hwnd))
            return false;
        if (hasClass && lstrcmpiW(ClassOf(hwnd).c_str(), className.c_str()) != 0)
            return false;
        if (hasTitle && TextOf(hwnd) != title)
            return false;
        if (hasText) {
            bool found = false;
            for (const std::wstring& t : StaticTexts(hwnd))
                found = found || t.find(text) != std::wstring::npos;
            if (!found)
                return false;
        }
        return true;
    }
};

std::vector<HWND> Matching(const Filter& filter)
{
    std::vector<HWND> out;
    for (HWND hwnd : TopLevelWindows()) {
        if (!filter.Matches(hwnd))
            continue;
        if (filter.childClass.empty()) {
            out.push_back(hwnd);
            continue;
        }
        for (HWND child : Children(hwnd))
            if (lstrcmpiW(ClassOf(child).c_str(), filter.childClass.c_str()) == 0)
                out.push_back(child);
    }
    return out;
}

std::string Describe(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char head[96];
    snprintf(head, sizeof head, "0x%08llx %lu %d ",
             static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd)),
             static_cast<unsigned long>(pid), IsWindowVisible(hwnd) ? 1 : 0);
    return head + Utf8(ClassOf(hwnd)) + " \"" + Utf8(TextOf(hwnd)) + "\"";
}

struct Options {
    Filter filter;
    DWORD timeoutMs = 10000;
    bool untilGone = false;
    std::vector<std::string> positional;

    bool HasFilter() const { return filter.hasClass || filter.hasTitle || filter.hasText; }
};

bool ParseNumber(const std::string& text, unsigned long long* value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    *value = strtoull(text.c_str(), &end, 0);
    return end && *end == '\0';
}

bool ParseOptions(int argc, char** argv, int first, Options* options)
{
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--class" && hasValue) {
            options->filter.className = Wide(argv[++i]);
            options->filter.hasClass = true;
        } else if (arg == "--title" && hasValue) {
            options->filter.title = Wide(argv[++i]);
            options->filter.hasTitle = true;
        } else if (arg == "--text" && hasValue) {
            options->filter.text = Wide(argv[++i]);
            options->filter.hasText = true;
        } else if (arg == "--child" && hasValue) {
            options->filter.childClass = Wide(argv[++i]);
        } else if (arg == "--visible") {
            options->filter.visibleOnly = true;
        } else if (arg == "--untilgone") {
            options->untilGone = true;
        } else if (arg == "--timeout" && hasValue) {
            unsigned long long ms = 0;
            if (!ParseNumber(argv[++i], &ms))
                return false;
            options->timeoutMs = static_cast<DWORD>(ms);
        } else if (arg.rfind("--", 0) == 0) {
            return false;
        } else {
            options->positional.push_back(arg);
        }
    }
    return true;
}

// Polls until the predicate holds or the time-out passes; returns whether it held.
template <typename Predicate>
bool WaitFor(DWORD timeoutMs, Predicate holds)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (holds())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

HWND WaitForWindow(const Filter& filter, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitFor(timeoutMs, [&] {
        std::vector<HWND> windows = Matching(filter);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
    });
    return found;
}

int List()
{
    for (HWND hwnd : TopLevelWindows())
        PrintLine(Describe(hwnd));
    return kDone;
}

int Find(const Options& options)
{
    std::vector<HWND> windows = Matching(options.filter);
    for (HWND hwnd : windows)
        PrintLine(Describe(hwnd));
    return windows.empty() ? kNotFound : kDone;
}

int Count(const Options& options)
{
    PrintLine(std::to_string(Matching(options.filter).size()));
    return kDone;
}

int Wait(const Options& options)
{
    HWND hwnd = WaitForWindow(options.filter, options.timeoutMs);
    if (!hwnd)
        return kNotFound;
    PrintLine(Describe(hwnd));
    return kDone;
}

int WaitGone(const Options& options)
{
    return WaitFor(options.timeoutMs, [&] { return Matching(options.filter).empty(); })
               ? kDone
               : kNotFound;
}

int Text(const Options& options)
{
    HWND dialog = WaitForWindow(options.filter, options.timeoutMs);
    if (!dialog)
        return kNotFound;
    for (const std::wstring& text : StaticTexts(dialog))
        PrintLine(Utf8(text));
    return kDone;
}

bool ParseButton(const std::string& name, int* id)
{
    static const struct {
        const char* name;
        int id;
    } kButtons[] = {{"IDOK", IDOK},   {"IDCANCEL", IDCANCEL}, {"IDABORT", IDABORT},
                    {"IDRETRY", IDRETRY}, {"IDIGNORE", IDIGNORE}, {"IDYES", IDYES},
                    {"IDNO", IDNO}};
    for (const auto& button : kButtons) {
        if (lstrcmpiA(button.name, name.c_str()) == 0) {
            *id = button.id;
            return true;
        }
    }
    unsigned long long value = 0;
    if (!ParseNumber(name, &value) || value > 0xFFFF)
        return false;
    *id = static_cast<int>(value);
    return true;
}

// Clicks a dialog button the way the button itself reports a click, so the
// dialog ends exactly as if the user had pressed it. A box without that
// button is a failure: a Yes/No box must not be closed with OK.
int Press(const Options& options)
{
    int id = 0;
    if (options.positional.size() != 1 || !ParseButton(options.positional[0], &id))
        return kUsage;
    HWND dialog = WaitForWindow(options.filter, options.timeoutMs);
    if (!dialog)
        return kNotFound;
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(button)) {
        PrintLine("no enabled button " + std::to_string(id) + " on " + Describe(dialog));
        return kFailed;
    }
    if (!PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)))
        return kFailed;
    PrintLine(Describe(dialog));
    return kDone;
}

int Post(const Options& options)
{
    unsigned long long message = 0, wparam = 0, lparam = 0;
    if (!options.filter.hasClass || options.positional.size() != 3 ||
        !ParseNumber(options.positional[0], &message) ||
        !ParseNumber(options.positional[1], &wparam) ||
        !ParseNumber(options.positional[2], &lparam))
        return kUsage;
    HWND target = WaitForWindow(options.filter, options.timeoutMs);
    if (!target)
        return kNotFound;
    if (!PostMessageW(target, static_cast<UINT>(message), static_cast<WPARAM>(wparam),
                      static_cast<LPARAM>(lparam)))
        return kFailed;
    PrintLine(Describe(target));
    return kDone;
}

// A window whose thread is stuck (in a wait, a join, a hung call) does not
// answer a sent message; one that runs its message loop answers at once.
int Ping(const Options& options)
{
    HWND target = WaitForWindow(options.filter, options.timeoutMs);
    if (!target)
        return kNotFound;
    DWORD_PTR ignored = 0;
    LARGE_INTEGER frequency, sent, answered;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&sent);
    if (!SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_BLOCK, options.timeoutMs, &ignored)) {
        PrintLine("no answer within " + std::to_string(options.timeoutMs) + " ms from " + Describe(target));
        return kFailed;
    }
    QueryPerformanceCounter(&answered);
    PrintLine(Describe(target));
    char took[64];
    snprintf(took, sizeof took, "answered in %.1f ms", (answered.QuadPart - sent.QuadPart) * 1000.0 / frequency.QuadPart);
    PrintLine(took);
    return kDone;
}

HWND WaitForPopupMenu(DWORD timeoutMs)
{
    Filter filter;
    filter.className = L"#32768";
    filter.hasClass = true;
    filter.visibleOnly = true;
    return WaitForWindow(filter, timeoutMs);
}

struct MenuItem {
    std::wstring text;  // empty for a separator
    bool greyed = false;
};

// Reads the items of another process's popup menu; empty when the platform
// does not let this process see that menu.
std::vector<MenuItem> ReadMenu(HWND menuWindow)
{
    std::vector<MenuItem> items;
    DWORD_PTR handle = 0;
    if (!SendMessageTimeoutW(menuWindow, kGetMenuHandle, 0, 0, SMTO_ABORTIFHUNG, 2000, &handle) ||
        !handle)
        return items;
    HMENU menu = reinterpret_cast<HMENU>(handle);
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info))
            return {};
        MenuItem item;
        if (!(info.fType & MFT_SEPARATOR))
            item.text = text;
        item.greyed = (info.fState & MFS_GRAYED) != 0;
        items.push_back(item);
    }
    return items;
}

int Menu(const Options& options)
{
    HWND menuWindow = WaitForPopupMenu(options.timeoutMs);
    if (!menuWindow)
        return kNotFound;
    std::vector<MenuItem> items = ReadMenu(menuWindow);
    if (items.empty()) {
        PrintLine("menu items not readable from this process");
        return kFailed;
    }
    for (const MenuItem& item : items)
        PrintLine(item.text.empty() ? std::string("-") : (item.greyed ? "~" : "") + Utf8(item.text));
    return kDone;
}

// Picks a menu item with its mnemonic (the character after '&'), posted to the
// menu window as a typed character: the menu's own loop reads it from its
// thread's queue, whichever window has the keyboard focus.
int Choose(const Options& options)
{
    if (options.positional.size() != 1)
        return kUsage;
    std::wstring wanted = Wide(options.positional[0].c_str());
    size_t amp = wanted.find(L'&');
    if (amp == std::wstring::npos || amp + 1 >= wanted.size()) {
        PrintLine("the item text must carry its mnemonic, as in \"&Exit\"");
        return kUsage;
    }
    HWND menuWindow = WaitForPopupMenu(options.timeoutMs);
    if (!menuWindow)
        return kNotFound;
    std::vector<MenuItem> items = ReadMenu(menuWindow);
    if (!items.empty()) {
        bool present = false;
        for (const MenuItem& item : items) {
            if (item.text == wanted && item.greyed) {
                PrintLine("menu item is greyed: " + options.positional[0]);
                return kFailed;
            }
            present = present || item.text == wanted;
        }
        if (!present) {
            PrintLine("menu has no item " + options.positional[0]);
            return kFailed;
        }
    }
    if (!PostMessageW(menuWindow, WM_CHAR, wanted[amp + 1], 1))
        return kFailed;
    PrintLine(Describe(menuWindow));
    return kDone;
}

int Foreground()
{
    HWND hwnd = GetForegroundWindow();
    if (!hwnd)
        return kNotFound;
    PrintLine(Describe(hwnd));
    return kDone;
}

unsigned long long NowNs()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const auto ticks = static_cast<unsigned long long>(counter.QuadPart);
    const auto perSecond = static_cast<unsigned long long>(frequency.QuadPart);
    return ticks / perSecond * 1000000000ull + ticks % perSecond * 1000000000ull / perSecond;
}

// The platform's own input delivery, without the server: the benchmark compares the
// stamps printed here with the target's log to take this share out of the key path.
int Inject(const Options& options)
{
    unsigned long long vk = 0, count = 0, gap = 0;
    if (options.positional.size() != 3 || !ParseNumber(options.positional[0], &vk) || vk == 0 || vk > 254 ||
        !ParseNumber(options.positional[1], &count) || !ParseNumber(options.positional[2], &gap))
        return kUsage;
    // With filters, the keys wait for the window, so that they follow its appearance by one
    // polling period however long this process took to start.
    HWND window = nullptr;
    unsigned long long seenNs = 0;
    if (options.HasFilter()) {
        window = WaitForWindow(options.filter, options.timeoutMs);
        if (!window)
            return kNotFound;
        seenNs = NowNs();
    }
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(count) * 2 + 2);
    if (window)
        lines.push_back(std::to_string(seenNs) + " seen");
    for (unsigned long long i = 0; i < count; ++i) {
        for (DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            const unsigned long long ns = NowNs();
            keybd_event(static_cast<BYTE>(vk), 0, flags, 0);
            lines.push_back(std::to_string(ns) + (flags ? " up" : " down"));
            Sleep(static_cast<DWORD>(gap));
        }
    }
    if (window && options.untilGone) {
        if (!WaitFor(options.timeoutMs, [&] { return !IsWindow(window) || !IsWindowVisible(window); }))
            return kFailed;
        lines.push_back(std::to_string(NowNs()) + " gone");
    }
    // Printed at the end, so that writing to the pipe does not disturb the timing.
    for (const std::string& line : lines)
        PrintLine(line);
    return kDone;
}

// ---- Controls of another process's dialog ----

HWND FindControl(HWND dialog, int id)
{
    HWND hidden = nullptr;
    for (HWND child : Children(dialog)) {
        if (GetDlgCtrlID(child) != id)
            continue;
        if (IsWindowVisible(child))
            return child;
        hidden = hidden ? hidden : child;
    }
    return hidden;
}

// Finds the dialog and its control; prints why when either is missing.
bool ResolveControl(const Options& options, size_t arguments, HWND* control)
{
    unsigned long long id = 0;
    if (options.positional.size() != arguments || !ParseNumber(options.positional[0], &id) || id > 0xFFFF)
        return false;
    HWND dialog = WaitForWindow(options.filter, options.timeoutMs);
    *control = nullptr;
    if (!dialog) {
        PrintLine("no window matches");
        return true;
    }
    // The control may be created a moment after its dialog (a page shown for the first time).
    WaitFor(options.timeoutMs, [&] {
        *control = FindControl(dialog, static_cast<int>(id));
        return *control != nullptr;
    });
    if (!*control)
        PrintLine("no control " + std::to_string(id) + " in " + Describe(dialog));
    return true;
}

LRESULT SendTo(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// Tells the control's owner that its selection changed, as the control does for a user.
void NotifyCommand(HWND control, WORD code)
{
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

// A block of memory inside the control's process, for list-view messages that carry
// pointers (the system does not copy those across processes).
class RemoteBlock {
public:
    RemoteBlock(HWND control, size_t size) : m_size(size)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(control, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process)
            m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBlock()
    {
        if (m_address)
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            CloseHandle(m_process);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Valid() const { return m_address != nullptr; }
    LPARAM Address(size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(m_address) + offset); }
    bool Write(const void* data, size_t size, size_t offset = 0)
    {
        SIZE_T done = 0;
        return offset + size <= m_size &&
               WriteProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, &done) && done == size;
    }
    bool Read(void* data, size_t size, size_t offset = 0)
    {
        SIZE_T done = 0;
        return offset + size <= m_size &&
               ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, &done) && done == size;
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    size_t m_size = 0;
};

bool IsClass(HWND control, const wchar_t* name)
{
    return lstrcmpiW(ClassOf(control).c_str(), name) == 0;
}

bool SetListViewState(HWND control, int index, UINT state, UINT mask)
{
    RemoteBlock block(control, sizeof(LVITEMW));
    LVITEMW item = {};
    item.stateMask = mask;
    item.state = state;
    return block.Valid() && block.Write(&item, sizeof item) &&
           SendTo(control, LVM_SETITEMSTATE, static_cast<WPARAM>(index), block.Address()) != 0;
}

std::wstring ListViewText(HWND control, int index)
{
    constexpr size_t kChars = 512;
    RemoteBlock block(control, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    LVITEMW item = {};
    item.iSubItem = 0;
    item.cchTextMax = kChars;
    item.pszText = reinterpret_cast<LPWSTR>(block.Address(sizeof(LVITEMW)));
    if (!block.Valid() || !block.Write(&item, sizeof item))
        return {};
    const auto length = static_cast<size_t>(SendTo(control, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), block.Address()));
    std::wstring text(std::min(length, kChars - 1), L'\0');
    if (!text.empty() && !block.Read(text.data(), text.size() * sizeof(wchar_t), sizeof(LVITEMW)))
        return {};
    return text;
}

struct ListMessages {
    UINT count, text, textLength, getSelection, setSelection;
    WORD selectionChanged;
};

const ListMessages* MessagesOf(HWND control)
{
    static const ListMessages kCombo = {CB_GETCOUNT, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_GETCURSEL, CB_SETCURSEL, CBN_SELCHANGE};
    static const ListMessages kList = {LB_GETCOUNT, LB_GETTEXT, LB_GETTEXTLEN, LB_GETCURSEL, LB_SETCURSEL, LBN_SELCHANGE};
    if (IsClass(control, L"ComboBox"))
        return &kCombo;
    if (IsClass(control, L"ListBox"))
        return &kList;
    return nullptr;
}

std::vector<std::wstring> ItemTexts(HWND control)
{
    std::vector<std::wstring> texts;
    if (IsClass(control, WC_LISTVIEWW)) {
        const auto count = static_cast<int>(SendTo(control, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            texts.push_back(ListViewText(control, i));
    } else if (const ListMessages* messages = MessagesOf(control)) {
        const auto count = static_cast<int>(SendTo(control, messages->count, 0, 0));
        for (int i = 0; i < count; ++i) {
            const auto length = SendTo(control, messages->textLength, static_cast<WPARAM>(i), 0);
            std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
            SendTo(control, messages->text, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
            text.resize(wcslen(text.c_str()));
            texts.push_back(text);
        }
    }
    return texts;
}

int ControlText(const Options& options)
{
    HWND control = nullptr;
    if (!ResolveControl(options, 1, &control))
        return kUsage;
    if (!control)
        return kNotFound;
    PrintLine(Utf8(TextOf(control)));
    return kDone;
}

int SetText(const Options& options)
{
    HWND control = nullptr;
    if (!ResolveControl(options, 2, &control))
        return kUsage;
    if (!control)
        return kNotFound;
    const std::wstring text = Wide(options.positional[1].c_str());
    if (!SendTo(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())))
        return kFailed;
    return kDone;
}

int Click(const Options& options)
{
    HWND control = nullptr;
    if (!ResolveControl(options, 1, &control))
        return kUsage;
    if (!control)
        return kNotFound;
    if (!IsWindowEnabled(control)) {
        PrintLine("control is disabled");
        return kFailed;
    }
    return PostMessageW(control, BM_CLICK, 0, 0) ? kDone : kFailed;
}

int Check(const Options& options)
{
    HWND control = nullptr;
    if (!ResolveControl(options, 2, &control))
        return kUsage;
    if (!control)
        return kNotFound;
    const LRESULT wanted = options.positional[1] == "1" ? BST_CHECKED : BST_UNCHECKED;
    if (!IsWindowEnabled(control)) {
        PrintLine("control is disabled");
        return kFailed;
    }
    for (int attempt = 0; attempt < 2 && SendTo(control, BM_GETCHECK, 0, 0) != wanted; ++attempt)
        SendTo(control, BM_CLICK, 0, 0);
    return SendTo(control, BM_GETCHECK, 0, 0) == wanted ? kDone : kFailed;
}

int Select(const Options& options)
{
    HWND control = nullptr;
    if (!ResolveControl(options, 2, &control))
        return kUsage;
    if (!control)
        return kNotFound;
    const std::string& which = options.positional[1];
    int index = -1;
    if (!which.empty() && which[0] == '=') {
        const std::wstring wanted = Wide(which.c_str() + 1);
        const std::vector<std::wstring> texts = ItemTexts(control);
        for (size_t i = 0; i < texts.size() && index < 0; ++i)
            if (texts[i] == wanted)
                index = static_cast<int>(i);
        if (index < 0) {
            PrintLine("no item " + which.substr(1));
            return kFailed;
        }
    } else {
        unsigned long long value = 0;
        if (!ParseNumber(which, &value) || value > 0x7FFFFFFF)
            return kUsage;
        index = static_cast<int>(value);
    }
    if (IsClass(control, TRACKBAR_CLASSW)) {
        SendTo(control, TBM_SETPOS, TRUE, index);
        PostMessageW(GetParent(control), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(control));
        return kDone;
    }
    if (IsClass(control, WC_LISTVIEWW)) {
        const UINT mask = LVIS_SELECTED | LVIS_FOCUSED;
        return SetListViewState(control, index, mask, mask) ? kDone : kFailed;
    }
    const ListMessages* messages = MessagesOf(control);
    if (!messages)
        return kUsage;
    if (SendTo(control, messages->setSelection, static_cast<WPARAM>(index), 0) != index)
        return kFailed;
    NotifyCommand(control, messages->selectionChanged);
    return kDone;
}

int Items(const Options& options)
{
    HWND control = nullptr;
    if (!ResolveControl(options, 1, &control))
        return kUsage;
    if (!control)
        return kNotFound;
    if (IsClass(control, TRACKBAR_CLASSW)) {
        PrintLine(std::to_string(SendTo(control, TBM_GETPOS, 0, 0)) + " " +
                  std::to_string(SendTo(control, TBM_GETRANGEMIN, 0, 0)) + " " +
                  std::to_string(SendTo(control, TBM_GETRANGEMAX, 0, 0)));
        return kDone;
    }
    const std::vector<std::wstring> texts = ItemTexts(control);
    const bool listView = IsClass(control, WC_LISTVIEWW);
    const ListMessages* messages = MessagesOf(control);
    const LRESULT selected = messages ? SendTo(control, messages->getSelection, 0, 0) : -1;
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string line;
        if (listView) {
            const auto state = static_cast<UINT>(SendTo(control, LVM_GETITEMSTATE, i, LVIS_SELECTED | LVIS_STATEIMAGEMASK));
            line = (state & LVIS_SELECTED) ? "*" : " ";
            line += ((state & LVIS_STATEIMAGEMASK) >> 12) == 2 ? "[x] " : "[ ] ";
        } else {
            line = static_cast<LRESULT>(i) == selected ? "*" : " ";
        }
        PrintLine(line + Utf8(texts[i]));
    }
    return kDone;
}

int ListViewCheck(const Options& options)
{
    HWND control = nullptr;
    if (!ResolveControl(options, 3, &control))
        return kUsage;
    if (!control)
        return kNotFound;
    unsigned long long index = 0;
    if (!ParseNumber(options.positional[1], &index))
        return kUsage;
    const UINT state = INDEXTOSTATEIMAGEMASK(options.positional[2] == "1" ? 2 : 1);
    return SetListViewState(control, static_cast<int>(index), state, LVIS_STATEIMAGEMASK) ? kDone : kFailed;
}

int State(const Options& options)
{
    HWND control = nullptr;
    if (!ResolveControl(options, 1, &control))
        return kUsage;
    if (!control)
        return kNotFound;
    const bool button = IsClass(control, L"Button");
    PrintLine("enabled=" + std::to_string(IsWindowEnabled(control) ? 1 : 0) +
              " visible=" + std::to_string(IsWindowVisible(control) ? 1 : 0) +
              " checked=" + std::to_string(button && SendTo(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0));
    return kDone;
}

int Usage()
{
    PrintLine(
        "usage: wintool list | find|count|wait|waitgone|text [filters] | "
        "press IDOK|IDYES|IDNO|IDCANCEL|<id> [filters] | post --class C <msg> <wparam> <lparam> | "
        "ping [filters] | "
        "menu | choose <&item> | foreground | inject <vk> <count> <gap ms> | "
        "ctltext|click|items|state <id> | settext <id> <text> | check <id> 0|1 | "
        "select <id> <index>|=<text> | lvcheck <id> <index> 0|1 [filters]\n"
        "filters: --class C --title T --text S --visible; --timeout ms (default 10000)");
    return kUsage;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    std::string command = argv[1];
    Options options;
    if (!ParseOptions(argc, argv, 2, &options))
        return Usage();

    if (command == "list")
        return List();
    if (command == "find")
        return Find(options);
    if (command == "count")
        return Count(options);
    if (command == "wait")
        return Wait(options);
    if (command == "waitgone")
        return WaitGone(options);
    if (command == "text")
        return Text(options);
    if (command == "press")
        return Press(options);
    if (command == "post")
        return Post(options);
    if (command == "ping")
        return Ping(options);
    if (command == "menu")
        return Menu(options);
    if (command == "choose")
        return Choose(options);
    if (command == "foreground")
        return Foreground();
    if (command == "inject")
        return Inject(options);
    if (command == "ctltext")
        return ControlText(options);
    if (command == "settext")
        return SetText(options);
    if (command == "click")
        return Click(options);
    if (command == "check")
        return Check(options);
    if (command == "select")
        return Select(options);
    if (command == "items")
        return Items(options);
    if (command == "lvcheck")
        return ListViewCheck(options);
    if (command == "state")
        return State(options);
    return Usage();
}
