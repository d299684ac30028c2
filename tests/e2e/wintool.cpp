// wintool: a console helper that the Wine tests run inside the test prefix to
// see and drive the server's windows from outside the process.
//
//   wintool list
//   wintool find     [filters]                 exit 0 when a window matches, 1 when none
//   wintool count    [filters]                 prints how many windows match
//   wintool wait     [filters] [--timeout ms]  waits until one matches; prints it
//   wintool waitgone [filters] [--timeout ms]  waits until none matches
//   wintool text     [filters] [--timeout ms]  prints the static texts of the matching dialog
//   wintool press    IDOK|IDYES|IDNO|IDCANCEL|<id> [filters] [--timeout ms]
//   wintool post     --class C <msg> <wparam> <lparam>
//   wintool ping     [filters] [--timeout ms]  exit 0 when the window's thread answers in time
//   wintool menu     [--timeout ms]            prints the items of the open popup menu
//   wintool choose   <item text> [--timeout ms]  picks an item of the open popup menu
//   wintool foreground                        prints the foreground window (exit 1: none)
//   wintool inject   <vk> <count> <gap ms>    <count> key presses (down, up) with keybd_event,
//                                             each half <gap ms> apart; prints "<ns> down|up"
//                                             (QueryPerformanceCounter) just before each call
//
// Filters: --class C, --title T (exact), --text S (a static child's text contains S),
// --visible. Numbers take decimal or 0x hex. Results go to stdout as UTF-8, one
// window per line: hwnd pid visible class "title".
//
// Exit codes: 0 done, 1 nothing matched or time ran out, 2 usage error,
// 3 the window was there but the action failed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kDone = 0;
constexpr int kNotFound = 1;
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
    for (HWND hwnd : TopLevelWindows())
        if (filter.Matches(hwnd))
            out.push_back(hwnd);
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
    std::vector<std::string> positional;
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
        } else if (arg == "--visible") {
            options->filter.visibleOnly = true;
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
    if (!SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_BLOCK, options.timeoutMs, &ignored)) {
        PrintLine("no answer within " + std::to_string(options.timeoutMs) + " ms from " + Describe(target));
        return kFailed;
    }
    PrintLine(Describe(target));
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
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(count) * 2);
    for (unsigned long long i = 0; i < count; ++i) {
        for (DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            const unsigned long long ns = NowNs();
            keybd_event(static_cast<BYTE>(vk), 0, flags, 0);
            lines.push_back(std::to_string(ns) + (flags ? " up" : " down"));
            Sleep(static_cast<DWORD>(gap));
        }
    }
    // Printed at the end, so that writing to the pipe does not disturb the timing.
    for (const std::string& line : lines)
        PrintLine(line);
    return kDone;
}

int Usage()
{
    PrintLine(
        "usage: wintool list | find|count|wait|waitgone|text [filters] | "
        "press IDOK|IDYES|IDNO|IDCANCEL|<id> [filters] | post --class C <msg> <wparam> <lparam> | "
        "ping [filters] | "
        "menu | choose <&item> | foreground | inject <vk> <count> <gap ms>\n"
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
    return Usage();
}
