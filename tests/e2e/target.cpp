// target: a window program for the Wine tests that records every keyboard and
// mouse message it receives, so a test can see exactly what the server played.
//
//   target --log PATH [--class C] [--title T] [--rect X,Y,W,H] [--minimized]
//          [--windows N] [--cursor X,Y] [--timer MS]
//   target --idle                     a process with no window (for process counts)
//
// The first window is the main window (default 800x600 at 0,0, shown and made
// foreground, or minimised without activation with --minimized); --windows N
// opens N - 1 more small top-level windows beside it without activating them.
// --cursor puts the pointer there once the main window is up. --timer runs a
// window timer that does nothing: the platform's own cost of a periodic tick.
//
// Commands are window messages posted to any window of the class (all of them
// act on the program as a whole), e.g. with wintool post:
//   WM_APP+1 open another top-level window     WM_APP+2 open a pop-up window
//   WM_APP+3 close the newest extra window     WM_APP+4 make the main window foreground
//   WM_APP+5 minimise the main window          WM_APP+6 pointer to (LOWORD, HIWORD of lParam)
//   WM_APP+7 exit
//
// Log: one line per event, written straight to the file (no buffering), so a
// reader never sees half a line:
//   <ns> <hwnd> <event> <fields...>
// <ns> is QueryPerformanceCounter in nanoseconds (Wine reads CLOCK_MONOTONIC_RAW),
// <hwnd> the receiving window as the 32-bit id the server uses. Events:
//   ready <pid>                       the main window is up (its hwnd is the line's)
//   window main|extra|popup           a window was created; destroyed: gone
//   key down|up|sysdown|sysup <vk> <mods> <scan> <ext>  vk and scan as 0xNN (scan: bits 16-23
//                                     of lParam); mods: S C A W held, or -; ext: bit 24, 1 or 0
//   move <x> <y> <buttons>            screen position, only when it changed; buttons: L M R held, or -
//   button ldown|lup|mdown|mup|rdown|rup <x> <y>
//   activate 1|0, size minimized|restored|maximized
#include <windows.h>
#include <windowsx.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "EventLog.h"

