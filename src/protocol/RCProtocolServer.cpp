#include "protocol/RCProtocolServer.h"

#include <utility>

#include "appctl/AppMgr.h"
#include "protocol/ApplicationDataMessage.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/ProtocolOwner.h"
#include "protocol/RCMsg.h"
#include "protocol/UIEventMessages.h"
#include "platform/Trace.h"

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

CRCProtocolServer::CRCProtocolServer(std::shared_ptr<ISerialPort> port, std::u16string ownVersion)
    : m_link(std::move(port)), m_ownVersion(std::move(ownVersion))
{
}

CRCProtocolServer::~CRCProtocolServer()
{
    m_link.SetListener(nullptr);
}

void CRCProtocolServer::SetOwner(IProtocolOwner* owner)
{
    m_owner = owner;
}

int CRCProtocolServer::Start(const std::u16string& portName, ILinkNotify* notify)
{
    const int result = m_link.Open(portName, notify);
    // Without an open port nothing may be dispatched, not even the rest of a read that was
    // being framed when the restart failed.
    m_link.SetListener(result == 0 ? this : nullptr);
    m_state = result == 0 ? RC_STATE_WAITING : RC_STATE_STOPPED;
    UpdateStallTimer();
    return result;
}

void CRCProtocolServer::Stop()
{
    if (m_state != RC_STATE_STOPPED && m_state != RC_STATE_WAITING)
        SendDisconnect(RC_REASON_CLOSED);
    m_link.Close();
    m_link.SetListener(nullptr);
    m_state = RC_STATE_STOPPED;
    UpdateStallTimer();
}

void CRCProtocolServer::OnPortFailed()
{
    // Nothing was received on this attempt (its open reset the framer), so no half message
    // keeps the stall timer going.
    m_link.Close();
    m_link.SetListener(nullptr);
    m_state = RC_STATE_STOPPED;
}

void CRCProtocolServer::OnData()
{
    ++m_heardCount;
    if (m_state == RC_STATE_RECOVERING)
        m_link.ScanForSync();
    else
        m_link.ParseMessages();
    UpdateStallTimer();
}

void CRCProtocolServer::HandleMessage(std::unique_ptr<CRCMsg> message)
{
    if (!message)
        return;

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
        Send(std::make_unique<CRCMsgConnect>(m_ownVersion));
        m_state = RC_STATE_CONNECTED;
        break;
    }
    case RC_MSG_DISCONNECT:
        // The owner stops and restarts the link from inside this call; when the restart could
        // not open the port the state stays stopped, so the owner's retry reopens it.
        if (m_owner != nullptr)
            m_owner->OnPhoneDisconnected(BodyOf<CRCMsgDisconnect>(*message).GetReason());
        if (m_state != RC_STATE_STOPPED)
            m_state = RC_STATE_WAITING;
        break;
    case RC_MSG_APP_SELECT: {
        const CRCMsgApplicationSelect& request = BodyOf<CRCMsgApplicationSelect>(*message);
        std::u16string name = request.GetAppName();
        const uint32_t selected = m_owner != nullptr ? m_owner->SelectApplication(request.GetAppId(), name) : 0;
        Send(std::make_unique<CRCMsgApplicationSelect>(selected, std::move(name)));
        break;
    }
    case RC_MSG_APP_LIST_REQUEST: {
        std::vector<CAppListEntry> entries;
        if (m_owner != nullptr)
            m_owner->FillApplicationList(entries, false);
        Send(std::make_unique<CRCMsgApplicationList>(std::move(entries)));
        break;
    }
    case RC_MSG_SYNC:
        if (m_state == RC_STATE_RECOVERING) {
            if (m_owner != nullptr)
                m_owner->OnSyncRegained();
            m_state = RC_STATE_CONNECTED;
        } else if (m_state == RC_STATE_CONNECTED) {
            // The answer to the watch's probe is not answered again.
            if (m_watch.IsAnswerDue())
                m_watch.AnswerReceived();
            else
                Send(std::make_unique<CRCMsg>(RC_MSG_SYNC));
        }
        break;
    case RC_MSG_KEY_EVENT:
        if (m_manager != nullptr) {
            const CRCMsgKeyEvent& key = BodyOf<CRCMsgKeyEvent>(*message);
            m_manager->KeyEvent(key.GetKind(), key.GetKeyCode());
        }
        break;
    case RC_MSG_APP_DATA:
        break;
    case RC_MSG_UI_BUTTON:
        if (m_manager != nullptr) {
            const CRCMsgUIEventButton& button = BodyOf<CRCMsgUIEventButton>(*message);
            m_manager->OnButton(button.GetControlId(), button.GetValue());
        }
        break;
    case RC_MSG_UI_EDITBOX:
        if (m_manager != nullptr) {
            const CRCMsgUIEventEditBox& edit = BodyOf<CRCMsgUIEventEditBox>(*message);
            m_manager->OnEditBox(edit.GetControlId(), edit.GetText());
        }
        break;
    case RC_MSG_UI_LISTBOX:
        if (m_manager != nullptr) {
            const CRCMsgUIEventListBox& list = BodyOf<CRCMsgUIEventListBox>(*message);
            m_manager->OnListBox(list.GetControlId(), list.GetSelectedIndex(), list.GetText());
        }
        break;
    case RC_MSG_UI_RADIOBUTTON:
        if (m_manager != nullptr) {
            const CRCMsgUIEventRadioButton& radio = BodyOf<CRCMsgUIEventRadioButton>(*message);
            m_manager->OnRadioButton(radio.GetControlId(), radio.GetValue());
        }
        break;
    case RC_MSG_UI_CHECKBOX:
        if (m_manager != nullptr) {
            const CRCMsgUIEventCheckBox& check = BodyOf<CRCMsgUIEventCheckBox>(*message);
            m_manager->OnCheckBox(check.GetControlId(), check.GetStateCount(), check.GetStates());
        }
        break;
    default:
        // Includes a phone-sent application list: the phone has lost track of the framing.
        StartSyncRecovery(message->GetType());
        break;
    }
}

