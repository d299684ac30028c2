#pragma once
// A scriptable desktop for tests of code that looks at windows: top-level windows in Z order,
// each with its style, visibility, class, title, owning process and children. It records the
// calls that change windows and can be told to fail enumeration and placement writes.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

struct CFakeWindow {
    uint32_t m_style = 0;
    bool m_visible = true;
    std::u16string m_className;
    std::u16string m_title;
    uint32_t m_pid = 0;
    uint32_t m_showState = IWindowSystem::kShowNormal;
    std::vector<uint32_t> m_children;
};

class CFakeWindowSystem : public IWindowSystem {
public:
    // WS_OVERLAPPEDWINDOW and WS_VISIBLE: an ordinary application window.
    static constexpr uint32_t kOverlapped = 0x00CF0000u | 0x10000000u;
    static constexpr uint32_t kPopup = kStylePopup | 0x10000000u;

    // Appends a top-level window behind the existing ones.
    CFakeWindow& AddWindow(uint32_t id, std::u16string className, std::u16string title = u"", uint32_t pid = 0,
                           uint32_t style = kOverlapped)
    {
        m_topLevel.push_back(id);
        return Make(id, std::move(className), std::move(title), pid, style);
    }
    // Puts a top-level window in front of all the others.
    void BringToFrontOfZOrder(uint32_t id)
    {
        for (auto it = m_topLevel.begin(); it != m_topLevel.end(); ++it) {
            if (*it == id) {
                m_topLevel.erase(it);
                break;
            }
        }
        m_topLevel.insert(m_topLevel.begin(), id);
    }
    CFakeWindow& AddPopup(uint32_t id, std::u16string className, std::u16string title = u"", uint32_t pid = 0)
    {
        return AddWindow(id, std::move(className), std::move(title), pid, kPopup);
    }
    // Appends a child window to `parent` (after its existing children).
    CFakeWindow& AddChild(uint32_t parent, uint32_t id, std::u16string className)
    {
        m_windows[parent].m_children.push_back(id);
        return Make(id, std::move(className), u"", m_windows[parent].m_pid, kStyleChild | 0x10000000u);
    }
    // Takes a top-level window off the desktop.
    void Close(uint32_t id)
    {
        for (auto it = m_topLevel.begin(); it != m_topLevel.end(); ++it) {
            if (*it == id) {
                m_topLevel.erase(it);
                break;
            }
        }
        m_windows.erase(id);
    }
    CFakeWindow& At(uint32_t id) { return m_windows.at(id); }

    // IWindowSystem
    bool EnumTopLevelWindows(std::vector<uint32_t>& windows) override
    {
        windows.clear();
        if (m_failEnumeration)
            return false;
        windows = m_topLevel;
        return true;
    }
    bool EnumDescendants(uint32_t parent, std::vector<uint32_t>& windows) override
    {
        windows.clear();
        if (m_failChildEnumeration)
            return false;
        AppendDescendants(parent, windows);
        return true;
    }
    uint32_t GetStyle(uint32_t window) override { return Find(window) ? Find(window)->m_style : 0; }
    bool IsVisible(uint32_t window) override { return Find(window) && Find(window)->m_visible; }
    std::u16string GetWindowClass(uint32_t window, size_t bufferLength) override
    {
        return Find(window) ? Cut(Find(window)->m_className, bufferLength) : std::u16string();
    }
    std::u16string GetWindowTitle(uint32_t window, size_t bufferLength) override
    {
        return Find(window) ? Cut(Find(window)->m_title, bufferLength) : std::u16string();
    }
    uint32_t GetOwnerProcessId(uint32_t window) override { return Find(window) ? Find(window)->m_pid : 0; }
    bool SetForeground(uint32_t window) override
    {
        Record("foreground", window);
        if (!Find(window) || m_refuseForeground)
            return false;
        m_foreground = window;
        return true;
    }
    bool GetPlacementShowState(uint32_t window, uint32_t& showState) override
    {
        if (!Find(window) || m_failPlacementRead)
            return false;
        showState = Find(window)->m_showState;
        return true;
    }
    bool SetPlacementShowNormal(uint32_t window) override
    {
        Record("placement", window);
        if (!Find(window) || m_failPlacementRead || m_failPlacementWrite)
            return false;
        Find(window)->m_showState = kShowNormal;
        return true;
    }
    void ShowNormal(uint32_t window) override
    {
        Record("show", window);
        if (CFakeWindow* found = Find(window)) {
            found->m_showState = kShowNormal;
            found->m_visible = true;
        }
    }

    bool m_failEnumeration = false;
    bool m_failChildEnumeration = false;
    bool m_failPlacementRead = false;
    bool m_refuseForeground = false;  // as Windows' focus-stealing rules may
    bool m_failPlacementWrite = false;  // as across processes under Wine

    uint32_t m_foreground = 0;
    // "foreground 0x10", "placement 0x10", "show 0x10", in call order.
    std::vector<std::string> m_calls;

private:
    CFakeWindow& Make(uint32_t id, std::u16string className, std::u16string title, uint32_t pid, uint32_t style)
    {
        CFakeWindow& window = m_windows[id];
        window.m_style = style;
        window.m_className = std::move(className);
        window.m_title = std::move(title);
        window.m_pid = pid;
        return window;
    }
    CFakeWindow* Find(uint32_t id)
    {
        auto found = m_windows.find(id);
        return found == m_windows.end() ? nullptr : &found->second;
    }
    void AppendDescendants(uint32_t parent, std::vector<uint32_t>& windows)
    {
        const CFakeWindow* window = Find(parent);
        if (!window)
            return;
        for (uint32_t child : window->m_children) {
            windows.push_back(child);
            AppendDescendants(child, windows);
        }
    }
    // As a Win32 text read into a buffer of that many characters, terminator included.
    static std::u16string Cut(const std::u16string& text, size_t bufferLength)
    {
        return bufferLength == 0 ? std::u16string() : text.substr(0, bufferLength - 1);
    }
    void Record(const char* what, uint32_t window)
    {
        char line[40];
        std::snprintf(line, sizeof line, "%s 0x%X", what, static_cast<unsigned>(window));
        m_calls.emplace_back(line);
    }

    std::vector<uint32_t> m_topLevel;
    std::map<uint32_t, CFakeWindow> m_windows;
};
