// Receive-side throughput: bytes go through the link's data buffer, are cut into messages and
// decoded, and each message's fields are read by a sink, as the dispatcher would.
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "protocol/ApplicationDataMessage.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/MessageFramer.h"
#include "protocol/MessageSink.h"
#include "protocol/RCMsg.h"
#include "serial/RCCommManager.h"
#include "serial/SerialPort.h"

namespace {

class CIdlePort : public ISerialPort {
public:
    bool Open(const std::u16string&) override { return true; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool PrepareReader() override { return true; }
    WaitResult WaitForData() override { return WaitResult::Stopped; }
    void RequestStop() override {}
    int32_t BytesWaiting() override { return 0; }
    int32_t Read(uint8_t*, int32_t) override { return 0; }
    void Write(std::vector<uint8_t>) override {}
    WriteStatus GetWriteStatus() override { return {}; }
};

class CFieldReadingSink : public IMessageSink {
public:
    uint64_t m_sum = 0;
    uint64_t m_messages = 0;

    void HandleMessage(std::unique_ptr<CRCMsg> message) override
    {
        ++m_messages;
        switch (message->GetType()) {
        case RC_MSG_KEY_EVENT: {
            const auto& key = static_cast<const CRCMsgKeyEvent&>(*message);
            m_sum += key.GetKind() + key.GetKeyCode();
            break;
        }
        case RC_MSG_APP_DATA: {
            const auto& data = static_cast<const CRCMsgApplicationData&>(*message);
            m_sum += data.GetAppId() + data.GetPayload().size();
            break;
        }
        default:
            m_sum += message->GetType();
            break;
        }
    }
};

void Append(std::vector<uint8_t>& stream, CRCMsg&& message)
{
    const std::vector<uint8_t>& bytes = message.Encode();
    stream.insert(stream.end(), bytes.begin(), bytes.end());
}

// One stretch of a session: a burst of key presses and releases with the odd sync, a list of
// eight applications and a slide's data record with speaker notes. About 1.4 KB, 47 messages.
std::vector<uint8_t> SessionStream(size_t targetSize)
{
    std::vector<uint8_t> stream;
    const uint16_t keys[] = {0xF809, 0xF80A, 0xF807, 0xF808, 0x0035, 0xF845};
    std::vector<CAppListEntry> entries;
    for (uint32_t i = 0; i < 8; ++i)
        entries.emplace_back(0x10000 + i, i == 0 ? 16 : 0xFFFF, u"Application window title " + std::u16string(1, u'A' + i), false);
    while (stream.size() < targetSize) {
        for (int i = 0; i < 40; ++i)
            Append(stream, CRCMsgKeyEvent(static_cast<uint8_t>(i % 2), keys[(i / 2) % 6]));
        for (int i = 0; i < 4; ++i)
            Append(stream, CRCMsg(RC_MSG_SYNC));
        Append(stream, CRCMsgApplicationList(entries));
        Append(stream, CRCMsgApplicationData(0x10000, 16, std::vector<uint8_t>(600, 0x41)));
        Append(stream, CRCMsgApplicationSelect(0x10001, u"Editor"));
    }
    return stream;
}

// Argument: the size of one read, as the reader thread appends it.
void BM_FrameAndDecode(benchmark::State& state)
{
    const size_t readSize = static_cast<size_t>(state.range(0));
    const std::vector<uint8_t> stream = SessionStream(256 * 1024);
    CRCCommManager link(std::make_shared<CIdlePort>());
    CFieldReadingSink sink;
    CMessageFramer framer;
    CDataBuffer& buffer = link.GetDataBuffer();

    for (auto _ : state) {
        for (size_t p = 0; p < stream.size(); p += readSize) {
            const size_t n = std::min(readSize, stream.size() - p);
            buffer.Append(stream.data() + p, static_cast<int32_t>(n));
            const std::vector<uint8_t> bytes = link.TakeReceived();
            framer.Feed(bytes.data(), bytes.size(), sink);
        }
    }
    benchmark::DoNotOptimize(sink.m_sum);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["msgs/s"] = benchmark::Counter(static_cast<double>(sink.m_messages), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameAndDecode)->Arg(16)->Arg(64)->Arg(512)->Arg(4096)->Arg(9999);

}  // namespace

BENCHMARK_MAIN();
