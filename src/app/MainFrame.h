#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ConfigDialog.h"
#include "app/ForegroundLockTimeout.h"
#include "app/HiddenWindow.h"
#include "app/TrayView.h"
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
#include "presentation/PowerPointConnection.h"
#include "presentation/PowerPointSource.h"
#include "presentation/PresentationShared.h"
#include "presentation/PresentationShell.h"
#include "protocol/RCProtocolServer.h"
#include "serial/LinkNotify.h"
#include "session/Session.h"

class CAboutDlg;

// The program's one long-lived window, never visible: the Win32 side of the session. It owns
// the settings and every object of the session, hands the link's notifications, the timers and
// the tray menu's commands on, and runs the dialogs.
class CMainFrame : public CHiddenWindow, public ILinkNotify, public IAppDataSink {
public:
    static constexpr wchar_t kWindowClass[] = L"QuillantMainFrame";
    static constexpr UINT kTrayCallbackMessage = 0x464;

    CMainFrame();
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Creates the hidden window; its creation runs the whole start-up. False when it failed.
    bool Create();

    // Opens the configuration sheet once, the given time after now (at every start).
    void ScheduleConfigure(UINT milliseconds);

    // ILinkNotify: the serial link's threads post here.
    void Post(uint32_t message, uintptr_t wParam) override;
    // IAppDataSink: slide data to the phone.
    void SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload) override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The program ends with its window.
    void OnDestroyed() override { ::PostQuitMessage(0); }
    bool OnCreate();
    void OnCommand(UINT command);
    void OnClose();
    // Windows is ending the session: everything is let go now, since the process may be ended
    // as soon as the message returns.
    void OnEndSession();
    // What every way of ending does before the window goes. Runs once.
    void ShutDown();
    void Configure();
    void ShowAbout();
    CPresentationContext MakePresentationContext();

    bool m_oleInitialized = false;
    CWin32RegistryBackend m_registry;
    CWin32FileSystem m_fileSystem;
    CWin32FileWriter m_fileWriter;
    CServerConfiguration m_settings{m_registry, m_fileSystem};
    CWin32InputSynth m_input;
    // Declared after the settings it reads on every tick.
    CActionPlayer m_player{m_input, [this] { return m_settings.GetMouseSpeed(); }};
    CConfigDialog* m_configDialog = nullptr;  // the sheet while it is open
    CAboutDlg* m_aboutBox = nullptr;          // the About box while it is open
    bool m_closeConfirmed = false;            // the user agreed to exit while the sheet was open
    bool m_shutDown = false;                  // ShutDown has run
    CForegroundLockTimeout m_foregroundLock;
    CTrayView m_tray;
    CWin32WindowSystem m_windowSystem;
    CWin32ProcessListFactory m_processLists;
    CWin32TimerService m_timers;
    CPowerPointConnection m_powerPointConnection;
    // Declared before the application list: its presentation managers refer to both.
    CPresentationShared m_presentationShared{m_timers, [this] {
        if (CAppMgr* selected = m_session.GetSelected()) {
            selected->SendPendingData();
        }
    }};
    CPowerPointSource m_powerPointSource{MakePresentationContext()};
    // The profile array it reads is a member of the settings and outlives every reload.
    CAppList m_appList{m_windowSystem, m_processLists, m_player, m_settings.GetProfiles(), &m_powerPointSource};
    // Shared with the link's threads: an abandoned open may still be using it after an exit.
    const std::shared_ptr<ISerialPort> m_serialPort = std::make_shared<CWin32SerialPort>();
    CRCProtocolServer m_protocolServer;
    CSession m_session{m_protocolServer, m_appList, m_player, m_timers, m_tray};
};
