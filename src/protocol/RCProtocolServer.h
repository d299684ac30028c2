#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/LinkWatch.h"
#include "protocol/MessageFramer.h"
#include "protocol/MessageSink.h"
#include "serial/RCCommManager.h"

class CRCMsg;
class IProtocolOwner;
class ILinkNotify;
class ISerialPort;
class ITimerService;

// Protocol states.
constexpr int32_t RC_STATE_STOPPED = 0;
constexpr int32_t RC_STATE_WAITING = 1;
constexpr int32_t RC_STATE_CONNECTED = 2;
constexpr int32_t RC_STATE_RECOVERING = 3;

// Reasons carried by a disconnect.
constexpr uint8_t RC_REASON_VERSION = 1;
constexpr uint8_t RC_REASON_CLOSED = 2;

// Milliseconds the phone has to answer a synchronisation message, and the silence after which
// a half-received message is given up.
constexpr uint32_t RC_SYNC_TIMEOUT_MS = 500;
constexpr uint32_t RC_STALL_TIMEOUT_MS = 2000;

// The server's side of the phone protocol: owns the serial link, frames what it receives, keeps
// the connection state, answers messages and hands key and UI events to its owner. Reopens the
// link after every connection, once the message that ended it has been handled. GUI thread only.
class CRCProtocolServer : public IMessageSink {
public:
    static constexpr char kSyncTimer[] = "sync";
    static constexpr char kStallTimer[] = "stall";
    static constexpr char kLinkWatchTimer[] = "link watch";
    // How often the link watch looks at a connected phone's silence (and the link's writes).
    static constexpr uint32_t kLinkWatchPeriodMs = 500;

    CRCProtocolServer(std::shared_ptr<ISerialPort> port, std::u16string ownVersion, ITimerService& timers);
    ~CRCProtocolServer() override;
    CRCProtocolServer(const CRCProtocolServer&) = delete;
    CRCProtocolServer& operator=(const CRCProtocolServer&) = delete;

    void SetOwner(IProtocolOwner* owner);

    // Starts opening the port; 0 when the attempt started (state waiting), 1 when not (stopped).
    int Start(const std::u16string& portName, ILinkNotify* notify);
    // Opens the port of the last Start again.
    int Restart();
    // Tells a connected phone, closes the link and stops its timers.
    void Stop();
    // A notification the link posted, handed over on the GUI thread; false when the message is
    // none of the link's.
    bool OnLinkNotification(uint32_t message, uintptr_t wParam);

    void OnData();
    void OnPortFailed();
    void HandleMessage(std::unique_ptr<CRCMsg> message) override;
    void OnSyncTimeout();
    void OnStallTimeout();
    // Makes sure a silent phone is still there (see CLinkWatch) and that the phone still reads
    // what is written to it; treats the link as lost when either fails. `holding`: the phone
    // holds keys, buttons or pointer motion down.
    void OnLinkWatch(uint64_t nowMs, bool holding);
    void RefreshApplicationList();
    void SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload);
    int32_t GetState() const { return m_state; }
    CRCCommManager& GetLink() { return m_link; }

private:
    // Frames the bytes and handles each message, then reopens the link if one ended it.
    void Dispatch(const std::vector<uint8_t>& bytes);
    void StartSyncRecovery();
    // The phone disconnected, a recovery failed, a probe went unanswered or writes stalled.
    void EndConnection();
    void RunLinkWatch();
    void StopTimers();
    void UpdateStallTimer();
    void SendDisconnect(uint8_t reason);
    void Send(CRCMsg&& message);

    IProtocolOwner* m_owner = nullptr;
    ITimerService& m_timers;
    CRCCommManager m_link;
    CMessageFramer m_framer;
    std::u16string m_ownVersion;
    std::u16string m_portName;
    ILinkNotify* m_notify = nullptr;
    int32_t m_state = RC_STATE_STOPPED;
    CLinkWatch m_watch;
    uint64_t m_heardCount = 0;   // data notifications so far: any byte shows the phone is there
    uint64_t m_lastWatchMs = 0;  // when the link watch last ran
    bool m_dispatching = false;  // framed messages are being handled
    bool m_restartDue = false;   // the connection ended during them: reopen once they are done
    // Messages framed behind the one that ended the connection: they belong to the next one.
    std::vector<std::unique_ptr<CRCMsg>> m_heldOver;
};
