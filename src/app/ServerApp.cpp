#include "app/ServerApp.h"

#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/ResourceText.h"
#include "app/SplashWnd.h"
#include "platform/win32/WideText.h"
#include "resource.h"

CServerApp::CServerApp() = default;

CServerApp::~CServerApp() = default;

bool CServerApp::InitInstance(const std::u16string& commandLine)
{
    m_splashEnabled = !EndsWithNoSplash(commandLine);
    EnableSplashScreen(m_splashEnabled);

    m_instanceMutex.Reset(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowMessage(nullptr, LoadResourceText(IDS_ALREADY_RUNNING), MB_OK | MB_ICONINFORMATION);
        return false;
    }

    m_mainFrame = std::make_unique<CMainFrame>();
    if (!m_mainFrame->Create()) {
        // Start-up failed (no tray icon): nothing for the user to reach, so end.
        m_mainFrame.reset();
        return false;
    }
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
    CServerApp app;
    if (!app.InitInstance(as_u16(::GetCommandLineW()))) {
        return 0;
    }
    return app.Run();
}
