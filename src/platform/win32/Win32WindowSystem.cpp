#include "platform/win32/Win32WindowSystem.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Trace.h"
#include "platform/win32/WideText.h"

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM context)
{
    reinterpret_cast<std::vector<uint32_t>*>(context)->push_back(CWin32WindowSystem::ToId(window));
    return TRUE;  // every window is wanted
}

// The structure holds only 32-bit fields, so it is 44 bytes on 64-bit Windows too; the size
// is taken from the headers all the same.
static_assert(sizeof(WINDOWPLACEMENT) == 44, "WINDOWPLACEMENT layout changed");

bool ReadPlacement(HWND window, WINDOWPLACEMENT& placement)
{
    placement = {};
    placement.length = sizeof(WINDOWPLACEMENT);
    return ::GetWindowPlacement(window, &placement) != FALSE;
}

// Reads a text of at most bufferLength - 1 characters with one of the Get...W calls, which
// return the number of characters copied (0 on failure).
template <class Reader>
std::u16string ReadText(size_t bufferLength, Reader read)
{
    if (bufferLength == 0)
        return std::u16string();
    std::u16string buffer(bufferLength, u'\0');
    const int copied = read(as_writable_wcstr(buffer), static_cast<int>(bufferLength));
    if (copied <= 0)
        return std::u16string();
    buffer.resize(static_cast<size_t>(copied) < bufferLength ? static_cast<size_t>(copied) : bufferLength - 1);
    return buffer;
}

}  // namespace

bool CWin32WindowSystem::EnumTopLevelWindows(std::vector<uint32_t>& windows)
{
    windows.clear();
    return ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows)) != FALSE;
}

// EnumChildWindows' result is documented as unused, and a window without children gives
// FALSE; so only a call that found nothing counts as failed.
bool CWin32WindowSystem::EnumDescendants(uint32_t parent, std::vector<uint32_t>& windows)
{
    windows.clear();
    const BOOL result = ::EnumChildWindows(ToHandle(parent), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return result != FALSE || !windows.empty();
}

uint32_t CWin32WindowSystem::GetStyle(uint32_t window)
{
    return static_cast<uint32_t>(::GetWindowLongW(ToHandle(window), GWL_STYLE));
}

bool CWin32WindowSystem::IsVisible(uint32_t window)
{
    return ::IsWindowVisible(ToHandle(window)) != FALSE;
}

std::u16string CWin32WindowSystem::GetWindowClass(uint32_t window, size_t bufferLength)
{
    const HWND handle = ToHandle(window);
    return ReadText(bufferLength,
                    [handle](wchar_t* buffer, int length) { return ::GetClassNameW(handle, buffer, length); });
}

std::u16string CWin32WindowSystem::GetWindowTitle(uint32_t window, size_t bufferLength)
{
    const HWND handle = ToHandle(window);
    return ReadText(bufferLength,
                    [handle](wchar_t* buffer, int length) { return ::GetWindowTextW(handle, buffer, length); });
}

uint32_t CWin32WindowSystem::GetOwnerProcessId(uint32_t window)
{
    DWORD pid = 0;
    if (::GetWindowThreadProcessId(ToHandle(window), &pid) == 0)
        return 0;
    return pid;
}

namespace {

// Longest wait for another program's window to take the activation.
constexpr ULONGLONG kActivationWaitMilliseconds = 250;

// Whether the thread that owns `window` has made it its active window.
bool IsActivated(HWND window, DWORD thread)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return ::GetForegroundWindow() == window && ::GetGUIThreadInfo(thread, &info) && info.hwndActive == window;
}

// The window is in front when it, or a window of its own program (a dialog it opened, a
// second top-level window), is the foreground window: keys then reach the program the user
// chose.
bool IsInFront(HWND window)
{
    const HWND foreground = ::GetForegroundWindow();
    if (foreground == nullptr)
        return false;
    if (foreground == window || ::GetAncestor(foreground, GA_ROOTOWNER) == window)
        return true;
    DWORD windowProcess = 0;
    DWORD foregroundProcess = 0;
    ::GetWindowThreadProcessId(window, &windowProcess);
    ::GetWindowThreadProcessId(foreground, &foregroundProcess);
    return windowProcess != 0 && windowProcess == foregroundProcess;
}

// Windows lets a program that shares the input state of the foreground thread move the
// foreground, so the request is made again from there. The threads are detached at once.
void SetForegroundFromForegroundThread(HWND window)
{
    const HWND foreground = ::GetForegroundWindow();
    const DWORD foregroundThread = foreground ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    const DWORD ownThread = ::GetCurrentThreadId();
    if (foregroundThread == 0 || foregroundThread == ownThread) {
        return;
    }
    if (!::AttachThreadInput(ownThread, foregroundThread, TRUE)) {
        return;
    }
    ::BringWindowToTop(window);
    ::SetForegroundWindow(window);
    ::AttachThreadInput(ownThread, foregroundThread, FALSE);
}

// Polls `condition` for up to kActivationWaitMilliseconds; true as soon as it holds.
template <class Condition>
bool WaitUntil(Condition condition)
{
    const ULONGLONG deadline = ::GetTickCount64() + kActivationWaitMilliseconds;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (::GetTickCount64() >= deadline) {
            return false;
        }
        ::Sleep(2);
    }
}

