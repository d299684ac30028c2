// Drives the framer, the decoders and the dispatcher with arbitrary phone bytes cut at
// arbitrary points, interleaved with the timer events the main frame would deliver.
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <map>
#include <mutex>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "appctl/AppMgr.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/MessageFramer.h"
#include "platform/TimerService.h"
#include "protocol/ProtocolOwner.h"
#include "protocol/UIEventMessages.h"
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

    // Like the main window: waits for the result of the open the server started last and hands
    // it over; a failed open stops the server. Keeps every run of the fuzzer deterministic.
    void Settle(CRCProtocolServer& server)
    {
        if (server.GetState() == RC_STATE_STOPPED)
            return;
        uint32_t result = 0;
        uintptr_t attempt = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return server.GetLink().IsCurrentAttempt(m_attempt); });
            if (m_attempt == m_settled)
                return;
            m_settled = m_attempt;
            result = m_result;
            attempt = m_attempt;
        }
        server.OnLinkNotification(result, attempt);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint32_t m_result = 0;
    uintptr_t m_attempt = 0;
    uintptr_t m_settled = 0;
};

// Keeps the timers the server starts, for the fuzzer to fire when it likes.
class CFuzzTimers : public ITimerService {
public:
    void StartPeriodic(const std::string& name, uint32_t, Callback callback) override { m_running[name] = callback; }
    void StartOneShot(const std::string& name, uint32_t, Callback callback) override { m_running[name] = callback; }
    void Stop(const std::string& name) override { m_running.erase(name); }
    bool IsRunning(const std::string& name) const override { return m_running.count(name) != 0; }
    uint64_t NowMs() const override { return m_now; }

    // Fires the named one-shot timer if it runs.
    void Fire(const std::string& name)
    {
        const auto found = m_running.find(name);
        if (found == m_running.end())
            return;
        const Callback callback = found->second;
        m_running.erase(found);
        callback();
    }

    uint64_t m_now = 0;

private:
    std::map<std::string, Callback> m_running;
};

class CFuzzManager : public CAppMgr {
public:
    CFuzzManager() : CAppMgr(0x10) {}
    uint32_t GetAppType() const override { return APPTYPE_GENERIC; }
    std::u16string GetName() const override { return u"Editor"; }
    void OnCheckBox(uint16_t, uint8_t count, const std::vector<uint8_t>& states) override { Check(states.size() == count); }
    void OnEditBox(uint16_t, const std::u16string& text) override { Check(text.size() < 65536); }
};

// Behaves like the session: answers selects and list requests and hands the selected
// application its events.
class CFuzzOwner : public IProtocolOwner {
public:
    explicit CFuzzOwner(CFuzzManager& manager) : m_manager(manager) {}

    bool m_selected = false;

    uint8_t OnPhoneConnected() override { return 0; }
    void OnPhoneGone() override { m_selected = false; }
    uint32_t SelectApplication(uint32_t id, std::u16string& name) override
    {
        if (id == m_manager.GetWindow()) {
            name = m_manager.GetName();
            m_selected = true;
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
    void OnApplicationEvent(const CRCMsg& message) override
    {
        if (!m_selected)
            return;
        if (const auto* check = dynamic_cast<const CRCMsgUIEventCheckBox*>(&message))
            m_manager.OnCheckBox(check->GetControlId(), check->GetStateCount(), check->GetStates());
        else if (const auto* edit = dynamic_cast<const CRCMsgUIEventEditBox*>(&message))
            m_manager.OnEditBox(edit->GetControlId(), edit->GetText());
    }
    bool IsHoldingInput() const override { return false; }
    void OnLinkState(ELinkState) override {}
    void OnPortFailed() override {}

private:
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
    CFuzzTimers timers;
    CRCProtocolServer server(portOwner, u"01.01.00", timers);
    CFuzzOwner owner(manager);
    server.SetOwner(&owner);
    server.Start(u"COM3", &notify);
    notify.Settle(server);

    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange<int>(0, 11)) {
        case 0:
            timers.Fire(CRCProtocolServer::kSyncTimer);
            break;
        case 1:
            timers.Fire(CRCProtocolServer::kStallTimer);
            break;
        case 2:
            timers.m_now += input.ConsumeIntegralInRange<uint64_t>(0, 70000);
            server.OnLinkWatch(timers.m_now, input.ConsumeBool());
            break;
        case 3:
            port.m_failOpen = input.ConsumeBool();
            if (server.GetState() == RC_STATE_STOPPED)
                server.Restart();  // the session's periodic retry
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
        // Whatever restarted the link: its open's result is taken before going on.
        notify.Settle(server);
        port.m_failOpen = false;
        const int32_t state = server.GetState();
        Check(state >= RC_STATE_STOPPED && state <= RC_STATE_RECOVERING);
        // Stopped exactly when the port is closed.
        Check((state == RC_STATE_STOPPED) == !port.IsOpen());
    }
    server.Stop();
    return 0;
}
