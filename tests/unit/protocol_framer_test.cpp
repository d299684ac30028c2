#include <functional>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "FakeSerialPort.h"
#include "TestBytes.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/MessageFramer.h"
#include "protocol/MessageSink.h"
#include "serial/RCCommManager.h"

namespace {

class RecordingSink : public IMessageSink {
public:
    std::vector<std::unique_ptr<CRCMsg>> m_messages;
    std::function<void(const CRCMsg&)> m_onMessage;

    void HandleMessage(std::unique_ptr<CRCMsg> message) override
    {
        if (m_onMessage)
            m_onMessage(*message);
        m_messages.push_back(std::move(message));
    }

    std::vector<int> Types() const
    {
        std::vector<int> types;
        for (const auto& message : m_messages)
            types.push_back(message->GetType());
        return types;
    }
};

class FramerTest : public ::testing::Test {
protected:
    void Feed(const std::vector<uint8_t>& bytes) { m_framer.Feed(bytes.data(), bytes.size(), m_sink); }

    CMessageFramer m_framer;
    RecordingSink m_sink;
};

TEST_F(FramerTest, KeyEventSplitOverThreeReadsIsDispatchedOnceAfterTheLast)
{
    Feed(Hex("10"));
    Feed(Hex("03 00"));
    EXPECT_TRUE(m_sink.m_messages.empty());
    EXPECT_TRUE(m_framer.HasPartialMessage());
    Feed(Hex("00 09 F8"));
    ASSERT_EQ(m_sink.Types(), std::vector<int>{16});
    EXPECT_EQ(dynamic_cast<CRCMsgKeyEvent&>(*m_sink.m_messages[0]).GetKeyCode(), 0xF809);
    EXPECT_FALSE(m_framer.HasPartialMessage());
}

TEST_F(FramerTest, SeveralMessagesInOneReadAreDispatchedInOrder)
{
    Feed(Hex("10 03 00 01 31 00  06 00 00  04 00 00  02 01 00 02"));
    EXPECT_EQ(m_sink.Types(), (std::vector<int>{16, 6, 4, 2}));
}

TEST_F(FramerTest, HeaderOnlyMessageIsDispatchedOnItsThirdByte)
{
    Feed(Hex("06"));
    Feed(Hex("00"));
    EXPECT_TRUE(m_sink.m_messages.empty());
    Feed(Hex("00"));
    EXPECT_EQ(m_sink.Types(), std::vector<int>{6});
}

TEST_F(FramerTest, UnknownTypeIsDispatchedAndTheRestOfTheReadDropped)
{
    for (const char* read : {"07 00 00 06 00 00", "10 03 00 01 02 03 07 05 00 06 00 00"}) {
        m_sink.m_messages.clear();
        Feed(Hex(read));
        EXPECT_EQ(m_sink.m_messages.back()->GetType(), 7) << read;
        EXPECT_FALSE(m_framer.HasPartialMessage());
    }
    // An unknown type completing a split header drops the rest as well.
    m_sink.m_messages.clear();
    Feed(Hex("07"));
    Feed(Hex("00 00 06 00 00"));
    EXPECT_EQ(m_sink.Types(), std::vector<int>{7});
    // The next read starts with a fresh header.
    Feed(Hex("06 00 00"));
    EXPECT_EQ(m_sink.Types(), (std::vector<int>{7, 6}));
}

TEST_F(FramerTest, ApplicationListIsAssembledInFull)
{
    CRCMsgApplicationList list(std::vector<CAppListEntry>{{1, 16, u"Deck", false}, {2, 0xFFFF, u"Editor", false}});
    const std::vector<uint8_t> bytes = list.Encode();
    Feed(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10));
    Feed(std::vector<uint8_t>(bytes.begin() + 10, bytes.end() - 1));
    EXPECT_TRUE(m_sink.m_messages.empty());
    Feed(std::vector<uint8_t>(bytes.end() - 1, bytes.end()));
    ASSERT_EQ(m_sink.Types(), std::vector<int>{5});
    uint16_t size = 0;
    m_sink.m_messages[0]->GetBytes(size);
    EXPECT_EQ(size, bytes.size());
}

TEST_F(FramerTest, HugeAnnouncedLengthWaitsForItsWholeBody)
{
    Feed(Hex("12 FF FF 01 02"));
    Feed(std::vector<uint8_t>(60000, 0xAB));
    EXPECT_TRUE(m_sink.m_messages.empty());
    EXPECT_TRUE(m_framer.HasPartialMessage());
    Feed(std::vector<uint8_t>(65535 - 60002, 0xCD));
    ASSERT_EQ(m_sink.Types(), std::vector<int>{18});
    EXPECT_EQ(m_sink.m_messages[0]->GetEncodedSize(), 65538u);

    // Reset drops a half-received one.
    Feed(Hex("10 FF FF 00"));
    m_framer.Reset();
    Feed(Hex("06 00 00"));
    EXPECT_EQ(m_sink.Types(), (std::vector<int>{18, 6}));
}

