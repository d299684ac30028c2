// traygate: a stand-in for the shell's tray window, for the Wine tests. Shell_NotifyIconW sends
// each request as WM_COPYDATA to the first top-level window of class "Shell_TrayWnd"; this one is
// made topmost, so it comes before Wine's own. Closed, it refuses every request, as a shell that
// is not running yet; open, it passes them on to Wine's tray, where the icon then really shows.
//
//   traygate --log PATH
//
// Commands are posted to its window of class "QuillantTrayGate":
//   WM_APP+1 open; wParam 1: then broadcast "TaskbarCreated", as a restarted shell does
//   WM_APP+2 close: the icons it passed on leave Wine's tray, and it refuses from now on
//
// Log (see EventLog.h):
//   ready <pid>                        up, closed, and in front of Wine's tray
//   open 0|1, closed
//   add|modify|delete|other <uid> <passed 0|1> <tip>   <hwnd> is the icon's own window
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "EventLog.h"

namespace {

constexpr UINT kOpen = WM_APP + 1;
constexpr UINT kClose = WM_APP + 2;
constexpr wchar_t kTrayClass[] = L"Shell_TrayWnd";
constexpr wchar_t kGateClass[] = L"QuillantTrayGate";

// What Wine 8's shell32 sends: the icon's window, id, flags, callback message, then the tip.
struct Request {
    LONG window;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    WCHAR tip[128];
};

std::string Utf8(const WCHAR* text, size_t maxLength)
{
    const int length = static_cast<int>(wcsnlen(text, maxLength));
    std::string out(static_cast<size_t>(length) * 3, '\0');
    out.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

class TrayGate {
public:
    TrayGate() = default;
    TrayGate(const TrayGate&) = delete;
    TrayGate& operator=(const TrayGate&) = delete;
    ~TrayGate()
    {
        if (m_tray)
            DestroyWindow(m_tray);
        if (m_gate)
            DestroyWindow(m_gate);
    }

    bool Create(const std::wstring& logPath)
    {
        if (!m_log.Open(logPath))
            return false;
        m_tray = MakeWindow(kTrayClass, WS_EX_TOPMOST);
        m_gate = MakeWindow(kGateClass, 0);
        // Shell_NotifyIconW takes the first window of the class: it must be this one.
        if (!m_tray || !m_gate || FindWindowExW(nullptr, nullptr, kTrayClass, nullptr) != m_tray)
            return false;
        m_log.Write(m_gate, ("ready " + std::to_string(GetCurrentProcessId())).c_str());
        return true;
    }

private:
    HWND MakeWindow(const wchar_t* className, DWORD exStyle)
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &TrayGate::WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassW(&windowClass);
        return CreateWindowExW(exStyle, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               windowClass.hInstance, this);
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TrayGate*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_COPYDATA)
            return self->OnRequest(wParam, *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (self && message == kOpen) {
            self->m_open = true;
            self->m_log.Write(hwnd, wParam ? "open 1" : "open 0");
            if (wParam)
                PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
            return 0;
        }
        if (self && message == kClose) {
            self->Close();
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    LRESULT OnRequest(WPARAM from, const COPYDATASTRUCT& data)
    {
        if (data.cbData < sizeof(Request))
            return FALSE;
        Request request;
        memcpy(&request, data.lpData, sizeof request);
        const auto key = std::make_pair(request.window, request.id);
        const HWND wine = FindWindowExW(nullptr, m_tray, kTrayClass, nullptr);
        LRESULT passed = FALSE;
        if (m_open && wine) {
            COPYDATASTRUCT copy = data;
            passed = SendMessageW(wine, WM_COPYDATA, from, reinterpret_cast<LPARAM>(&copy));
        }
        // Each icon's add is kept, to take the icon back from Wine's tray on close.
        if (passed && data.dwData == NIM_ADD) {
            const auto* bytes = static_cast<const BYTE*>(data.lpData);
            m_passed[key].assign(bytes, bytes + data.cbData);
        } else if (passed && data.dwData == NIM_DELETE) {
            m_passed.erase(key);
        }
        static const char* const kVerbs[] = {"add", "modify", "delete"};
        const std::string tip = (request.flags & NIF_TIP) ? Utf8(request.tip, 128) : "";
        const std::string line = std::string(data.dwData <= NIM_DELETE ? kVerbs[data.dwData] : "other") + " " +
                                 std::to_string(request.id) + " " + (passed ? "1 " : "0 ") + tip;
        m_log.Write(reinterpret_cast<HWND>(static_cast<LONG_PTR>(request.window)), line.c_str());
        return passed;
    }

    void Close()
    {
        m_open = false;
        const HWND wine = FindWindowExW(nullptr, m_tray, kTrayClass, nullptr);
        for (auto& [key, add] : m_passed) {
            COPYDATASTRUCT remove{NIM_DELETE, static_cast<DWORD>(add.size()), add.data()};
            if (wine)
                SendMessageW(wine, WM_COPYDATA, static_cast<WPARAM>(key.first), reinterpret_cast<LPARAM>(&remove));
        }
        m_passed.clear();
        m_log.Write(m_gate, "closed");
    }

    Log m_log;
    HWND m_tray = nullptr;
    HWND m_gate = nullptr;
    bool m_open = false;
    std::map<std::pair<LONG, UINT>, std::vector<BYTE>> m_passed;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring logPath = argv && argc == 3 && wcscmp(argv[1], L"--log") == 0 ? argv[2] : L"";
    LocalFree(argv);
    if (logPath.empty())
        return 2;
    TrayGate gate;
    if (!gate.Create(logPath))
        return 3;  // never 1, which stands for a start Wine failed
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
