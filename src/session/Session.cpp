#include "session/Session.h"

#include "appctl/ActionPlayer.h"
#include "appctl/AppList.h"
#include "appctl/AppMgr.h"
#include "appctl/AppMgrGeneric.h"
#include "config/AppConfiguration.h"
#include "platform/TimerService.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/RCProtocolServer.h"
#include "protocol/UIEventMessages.h"

CSession::CSession(CRCProtocolServer& server, CAppList& list, CActionPlayer& player, ITimerService& timers,
                   ISessionView& view)
    : m_server(server), m_list(list), m_player(player), m_timers(timers), m_view(view)
{
    m_server.SetOwner(this);
}

CSession::~CSession()
{
    m_timers.Stop(kPollTimer);
    m_timers.Stop(kMotionTimer);
    m_server.SetOwner(nullptr);
}

void CSession::Start(const std::u16string& portName, ILinkNotify* notify)
{
    m_portName = portName;
    m_notify = notify;
    m_portFailureShown = false;
    m_timers.StartPeriodic(kPollTimer, kPollPeriodMs, [this] { OnPoll(); });
    m_server.Start(portName, notify);
}

void CSession::OnPoll()
{
    if (m_server.GetState() == RC_STATE_STOPPED)
        m_server.Restart();
    if (m_selected != nullptr)
        m_selected->Poll();
    if (m_server.GetState() == RC_STATE_CONNECTED)
        m_server.RefreshApplicationList();
}

void CSession::ApplySettings(const Profiles& profiles, const std::u16string& portName)
{
    ReleaseHeldInput();
    for (int index = 0; CAppMgr* manager = m_list.GetAt(index); ++index) {
        if (manager->GetAppType() != APPTYPE_GENERIC)
            continue;
        auto* generic = static_cast<CAppMgrGeneric*>(manager);
        for (const auto& profile : profiles) {
            if (profile->GetName() == generic->GetName()) {
                generic->LoadKeyMapping(profile->GetKeyMapping());
                generic->SetBringToTop(profile->GetBringToTop());
                generic->SetAutoRestore(profile->GetAutoRestore());
            }
        }
    }
    if (portName != m_portName) {
        m_portName = portName;
        m_portFailureShown = false;
        // The phone on the old port is told and let go (Start closes the link first); its
        // selection ends with it.
        Deselect();
        m_view.ShowLinkState(ELinkState::Unavailable);
        m_server.Start(portName, m_notify);
    }
}

void CSession::ReleaseHeldInput()
{
    m_player.ReleaseAll();
    UpdateMotionClock();
}

void CSession::ShutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_timers.Stop(kPollTimer);
    // Released before the phone is told, in the order they went down reversed.
    ReleaseHeldInput();
    m_selected = nullptr;
    m_list.DeleteManagers();
    m_server.Stop();
}

uint8_t CSession::OnPhoneConnected()
{
    return 0;
}

void CSession::OnPhoneGone()
{
    // The phone that held them is gone and will not send the key-ups.
    ReleaseHeldInput();
    Deselect();
    m_view.ShowLinkState(ELinkState::Waiting);
}

void CSession::Deselect()
{
    if (m_selected != nullptr) {
        m_selected->SetActive(false, true);
        m_selected = nullptr;
    }
}

uint32_t CSession::SelectApplication(uint32_t id, std::u16string& name)
{
    if (id == 0)
        return 0;
    CAppMgr* manager = m_list.FindByWindow(id);
    if (manager == nullptr) {
        // The previous selection stays.
        name.clear();
        return 0;
    }
    name = manager->GetName();
    // The keys of the previous selection (or of this one, selected again) come up before the
    // window changes; their key-ups would otherwise go to the new window's manager.
    ReleaseHeldInput();
    if (m_selected != nullptr)
        m_selected->SetActive(false, true);
    m_selected = manager;
    manager->SetActive(true, true);
    return id;
}

bool CSession::FillApplicationList(std::vector<CAppListEntry>& entries, bool onlyIfChanged)
{
    const uint32_t window = m_selected != nullptr ? m_selected->GetWindow() : 0;
    const std::u16string name = m_selected != nullptr ? m_selected->GetName() : std::u16string();
    const uint32_t type = m_selected != nullptr ? m_selected->GetAppType() : 0;
    if (!m_list.Update(onlyIfChanged))
        return false;
    // The rebuild replaced every manager: find the phone's application again (it stays
    // selected, but inactive, when its window is still offered).
    if (m_selected != nullptr) {
        m_selected = m_list.FindByWindow(window);
        // The window closed, or another application now stands behind it: what the phone
        // holds for the old one is let go.
        if (m_selected == nullptr || m_selected->GetName() != name || m_selected->GetAppType() != type)
            ReleaseHeldInput();
    }
    for (int index = 0; const CAppMgr* manager = m_list.GetAt(index); ++index)
        entries.emplace_back(manager->GetWindow(), static_cast<uint16_t>(manager->GetAppType()), manager->GetName(),
                             manager->IsActive());
    return true;
}

void CSession::OnApplicationEvent(const CRCMsg& message)
{
    if (m_selected == nullptr)
        return;
    // The framer builds the class its type selects; anything else is not handed on.
    if (const auto* key = dynamic_cast<const CRCMsgKeyEvent*>(&message))
        m_selected->KeyEvent(key->GetKind(), key->GetKeyCode());
    else if (const auto* button = dynamic_cast<const CRCMsgUIEventButton*>(&message))
        m_selected->OnButton(button->GetControlId(), button->GetValue());
    else if (const auto* edit = dynamic_cast<const CRCMsgUIEventEditBox*>(&message))
        m_selected->OnEditBox(edit->GetControlId(), edit->GetText());
    else if (const auto* list = dynamic_cast<const CRCMsgUIEventListBox*>(&message))
        m_selected->OnListBox(list->GetControlId(), list->GetSelectedIndex(), list->GetText());
    else if (const auto* radio = dynamic_cast<const CRCMsgUIEventRadioButton*>(&message))
        m_selected->OnRadioButton(radio->GetControlId(), radio->GetValue());
    else if (const auto* check = dynamic_cast<const CRCMsgUIEventCheckBox*>(&message))
        m_selected->OnCheckBox(check->GetControlId(), check->GetStateCount(), check->GetStates());
    UpdateMotionClock();
}

bool CSession::IsHoldingInput() const
{
    return m_player.IsHolding();
}

void CSession::OnLinkState(ELinkState state)
{
    m_view.ShowLinkState(state);
}

void CSession::OnPortFailed()
{
    m_view.ShowLinkState(ELinkState::Unavailable);
    if (m_portFailureShown)
        return;
    m_portFailureShown = true;
    m_view.ShowPortFailure(m_portName);
}

void CSession::UpdateMotionClock()
{
    // Idle, the clock would wake the program 18 times a second for nothing.
    const bool needed = m_player.NeedsTick();
    if (needed && !m_timers.IsRunning(kMotionTimer)) {
        m_timers.StartPeriodic(kMotionTimer, kMotionPeriodMs, [this] {
            m_player.OnTick();
            UpdateMotionClock();
        });
    } else if (!needed) {
        m_timers.Stop(kMotionTimer);
    }
}
