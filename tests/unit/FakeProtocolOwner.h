#pragma once
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeLinkNotify.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ProtocolOwner.h"
#include "protocol/RCProtocolServer.h"

class FakeSerialPort;

// Plays the main frame: records every call and, like it, stops and restarts the link when the
// phone disconnects or the connection is lost.
class FakeProtocolOwner : public IProtocolOwner {
public:
    FakeProtocolOwner(CRCProtocolServer& server, FakeLinkNotify& notify) : m_server(server), m_notify(notify) {}

    // Starts the server and, as the main frame's message loop would, takes the open's result:
    // a failed open stops the server.
    void Start(const std::u16string& portName)
    {
        ASSERT_EQ(m_server.Start(portName, &m_notify), 0);
        CRCCommManager& link = m_server.GetLink();
        uint32_t result = 0;
        ASSERT_TRUE(m_notify.WaitUntil([&](const std::vector<FakeLinkNotify::Posted>& posted) {
            for (const auto& [message, attempt] : posted) {
                if ((message == WM_RC_PORT_OPENED || message == WM_RC_PORT_FAILED) && link.IsCurrentAttempt(attempt))
                    result = message;
            }
            return result != 0;
        }));
        if (result == WM_RC_PORT_FAILED)
            m_server.OnPortFailed();
    }

    // Knobs.
    uint8_t m_connectReason = 0;
    std::map<uint32_t, std::u16string> m_applications;  // id -> name, for SelectApplication
    std::vector<CAppListEntry> m_list;
    bool m_listChanged = true;
    std::u16string m_portName = u"COM3";

    // Records.
    int m_connected = 0;
    std::vector<uint8_t> m_disconnectReasons;
    std::vector<std::pair<uint32_t, std::u16string>> m_selectRequests;
    std::vector<bool> m_fillFlags;
    std::vector<uint32_t> m_syncTimerStarts;
    int m_syncRegained = 0;
    int m_stallStarts = 0;
    int m_stallStops = 0;
    bool m_stallRunning = false;

    uint8_t OnPhoneConnected() override
    {
        ++m_connected;
        return m_connectReason;
    }

    void OnPhoneDisconnected(uint8_t reason) override
    {
        m_disconnectReasons.push_back(reason);
        m_server.Stop();
        Start(m_portName);
    }

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

    void StartSyncTimer(uint32_t milliseconds) override { m_syncTimerStarts.push_back(milliseconds); }
    void OnSyncRegained() override { ++m_syncRegained; }
    void StartStallTimer(uint32_t milliseconds) override
    {
        if (milliseconds == RC_STALL_TIMEOUT_MS)
            ++m_stallStarts;
        m_stallRunning = true;
    }
    void StopStallTimer() override
    {
        ++m_stallStops;
        m_stallRunning = false;
    }

private:
    CRCProtocolServer& m_server;
    FakeLinkNotify& m_notify;
};
