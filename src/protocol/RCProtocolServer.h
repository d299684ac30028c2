#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/LinkWatch.h"
#include "protocol/MessageSink.h"
#include "serial/RCCommManager.h"

class CAppMgr;
class CRCMsg;
class IProtocolOwner;
class ILinkNotify;
class ISerialPort;

// Protocol states.
constexpr int32_t RC_STATE_STOPPED = 0;
constexpr int32_t RC_STATE_WAITING = 1;
constexpr int32_t RC_STATE_CONNECTED = 2;
constexpr int32_t RC_STATE_RECOVERING = 3;

// Reasons carried by a disconnect.
constexpr uint8_t RC_REASON_VERSION = 1;
constexpr uint8_t RC_REASON_CLOSED = 2;
constexpr uint8_t RC_REASON_LOST = 255;  // internal only, never sent

// Milliseconds the phone has to answer a synchronisation message, and the silence after which
// a half-received message is given up.
constexpr uint32_t RC_SYNC_TIMEOUT_MS = 500;
constexpr uint32_t RC_STALL_TIMEOUT_MS = 2000;

// The server's side of the phone protocol: owns the serial link, keeps the connection state,
// answers messages and hands key and UI events to the selected application. GUI thread only.
class CRCProtocolServer : public IMessageSink {
public:
    CRCProtocolServer(std::shared_ptr<ISerialPort> port, std::u16string ownVersion);
    ~CRCProtocolServer() override;

    void SetOwner(IProtocolOwner* owner);

    // Starts opening the port; 0 when the attempt started (state waiting), 1 when not (stopped).
    int Start(const std::u16string& portName, ILinkNotify* notify);
    void Stop();
    // The current attempt could not open the port: stopped, so that a retry reopens it.
    void OnPortFailed();
    void OnData();
    void HandleMessage(std::unique_ptr<CRCMsg> message) override;
    void OnSyncTimeout();
    void OnStallTimeout();
    // Called about twice a second with a monotonic time: makes sure a silent phone is still
    // there (see CLinkWatch), and that the phone still reads what is written to it; treats the
    // link as lost when either fails. `holding`: the phone holds keys, buttons or pointer
    // motion down.
    void OnLinkWatch(uint64_t nowMs, bool holding);
    void RefreshApplicationList();
    void SetApplicationManager(CAppMgr* manager);
    void SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload);
    void SendDisconnect(uint8_t reason);
    int32_t GetState() const { return m_state; }
    CRCCommManager& GetLink() { return m_link; }

private:
    void StartSyncRecovery(uint8_t type);
    // A failed recovery, an unanswered probe or stalled writes: the connection is lost.
    void LinkLost();
    void UpdateStallTimer();
    void Send(std::unique_ptr<CRCMsg> message);

    IProtocolOwner* m_owner = nullptr;
    CRCCommManager m_link;
    CAppMgr* m_manager = nullptr;
    std::u16string m_ownVersion;
    int32_t m_state = RC_STATE_STOPPED;
    CLinkWatch m_watch;
    uint64_t m_heardCount = 0;  // data notifications so far: any byte shows the phone is there
};
