#include <chrono>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "FakeLinkNotify.h"
#include "FakeSerialPort.h"
#include "TestBytes.h"
#include "protocol/ApplicationDataMessage.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/MessageSink.h"
#include "serial/RCCommManager.h"
#include "serial/RetryDelay.h"

namespace {

// An encoded message of exactly `size` bytes.
std::vector<uint8_t> MessageOfSize(size_t size)
{
    return CRCMsgApplicationData(1, 16, std::vector<uint8_t>(size - 9, 0x33)).Encode();
}

class LinkTest : public ::testing::Test {
protected:
    // Opens and waits for the attempt's result; returns the attempt number it was posted with.
    uintptr_t OpenAndWait(const std::u16string& name = u"COM4", uint32_t expected = WM_RC_PORT_OPENED)
    {
        const size_t before = m_notify.Count(expected);
        EXPECT_EQ(m_link.Open(name, &m_notify), 0);
        EXPECT_TRUE(m_notify.WaitFor(expected, before + 1));
        const auto posted = m_notify.Messages();
        for (auto it = posted.rbegin(); it != posted.rend(); ++it) {
            if (it->first == expected)
                return it->second;
        }
        return 0;
    }

    std::shared_ptr<FakeSerialPort> m_portOwner = std::make_shared<FakeSerialPort>();
    FakeSerialPort& m_port = *m_portOwner;
    FakeLinkNotify m_notify;
    CRCCommManager m_link{m_portOwner};
};

TEST_F(LinkTest, LongPortNamesOpenThroughTheDeviceNamespace)
{
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"COM3", u"COM3"}, {u"COM9", u"COM9"}, {u"COM12", u"\\\\.\\COM12"}, {u"COM123", u"\\\\.\\COM123"}};
    for (const auto& [name, device] : cases) {
        OpenAndWait(name);
        EXPECT_EQ(m_port.OpenedNames().back(), device);
        EXPECT_EQ(m_link.GetPortName(), device);
        m_link.Close();
    }
}

// Every notification of an attempt carries its number; once the attempt is closed, its number
// is no longer current.
TEST_F(LinkTest, FailedOpenIsReportedWithItsAttemptAndALaterOpenCanSucceed)
{
    m_port.m_failOpen = true;
    const uintptr_t failed = OpenAndWait(u"COM4", WM_RC_PORT_FAILED);
    EXPECT_NE(failed, 0u);
    EXPECT_TRUE(m_link.IsCurrentAttempt(failed));
    EXPECT_FALSE(m_link.IsOpen());
    m_link.Close();
    EXPECT_EQ(m_notify.Codes(), std::vector<uint32_t>{WM_RC_PORT_FAILED});  // closing a closed link posts nothing
    EXPECT_FALSE(m_link.IsCurrentAttempt(failed));

    m_port.m_failOpen = false;
    const uintptr_t opened = OpenAndWait();
    EXPECT_NE(opened, failed);
    EXPECT_TRUE(m_link.IsCurrentAttempt(opened));
    EXPECT_FALSE(m_link.IsCurrentAttempt(failed));
    EXPECT_FALSE(m_link.IsCurrentAttempt(0));
    EXPECT_TRUE(m_link.IsOpen());
}

TEST_F(LinkTest, CloseEndsTheReaderBeforeClosingThePort)
{
    OpenAndWait();
    while (m_port.WaitCalls() == 0)
        std::this_thread::yield();
    m_link.Close();
    EXPECT_FALSE(m_port.ClosedWhileReaderWaited());
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(m_notify.Codes(), (std::vector<uint32_t>{WM_RC_PORT_OPENED, WM_RC_PORT_CLOSED}));
    m_link.Close();
    EXPECT_EQ(m_notify.Count(WM_RC_PORT_CLOSED), 1u);
}

