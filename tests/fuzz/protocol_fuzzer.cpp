// Drives the framer, the decoders and the dispatcher with arbitrary phone bytes cut at
// arbitrary points, interleaved with the timer events the main frame would deliver.
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "appctl/AppMgr.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/MessageFramer.h"
#include "protocol/ProtocolOwner.h"
#include "protocol/RCMsg.h"
#include "protocol/RCProtocolServer.h"
#include "serial/LinkNotify.h"
#include "serial/SerialPort.h"

namespace {

void Fail(int line)
{
    std::fprintf(stderr, "protocol_fuzzer.cpp:%d: check failed\n", line);
    std::abort();
}
#define Check(condition) ((condition) ? void() : Fail(__LINE__))

// The reader thread ends at once (nothing is read from here: the fuzzer fills the data buffer
// itself), so the many restarts stay cheap. Every write must be one well-formed message.
class CFuzzPort : public ISerialPort {
public:
    std::atomic<bool> m_failOpen{false};

    bool Open(const std::u16string&) override { m_open = !m_failOpen; return m_open; }
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }
    bool PrepareReader() override { return true; }
    WaitResult WaitForData() override { return WaitResult::Stopped; }
    void RequestStop() override {}
    int32_t BytesWaiting() override { return 0; }
    int32_t Read(uint8_t*, int32_t) override { return 0; }
    void Write(std::vector<uint8_t> bytes) override
    {
        Check(m_open);
        Check(bytes.size() >= RC_HEADER_SIZE && bytes.size() <= RC_MAX_MESSAGE_SIZE);
        Check(bytes.size() == RC_HEADER_SIZE + (bytes[1] | (bytes[2] << 8)));
        const uint8_t type = bytes[0];
        Check(type == RC_MSG_CONNECT || type == RC_MSG_DISCONNECT || type == RC_MSG_APP_SELECT ||
              type == RC_MSG_APP_LIST || type == RC_MSG_SYNC || type == RC_MSG_APP_DATA);
        m_written += bytes.size();
    }
    WriteStatus GetWriteStatus() override
    {
        WriteStatus status;
        status.completedBytes = m_written;
        return status;
    }

private:
    std::atomic<bool> m_open{false};
    uint64_t m_written = 0;
};

// Keeps the result of the last open, which the attempt's thread posts.
class CFuzzNotify : public ILinkNotify {
public:
    void Post(uint32_t message, uintptr_t wParam) override
    {
        if (message != WM_RC_PORT_OPENED && message != WM_RC_PORT_FAILED)
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = message;
        m_attempt = wParam;
        m_changed.notify_all();
    }

    // Like the main frame: waits for the open just started, then takes its result; a failed
    // open stops the server. Keeps every run of the fuzzer deterministic.
    void Settle(CRCProtocolServer& server)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return server.GetLink().IsCurrentAttempt(m_attempt); });
        if (m_result == WM_RC_PORT_FAILED)
            server.OnPortFailed();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint32_t m_result = 0;
    uintptr_t m_attempt = 0;
};

class CFuzzManager : public CAppMgr {
public:
    CFuzzManager() : CAppMgr(0x10) {}
    uint32_t GetAppType() const override { return APPTYPE_GENERIC; }
    std::u16string GetName() const override { return u"Editor"; }
    void OnCheckBox(uint16_t, uint8_t count, const std::vector<uint8_t>& states) override { Check(states.size() == count); }
    void OnEditBox(uint16_t, const std::u16string& text) override { Check(text.size() < 65536); }
};

// Behaves like the main frame: restarts the link on a disconnect, keeps the timers that the
// fuzzer later lets fire, and answers selects and list requests.
class CFuzzOwner : public IProtocolOwner {
public:
    CFuzzOwner(CRCProtocolServer& server, CFuzzPort& port, CFuzzNotify& notify, CFuzzManager& manager)
        : m_server(server), m_port(port), m_notify(notify), m_manager(manager) {}

    bool m_syncPending = false;
    bool m_stallPending = false;
    bool m_failRestart = false;

