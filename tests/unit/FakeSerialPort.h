#pragma once
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "serial/SerialPort.h"

// An in-memory serial port: the test plays the phone (Receive, Fail) and reads what the link
// wrote. Thread-safe, since the link's reader thread waits and reads on it.
class FakeSerialPort : public ISerialPort {
public:
    // Knobs, set before the link uses the port.
    bool m_failOpen = false;
    bool m_failPrepare = false;
    int32_t m_maxReported = INT32_MAX;  // BytesWaiting reports at most this many at a time

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

    std::vector<uint8_t> TakeWritten()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<uint8_t> written;
        written.swap(m_written);
        return written;
    }

    std::vector<std::u16string> OpenedNames() const { std::lock_guard<std::mutex> lock(m_mutex); return m_openedNames; }
    int WaitCalls() const { std::lock_guard<std::mutex> lock(m_mutex); return m_waitCalls; }
    int WriteCalls() const { std::lock_guard<std::mutex> lock(m_mutex); return m_writeCalls; }
    bool ClosedWhileReaderWaited() const { std::lock_guard<std::mutex> lock(m_mutex); return m_closedWhileWaiting; }
    size_t Unread() const { std::lock_guard<std::mutex> lock(m_mutex); return m_input.size(); }

    bool Open(const std::u16string& deviceName) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_openedNames.push_back(deviceName);
        if (m_failOpen)
            return false;
        m_open = true;
        m_stop = false;
        m_failed = false;
        m_statusFails = false;
        return true;
    }

    void Close() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_waiting)
            m_closedWhileWaiting = true;
        m_open = false;
    }

    bool IsOpen() const override { std::lock_guard<std::mutex> lock(m_mutex); return m_open; }

    bool PrepareReader() override { return !m_failPrepare; }

    WaitResult WaitForData() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_waitCalls;
        m_waiting = true;
        m_changed.wait(lock, [this] { return m_stop || m_failed || !m_input.empty(); });
        m_waiting = false;
        if (m_stop)
            return WaitResult::Stopped;
        return m_failed ? WaitResult::Failed : WaitResult::Data;
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
        return std::min(static_cast<int32_t>(m_input.size()), m_maxReported);
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
        m_written.insert(m_written.end(), bytes.begin(), bytes.end());
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<uint8_t> m_input;
    std::vector<uint8_t> m_written;
    std::vector<std::u16string> m_openedNames;
    bool m_open = false;
    bool m_stop = false;
    bool m_failed = false;
    bool m_statusFails = false;
    bool m_waiting = false;
    bool m_closedWhileWaiting = false;
    int m_waitCalls = 0;
    int m_writeCalls = 0;
};
