#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The desktop's windows as the application list and the managers see them. Windows are named
// by their 32-bit id: the handle value truncated to 32 bits, which is also the application id
// on the wire. One implementation talks to the Win32 window manager; tests script a desktop.
//
// Calls on a window that does not exist (any more) fail quietly: empty texts, style 0,
// process id 0, false.
class IWindowSystem {
public:
    // Style bits the callers look at; the values are Windows' WS_CHILD and WS_POPUP.
    static constexpr uint32_t kStyleChild = 0x40000000u;
    static constexpr uint32_t kStylePopup = 0x80000000u;

    // Show states of a window's placement; the values are Windows' SW_* codes.
    static constexpr uint32_t kShowNormal = 1;
    static constexpr uint32_t kShowMinimized = 2;
    static constexpr uint32_t kShowMaximized = 3;

    virtual ~IWindowSystem() = default;

    // Empties `windows` and fills it with the top-level windows, front to back. False when the
    // enumeration failed; `windows` may then hold part of them.
    virtual bool EnumTopLevelWindows(std::vector<uint32_t>& windows) = 0;
    // Empties `windows` and fills it with every descendant of `parent`, at every depth, each
    // child followed by its own descendants. False when the enumeration failed.
    virtual bool EnumDescendants(uint32_t parent, std::vector<uint32_t>& windows) = 0;

    virtual uint32_t GetStyle(uint32_t window) = 0;
    virtual bool IsVisible(uint32_t window) = 0;
    // The class name as a buffer of `bufferLength` characters, terminator included, receives
    // it: at most bufferLength - 1 characters.
    virtual std::u16string GetWindowClass(uint32_t window, size_t bufferLength) = 0;
    // The title, cut the same way.
    virtual std::u16string GetWindowTitle(uint32_t window, size_t bufferLength) = 0;
    // The id of the process whose thread created the window; 0 when unknown.
    virtual uint32_t GetOwnerProcessId(uint32_t window) = 0;

    // Brings the window to the front. True when it, or another window of its own program,
    // is the foreground window afterwards; false when Windows refused or the window is gone.
    virtual bool SetForeground(uint32_t window) = 0;
    // The show state of the window's placement (kShow*); false when it cannot be read.
    virtual bool GetPlacementShowState(uint32_t window, uint32_t& showState) = 0;
    // Writes the window's placement back with the show state normal, keeping its normal
    // position and size. False when the placement could not be read or written.
    virtual bool SetPlacementShowNormal(uint32_t window) = 0;
    // Shows the window in its normal size and position, activating it.
    virtual void ShowNormal(uint32_t window) = 0;
};
