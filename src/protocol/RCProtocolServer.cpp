#include "protocol/RCProtocolServer.h"

#include <utility>

#include "protocol/ApplicationDataMessage.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/ProtocolOwner.h"
#include "protocol/RCMsg.h"
#include "protocol/UIEventMessages.h"
#include "platform/TimerService.h"
#include "platform/Trace.h"
#include "serial/LinkNotify.h"

namespace {

// The framer always builds the class its type selects; a message of the right type but
// another class (built by hand) is read as one with an empty body.
template <class T>
const T& BodyOf(const CRCMsg& message)
{
    static const T empty;
    const T* typed = dynamic_cast<const T*>(&message);
    return typed != nullptr ? *typed : empty;
}

}  // namespace

CRCProtocolServer::CRCProtocolServer(std::shared_ptr<ISerialPort> port, std::u16string ownVersion,
                                     ITimerService& timers)
    : m_timers(timers), m_link(std::move(port)), m_ownVersion(std::move(ownVersion))
{
}

CRCProtocolServer::~CRCProtocolServer()
{
    StopTimers();
}

void CRCProtocolServer::StopTimers()
{
    for (const char* timer : {kSyncTimer, kStallTimer, kLinkWatchTimer})
        m_timers.Stop(timer);
}

void CRCProtocolServer::SetOwner(IProtocolOwner* owner)
{
    m_owner = owner;
}

int CRCProtocolServer::Start(const std::u16string& portName, ILinkNotify* notify)
{
    m_portName = portName;
    m_notify = notify;
    return Restart();
}

int CRCProtocolServer::Restart()
{
    Stop();
    const int result = m_link.Open(m_portName, m_notify);
    m_state = result == 0 ? RC_STATE_WAITING : RC_STATE_STOPPED;
    if (result == 0)
        m_timers.StartPeriodic(kLinkWatchTimer, kLinkWatchPeriodMs, [this] { RunLinkWatch(); });
    return result;
}

void CRCProtocolServer::Stop()
{
    if (m_state == RC_STATE_CONNECTED || m_state == RC_STATE_RECOVERING)
        SendDisconnect(RC_REASON_CLOSED);
    m_link.Close();
    // A new connection must not continue this one's half message.
    m_framer.Reset();
    m_state = RC_STATE_STOPPED;
    m_watch.Reset();
    StopTimers();
}

bool CRCProtocolServer::OnLinkNotification(uint32_t message, uintptr_t wParam)
{
    switch (message) {
    case WM_RC_PORT_OPENED:
        // Notifications of an attempt that has since been closed are stale.
        if (m_link.IsCurrentAttempt(wParam) && m_owner != nullptr)
            m_owner->OnLinkState(ELinkState::Waiting);
        return true;
    case WM_RC_PORT_CLOSED:
        if (m_owner != nullptr)
            m_owner->OnLinkState(ELinkState::Unavailable);
        return true;
    case WM_RC_PORT_FAILED:
        if (m_link.IsCurrentAttempt(wParam))
            OnPortFailed();
        return true;
    case WM_RC_DATA:
        OnData();
        return true;
    case WM_RC_CONNECTION_LOST:
        // wParam 0: sent from outside the link, always taken.
        if ((wParam == 0 || m_link.IsCurrentAttempt(wParam)) && m_state != RC_STATE_STOPPED)
            EndConnection();
        return true;
    default:
        return false;
    }
}

void CRCProtocolServer::OnPortFailed()
{
    // Stopped, so that the owner's retry reopens it. Nothing was received on this attempt.
    Stop();
    if (m_owner != nullptr)
        m_owner->OnPortFailed();
}

void CRCProtocolServer::OnData()
{
    ++m_heardCount;
    // Without an open link nothing is dispatched: the bytes wait for the next connection.
    if (m_state != RC_STATE_STOPPED)
        Dispatch(m_link.TakeReceived());
    UpdateStallTimer();
    // Timer messages wait while posted ones keep coming: a phone that floods the link must
    // not keep the watch from running.
    if (m_timers.NowMs() - m_lastWatchMs >= kLinkWatchPeriodMs)
        RunLinkWatch();
}

void CRCProtocolServer::Dispatch(const std::vector<uint8_t>& bytes)
{
    m_dispatching = true;
    size_t framed = 0;
    if (m_state == RC_STATE_RECOVERING) {
        size_t consumed = 0;
        framed = bytes.size();
        if (m_framer.ScanForSync(bytes.data(), bytes.size(), consumed)) {
            HandleMessage(std::make_unique<CRCMsg>(RC_MSG_SYNC));
            framed = consumed;
        }
    }
    if (framed < bytes.size())
        m_framer.Feed(bytes.data() + framed, bytes.size() - framed, *this);
    m_dispatching = false;
    // The link is reopened only now that no handler runs; what came behind the message that
    // ended the connection goes to the next one, which may end in turn.
    while (m_restartDue) {
        m_restartDue = false;
        Restart();
        std::vector<std::unique_ptr<CRCMsg>> heldOver;
        heldOver.swap(m_heldOver);
        if (m_state == RC_STATE_STOPPED)
            break;
        m_dispatching = true;
        for (auto& message : heldOver)
            HandleMessage(std::move(message));
        m_dispatching = false;
    }
    m_heldOver.clear();
}

