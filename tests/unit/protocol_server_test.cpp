#include <gtest/gtest.h>

#include "FakeLinkNotify.h"
#include "FakeProtocolOwner.h"
#include "FakeSerialPort.h"
#include "TestBytes.h"
#include "TestTimerService.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/RCProtocolServer.h"
#include "serial/WriteStallWatch.h"

namespace {

const std::vector<uint8_t> kConnect = Concat({Hex("01 12 00"), Utf16z(u"01.01.00")});

class ServerTest : public ::testing::Test {
protected:
    ServerTest()
    {
        m_owner.Start(u"COM3");
        EXPECT_EQ(m_server.GetState(), RC_STATE_WAITING);
    }

    // Bytes from the phone, as the reader thread would leave them, then the data notification.
    void Phone(const std::vector<uint8_t>& bytes)
    {
        ASSERT_EQ(m_server.GetLink().GetDataBuffer().Append(bytes.data(), static_cast<int32_t>(bytes.size())),
                  static_cast<int32_t>(bytes.size()));
        m_server.OnData();
    }

    std::string Sent() { return ToHex(m_port.TakeWritten()); }

    void Connect()
    {
        Phone(kConnect);
        ASSERT_EQ(m_server.GetState(), RC_STATE_CONNECTED);
        m_port.TakeWritten();
    }

    void EnterRecovery()
    {
        Connect();
        Phone(Hex("07 00 00"));
        ASSERT_EQ(m_server.GetState(), RC_STATE_RECOVERING);
        m_port.TakeWritten();
    }

    size_t Opens() const { return m_port.OpenedNames().size(); }

