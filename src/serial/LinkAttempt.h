#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class ISerialPort;

// The port and whether an attempt's thread is using it. The link and every attempt's thread
// share it: an abandoned open may still be running when the next attempt starts, and the next
// attempt must not touch the port before the abandoned one is done with it.
struct CSharedPort {
    explicit CSharedPort(std::shared_ptr<ISerialPort> port) : m_port(std::move(port)) {}

    const std::shared_ptr<ISerialPort> m_port;
    std::mutex m_mutex;                 // guards m_busy and the phases of every attempt
    std::condition_variable m_changed;  // a port released or an attempt abandoned
    bool m_busy = false;
};

// One try at opening the port and then reading from it, run by a thread of its own. The link
// (GUI thread) may abandon the attempt while the thread is still waiting or opening: the link
// then forgets the thread, which may outlive the link, so until its open is done the thread uses
// only what this object holds. Once the open has succeeded and been announced, the link joins
// the thread before it lets go of anything.
class CLinkAttempt {
public:
    enum class Phase { Waiting, Opening, Open, Failed, Abandoned };

    CLinkAttempt(std::shared_ptr<CSharedPort> shared, uintptr_t number, uint32_t delayMs);
    CLinkAttempt(const CLinkAttempt&) = delete;
    CLinkAttempt& operator=(const CLinkAttempt&) = delete;

    uintptr_t GetNumber() const { return m_number; }
    ISerialPort& GetPort() const { return *m_shared->m_port; }

    // The attempt's thread. Waits the delay, then for the port to be free, and takes it; false
    // when the attempt was abandoned meanwhile.
    bool TakePort();
    // Records the open's result and announces it while the link cannot abandon the attempt in
    // between; false (nothing announced) when it was abandoned during the open.
    bool FinishOpen(bool opened, const std::function<void(bool opened)>& announce);
    // The thread is done with the port.
    void ReleasePort();

    // The link. Abandons an attempt whose open has not finished; returns the phase it was in
    // (Open or Failed: nothing changed, the thread ends when told or has ended).
    Phase Abandon();
    bool IsOpen() const;

    // Cleared by the link to end the reader.
    std::atomic<bool> m_running{true};
    // How the reader ended, written by the thread and read by the link after joining it.
    bool m_readerFailed = false;
    bool m_bytesReceived = false;
    uint64_t m_openMs = 0;

private:
    const std::shared_ptr<CSharedPort> m_shared;
    const uintptr_t m_number;
    const uint32_t m_delayMs;
    Phase m_phase = Phase::Waiting;  // guarded by the shared mutex
};
