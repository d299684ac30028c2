#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// The ring that carries received bytes from the reader thread (Append) to the GUI thread
// (Take). Equal indexes mean empty, so it holds at most capacity - 1 bytes. A chunk that does
// not fit, or a take of more than is stored, changes nothing.
class CDataBuffer {
public:
    explicit CDataBuffer(int32_t capacity);
    CDataBuffer(const CDataBuffer&) = delete;
    CDataBuffer& operator=(const CDataBuffer&) = delete;

    // Count stored, or 0 when the chunk does not fit whole.
    int32_t Append(const uint8_t* source, int32_t count);
    // Count removed, or 0 when fewer than count bytes are stored.
    int32_t Take(uint8_t* destination, int32_t count);
    // Unlocked: with one producer and one consumer it can only under-report to the consumer.
    int32_t GetCount() const;

private:
    int32_t Stored(int32_t read, int32_t write) const;

    const int32_t m_capacity;
    std::unique_ptr<uint8_t[]> m_storage;
    // Atomic so that the unlocked GetCount is no data race.
    std::atomic<int32_t> m_read{0};
    std::atomic<int32_t> m_write{0};
    std::mutex m_mutex;
};