void CRCProtocolServer::OnSyncTimeout()
{
    if (m_state == RC_STATE_RECOVERING)
        LinkLost();
}

void CRCProtocolServer::OnStallTimeout()
{
    // A message whose rest never came: the phone and the server disagree about the framing.
    if (m_state != RC_STATE_STOPPED && m_link.HasPartialMessage())
        StartSyncRecovery(0);
    UpdateStallTimer();
}

void CRCProtocolServer::OnLinkWatch(uint64_t nowMs, bool holding)
{
    // A phone that stopped reading: its writes make no progress, whatever the state.
    if (m_state != RC_STATE_STOPPED && m_link.IsWriteStalled(nowMs)) {
        LinkLost();
        return;
    }
    // Only a connected phone is watched for silence; recovery has its own, shorter time-out.
    if (m_state != RC_STATE_CONNECTED) {
        m_watch.Reset();
        return;
    }
    switch (m_watch.Tick(nowMs, m_heardCount, holding)) {
    case CLinkWatch::Action::Probe:
        Send(std::make_unique<CRCMsg>(RC_MSG_SYNC));
        break;
    case CLinkWatch::Action::Lost:
        TraceLine("The phone did not answer the synchronisation message: the link is lost");
        LinkLost();
        break;
    case CLinkWatch::Action::None:
        break;
    }
}

void CRCProtocolServer::LinkLost()
{
    // The owner lets go of what the phone held, disconnects and restarts the link.
    if (m_owner != nullptr)
        m_owner->OnPhoneDisconnected(RC_REASON_LOST);
    if (m_state != RC_STATE_STOPPED)
        m_state = RC_STATE_WAITING;
    m_watch.Reset();
}

void CRCProtocolServer::RefreshApplicationList()
{
    std::vector<CAppListEntry> entries;
    if (m_owner != nullptr && m_owner->FillApplicationList(entries, true))
        Send(std::make_unique<CRCMsgApplicationList>(std::move(entries)));
}

void CRCProtocolServer::SetApplicationManager(CAppMgr* manager)
{
    m_manager = manager;
}

void CRCProtocolServer::SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload)
{
    Send(std::make_unique<CRCMsgApplicationData>(appId, static_cast<uint16_t>(appType), payload));
}

void CRCProtocolServer::SendDisconnect(uint8_t reason)
{
    Send(std::make_unique<CRCMsgDisconnect>(reason));
}

void CRCProtocolServer::StartSyncRecovery(uint8_t /*type*/)
{
    if (m_owner != nullptr)
        m_owner->StartSyncTimer(RC_SYNC_TIMEOUT_MS);
    Send(std::make_unique<CRCMsg>(RC_MSG_SYNC));
    m_link.ResetReceiver();
    m_state = RC_STATE_RECOVERING;
}

void CRCProtocolServer::UpdateStallTimer()
{
    if (m_owner == nullptr)
        return;
    if (m_state != RC_STATE_STOPPED && m_link.HasPartialMessage())
        m_owner->StartStallTimer(RC_STALL_TIMEOUT_MS);
    else
        m_owner->StopStallTimer();
}

void CRCProtocolServer::Send(std::unique_ptr<CRCMsg> message)
{
    message->Encode();
    m_link.Send(std::move(message));
}