TEST_F(LinkTest, ReceivedBytesReachTheDataBufferWithOneNotificationPerRead)
{
    OpenAndWait();
    m_port.Receive(Hex("10 03 00 00 09 F8"));
    ASSERT_TRUE(m_notify.WaitFor(WM_RC_DATA));
    EXPECT_EQ(m_notify.Messages().back(), FakeLinkNotify::Posted(WM_RC_DATA, 6));
    EXPECT_EQ(m_link.GetDataBuffer().GetCount(), 6);
}

// Bytes that arrive after the driver reported what was waiting raise no new event; the reader
// reads again until nothing is left.
TEST_F(LinkTest, ReaderReadsAgainWhileBytesAreWaiting)
{
    m_port.m_maxReported = 4;
    OpenAndWait();
    m_port.Receive(std::vector<uint8_t>(10, 0x06));
    ASSERT_TRUE(m_notify.WaitFor(WM_RC_DATA, 3));
    const auto posted = m_notify.Messages();
    EXPECT_EQ(posted[1], FakeLinkNotify::Posted(WM_RC_DATA, 4));
    EXPECT_EQ(posted[2], FakeLinkNotify::Posted(WM_RC_DATA, 4));
    EXPECT_EQ(posted[3], FakeLinkNotify::Posted(WM_RC_DATA, 2));
    EXPECT_EQ(m_link.GetDataBuffer().GetCount(), 10);
}

// The ring keeps one slot free, so a read is never larger than what it can store.
TEST_F(LinkTest, ABacklogIsReadInPiecesTheDataBufferCanHold)
{
    OpenAndWait();
    m_port.Receive(std::vector<uint8_t>(12000, 0x06));
    ASSERT_TRUE(m_notify.WaitFor(WM_RC_DATA, 2));
    EXPECT_EQ(m_notify.Messages()[1], FakeLinkNotify::Posted(WM_RC_DATA, CRCCommManager::kDataBufferCapacity - 1));
    EXPECT_EQ(m_link.GetDataBuffer().GetCount(), CRCCommManager::kDataBufferCapacity - 1);
}

TEST_F(LinkTest, ADeviceFailureIsReportedOnceAndEndsTheReader)
{
    const std::vector<std::function<void(FakeSerialPort&)>> failures = {
        [](FakeSerialPort& port) { port.Fail(); },
        [](FakeSerialPort& port) { port.FailStatus(); port.Receive(Hex("06")); },
    };
    for (const auto& fail : failures) {
        m_notify.Clear();
        const uintptr_t attempt = OpenAndWait();
        const int waitsBefore = m_port.WaitCalls();
        fail(m_port);
        ASSERT_TRUE(m_notify.WaitFor(WM_RC_CONNECTION_LOST));
        EXPECT_EQ(m_notify.Messages().back(), FakeLinkNotify::Posted(WM_RC_CONNECTION_LOST, attempt));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(m_notify.Count(WM_RC_CONNECTION_LOST), 1u);
        EXPECT_LE(m_port.WaitCalls() - waitsBefore, 1);  // no wait after the failure
        m_link.Close();
        EXPECT_EQ(m_notify.Codes().back(), WM_RC_PORT_CLOSED);
    }
}

TEST_F(LinkTest, AReaderThatCannotBePreparedReportsTheLoss)
{
    m_port.m_failPrepare = true;
    OpenAndWait();
    ASSERT_TRUE(m_notify.WaitFor(WM_RC_CONNECTION_LOST));
    EXPECT_EQ(m_port.WaitCalls(), 0);
}

TEST_F(LinkTest, SendWritesOnlyToAnOpenPort)
{
    OpenAndWait();
    for (const size_t size : {9u, 65535u}) {
        const std::vector<uint8_t> bytes = MessageOfSize(size);
        m_link.Send(bytes);
        EXPECT_EQ(m_port.TakeWritten(), bytes) << size;
    }
    m_link.Close();
    m_link.Send(CRCMsgKeyEvent(uint8_t{0}, uint16_t{0x31}).Encode());
    EXPECT_EQ(m_port.WriteCalls(), 2);
}

