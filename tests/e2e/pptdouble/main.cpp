// pptdouble: a stand-in for the presentation program in the Wine tests. A
// local COM server for the ProgID "Powerpoint.Application" (registered by
// tests/e2e/pptdouble.py) that answers the automation members the server
// calls, shows the windows the server looks for, logs every call, and is
// driven by a test through the control channel in Control.h.
//
//   pptdouble.exe --dir FOLDER [-Embedding]
//
// FOLDER (a Windows path) holds control.txt (commands; the lines present at
// start are the script, run before any client can connect), replies.txt (one
// answer per command, and "ready <pid> <main window>" once clients can
// connect) and calls.log (one line per call received):
//   <ns> <object type> <object path> <dispid|names|create> <kind> <args> <named args> <outcome>
// args: call order, comma-separated, "I2:1", "I4:3", "BSTR:<text>", or "-";
// outcome: "ok:-", "ok:I4:<n>", "ok:BSTR:<text>", "ok:<object type>",
// "fail:0x<hresult>[:<description>]"; texts percent-encoded.
//
// The class object is registered with REGCLS_MULTIPLEUSE, so a double a test
// started first is the one every client attaches to; COM starts one itself
// (with -Embedding) when none runs. Its Application object is also in the
// running-object table, where clients attach to a running program. It runs
// until "quit" or its main window closes, and leaves both registrations on the
// way out.
#include "ClassFactory.h"
#include "Control.h"
#include "Dispatch.h"
#include "DoubleState.h"
#include "DoubleWindows.h"

#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kPollMs = 15;  // how soon a command runs after the test wrote it

class ComApartment {
public:
    ComApartment() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    bool Ok() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

class ClassRegistration {
public:
    ClassRegistration() = default;
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration()
    {
        if (m_cookie)
            CoRevokeClassObject(m_cookie);
    }
    HRESULT Register(IUnknown* factory)
    {
        return CoRegisterClassObject(ppt::kDoubleClsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    }

private:
    DWORD m_cookie = 0;
};

// The Application object in the running-object table, as the real program keeps it there.
class ActiveObjectRegistration {
public:
    ActiveObjectRegistration() = default;
    ActiveObjectRegistration(const ActiveObjectRegistration&) = delete;
    ActiveObjectRegistration& operator=(const ActiveObjectRegistration&) = delete;
    ~ActiveObjectRegistration()
    {
        if (m_cookie)
            RevokeActiveObject(m_cookie, nullptr);
    }
    HRESULT Register(ppt::DoubleState& state)
    {
        ppt::ObjectRef ref;
        ref.type = ppt::ObjectType::Application;
        auto* application = new ppt::AutomationObject(state, ref);
        const HRESULT hr = RegisterActiveObject(application, ppt::kDoubleClsid, ACTIVEOBJECT_STRONG, &m_cookie);
        application->Release();  // the table holds its own reference
        return hr;
    }

private:
    DWORD m_cookie = 0;
};

std::wstring FolderArgument()
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring folder;
    for (int i = 1; args && i + 1 < count; ++i)
        if (std::wstring(args[i]) == L"--dir")
            folder = args[i + 1];
    LocalFree(args);
    return folder;
}

void RunLoop(ppt::DoubleWindows& windows, ppt::Control& control)
{
    for (;;) {
        MsgWaitForMultipleObjectsEx(0, nullptr, kPollMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return;
            if (!TranslateMDISysAccel(windows.MdiClient(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        control.Poll();
        if (control.QuitRequested())
            return;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const std::wstring folder = FolderArgument();
    if (folder.empty())
        return 2;
    ppt::DoubleState state;
    ppt::DoubleWindows windows;
    if (!state.calls.Open(folder + L"\\calls.log") || !windows.Create(instance))
        return 3;
    state.model.SetObserver(&windows);
    ComApartment apartment;
    ppt::Control control(state);
    if (!apartment.Ok() || !control.Open(folder))
        return 3;
    control.Poll();  // the script: the presentations exist before any client comes

    ppt::ClassFactory factory(state);
    ClassRegistration registration;
    ActiveObjectRegistration active;
    HRESULT hr = registration.Register(&factory);
    if (SUCCEEDED(hr))
        hr = active.Register(state);
    if (FAILED(hr)) {
        char line[64];
        snprintf(line, sizeof line, "failed 0x%08lX", static_cast<unsigned long>(hr));
        control.Reply(line);
        return 4;
    }
    char ready[64];
    snprintf(ready, sizeof ready, "ready %lu 0x%08lx", GetCurrentProcessId(),
             static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(windows.Frame()) & 0xFFFFFFFFu));
    control.Reply(ready);
    RunLoop(windows, control);
    state.model.SetObserver(nullptr);
    return 0;
}
