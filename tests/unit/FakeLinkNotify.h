#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "serial/LinkNotify.h"

// Collects the link's notifications; the reader thread posts from its own thread.
class FakeLinkNotify : public ILinkNotify {
public:
    using Posted = std::pair<uint32_t, uintptr_t>;

    void Post(uint32_t message, uintptr_t wParam) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted.emplace_back(message, wParam);
        m_changed.notify_all();
    }

    std::vector<Posted> Messages() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_posted;
    }

    std::vector<uint32_t> Codes() const
    {
        std::vector<uint32_t> codes;
        for (const Posted& posted : Messages())
            codes.push_back(posted.first);
        return codes;
    }

    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted.clear();
    }

    // Waits until `count` notifications of this kind have been posted.
    bool WaitFor(uint32_t message, size_t count = 1, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return CountLocked(message) >= count; });
    }

    // Waits until the notifications posted so far satisfy the condition.
    bool WaitUntil(const std::function<bool(const std::vector<Posted>&)>& condition,
                   std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return condition(m_posted); });
    }

    size_t Count(uint32_t message) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return CountLocked(message);
    }

private:
    size_t CountLocked(uint32_t message) const
    {
        size_t n = 0;
        for (const Posted& posted : m_posted)
            n += posted.first == message ? 1 : 0;
        return n;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Posted> m_posted;
};