TEST_F(LinkTest, ReopeningKeepsUnreadBytes)
{
    OpenAndWait();
    const std::vector<uint8_t> unread = Hex("06 00");
    m_link.GetDataBuffer().Append(unread.data(), 2);
    m_link.Close();
    OpenAndWait();
    EXPECT_EQ(m_link.TakeReceived(), unread);
    EXPECT_TRUE(m_link.TakeReceived().empty());
}

TEST_F(LinkTest, OpeningAnOpenLinkClosesItFirstAndTheDestructorCloses)
{
    {
        CRCCommManager link(m_portOwner);
        ASSERT_EQ(link.Open(u"COM4", &m_notify), 0);
        ASSERT_TRUE(m_notify.WaitFor(WM_RC_PORT_OPENED));
        ASSERT_EQ(link.Open(u"COM5", &m_notify), 0);
        ASSERT_TRUE(m_notify.WaitFor(WM_RC_PORT_OPENED, 2));
        EXPECT_EQ(m_notify.Codes(), (std::vector<uint32_t>{WM_RC_PORT_OPENED, WM_RC_PORT_CLOSED, WM_RC_PORT_OPENED}));
    }
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(m_notify.Codes().back(), WM_RC_PORT_CLOSED);
}

// A slow driver: Close returns while the open is still held, and the abandoned attempt, whether
// its open then succeeds or fails, posts nothing and touches nothing of the link, which is gone
// by then (the sanitizers would see it).
TEST_F(LinkTest, CloseLeavesAPendingOpenWhichThenPostsNothing)
{
    for (const bool openSucceeds : {true, false}) {
        m_notify.Clear();
        m_port.m_failOpen = !openSucceeds;
        m_port.HoldOpens(true);
        auto link = std::make_unique<CRCCommManager>(m_portOwner);
        const size_t opensBefore = m_port.OpenedNames().size();
        ASSERT_EQ(link->Open(u"COM4", &m_notify), 0);
        ASSERT_TRUE(m_port.WaitForOpens(opensBefore + 1));

        link->Close();
        EXPECT_GE(m_port.CancelOpenCalls(), 1);
        link->Send(MessageOfSize(10));  // not open: nothing reaches the port
        link.reset();

        m_port.HoldOpens(false);
        ASSERT_TRUE(m_port.WaitUntilIdleAndClosed());
        EXPECT_EQ(m_notify.Messages(), std::vector<FakeLinkNotify::Posted>{});
        EXPECT_EQ(m_port.WriteCalls(), 0);
    }
}

// A new attempt started while an abandoned open is still pending returns at once, and opens
// the port only after the abandoned attempt has let go of it.
TEST_F(LinkTest, ANewOpenWaitsForTheAbandonedOneAndThenWorks)
{
    m_port.HoldOpens(true);
    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
    ASSERT_TRUE(m_port.WaitForOpens(1));
    m_link.Close();
    ASSERT_EQ(m_link.Open(u"COM5", &m_notify), 0);
    EXPECT_FALSE(m_link.IsOpen());

    m_port.HoldOpens(false);
    ASSERT_TRUE(m_notify.WaitFor(WM_RC_PORT_OPENED));
    const auto posted = m_notify.Messages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(m_link.IsCurrentAttempt(posted[0].second));
    EXPECT_EQ(m_port.OpenedNames(), (std::vector<std::u16string>{u"COM4", u"COM5"}));
    EXPECT_FALSE(m_port.UsedConcurrently());
    EXPECT_TRUE(m_link.IsOpen());
    m_link.Send(MessageOfSize(10));
    EXPECT_EQ(m_port.TakeWritten().size(), 10u);
}

TEST(RetryDelay, GrowsWhileThePortFailsAtOnceAndResetsAfterASessionThatWorked)
{
    const struct {
        bool failed;
        bool bytes;
        uint64_t openMs;
        uint32_t delayMs;
    } sessions[] = {
        {true, false, 10, 250},    {true, false, 4999, 500}, {true, false, 0, 1000},
        {true, false, 0, 1500},    {true, false, 0, 1500},   {false, false, 10, 0},  // closed by the owner
        {true, false, 10, 250},    {true, true, 10, 0},                              // bytes arrived
        {true, false, 10, 250},    {true, false, 5000, 0},                           // it lasted
    };
    CRetryDelay delay;
    EXPECT_EQ(delay.GetDelayMs(), 0u);
    for (const auto& session : sessions) {
        delay.OnSessionEnded(session.failed, session.bytes, session.openMs);
        EXPECT_EQ(delay.GetDelayMs(), session.delayMs) << session.failed << session.bytes << session.openMs;
    }
}

