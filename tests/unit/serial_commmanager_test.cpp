#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "FakeLinkNotify.h"
#include "FakeSerialPort.h"
#include "TestBytes.h"
#include "protocol/ApplicationDataMessage.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/MessageSink.h"
#include "serial/RCCommManager.h"

namespace {

class LinkTest : public ::testing::Test {
protected:
    FakeSerialPort m_port;
    FakeLinkNotify m_notify;
    CRCCommManager m_link{m_port};
};

TEST_F(LinkTest, LongPortNamesOpenThroughTheDeviceNamespace)
{
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"COM3", u"COM3"}, {u"COM9", u"COM9"}, {u"COM12", u"\\\\.\\COM12"}, {u"COM123", u"\\\\.\\COM123"}};
    for (const auto& [name, device] : cases) {
        ASSERT_EQ(m_link.Open(name, &m_notify), 0);
        EXPECT_EQ(m_port.OpenedNames().back(), device);
        EXPECT_EQ(m_link.GetPortName(), device);
        m_link.Close();
    }
}

TEST_F(LinkTest, FailedOpenIsReportedAndALaterOpenCanSucceed)
{
    m_port.m_failOpen = true;
    EXPECT_EQ(m_link.Open(u"COM4", &m_notify), 1);
    EXPECT_FALSE(m_link.IsOpen());
    EXPECT_EQ(m_notify.Codes(), std::vector<uint32_t>{WM_RC_PORT_FAILED});
    m_link.Close();
    EXPECT_EQ(m_notify.Codes(), std::vector<uint32_t>{WM_RC_PORT_FAILED});  // closing a closed link posts nothing

    m_port.m_failOpen = false;
    EXPECT_EQ(m_link.Open(u"COM4", &m_notify), 0);
    EXPECT_TRUE(m_link.IsOpen());
    EXPECT_EQ(m_notify.Codes().back(), WM_RC_PORT_OPENED);
}

TEST_F(LinkTest, CloseEndsTheReaderBeforeClosingThePort)
{
    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
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
    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
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
    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
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
    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
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
        ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
        const int waitsBefore = m_port.WaitCalls();
        fail(m_port);
        ASSERT_TRUE(m_notify.WaitFor(WM_RC_CONNECTION_LOST));
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
    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
    ASSERT_TRUE(m_notify.WaitFor(WM_RC_CONNECTION_LOST));
    EXPECT_EQ(m_port.WaitCalls(), 0);
}

TEST_F(LinkTest, SendWritesWhatFitsTheSendCountAndOnlyToAnOpenPort)
{
    const struct {
        size_t payload;
        bool written;
    } cases[] = {{0, true}, {65535 - 9, true}, {65535 - 8, false}, {70000, false}};
    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
    for (auto c : cases) {
        auto message = std::make_unique<CRCMsgApplicationData>(1, 16, std::vector<uint8_t>(c.payload, 0x33));
        const std::vector<uint8_t> bytes = message->Encode();
        m_link.Send(std::move(message));
        EXPECT_EQ(m_port.TakeWritten(), c.written ? bytes : std::vector<uint8_t>{}) << c.payload;
    }
    m_link.Close();
    auto key = std::make_unique<CRCMsgKeyEvent>(0, 0x31);
    key->Encode();
    m_link.Send(std::move(key));
    EXPECT_EQ(m_port.WriteCalls(), 2);
}

TEST_F(LinkTest, ReopeningDropsAHalfMessageButKeepsUnreadBytes)
{
    struct Sink : IMessageSink {
        std::vector<int> m_types;
        void HandleMessage(std::unique_ptr<CRCMsg> message) override { m_types.push_back(message->GetType()); }
    } sink;
    m_link.SetListener(&sink);
    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
    const std::vector<uint8_t> half = Hex("10 03 00 01");
    m_link.GetDataBuffer().Append(half.data(), 4);
    m_link.ParseMessages();
    const std::vector<uint8_t> unread = Hex("06 00");
    m_link.GetDataBuffer().Append(unread.data(), 2);
    m_link.Close();

    ASSERT_EQ(m_link.Open(u"COM4", &m_notify), 0);
    EXPECT_FALSE(m_link.HasPartialMessage());
    const std::vector<uint8_t> rest = Hex("00");
    m_link.GetDataBuffer().Append(rest.data(), 1);
    m_link.ParseMessages();
    EXPECT_EQ(sink.m_types, std::vector<int>{6});
}

TEST_F(LinkTest, OpeningAnOpenLinkClosesItFirstAndTheDestructorCloses)
{
    {
        CRCCommManager link(m_port);
        ASSERT_EQ(link.Open(u"COM4", &m_notify), 0);
        ASSERT_EQ(link.Open(u"COM5", &m_notify), 0);
        EXPECT_EQ(m_notify.Codes(), (std::vector<uint32_t>{WM_RC_PORT_OPENED, WM_RC_PORT_CLOSED, WM_RC_PORT_OPENED}));
    }
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(m_notify.Codes().back(), WM_RC_PORT_CLOSED);
}

}  // namespace