    std::shared_ptr<FakeSerialPort> m_portOwner = std::make_shared<FakeSerialPort>();
    FakeSerialPort& m_port = *m_portOwner;
    FakeLinkNotify m_notify;
    CTestTimerService m_timers;
    CRCProtocolServer m_server{m_portOwner, u"01.01.00", m_timers};
    FakeProtocolOwner m_owner{m_server, m_notify};
};

TEST_F(ServerTest, ConnectWithOurVersionIsAnsweredWithItAndConnects)
{
    Phone(kConnect);
    EXPECT_EQ(Sent(), ToHex(kConnect));
    EXPECT_EQ(m_server.GetState(), RC_STATE_CONNECTED);
    EXPECT_EQ(m_owner.m_connected, 1);
}

TEST_F(ServerTest, ConnectWithAnyOtherVersionIsRefused)
{
    for (const std::u16string version : {u"01.01.01", u"1.01.00", u"01.01.00 ", u"", u"01.01.0"}) {
        Phone(CRCMsgConnect(version).Encode());
        EXPECT_EQ(Sent(), "02 01 00 01");
        EXPECT_EQ(m_server.GetState(), RC_STATE_WAITING);
    }
    EXPECT_EQ(m_owner.m_connected, 0);
}

TEST_F(ServerTest, ConnectRefusedByTheOwnerIsAnsweredWithItsReason)
{
    m_owner.m_connectReason = 9;
    Phone(kConnect);
    EXPECT_EQ(Sent(), "02 01 00 09");
    EXPECT_EQ(m_server.GetState(), RC_STATE_WAITING);
}

TEST_F(ServerTest, SyncIsEchoedOnlyWhenConnected)
{
    Phone(Hex("06 00 00"));
    EXPECT_EQ(Sent(), "");
    Connect();
    Phone(Hex("06 00 00"));
    EXPECT_EQ(Sent(), "06 00 00");
    EXPECT_EQ(m_server.GetState(), RC_STATE_CONNECTED);
}

TEST_F(ServerTest, UnknownTypeStartsRecoveryAndTheNextSyncRegainsIt)
{
    Connect();
    Phone(Hex("07 00 00 06 00 00"));  // a sync behind the bad header in the same read is dropped
    EXPECT_EQ(Sent(), "06 00 00");
    EXPECT_EQ(m_server.GetState(), RC_STATE_RECOVERING);
    EXPECT_EQ(m_timers.DueIn(CRCProtocolServer::kSyncTimer), RC_SYNC_TIMEOUT_MS);

    Phone(Hex("06 00 00"));
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(m_server.GetState(), RC_STATE_CONNECTED);
    EXPECT_FALSE(m_timers.IsRunning(CRCProtocolServer::kSyncTimer));
    EXPECT_EQ(m_owner.m_states.back(), ELinkState::Connected);
}

TEST_F(ServerTest, RecoverySkipsBytesUpToTheSyncAndFramesTheRest)
{
    EnterRecovery();
    Phone(Hex("10 03 00 06 00"));  // a key-event header is not framed while recovering
    EXPECT_EQ(m_server.GetState(), RC_STATE_RECOVERING);
    Phone(Hex("00 10 03 00 00 09 F8 10 03"));
    EXPECT_EQ(m_server.GetState(), RC_STATE_CONNECTED);
    EXPECT_EQ(m_owner.m_eventTypes, std::vector<int>{0x10});
    EXPECT_TRUE(m_timers.IsRunning(CRCProtocolServer::kStallTimer));  // the half key event behind it
    EXPECT_EQ(Sent(), "");
}

TEST_F(ServerTest, ReceivedApplicationDataIsIgnoredAndAReceivedListStartsRecovery)
{
    Connect();
    Phone(Hex("12 07 00 01 00 00 00 10 00 AA"));
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(m_server.GetState(), RC_STATE_CONNECTED);
    Phone(Hex("05 01 00 00"));
    EXPECT_EQ(Sent(), "06 00 00");
    EXPECT_EQ(m_server.GetState(), RC_STATE_RECOVERING);
}

TEST_F(ServerTest, SyncTimeOutRestartsTheLink)
{
    m_server.OnSyncTimeout();  // not recovering: nothing happens
    EXPECT_EQ(Opens(), 1u);

    EnterRecovery();
    m_timers.Advance(RC_SYNC_TIMEOUT_MS);
    EXPECT_EQ(Sent(), "02 01 00 02");
    EXPECT_EQ(m_owner.m_gone, 1);
    m_owner.Settle();
    EXPECT_EQ(Opens(), 2u);
    EXPECT_EQ(m_server.GetState(), RC_STATE_WAITING);
    EXPECT_EQ(m_notify.Count(WM_RC_PORT_CLOSED), 1u);
}

TEST_F(ServerTest, PhoneDisconnectIsAnsweredAndTheLinkReopened)
{
    Connect();
    Phone(Hex("02 01 00 05"));
    EXPECT_EQ(m_owner.m_gone, 1);
    EXPECT_EQ(Sent(), "02 01 00 02");
    m_owner.Settle();
    EXPECT_EQ(Opens(), 2u);
    EXPECT_EQ(m_server.GetState(), RC_STATE_WAITING);
}

// When the restart cannot open the port the server stays stopped, so that the owner's periodic
// retry (which runs only while stopped) reopens it.
TEST_F(ServerTest, FailedRestartLeavesTheServerStopped)
{
    const std::vector<std::function<void()>> losses = {
        // The connect behind the disconnect must not be answered on a closed port.
        [this] { Phone(Concat({Hex("02 01 00 02"), kConnect})); },
        [this] { Phone(Hex("07 00 00")); m_server.OnSyncTimeout(); },
    };
    for (const auto& lose : losses) {
        m_port.m_failOpen = false;
        m_owner.Start(u"COM3");
        Connect();
        m_port.m_failOpen = true;
        lose();
        m_owner.Settle();
        const std::string sent = Sent();
        EXPECT_EQ(sent.substr(sent.size() - 11), "02 01 00 02");  // nothing after the goodbye
        EXPECT_EQ(m_server.GetState(), RC_STATE_STOPPED);
        EXPECT_FALSE(m_port.IsOpen());
    }
    EXPECT_EQ(m_notify.Count(WM_RC_PORT_FAILED), 2u);
}

TEST_F(ServerTest, SelectIsConfirmedWithTheOwnersAnswer)
{
    m_owner.m_applications[0x42] = u"Slides";
    const struct {
        uint32_t id;
        std::u16string name;
        CRCMsgApplicationSelect answer;
    } cases[] = {
        {0x42, u"x", CRCMsgApplicationSelect(0x42, u"Slides")},
        {0x43, u"Gone", CRCMsgApplicationSelect(0, u"")},
        {0, u"None", CRCMsgApplicationSelect(0, u"None")},
    };
    Connect();
    for (auto c : cases) {
        Phone(CRCMsgApplicationSelect(c.id, c.name).Encode());
        EXPECT_EQ(Sent(), ToHex(c.answer.Encode()));
        EXPECT_EQ(m_owner.m_selectRequests.back(), std::make_pair(c.id, c.name));
    }
}

TEST_F(ServerTest, ListRequestAlwaysSendsTheFullList)
{
    m_owner.m_list = {{7, 0xFFFF, u"A", false}, {9, 16, u"Deck", false}};
    m_owner.m_listChanged = false;
    Connect();
    Phone(Hex("04 00 00"));
    EXPECT_EQ(Sent(), ToHex(CRCMsgApplicationList(m_owner.m_list).Encode()));
    EXPECT_EQ(m_owner.m_fillFlags, std::vector<bool>{false});

    m_server.RefreshApplicationList();
    EXPECT_EQ(Sent(), "");
    m_owner.m_listChanged = true;
    m_server.RefreshApplicationList();
    EXPECT_EQ(Sent(), ToHex(CRCMsgApplicationList(m_owner.m_list).Encode()));
    EXPECT_EQ(m_owner.m_fillFlags, (std::vector<bool>{false, true, true}));
}

TEST_F(ServerTest, KeyAndUIEventsGoToTheSelectedManagerOnly)
{
    const std::vector<std::pair<const char*, const char*>> events = {
        {"10 03 00 01 09 F8", "Key 1 63497"},
        {"13 03 00 05 00 01", "Button 5 1"},
        {"14 07 00 06 00 41 42 43 00 00", "Edit 6 3 ABC"},
        {"15 09 00 07 00 02 41 00 42 00 00 00", "List 7 2 AB"},
        {"16 03 00 08 00 02", "Radio 8 2"},
        {"17 05 00 09 00 02 01 00", "Check 9 2 1,0,"},
    };
    Connect();
    for (const auto& event : events) {
        Phone(Hex(event.first));
        EXPECT_EQ(m_owner.m_eventTypes.back(), Hex(event.first)[0]) << event.second;
    }
    EXPECT_EQ(m_owner.m_eventTypes.size(), events.size());
    EXPECT_EQ(Sent(), "");
}

TEST_F(ServerTest, StallTimerRunsWhileAMessageIsIncomplete)
{
    Connect();
    Phone(Hex("10 03"));
    m_timers.Advance(RC_STALL_TIMEOUT_MS - 1);
    Phone(Hex("00"));
    EXPECT_EQ(m_timers.DueIn(CRCProtocolServer::kStallTimer), RC_STALL_TIMEOUT_MS);  // each arrival restarts it
    Phone(Hex("00 09 F8"));
    EXPECT_FALSE(m_timers.IsRunning(CRCProtocolServer::kStallTimer));

    m_server.OnStallTimeout();  // nothing pending: nothing happens
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(m_server.GetState(), RC_STATE_CONNECTED);

    Phone(Hex("03 20 00 01"));
    m_timers.Advance(RC_STALL_TIMEOUT_MS);
    EXPECT_EQ(Sent(), "06 00 00");
    EXPECT_EQ(m_server.GetState(), RC_STATE_RECOVERING);
    EXPECT_FALSE(m_timers.IsRunning(CRCProtocolServer::kStallTimer));
}

TEST_F(ServerTest, StopSaysGoodbyeOnlyToAConnectedPhone)
{
    m_server.Stop();
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(m_server.GetState(), RC_STATE_STOPPED);
    m_owner.Start(u"COM3");
    Connect();
    m_server.Stop();
    EXPECT_EQ(Sent(), "02 01 00 02");
    EXPECT_FALSE(m_port.IsOpen());
}

TEST_F(ServerTest, SendsApplicationData)
{
    m_server.SendApplicationData(0x0A0B0C0D, 16, Hex("01 02 03"));
    EXPECT_EQ(Sent(), "12 09 00 0D 0C 0B 0A 10 00 01 02 03");
    // The length field is 16 bits wide: a longer message is not sent cut short.
    for (const size_t payload : {size_t{65535 - 9}, size_t{65535 - 8}, size_t{70000}}) {
        m_server.SendApplicationData(1, 16, std::vector<uint8_t>(payload, 0x33));
        EXPECT_EQ(m_port.TakeWritten().size(), payload <= 65535 - 9 ? payload + 9 : 0u) << payload;
    }
}

// The open's failure arrives after Start and stops the server; the owner is told.
TEST_F(ServerTest, FailedOpenLeavesTheServerStopped)
{
    m_server.Stop();
    m_port.m_failOpen = true;
    m_owner.Start(u"COM7");
    EXPECT_EQ(m_server.GetState(), RC_STATE_STOPPED);
    EXPECT_EQ(m_notify.Count(WM_RC_PORT_FAILED), 1u);
    EXPECT_EQ(m_owner.m_portFailures, 1);
}

}  // namespace