// The owner restarts the link at every loss; the link waits longer before each reopen of a port
// that fails at once, and Close cuts a waiting attempt short.
TEST_F(LinkTest, APortThatFailsAtOnceIsReopenedAfterAGrowingDelay)
{
    m_port.m_failWaits = true;
    for (size_t lost = 1; lost <= 3; ++lost) {
        ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
        ASSERT_TRUE(m_notify.WaitFor(WM_RC_CONNECTION_LOST, lost));
        m_link.Close();
    }
    const auto opens = m_port.OpenTimes();
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_GE(opens[1] - opens[0], std::chrono::milliseconds(CRetryDelay::kFirstDelayMs));
    EXPECT_GE(opens[2] - opens[1], std::chrono::milliseconds(2 * CRetryDelay::kFirstDelayMs));

    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);  // waits 1 s before opening
    const auto closing = std::chrono::steady_clock::now();
    m_link.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::milliseconds(4 * CRetryDelay::kFirstDelayMs));

    m_port.m_failWaits = false;
    OpenAndWait();
    EXPECT_EQ(m_notify.Count(WM_RC_PORT_OPENED), 4u);  // the abandoned attempt never opened
    EXPECT_FALSE(m_port.UsedConcurrently());
}

// What waits to be written is capped; a message that would pass the cap is dropped whole.
TEST_F(LinkTest, OutgoingBytesWaitingForThePhoneAreCapped)
{
    OpenAndWait();
    m_port.HoldWrites(true);
    const size_t big = 16 * 1024;
    for (int i = 0; i < 4; ++i)
        m_link.Send(MessageOfSize(big));
    m_link.Send(MessageOfSize(10));
    EXPECT_EQ(m_port.WriteCalls(), 4);
    EXPECT_EQ(m_port.GetWriteStatus().pendingBytes, CRCCommManager::kMaxPendingWriteBytes);

    m_port.CompleteWrites(9);
    m_link.Send(MessageOfSize(9));  // fits exactly
    m_link.Send(MessageOfSize(9));
    EXPECT_EQ(m_port.WriteCalls(), 5);
    m_port.CompleteWrites(SIZE_MAX);
    EXPECT_EQ(m_port.TakeWritten().size(), 4 * big + 9);
}

// Stalled: bytes waiting and no write completing for 5 s, by the caller's clock.
TEST_F(LinkTest, WritesThatMakeNoProgressFor5SecondsAreAStall)
{
    EXPECT_FALSE(m_link.IsWriteStalled(0));  // closed
    OpenAndWait();
    m_port.HoldWrites(true);
    const struct {
        uint64_t now;
        size_t complete;  // bytes completed just before the look
        size_t send;      // bytes sent just before the look
        bool stalled;
    } looks[] = {
        {1000, 0, 0, false},  {2000, 0, 100, false},  // the clock starts here
        {6999, 0, 0, false},  {7000, 0, 0, true},   {9000, 40, 0, false},
        {13999, 0, 0, false}, {14000, 0, 0, true},  {15000, 60, 0, false},  // nothing left
        {30000, 0, 20, false}, {34999, 0, 0, false}, {35000, 0, 0, true},
    };
    for (const auto& look : looks) {
        m_port.CompleteWrites(look.complete);
        if (look.send != 0)
            m_link.Send(MessageOfSize(look.send));
        EXPECT_EQ(m_link.IsWriteStalled(look.now), look.stalled) << look.now;
    }
    m_link.Close();
    EXPECT_FALSE(m_link.IsWriteStalled(40000));
}

}  // namespace
