#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "serial/SerialPort.h"

// An in-memory serial port: the test plays the phone (Receive, Fail) and reads what the link
// wrote. Thread-safe, since the link's own thread opens, waits and reads on it.
class FakeSerialPort : public ISerialPort {
public:
    using Clock = std::chrono::steady_clock;

    // Knobs, set before the link uses the port.
    std::atomic<bool> m_failOpen{false};
    std::atomic<bool> m_failPrepare{false};
    std::atomic<bool> m_failWaits{false};  // every wait fails at once (a port that dies on open)
    std::atomic<int32_t> m_maxReported{INT32_MAX};  // BytesWaiting reports at most this many

    void Receive(const std::vector<uint8_t>& bytes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_input.insert(m_input.end(), bytes.begin(), bytes.end());
        m_changed.notify_all();
    }

    // The device goes away: the wait fails, and so do status queries.
    void Fail()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failed = true;
        m_changed.notify_all();
    }

    // BytesWaiting fails while the wait still reports data.
    void FailStatus()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_statusFails = true;
    }

    // While held, Open blocks (a slow driver) until released.
    void HoldOpens(bool hold)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdOpens = hold;
        m_changed.notify_all();
    }

    // Waits until `count` opens have started (blocked or not).
    bool WaitForOpens(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_openedNames.size() >= count; });
    }

    // Waits until no Open or Close is running and the port is closed.
    bool WaitUntilIdleAndClosed(std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_inCall == 0 && !m_open; });
    }

    // While held, written bytes stay pending until CompleteWrites.
    void HoldWrites(bool hold)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdWrites = hold;
    }

    void CompleteWrites(size_t count)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        count = std::min(count, m_pending.size());
        m_written.insert(m_written.end(), m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(count));
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(count));
        m_completed += count;
    }

    std::vector<uint8_t> TakeWritten()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<uint8_t> written;
        written.swap(m_written);
        return written;
    }

    std::vector<std::u16string> OpenedNames() const { std::lock_guard<std::mutex> lock(m_mutex); return m_openedNames; }
    std::vector<Clock::time_point> OpenTimes() const { std::lock_guard<std::mutex> lock(m_mutex); return m_openTimes; }
    int WaitCalls() const { std::lock_guard<std::mutex> lock(m_mutex); return m_waitCalls; }
    int WriteCalls() const { std::lock_guard<std::mutex> lock(m_mutex); return m_writeCalls; }
    int CancelOpenCalls() const { std::lock_guard<std::mutex> lock(m_mutex); return m_cancelOpenCalls; }
    bool ClosedWhileReaderWaited() const { std::lock_guard<std::mutex> lock(m_mutex); return m_closedWhileWaiting; }
    // Two of Open and Close ran at the same time: the link used the port from two threads.
    bool UsedConcurrently() const { std::lock_guard<std::mutex> lock(m_mutex); return m_concurrent; }
    size_t Unread() const { std::lock_guard<std::mutex> lock(m_mutex); return m_input.size(); }

    bool Open(const std::u16string& deviceName) override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        Enter();
        m_openedNames.push_back(deviceName);
        m_openTimes.push_back(Clock::now());
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_holdOpens; });
        const bool opened = !m_failOpen;
        if (opened) {
            m_open = true;
            m_stop = false;
            m_failed = false;
            m_statusFails = false;
        }
        Leave();
        return opened;
    }

    void CancelOpen() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_cancelOpenCalls;
    }

    void Close() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Enter();
        if (m_waiting)
            m_closedWhileWaiting = true;
        m_open = false;
        m_pending.clear();
        Leave();
    }

    bool IsOpen() const override { std::lock_guard<std::mutex> lock(m_mutex); return m_open; }

    bool PrepareReader() override { return !m_failPrepare; }

    WaitResult WaitForData() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_waitCalls;
        m_waiting = true;
        m_changed.wait(lock, [this] { return m_stop || m_failed || m_failWaits || !m_input.empty(); });
        m_waiting = false;
        if (m_stop)
            return WaitResult::Stopped;
        return m_failed || m_failWaits ? WaitResult::Failed : WaitResult::Data;
    }

    void RequestStop() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_changed.notify_all();
    }

    int32_t BytesWaiting() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failed || m_statusFails)
            return -1;
        return std::min(static_cast<int32_t>(m_input.size()), m_maxReported.load());
    }

    int32_t Read(uint8_t* destination, int32_t count) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int32_t n = std::min(count, static_cast<int32_t>(m_input.size()));
        std::copy(m_input.begin(), m_input.begin() + n, destination);
        m_input.erase(m_input.begin(), m_input.begin() + n);
        return n;
    }

    void Write(std::vector<uint8_t> bytes) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_writeCalls;
        if (m_holdWrites) {
            m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
            return;
        }
        m_written.insert(m_written.end(), bytes.begin(), bytes.end());
        m_completed += bytes.size();
    }

    WriteStatus GetWriteStatus() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        WriteStatus status;
        status.pendingBytes = m_pending.size();
        status.completedBytes = m_completed;
        return status;
    }

private:
    void Enter()
    {
        if (m_inCall++ != 0)
            m_concurrent = true;
    }

    void Leave()
    {
        --m_inCall;
        m_changed.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<uint8_t> m_input;
    std::vector<uint8_t> m_written;
    std::deque<uint8_t> m_pending;
    uint64_t m_completed = 0;
    std::vector<std::u16string> m_openedNames;
    std::vector<Clock::time_point> m_openTimes;
    bool m_open = false;
    bool m_stop = false;
    bool m_failed = false;
    bool m_statusFails = false;
    bool m_waiting = false;
    bool m_closedWhileWaiting = false;
    bool m_holdOpens = false;
    bool m_holdWrites = false;
    bool m_concurrent = false;
    int m_inCall = 0;
    int m_waitCalls = 0;
    int m_writeCalls = 0;
    int m_cancelOpenCalls = 0;
};
