#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ConfigDialog.h"
#include "app/ForegroundLockTimeout.h"
#include "app/NotifyIcon.h"
#include "app/SmallIcon.h"
#include "appctl/ActionPlayer.h"
#include "appctl/AppList.h"
#include "config/ServerConfiguration.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32FileWriter.h"
#include "platform/win32/Win32InputSynth.h"
#include "platform/win32/Win32ProcessLists.h"
#include "platform/win32/Win32RegistryBackend.h"
#include "platform/win32/Win32SerialPort.h"
#include "platform/win32/Win32TimerService.h"
#include "platform/win32/Win32WindowSystem.h"
#include "protocol/ProtocolOwner.h"
#include "protocol/RCProtocolServer.h"
#include "presentation/PowerPointConnection.h"
#include "presentation/PowerPointSource.h"
#include "presentation/PresentationShared.h"
#include "presentation/PresentationShell.h"
#include "serial/LinkNotify.h"

class CAboutDlg;
class CAppMgr;

// The program's one long-lived window. Never visible: it owns the settings, the tray icon and
// the protocol server with its serial link, receives the link's notifications, the tray menu's
// commands and the timers, and answers the protocol server's questions.
class CMainFrame : public IProtocolOwner, public ILinkNotify, public IAppDataSink {
public:
    static constexpr wchar_t kWindowClass[] = L"QuillantMainFrame";
    static constexpr UINT kTrayCallbackMessage = 0x464;

    CMainFrame();
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Creates the hidden window; its creation runs the whole start-up. False when it failed.
    bool Create();
    HWND GetWindow() const { return m_window; }

    // Opens the configuration sheet once, the given time after now (at every start).
    void ScheduleConfigure(UINT milliseconds);

    CRCProtocolServer& GetProtocolServer() { return m_protocolServer; }
    CAppMgr* GetCurrentManager() const { return m_currentManager; }

    // IProtocolOwner
    uint8_t OnPhoneConnected() override;
    void OnPhoneDisconnected(uint8_t reason) override;
    uint32_t SelectApplication(uint32_t id, std::u16string& name) override;
    bool FillApplicationList(std::vector<CAppListEntry>& entries, bool onlyIfChanged) override;
    void StartSyncTimer(uint32_t milliseconds) override;
    void OnSyncRegained() override;
    void StartStallTimer(uint32_t milliseconds) override;
    void StopStallTimer() override;

    // ILinkNotify: the serial reader thread posts here.
    void Post(uint32_t message, uintptr_t wParam) override;

    // IAppDataSink: slide data to the phone.
    void SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload) override;

private:
    enum class Display { Unavailable, Waiting, Connected };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnCommand(UINT command);
    void OnPollTimer();
    void OnPortFailed();
    void OnClose();
    // Windows is ending the session: the phone is told and everything is let go now, since
    // the process may be ended as soon as the message returns.
    void OnEndSession();
    // What every way of ending does before the window goes: held input released, managers
    // deleted, the phone disconnected, the system settings put back. Runs once.
    void ShutDown();
    // Lets go of every key, button and pointer motion the phone holds down.
    void ReleaseHeldInput();
    // The protocol server's look at the phone's silence and the link's writes.
    void RunLinkWatch();
    void Configure();
    void ShowAbout();
    void ApplyProfilesToManagers();
    void ShowDisplay(Display display);
    void StartLink();
    CPresentationContext MakePresentationContext();

    HWND m_window = nullptr;
    bool m_oleInitialized = false;
    CWin32RegistryBackend m_registry;
    CWin32FileSystem m_fileSystem;
    CWin32FileWriter m_fileWriter;
    CServerConfiguration m_settings{m_registry, m_fileSystem};
    CWin32InputSynth m_input;
    // Declared after the settings it reads on every tick.
    CActionPlayer m_player{m_input, [this] { return m_settings.GetMouseSpeed(); }};
    bool m_portFailureShown = false;
    CConfigDialog* m_configDialog = nullptr;  // the sheet while it is open
    CAboutDlg* m_aboutBox = nullptr;          // the About box while it is open
    bool m_closeConfirmed = false;            // the user agreed to exit while the sheet was open
    bool m_shutDown = false;                  // ShutDown has run
    ULONGLONG m_lastLinkWatch = 0;            // when RunLinkWatch last ran
    CForegroundLockTimeout m_foregroundLock;
    CAppMgr* m_currentManager = nullptr;
    CNotifyIcon m_trayIcon;
    CWin32WindowSystem m_windowSystem;
    CWin32ProcessListFactory m_processLists;
    CWin32TimerService m_timers;
    CPowerPointConnection m_powerPointConnection;
    // Declared before the application list: its presentation managers refer to both.
    CPresentationShared m_presentationShared{m_timers, [this] {
        if (m_currentManager)
            m_currentManager->SendPendingData();
    }};
    CPowerPointSource m_powerPointSource{MakePresentationContext()};
    // The profile array it reads is a member of the settings and outlives every reload.
    CAppList m_appList{m_windowSystem, m_processLists, m_settings.GetProfiles(), &m_powerPointSource};
    // Shared with the link's threads: an abandoned open may still be using it after an exit.
    const std::shared_ptr<ISerialPort> m_serialPort = std::make_shared<CWin32SerialPort>();
    CRCProtocolServer m_protocolServer;
    CSmallIcon m_iconUnavailable;
    CSmallIcon m_iconWaiting;
    CSmallIcon m_iconConnected;
};
