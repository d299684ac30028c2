#include "serial/DataBuffer.h"

#include <cstring>

CDataBuffer::CDataBuffer(int32_t capacity)
    : m_capacity(capacity > 0 ? capacity : 1),
      m_storage(std::make_unique<uint8_t[]>(static_cast<size_t>(m_capacity)))
{
}

int32_t CDataBuffer::Stored(int32_t read, int32_t write) const
{
    return write >= read ? write - read : m_capacity - read + write;
}

int32_t CDataBuffer::Append(const uint8_t* source, int32_t count)
{
    if (count <= 0 || source == nullptr)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    const int32_t read = m_read.load(std::memory_order_acquire);
    const int32_t write = m_write.load(std::memory_order_relaxed);
    if (count > m_capacity - 1 - Stored(read, write))
        return 0;

    // An index may rest at the capacity after a copy that ended at the end of the storage;
    // its tail is then 0 and the copy continues at the start.
    const int32_t tail = m_capacity - write;
    int32_t newWrite;
    if (tail >= count) {
        std::memcpy(m_storage.get() + write, source, static_cast<size_t>(count));
        newWrite = write + count;
    } else {
        if (tail > 0)
            std::memcpy(m_storage.get() + write, source, static_cast<size_t>(tail));
        std::memcpy(m_storage.get(), source + tail, static_cast<size_t>(count - tail));
        newWrite = count - tail;
    }
    m_write.store(newWrite, std::memory_order_release);
    return count;
}

int32_t CDataBuffer::Take(uint8_t* destination, int32_t count)
{
    if (count <= 0 || destination == nullptr)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    const int32_t read = m_read.load(std::memory_order_relaxed);
    const int32_t write = m_write.load(std::memory_order_acquire);
    if (Stored(read, write) < count)
        return 0;

    const int32_t tail = m_capacity - read;
    int32_t newRead;
    if (tail >= count) {
        std::memcpy(destination, m_storage.get() + read, static_cast<size_t>(count));
        newRead = read + count;
    } else {
        if (tail > 0)
            std::memcpy(destination, m_storage.get() + read, static_cast<size_t>(tail));
        std::memcpy(destination + tail, m_storage.get(), static_cast<size_t>(count - tail));
        newRead = count - tail;
    }
    m_read.store(newRead, std::memory_order_release);
    return count;
}

int32_t CDataBuffer::GetCount() const
{
    const int32_t read = m_read.load(std::memory_order_acquire);
    const int32_t write = m_write.load(std::memory_order_acquire);
    return Stored(read, write);
}