void CRCProtocolServer::HandleMessage(std::unique_ptr<CRCMsg> message)
{
    if (!message)
        return;
    if (m_restartDue) {
        m_heldOver.push_back(std::move(message));
        return;
    }

    switch (message->GetType()) {
    case RC_MSG_CONNECT: {
        if (BodyOf<CRCMsgConnect>(*message).GetVersion() != m_ownVersion) {
            SendDisconnect(RC_REASON_VERSION);
            break;
        }
        const uint8_t reason = m_owner != nullptr ? m_owner->OnPhoneConnected() : 0;
        if (reason != 0) {
            SendDisconnect(reason);
            break;
        }
        Send(CRCMsgConnect(m_ownVersion));
        m_state = RC_STATE_CONNECTED;
        if (m_owner != nullptr)
            m_owner->OnLinkState(ELinkState::Connected);
        break;
    }
    case RC_MSG_DISCONNECT:
        EndConnection();
        break;
    case RC_MSG_APP_SELECT: {
        const CRCMsgApplicationSelect& request = BodyOf<CRCMsgApplicationSelect>(*message);
        std::u16string name = request.GetAppName();
        const uint32_t selected = m_owner != nullptr ? m_owner->SelectApplication(request.GetAppId(), name) : 0;
        Send(CRCMsgApplicationSelect(selected, std::move(name)));
        break;
    }
    case RC_MSG_APP_LIST_REQUEST: {
        std::vector<CAppListEntry> entries;
        if (m_owner != nullptr)
            m_owner->FillApplicationList(entries, false);
        Send(CRCMsgApplicationList(std::move(entries)));
        break;
    }
    case RC_MSG_SYNC:
        if (m_state == RC_STATE_RECOVERING) {
            m_timers.Stop(kSyncTimer);
            m_state = RC_STATE_CONNECTED;
            if (m_owner != nullptr)
                m_owner->OnLinkState(ELinkState::Connected);
        } else if (m_state == RC_STATE_CONNECTED) {
            // The answer to the watch's probe is not answered again.
            if (m_watch.IsAnswerDue())
                m_watch.AnswerReceived();
            else
                Send(CRCMsg(RC_MSG_SYNC));
        }
        break;
    case RC_MSG_APP_DATA:
        break;
    case RC_MSG_KEY_EVENT:
    case RC_MSG_UI_BUTTON:
    case RC_MSG_UI_EDITBOX:
    case RC_MSG_UI_LISTBOX:
    case RC_MSG_UI_RADIOBUTTON:
    case RC_MSG_UI_CHECKBOX:
        if (m_owner != nullptr)
            m_owner->OnApplicationEvent(*message);
        break;
    default:
        // Includes a phone-sent application list: the phone has lost track of the framing.
        StartSyncRecovery();
        break;
    }
}

void CRCProtocolServer::OnSyncTimeout()
{
    if (m_state == RC_STATE_RECOVERING)
        EndConnection();
}

void CRCProtocolServer::OnStallTimeout()
{
    // A message whose rest never came: the phone and the server disagree about the framing.
    if (m_state != RC_STATE_STOPPED && m_framer.HasPartialMessage())
        StartSyncRecovery();
    UpdateStallTimer();
}

void CRCProtocolServer::OnLinkWatch(uint64_t nowMs, bool holding)
{
    // A phone that stopped reading: its writes make no progress, whatever the state.
    if (m_state != RC_STATE_STOPPED && m_link.IsWriteStalled(nowMs)) {
        EndConnection();
        return;
    }
    // Only a connected phone is watched for silence; recovery has its own, shorter time-out.
    if (m_state != RC_STATE_CONNECTED) {
        m_watch.Reset();
        return;
    }
    switch (m_watch.Tick(nowMs, m_heardCount, holding)) {
    case CLinkWatch::Action::Probe:
        Send(CRCMsg(RC_MSG_SYNC));
        break;
    case CLinkWatch::Action::Lost:
        TraceLine("The phone did not answer the synchronisation message: the link is lost");
        EndConnection();
        break;
    case CLinkWatch::Action::None:
        break;
    }
}

void CRCProtocolServer::EndConnection()
{
    // The owner lets go of what the phone held first; the phone then gets the disconnect when
    // the link is reopened.
    if (m_owner != nullptr)
        m_owner->OnPhoneGone();
    m_watch.Reset();
    if (m_dispatching)
        m_restartDue = true;
    else
        Restart();
}

void CRCProtocolServer::RunLinkWatch()
{
    m_lastWatchMs = m_timers.NowMs();
    OnLinkWatch(m_lastWatchMs, m_owner != nullptr && m_owner->IsHoldingInput());
}

void CRCProtocolServer::RefreshApplicationList()
{
    std::vector<CAppListEntry> entries;
    if (m_owner != nullptr && m_owner->FillApplicationList(entries, true))
        Send(CRCMsgApplicationList(std::move(entries)));
}

void CRCProtocolServer::SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload)
{
    Send(CRCMsgApplicationData(appId, static_cast<uint16_t>(appType), payload));
}

void CRCProtocolServer::SendDisconnect(uint8_t reason)
{
    Send(CRCMsgDisconnect(reason));
}

void CRCProtocolServer::StartSyncRecovery()
{
    m_timers.StartOneShot(kSyncTimer, RC_SYNC_TIMEOUT_MS, [this] { OnSyncTimeout(); });
    Send(CRCMsg(RC_MSG_SYNC));
    m_framer.Reset();
    m_state = RC_STATE_RECOVERING;
}

void CRCProtocolServer::UpdateStallTimer()
{
    if (m_state != RC_STATE_STOPPED && m_framer.HasPartialMessage())
        m_timers.StartOneShot(kStallTimer, RC_STALL_TIMEOUT_MS, [this] { OnStallTimeout(); });
    else
        m_timers.Stop(kStallTimer);
}

void CRCProtocolServer::Send(CRCMsg&& message)
{
    // The length field is 16 bits wide: a longer message would go out cut short.
    const std::vector<uint8_t>& bytes = message.Encode();
    if (bytes.size() > RC_MAX_MESSAGE_SIZE)
        return;
    m_link.Send(bytes);
}
