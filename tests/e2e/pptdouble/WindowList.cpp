#include "WindowList.h"

#include "Text.h"

#include <windows.h>

#include <cstdio>

namespace ppt {

namespace {

std::vector<HWND> Collect(HWND parent)
{
    std::vector<HWND> out;
    auto add = [](HWND hwnd, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        return TRUE;
    };
    if (parent)
        EnumChildWindows(parent, add, reinterpret_cast<LPARAM>(&out));
    else
        EnumWindows(add, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[100] = {};
    GetClassNameW(hwnd, name, 100);
    return name;
}

std::wstring TitleOf(HWND hwnd)
{
    wchar_t title[1000] = {};
    GetWindowTextW(hwnd, title, 1000);
    return title;
}

std::string Line(const char* kind, HWND hwnd, const std::string& rest)
{
    char head[64];
    snprintf(head, sizeof head, "%s 0x%08lx", kind, static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hwnd) & 0xFFFFFFFFu));
    return head + rest;
}

std::string Flag(const char* name, bool on)
{
    return std::string(" ") + name + (on ? "=1" : "=0");
}

}  // namespace

std::vector<std::string> ListDoubleWindows()
{
    std::vector<std::string> lines;
    const HWND foreground = GetForegroundWindow();
    for (HWND top : Collect(nullptr)) {
        const std::wstring cls = ClassOf(top);
        if (cls == L"screenClass") {
            lines.push_back(Line("screen", top,
                                 Flag("visible", IsWindowVisible(top)) + Flag("foreground", top == foreground) +
                                     " title=" + PercentEncode(TitleOf(top))));
            continue;
        }
        if (cls != L"PPTFrameClass")
            continue;
        const LONG style = GetWindowLongW(top, GWL_STYLE);
        lines.push_back(Line("frame", top,
                             Flag("visible", IsWindowVisible(top)) + Flag("popup", (style & WS_POPUP) != 0) +
                                 " title=" + PercentEncode(TitleOf(top))));
        HWND client = nullptr;
        for (HWND child : Collect(top))
            if (ClassOf(child) == L"MDIClient")
                client = child;
        if (!client)
            continue;
        char parent[32];
        snprintf(parent, sizeof parent, " parent=0x%08lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(top) & 0xFFFFFFFFu));
        lines.push_back(Line("mdiclient", client, parent));
        for (HWND document : Collect(client))
            if (ClassOf(document) == L"mdiClass")
                lines.push_back(Line("document", document,
                                     Flag("visible", IsWindowVisible(document)) + " title=" +
                                         PercentEncode(TitleOf(document))));
    }
    return lines;
}

}  // namespace ppt