namespace {

constexpr UINT kOpenWindow = WM_APP + 1;
constexpr UINT kOpenPopup = WM_APP + 2;
constexpr UINT kCloseExtra = WM_APP + 3;
constexpr UINT kActivate = WM_APP + 4;
constexpr UINT kMinimize = WM_APP + 5;
constexpr UINT kSetCursor = WM_APP + 6;
constexpr UINT kExit = WM_APP + 7;

struct Options {
    std::wstring logPath;
    std::wstring className = L"QuillantTarget";
    std::wstring title = L"Target";
    RECT rect = {0, 0, 800, 600};  // left, top, width, height
    bool minimized = false;
    bool idle = false;
    int windows = 1;
    UINT timerMs = 0;
    bool hasCursor = false;
    POINT cursor = {};
};

struct State {
    Options options;
    Log log;
    HWND main = nullptr;
    std::vector<HWND> extras;  // opened by command, newest last
    int opened = 0;            // numbers the titles of extra windows
    POINT lastMove = {-100000, -100000};
};

State g_state;

void Logf(HWND hwnd, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Logf(HWND hwnd, const char* format, ...)
{
    char event[192];
    va_list args;
    va_start(args, format);
    vsnprintf(event, sizeof event, format, args);
    va_end(args);
    g_state.log.Write(hwnd, event);
}

std::string Modifiers()
{
    std::string mods;
    if (GetKeyState(VK_SHIFT) < 0)
        mods += 'S';
    if (GetKeyState(VK_CONTROL) < 0)
        mods += 'C';
    if (GetKeyState(VK_MENU) < 0)
        mods += 'A';
    if (GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0)
        mods += 'W';
    return mods.empty() ? "-" : mods;
}

std::string Buttons(WPARAM flags)
{
    std::string held;
    if (flags & MK_LBUTTON)
        held += 'L';
    if (flags & MK_MBUTTON)
        held += 'M';
    if (flags & MK_RBUTTON)
        held += 'R';
    return held.empty() ? "-" : held;
}

POINT ScreenPoint(HWND hwnd, LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hwnd, &point);
    return point;
}

void LogKey(HWND hwnd, UINT message, WPARAM vk, LPARAM lParam)
{
    const char* kind = message == WM_KEYDOWN      ? "down"
                       : message == WM_KEYUP      ? "up"
                       : message == WM_SYSKEYDOWN ? "sysdown"
                                                  : "sysup";
    const unsigned long flags = static_cast<unsigned long>(lParam);
    Logf(hwnd, "key %s 0x%02x %s 0x%02lx %lu", kind, static_cast<unsigned>(vk & 0xFF), Modifiers().c_str(),
         (flags >> 16) & 0xFF, (flags >> 24) & 1);
}

void LogButton(HWND hwnd, UINT message, LPARAM lParam)
{
    const char* name = "";
    switch (message) {
    case WM_LBUTTONDOWN: name = "ldown"; break;
    case WM_LBUTTONUP: name = "lup"; break;
    case WM_MBUTTONDOWN: name = "mdown"; break;
    case WM_MBUTTONUP: name = "mup"; break;
    case WM_RBUTTONDOWN: name = "rdown"; break;
    case WM_RBUTTONUP: name = "rup"; break;
    default: break;
    }
    const POINT point = ScreenPoint(hwnd, lParam);
    Logf(hwnd, "button %s %ld %ld", name, point.x, point.y);
}

HWND OpenWindow(const char* kind, DWORD style, const std::wstring& title, const RECT& rect, int show)
{
    HWND hwnd = CreateWindowExW(0, g_state.options.className.c_str(), title.c_str(), style, rect.left, rect.top,
                                rect.right, rect.bottom, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return nullptr;
    Logf(hwnd, "window %s", kind);
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    return hwnd;
}

// Extra windows sit to the right of the main one and never take the focus.
void OpenExtra(bool popup)
{
    ++g_state.opened;
    RECT rect = {820, 20 + (g_state.opened % 20) * 30, 180, 120};
    std::wstring title = g_state.options.title + L" " + std::to_wstring(g_state.opened + 1);
    HWND hwnd = popup ? OpenWindow("popup", WS_POPUP | WS_BORDER, title, rect, SW_SHOWNOACTIVATE)
                      : OpenWindow("extra", WS_OVERLAPPEDWINDOW, title, rect, SW_SHOWNOACTIVATE);
    if (hwnd)
        g_state.extras.push_back(hwnd);
}

bool HandleCommand(UINT message, LPARAM lParam)
{
    switch (message) {
    case kOpenWindow:
        OpenExtra(false);
        return true;
    case kOpenPopup:
        OpenExtra(true);
        return true;
    case kCloseExtra:
        if (!g_state.extras.empty()) {
            HWND hwnd = g_state.extras.back();
            g_state.extras.pop_back();
            DestroyWindow(hwnd);
        }
        return true;
    case kActivate:
        SetForegroundWindow(g_state.main);
        return true;
    case kMinimize:
        ShowWindow(g_state.main, SW_MINIMIZE);
        return true;
    case kSetCursor:
        SetCursorPos(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return true;
    case kExit:
        DestroyWindow(g_state.main);
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandleCommand(message, lParam))
        return 0;
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        // Not passed on: the default handling would open the system menu on Alt and
        // swallow the keys that follow.
        LogKey(hwnd, message, wParam, lParam);
        return 0;
    case WM_SYSCHAR:
    case WM_CHAR:
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_KEYMENU)
            return 0;
        break;
    case WM_MOUSEMOVE: {
        const POINT point = ScreenPoint(hwnd, lParam);
        // Windows repeats a move message when nothing moved; only positions count here.
        if (point.x != g_state.lastMove.x || point.y != g_state.lastMove.y) {
            g_state.lastMove = point;
            Logf(hwnd, "move %ld %ld %s", point.x, point.y, Buttons(wParam).c_str());
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
        LogButton(hwnd, message, lParam);
        // Held buttons keep the pointer's moves coming here even outside the window.
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
        LogButton(hwnd, message, lParam);
        if (!(wParam & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON)))
            ReleaseCapture();
        return 0;
    case WM_ACTIVATE:
        Logf(hwnd, "activate %d", LOWORD(wParam) != WA_INACTIVE ? 1 : 0);
        break;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED || wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED)
            Logf(hwnd, "size %s",
                 wParam == SIZE_MINIMIZED ? "minimized" : wParam == SIZE_MAXIMIZED ? "maximized" : "restored");
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        Logf(hwnd, "destroyed");
        if (hwnd == g_state.main)
            PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool ParseInts(const wchar_t* text, long* values, int count)
{
    for (int i = 0; i < count; ++i) {
        wchar_t* end = nullptr;
        values[i] = wcstol(text, &end, 10);
        if (end == text || (i + 1 < count ? *end != L',' : *end != L'\0'))
            return false;
        text = end + 1;
    }
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == L"--idle") {
            options->idle = true;
        } else if (arg == L"--minimized") {
            options->minimized = true;
        } else if (!value) {
            return false;
        } else if (arg == L"--log") {
            options->logPath = value;
            ++i;
        } else if (arg == L"--class") {
            options->className = value;
            ++i;
        } else if (arg == L"--title") {
            options->title = value;
            ++i;
        } else if (arg == L"--rect") {
            long v[4];
            if (!ParseInts(value, v, 4))
                return false;
            options->rect = {v[0], v[1], v[2], v[3]};
            ++i;
        } else if (arg == L"--cursor") {
            long v[2];
            if (!ParseInts(value, v, 2))
                return false;
            options->cursor = {v[0], v[1]};
            options->hasCursor = true;
            ++i;
        } else if (arg == L"--timer") {
            options->timerMs = static_cast<UINT>(_wtoi(value));
            ++i;
        } else if (arg == L"--windows") {
            options->windows = _wtoi(value);
            if (options->windows < 1)
                return false;
            ++i;
        } else {
            return false;
        }
    }
    return options->idle || !options->logPath.empty();
}

int Run(const Options& options)
{
    if (options.idle) {
        // Only counts as a process; ended with the rest of the prefix.
        Sleep(INFINITE);
        return 0;
    }
    if (!g_state.log.Open(options.logPath))
        return 3;

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = options.className.c_str();
    if (!RegisterClassExW(&windowClass))
        return 3;

    g_state.main = OpenWindow("main", WS_OVERLAPPEDWINDOW, options.title, options.rect,
                              options.minimized ? SW_SHOWMINNOACTIVE : SW_SHOW);
    if (!g_state.main)
        return 3;
    if (!options.minimized)
        SetForegroundWindow(g_state.main);
    for (int i = 1; i < options.windows; ++i)
        OpenExtra(false);
    if (options.hasCursor)
        SetCursorPos(options.cursor.x, options.cursor.y);
    if (options.timerMs > 0)
        SetTimer(g_state.main, 1, options.timerMs, nullptr);
    Logf(g_state.main, "ready %lu", GetCurrentProcessId());

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return 2;
    g_state.options = Options();
    const bool parsed = ParseOptions(argc, argv, &g_state.options);
    LocalFree(argv);
    if (!parsed)
        return 2;
    return Run(g_state.options);
}
