#include "app/ServerApp.h"

#include <commctrl.h>

#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/ResourceText.h"
#include "app/SplashWnd.h"
#include "platform/Trace.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"
#include "resource.h"

namespace {

// The configuration sheet opens this long after the main window, at every start.
constexpr UINT kConfigureDelayMilliseconds = 1500;

// Libraries loaded at run time by name (by this program or by the system on its behalf) come
// from the system folder only: never from the current folder, and never from the executable's
// folder or the PATH, which a user or another program may be able to write. Systems without
// SetDefaultDllDirectories keep their own order, less the current folder.
void RestrictLibrarySearch()
{
    ::SetDllDirectoryW(L"");
    using SetDefaultDirectoriesFn = BOOL(WINAPI*)(DWORD flags);
    const auto setDefault =
        LibraryFunction<SetDefaultDirectoriesFn>(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

CServerApp::CServerApp() = default;

CServerApp::~CServerApp() = default;

bool CServerApp::InitInstance(const std::u16string& commandLine)
{
    EnableSplashScreen(!EndsWithNoSplash(commandLine));

    m_instanceMutex.Reset(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowMessage(nullptr, LoadResourceText(IDS_ALREADY_RUNNING), MB_OK | MB_ICONINFORMATION);
        return false;
    }

    // The configuration pages use the list-view, slider and tab controls.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&controls);

    m_mainFrame = std::make_unique<CMainFrame>();
    if (!m_mainFrame->Create()) {
        // Start-up failed (no main window, or no window or menu for the tray icon): nothing for
        // the user to reach, so end.
        m_mainFrame.reset();
        return false;
    }
    m_mainFrame->ScheduleConfigure(kConfigureDelayMilliseconds);
    return true;
}

bool CServerApp::PreTranslateMessage(MSG& message)
{
    return PreTranslateAppMessage(message);
}

int CServerApp::Run()
{
    MSG message{};
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            break;
        }
        if (PreTranslateMessage(message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    m_mainFrame.reset();
    return static_cast<int>(message.wParam);
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    RestrictLibrarySearch();
    // The first line of every run's trace, so a trace shows where each run began.
    TraceLine("server process " + std::to_string(::GetCurrentProcessId()) + " started");
    CServerApp app;
    if (!app.InitInstance(as_u16(::GetCommandLineW()))) {
        return 0;
    }
    return app.Run();
}
