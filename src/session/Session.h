#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/ProtocolOwner.h"

class CActionPlayer;
class CAppConfiguration;
class CAppList;
class CAppMgr;
class CRCProtocolServer;
class ILinkNotify;
class ITimerService;

// What the session shows the user: the tray on Windows.
class ISessionView {
public:
    virtual ~ISessionView() = default;
    virtual void ShowLinkState(ELinkState state) = 0;
    // The port could not be opened. Shown once, until the port setting changes.
    virtual void ShowPortFailure(const std::u16string& portName) = 0;
};

// The server's decisions about the phone's session: which application is selected (kept here
// and nowhere else), the list the phone is offered, what happens when the phone comes and goes,
// the periodic poll, and the pointer-motion clock, which runs only while the player needs it.
// Everything the phone pressed is let go whenever the phone, its selection or the mapping
// behind it goes away. Portable; GUI thread only.
class CSession : public IProtocolOwner {
public:
    static constexpr char kPollTimer[] = "poll";
    static constexpr char kMotionTimer[] = "pointer motion";
    static constexpr uint32_t kPollPeriodMs = 3000;
    static constexpr uint32_t kMotionPeriodMs = 55;

    using Profiles = std::vector<std::unique_ptr<CAppConfiguration>>;

    CSession(CRCProtocolServer& server, CAppList& list, CActionPlayer& player, ITimerService& timers,
             ISessionView& view);
    ~CSession() override;
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // Opens the link on the port and starts the poll, which reopens a link that failed.
    void Start(const std::u16string& portName, ILinkNotify* notify);
    // After the settings changed: the reloaded profiles apply to the running managers (a key
    // held now would come up through a mapping that may have changed, so held input goes
    // first), and a changed port reopens the link.
    void ApplySettings(const Profiles& profiles, const std::u16string& portName);
    // Lets go of every key, button and pointer motion the phone holds down.
    void ReleaseHeldInput();
    // Every way of ending: held input released, managers deleted, the phone told, the link
    // closed. Runs once.
    void ShutDown();
    CAppMgr* GetSelected() const { return m_selected; }

    // IProtocolOwner
    uint8_t OnPhoneConnected() override;
    void OnPhoneGone() override;
    uint32_t SelectApplication(uint32_t id, std::u16string& name) override;
    bool FillApplicationList(std::vector<CAppListEntry>& entries, bool onlyIfChanged) override;
    void OnApplicationEvent(const CRCMsg& message) override;
    bool IsHoldingInput() const override;
    void OnLinkState(ELinkState state) override;
    void OnPortFailed() override;

private:
    void OnPoll();
    void Deselect();
    void UpdateMotionClock();

    CRCProtocolServer& m_server;
    CAppList& m_list;
    CActionPlayer& m_player;
    ITimerService& m_timers;
    ISessionView& m_view;
    std::u16string m_portName;
    ILinkNotify* m_notify = nullptr;
    CAppMgr* m_selected = nullptr;
    bool m_portFailureShown = false;
    bool m_shutDown = false;
};
