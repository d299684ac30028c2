#pragma once
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeLinkNotify.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ProtocolOwner.h"
#include "protocol/RCMsg.h"
#include "protocol/RCProtocolServer.h"

// Waits for the result of the link's current open and hands it to the server, as the main
// window's message loop would.
inline void SettleLinkOpen(CRCProtocolServer& server, FakeLinkNotify& notify)
{
    CRCCommManager& link = server.GetLink();
    uint32_t result = 0;
    uintptr_t number = 0;
    ASSERT_TRUE(notify.WaitUntil([&](const std::vector<FakeLinkNotify::Posted>& posted) {
        for (const auto& [message, attempt] : posted) {
            if ((message == WM_RC_PORT_OPENED || message == WM_RC_PORT_FAILED) && link.IsCurrentAttempt(attempt)) {
                result = message;
                number = attempt;
            }
        }
        return result != 0;
    }));
    server.OnLinkNotification(result, number);
}

// Plays the session above the protocol server and records every call. Like the main window's
// message loop, it hands the link's open results to the server (Settle).
class FakeProtocolOwner : public IProtocolOwner {
public:
    FakeProtocolOwner(CRCProtocolServer& server, FakeLinkNotify& notify) : m_server(server), m_notify(notify)
    {
        m_server.SetOwner(this);
    }

    void Start(const std::u16string& portName)
    {
        ASSERT_EQ(m_server.Start(portName, &m_notify), 0);
        Settle();
    }

    void Settle() { SettleLinkOpen(m_server, m_notify); }

    // Knobs.
    uint8_t m_connectReason = 0;
    std::map<uint32_t, std::u16string> m_applications;  // id -> name, for SelectApplication
    std::vector<CAppListEntry> m_list;
    bool m_listChanged = true;
    bool m_holding = false;

    // Records.
    int m_connected = 0;
    int m_gone = 0;
    int m_portFailures = 0;
    std::vector<std::pair<uint32_t, std::u16string>> m_selectRequests;
    std::vector<bool> m_fillFlags;
    std::vector<int> m_eventTypes;
    std::vector<ELinkState> m_states;

    uint8_t OnPhoneConnected() override
    {
        ++m_connected;
        return m_connectReason;
    }
    void OnPhoneGone() override { ++m_gone; }
    uint32_t SelectApplication(uint32_t id, std::u16string& name) override
    {
        m_selectRequests.emplace_back(id, name);
        if (id == 0)
            return 0;
        const auto found = m_applications.find(id);
        if (found == m_applications.end()) {
            name.clear();
            return 0;
        }
        name = found->second;
        return id;
    }
    bool FillApplicationList(std::vector<CAppListEntry>& entries, bool onlyIfChanged) override
    {
        m_fillFlags.push_back(onlyIfChanged);
        if (onlyIfChanged && !m_listChanged)
            return false;
        entries = m_list;
        return true;
    }
    void OnApplicationEvent(const CRCMsg& message) override { m_eventTypes.push_back(message.GetType()); }
    bool IsHoldingInput() const override { return m_holding; }
    void OnLinkState(ELinkState state) override { m_states.push_back(state); }
    void OnPortFailed() override { ++m_portFailures; }

private:
    CRCProtocolServer& m_server;
    FakeLinkNotify& m_notify;
};