// Whatever the read boundaries, the same messages come out.
TEST_F(FramerTest, AnySplitOfAStreamGivesTheSameMessages)
{
    const std::vector<uint8_t> stream = Concat({CRCMsgConnect(u"01.01.00").Encode(), Hex("10 03 00 00 09 F8"),
        Hex("06 00 00"), CRCMsgApplicationSelect(9, u"Editor").Encode(), Hex("13 03 00 01 00 01"), Hex("04 00 00")});
    Feed(stream);
    std::vector<std::vector<uint8_t>> whole;
    for (const auto& message : m_sink.m_messages)
        whole.push_back(message->Encode());
    ASSERT_EQ(whole.size(), 6u);

    std::mt19937 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        CMessageFramer framer;
        RecordingSink sink;
        for (size_t p = 0; p < stream.size();) {
            const size_t n = std::min<size_t>(random() % 8 + 1, stream.size() - p);
            framer.Feed(stream.data() + p, n, sink);
            p += n;
        }
        ASSERT_EQ(sink.m_messages.size(), whole.size());
        for (size_t i = 0; i < whole.size(); ++i)
            ASSERT_EQ(sink.m_messages[i]->Encode(), whole[i]) << "trial " << trial << " message " << i;
    }
}

struct ScanCase {
    std::vector<const char*> reads;  // fed one after another
    bool found;
    size_t consumedInLast;
};

TEST(SyncScanner, FindsTheSyncSequenceAcrossReads)
{
    const std::vector<ScanCase> cases = {
        {{"06 00 00"}, true, 3},
        {{"06 06 00 00 10"}, true, 4},
        {{"06 00 06 00 00"}, true, 5},
        {{"00 06 00 07 06 00 00 10 03"}, true, 7},
        {{"06 00", "00 AA"}, true, 1},
        {{"06", "00", "00"}, true, 1},
        {{"07 08 09 06 00 05 00 00"}, false, 8},
        {{"06 00 06", "00 06"}, false, 2},
    };
    for (const ScanCase& c : cases) {
        CMessageFramer framer;
        bool found = false;
        size_t consumed = 0;
        for (const char* read : c.reads) {
            const std::vector<uint8_t> bytes = Hex(read);
            found = framer.ScanForSync(bytes.data(), bytes.size(), consumed);
        }
        EXPECT_EQ(found, c.found) << c.reads.back();
        EXPECT_EQ(consumed, c.consumedInLast) << c.reads.back();
    }
}

TEST(SyncScanner, RegainingDropsAStalePartialMessage)
{
    CMessageFramer framer;
    RecordingSink sink;
    const std::vector<uint8_t> half = Hex("10 03 00 01");
    framer.Feed(half.data(), half.size(), sink);
    const std::vector<uint8_t> sync = Hex("06 00 00");
    size_t consumed = 0;
    ASSERT_TRUE(framer.ScanForSync(sync.data(), sync.size(), consumed));
    EXPECT_FALSE(framer.HasPartialMessage());
}

// The framer takes what the link's data buffer delivers, whose storage wraps around many
// times here while messages keep straddling the reads.
TEST(LinkFramer, ParsesWhatTheDataBufferDeliversAcrossItsEnd)
{
    CRCCommManager link(std::make_shared<FakeSerialPort>());
    CMessageFramer framer;
    RecordingSink sink;
    std::vector<uint8_t> stream;
    for (int i = 0; i < 20000; ++i) {
        const std::vector<uint8_t> key = CRCMsgKeyEvent(i % 2, static_cast<uint16_t>(i)).Encode();
        stream.insert(stream.end(), key.begin(), key.end());
    }
    std::mt19937 random(3);
    for (size_t p = 0; p < stream.size();) {
        const size_t n = std::min<size_t>(random() % 2000 + 1, stream.size() - p);
        ASSERT_EQ(link.GetDataBuffer().Append(stream.data() + p, static_cast<int32_t>(n)), static_cast<int32_t>(n));
        const std::vector<uint8_t> bytes = link.TakeReceived();
        framer.Feed(bytes.data(), bytes.size(), sink);
        p += n;
    }
    ASSERT_EQ(sink.m_messages.size(), 20000u);
    for (size_t i = 0; i < sink.m_messages.size(); ++i)
        ASSERT_EQ(dynamic_cast<CRCMsgKeyEvent&>(*sink.m_messages[i]).GetKeyCode(), static_cast<uint16_t>(i));
    EXPECT_EQ(link.GetDataBuffer().GetCount(), 0);
}

}  // namespace