namespace {

// The link watch as the server drives it: a probe goes out as the synchronisation message, its
// answer is not echoed, and silence past the limit restarts the link as a lost connection.
TEST_F(ServerTest, LinkWatchProbesASilentPhoneAndGivesUpWhenNoAnswerComes)
{
    Connect();
    uint64_t now = 0;
    m_server.OnLinkWatch(now, true);
    EXPECT_EQ(Sent(), "");
    now += CLinkWatch::kHeldSilenceMs;
    m_server.OnLinkWatch(now, true);
    EXPECT_EQ(Sent(), "06 00 00");
    // The answer: nothing goes back, the phone stays connected.
    Phone(Hex("06 00 00"));
    EXPECT_EQ(Sent(), "");
    // A synchronisation message of the phone's own is answered as ever.
    Phone(Hex("06 00 00"));
    EXPECT_EQ(Sent(), "06 00 00");
    now += 500;
    m_server.OnLinkWatch(now, true);
    EXPECT_EQ(m_server.GetState(), RC_STATE_CONNECTED);

    // Next time the phone stays silent: disconnect with the lost reason, link restarted.
    now += CLinkWatch::kHeldSilenceMs;
    m_server.OnLinkWatch(now, true);
    EXPECT_EQ(Sent(), "06 00 00");
    const size_t opens = Opens();
    m_server.OnLinkWatch(now + CLinkWatch::kAnswerLimitMs, true);
    EXPECT_EQ(m_owner.m_gone, 1);
    EXPECT_EQ(Sent(), "02 01 00 02");
    m_owner.Settle();
    EXPECT_EQ(Opens(), opens + 1);
    EXPECT_EQ(m_server.GetState(), RC_STATE_WAITING);
}

TEST_F(ServerTest, LinkWatchLeavesAPhoneThatIsNotConnectedAlone)
{
    for (uint64_t now = 0; now < 2 * CLinkWatch::kIdleSilenceMs; now += 500)
        m_server.OnLinkWatch(now, true);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(m_owner.m_gone, 0);
}

}  // namespace

namespace {

// A phone that stops reading: what the server writes stays pending; after the stall limit the
// link is lost like a silent one, and a phone that reads again keeps it.
TEST_F(ServerTest, LinkWatchGivesUpALinkWhoseWritesMakeNoProgress)
{
    Connect();
    m_port.HoldWrites(true);
    Phone(Hex("04 00 00"));
    m_server.OnLinkWatch(1000, false);
    m_port.CompleteWrites(1);  // a little progress restarts the clock
    m_server.OnLinkWatch(1000 + CWriteStallWatch::kStallMs - 500, false);
    m_server.OnLinkWatch(1000 + CWriteStallWatch::kStallMs + 500, false);
    EXPECT_EQ(m_owner.m_gone, 0);
    m_server.OnLinkWatch(1000 + 2 * CWriteStallWatch::kStallMs, false);
    EXPECT_EQ(m_owner.m_gone, 1);
}

}  // namespace