void TraceRefusal(HWND window)
{
    const HWND foreground = ::GetForegroundWindow();
    DWORD foregroundProcess = 0;
    if (foreground) {
        ::GetWindowThreadProcessId(foreground, &foregroundProcess);
    }
    DWORD lockTimeout = 0;
    ::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0);
    char line[200];
    std::snprintf(line, sizeof line,
                  "Foreground refused for window 0x%08X: window 0x%08X of process %lu stays in front "
                  "(foreground lock time-out %lu ms)",
                  CWin32WindowSystem::ToId(window), CWin32WindowSystem::ToId(foreground),
                  static_cast<unsigned long>(foregroundProcess), static_cast<unsigned long>(lockTimeout));
    TraceLine(line);
}

}  // namespace

bool CWin32WindowSystem::SetForeground(uint32_t window)
{
    const HWND handle = ToHandle(window);
    const DWORD thread = ::GetWindowThreadProcessId(handle, nullptr);
    if (thread == 0) {
        return false;  // the window is gone
    }
    if (IsActivated(handle, thread)) {
        return true;
    }
    // A granted request may take effect a moment later, and a refused one may still report
    // success (it only flashes the taskbar button): whether the window came to the front is
    // looked at, for a short while, rather than taken from the result.
    if (!(::SetForegroundWindow(handle) && WaitUntil([handle] { return IsInFront(handle); }))) {
        SetForegroundFromForegroundThread(handle);
        if (!WaitUntil([handle] { return IsInFront(handle); })) {
            TraceRefusal(handle);
            return false;
        }
    }
    // The owning program takes the activation when it next reads its messages; keys sent
    // before that would still go to the window that had the focus. The phone's key follows
    // at once, so wait (briefly) until the window is really active.
    WaitUntil([handle, thread] { return IsActivated(handle, thread); });
    return true;
}

bool CWin32WindowSystem::GetPlacementShowState(uint32_t window, uint32_t& showState)
{
    WINDOWPLACEMENT placement;
    if (!ReadPlacement(ToHandle(window), placement))
        return false;
    showState = placement.showCmd;
    return true;
}

// The placement is read again so that the write keeps the normal position and size as they
// are now. Writing another process's placement fails under Wine and for elevated windows.
bool CWin32WindowSystem::SetPlacementShowNormal(uint32_t window)
{
    const HWND handle = ToHandle(window);
    WINDOWPLACEMENT placement;
    if (!ReadPlacement(handle, placement))
        return false;
    placement.showCmd = SW_SHOWNORMAL;
    return ::SetWindowPlacement(handle, &placement) != FALSE;
}

void CWin32WindowSystem::ShowNormal(uint32_t window)
{
    // The result is the previous visibility, not success: nothing to report.
    ::ShowWindow(ToHandle(window), SW_SHOWNORMAL);
}
