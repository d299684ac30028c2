#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "platform/win32/UniqueHandle.h"

class CMainFrame;

// The program object: refuses a second copy, creates the hidden main window and runs the
// message loop until that window is destroyed.
class CServerApp {
public:
    static constexpr wchar_t kInstanceMutexName[] = L"RCServerSingleInstance";

    CServerApp();
    ~CServerApp();
    CServerApp(const CServerApp&) = delete;
    CServerApp& operator=(const CServerApp&) = delete;

    // False when the program is to end at once.
    bool InitInstance(const std::u16string& commandLine);
    int Run();

private:
    bool PreTranslateMessage(MSG& message);

    CUniqueHandle m_instanceMutex;  // held for the whole run; gone with the process
    std::unique_ptr<CMainFrame> m_mainFrame;
};