    uint8_t OnPhoneConnected() override { return 0; }
    void OnPhoneDisconnected(uint8_t) override
    {
        m_server.Stop();
        m_port.m_failOpen = m_failRestart;
        m_server.Start(u"COM12", &m_notify);
        m_notify.Settle(m_server);
        m_port.m_failOpen = false;
    }
    uint32_t SelectApplication(uint32_t id, std::u16string& name) override
    {
        if (id == m_manager.GetWindow()) {
            name = m_manager.GetName();
            m_server.SetApplicationManager(&m_manager);
            return id;
        }
        if (id != 0)
            name.clear();
        return 0;
    }
    bool FillApplicationList(std::vector<CAppListEntry>& entries, bool) override
    {
        entries.emplace_back(m_manager.GetWindow(), static_cast<uint16_t>(m_manager.GetAppType()), m_manager.GetName(),
                             m_manager.IsActive());
        entries.emplace_back(0x20, APPTYPE_POWERPOINT, u"Deck", false);
        return true;
    }
    void StartSyncTimer(uint32_t) override { m_syncPending = true; }
    void OnSyncRegained() override { m_syncPending = false; }
    void StartStallTimer(uint32_t) override { m_stallPending = true; }
    void StopStallTimer() override { m_stallPending = false; }

private:
    CRCProtocolServer& m_server;
    CFuzzPort& m_port;
    CFuzzNotify& m_notify;
    CFuzzManager& m_manager;
};

// Decoders on a frame of any type and any content, as the framer never builds them.
void DecodeLoose(FuzzedDataProvider& input)
{
    const uint8_t type = input.ConsumeIntegral<uint8_t>();
    const std::vector<uint8_t> frame = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 64));
    std::unique_ptr<CRCMsg> message = CMessageFramer::BuildMessage(type, frame.data(), frame.size());
    Check(message->GetType() == type);
    message->Encode();
    Check(message->GetEncodedSize() == RC_HEADER_SIZE + message->GetLength() || message->GetEncodedSize() > 65535);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const auto portOwner = std::make_shared<CFuzzPort>();
    CFuzzPort& port = *portOwner;
    CFuzzNotify notify;
    CFuzzManager manager;
    CRCProtocolServer server(portOwner, u"01.01.00");
    CFuzzOwner owner(server, port, notify, manager);
    server.SetOwner(&owner);
    server.Start(u"COM3", &notify);
    notify.Settle(server);

    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange<int>(0, 11)) {
        case 0:
            if (owner.m_syncPending) {
                owner.m_syncPending = false;
                server.OnSyncTimeout();
            }
            break;
        case 1:
            if (owner.m_stallPending) {
                owner.m_stallPending = false;
                server.OnStallTimeout();
            }
            break;
        case 2:
            server.SetApplicationManager(input.ConsumeBool() ? &manager : nullptr);
            break;
        case 3:
            owner.m_failRestart = input.ConsumeBool();
            if (server.GetState() == RC_STATE_STOPPED) {
                server.Start(u"COM3", &notify);  // the main frame's periodic retry
                notify.Settle(server);
            }
            break;
        case 4:
            server.RefreshApplicationList();
            break;
        case 5:
            DecodeLoose(input);
            break;
        default: {
            // Phone bytes, cut wherever the fuzzer likes.
            const size_t count = input.ConsumeIntegralInRange<size_t>(1, 512);
            const std::vector<uint8_t> chunk = input.ConsumeBytes<uint8_t>(count);
            if (!chunk.empty())
                server.GetLink().GetDataBuffer().Append(chunk.data(), static_cast<int32_t>(chunk.size()));
            server.OnData();
            break;
        }
        }
        const int32_t state = server.GetState();
        Check(state >= RC_STATE_STOPPED && state <= RC_STATE_RECOVERING);
        // Stopped exactly when the port is closed.
        Check((state == RC_STATE_STOPPED) == !port.IsOpen());
    }
    server.Stop();
    return 0;
}
