#include <deque>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "serial/DataBuffer.h"

namespace {

std::vector<uint8_t> Sequence(size_t count, uint8_t first)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

TEST(DataBuffer, HoldsAtMostCapacityLessOne)
{
    CDataBuffer buffer(10);
    const std::vector<uint8_t> bytes = Sequence(10, 1);
    EXPECT_EQ(buffer.Append(bytes.data(), 4), 4);
    // Free space is 5: a chunk of free space plus one is refused whole and changes nothing.
    EXPECT_EQ(buffer.Append(bytes.data(), 6), 0);
    EXPECT_EQ(buffer.GetCount(), 4);
    EXPECT_EQ(buffer.Append(bytes.data() + 4, 5), 5);
    EXPECT_EQ(buffer.GetCount(), 9);
    EXPECT_EQ(buffer.Append(bytes.data(), 1), 0);

    std::vector<uint8_t> out(9);
    EXPECT_EQ(buffer.Take(out.data(), 9), 9);
    EXPECT_EQ(out, Sequence(9, 1));
}

TEST(DataBuffer, TakeOfMoreThanStoredRemovesNothing)
{
    CDataBuffer buffer(16);
    const std::vector<uint8_t> bytes = Sequence(3, 7);
    buffer.Append(bytes.data(), 3);
    std::vector<uint8_t> out(4, 0xEE);
    EXPECT_EQ(buffer.Take(out.data(), 4), 0);
    EXPECT_EQ(out, std::vector<uint8_t>(4, 0xEE));
    EXPECT_EQ(buffer.GetCount(), 3);
    EXPECT_EQ(buffer.Take(out.data(), 0), 0);
    EXPECT_EQ(buffer.Append(bytes.data(), -1), 0);
    EXPECT_EQ(buffer.GetCount(), 3);
}

// Chunks of every size cross the end of the storage many times, indexes coming to rest at the
// capacity included; the bytes come out in the order they went in.
TEST(DataBuffer, KeepsOrderAcrossTheEndOfTheStorage)
{
    const int32_t capacity = 13;
    CDataBuffer buffer(capacity);
    std::deque<uint8_t> model;
    std::mt19937 random(42);
    uint8_t next = 0;
    for (int round = 0; round < 5000; ++round) {
        const int32_t n = static_cast<int32_t>(random() % capacity) + 1;
        if (random() % 2) {
            const std::vector<uint8_t> chunk = Sequence(static_cast<size_t>(n), next);
            const bool fits = static_cast<int32_t>(model.size()) + n <= capacity - 1;
            ASSERT_EQ(buffer.Append(chunk.data(), n), fits ? n : 0);
            if (fits) {
                model.insert(model.end(), chunk.begin(), chunk.end());
                next = static_cast<uint8_t>(next + n);
            }
        } else {
            std::vector<uint8_t> out(static_cast<size_t>(n));
            const bool enough = static_cast<int32_t>(model.size()) >= n;
            ASSERT_EQ(buffer.Take(out.data(), n), enough ? n : 0);
            if (enough) {
                ASSERT_TRUE(std::equal(out.begin(), out.end(), model.begin()));
                model.erase(model.begin(), model.begin() + n);
            }
        }
        ASSERT_EQ(buffer.GetCount(), static_cast<int32_t>(model.size()));
    }
}

TEST(DataBuffer, OneProducerOneConsumerKeepOrder)
{
    CDataBuffer buffer(100);
    const int total = 200000;
    std::thread producer([&] {
        uint8_t next = 0;
        for (int sent = 0; sent < total;) {
            const std::vector<uint8_t> chunk = Sequence(7, next);
            const int32_t n = std::min(7, total - sent);
            if (buffer.Append(chunk.data(), n) == n) {
                sent += n;
                next = static_cast<uint8_t>(next + n);
            } else {
                std::this_thread::yield();
            }
        }
    });
    uint8_t expected = 0;
    bool inOrder = true;
    std::vector<uint8_t> out(100);
    for (int received = 0; received < total;) {
        const int32_t n = buffer.GetCount();
        if (n == 0) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(buffer.Take(out.data(), n), n);  // the unlocked count never over-reports
        for (int32_t i = 0; i < n; ++i)
            inOrder = inOrder && out[static_cast<size_t>(i)] == expected++;
        received += n;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
}

}  // namespace
