#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "process/PerfDataWalker.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kIdProcess = 784;

struct Instance {
    std::u16string name;
    uint32_t pid;
};

// Builds a performance data block the way the registry lays it out: an 88-byte block header,
// one 64-byte object header, 40-byte counter definitions, then per instance a 24-byte
// definition, its zero-terminated name padded to 8 bytes, and a counter block. The process id
// counter sits at `pidOffset` in each counter block; the other counters hold junk.
class CPerfBlockBuilder {
public:
    static constexpr size_t kObject = 88;

    std::vector<Instance> m_instances;
    std::vector<uint32_t> m_counterIndexes = {6, kIdProcess, 1410};
    uint32_t m_pidOffset = 16;
    uint32_t m_counterBlockLength = 32;
    Bytes m_trailer;  // bytes after the last counter block

    // Filled by Build: where the parts were put.
    size_t m_definitions = 0;
    std::vector<size_t> m_instanceAt;
    std::vector<size_t> m_counterBlockAt;

    Bytes Build()
    {
        Bytes b(kObject + 64, 0);
        const char16_t* signature = u"PERF";
        for (int i = 0; i < 4; ++i)
            Put16(b, 2 * i, signature[i]);
        Put32(b, 8, 1);  // little endian
        Put32(b, 24, static_cast<uint32_t>(kObject));
        Put32(b, 28, 1);

        m_definitions = b.size();
        for (size_t i = 0; i < m_counterIndexes.size(); ++i) {
            b.resize(b.size() + 40, 0);
            const size_t d = b.size() - 40;
            Put32(b, d, 40);
            Put32(b, d + 4, m_counterIndexes[i]);
            Put32(b, d + 32, 4);
            Put32(b, d + 36, m_counterIndexes[i] == kIdProcess ? m_pidOffset : static_cast<uint32_t>(4 + 4 * i));
        }
        const size_t definitionLength = b.size() - kObject;

        m_instanceAt.clear();
        m_counterBlockAt.clear();
        for (const Instance& instance : m_instances) {
            const size_t at = b.size();
            m_instanceAt.push_back(at);
            b.resize(at + 24, 0);
            for (char16_t c : instance.name)
                Put16(b, b.size(), c);
            Put16(b, b.size(), 0);
            b.resize((b.size() + 7) / 8 * 8, 0);
            Put32(b, at, static_cast<uint32_t>(b.size() - at));
            Put32(b, at + 16, 24);
            Put32(b, at + 20, static_cast<uint32_t>(2 * (instance.name.size() + 1)));

            const size_t block = b.size();
            m_counterBlockAt.push_back(block);
            b.resize(block + m_counterBlockLength, 0xEE);
            Put32(b, block, m_counterBlockLength);
            Put32(b, block + m_pidOffset, instance.pid);
        }
        b.insert(b.end(), m_trailer.begin(), m_trailer.end());

        Put32(b, 20, static_cast<uint32_t>(b.size()));
        Put32(b, kObject, static_cast<uint32_t>(b.size() - kObject));
        Put32(b, kObject + 4, static_cast<uint32_t>(definitionLength));
        Put32(b, kObject + 8, 64);
        Put32(b, kObject + 12, 230);
        Put32(b, kObject + 32, static_cast<uint32_t>(m_counterIndexes.size()));
        Put32(b, kObject + 40, static_cast<uint32_t>(m_instances.size()));
        return b;
    }

    static void Put32(Bytes& b, size_t at, uint32_t value)
    {
        if (b.size() < at + 4)
            b.resize(at + 4, 0);
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }

    static void Put16(Bytes& b, size_t at, char16_t value)
    {
        if (b.size() < at + 2)
            b.resize(at + 2, 0);
        b[at] = static_cast<uint8_t>(value & 0xFF);
        b[at + 1] = static_cast<uint8_t>(value >> 8);
    }
};

struct WalkResult {
    bool ok = false;
    std::vector<CPerfProcessEntry> entries;
};

// Walks an exact-size heap copy of the first `size` bytes, so any read past the end is caught
// by the sanitizer.
WalkResult Walk(const Bytes& bytes, size_t size, uint32_t idProcess = kIdProcess)
{
    Bytes copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    WalkResult result;
    result.ok = CPerfDataWalker::Walk(copy.empty() ? nullptr : copy.data(), copy.size(), idProcess, result.entries);
    return result;
}

WalkResult Walk(const Bytes& bytes)
{
    return Walk(bytes, bytes.size());
}

std::vector<std::pair<uint32_t, std::u16string>> Pairs(const WalkResult& result)
{
    std::vector<std::pair<uint32_t, std::u16string>> pairs;
    for (const CPerfProcessEntry& entry : result.entries)
        pairs.emplace_back(entry.m_pid, entry.m_exeName);
    return pairs;
}

using Expected = std::vector<std::pair<uint32_t, std::u16string>>;

const std::vector<Instance> kTypical = {
    {u"Idle", 0}, {u"System", 4}, {u"explorer", 1234}, {u"svchost", 800}, {u"svchost", 812}, {u"_Total", 0}};
const Expected kTypicalEntries = {
    {4, u"System.exe"}, {1234, u"explorer.exe"}, {800, u"svchost.exe"}, {812, u"svchost.exe"}};

TEST(PerfDataWalker, ListsInstancesWithPidAndExeSuffix)
{
    CPerfBlockBuilder builder;
    builder.m_instances = kTypical;
    const WalkResult result = Walk(builder.Build());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(Pairs(result), kTypicalEntries);
}

TEST(PerfDataWalker, OneInstanceAndNone)
{
    CPerfBlockBuilder one;
    one.m_instances = {{u"notepad", 77}};
    WalkResult result = Walk(one.Build());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(Pairs(result), (Expected{{77, u"notepad.exe"}}));

    CPerfBlockBuilder none;
    result = Walk(none.Build());
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.entries.empty());
}

// The process-id counter can be any definition and sit anywhere in the counter block; the
// first definition with the index decides.
TEST(PerfDataWalker, UsesOffsetOfFirstMatchingCounterDefinition)
{
    CPerfBlockBuilder builder;
    builder.m_instances = {{u"a", 10}, {u"b", 20}};
    builder.m_counterIndexes = {1, 2, 3, 4, kIdProcess, kIdProcess};
    builder.m_counterBlockLength = 48;
    builder.m_pidOffset = 44;  // the last four bytes of the block
    Bytes bytes = builder.Build();
    // The second definition with the index points elsewhere; it must not be used.
    CPerfBlockBuilder::Put32(bytes, builder.m_definitions + 5 * 40 + 36, 4);
    const WalkResult result = Walk(bytes);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(Pairs(result), (Expected{{10, u"a.exe"}, {20, u"b.exe"}}));
}

TEST(PerfDataWalker, MissingProcessIdCounterGivesNoEntries)
{
    CPerfBlockBuilder builder;
    builder.m_instances = kTypical;
    builder.m_counterIndexes = {6, 1410};
    WalkResult result = Walk(builder.Build());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.entries.empty());

    builder.m_counterIndexes = {};
    result = Walk(builder.Build());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.entries.empty());

    builder.m_counterIndexes = {6, kIdProcess};
    result = Walk(builder.Build(), builder.Build().size(), 999);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.entries.empty());
}

TEST(PerfDataWalker, NamesAreCutAt259Characters)
{
    const std::u16string n258(258, u'x');
    const std::u16string n259(259, u'y');
    const std::u16string n300 = std::u16string(259, u'z') + std::u16string(41, u'W');
    CPerfBlockBuilder builder;
    builder.m_instances = {{n258, 1}, {n259, 2}, {n300, 3}, {u"", 4}, {u"caf\u00e9 \u4e2d", 5}};
    const WalkResult result = Walk(builder.Build());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(Pairs(result), (Expected{{1, n258 + u".exe"},
                                       {2, n259 + u".exe"},
                                       {3, std::u16string(259, u'z') + u".exe"},
                                       {4, u".exe"},
                                       {5, u"caf\u00e9 \u4e2d.exe"}}));
}

// A name without a terminator ends where the data ends, also when an odd byte is left over.
TEST(PerfDataWalker, NameRunningIntoTheEndOfData)
{
    for (const Bytes& trailer : {Bytes{'a', 0, 'b', 0, 'c', 0}, Bytes{'a', 0, 'b', 0, 'c', 0, 'd'}}) {
        SCOPED_TRACE(trailer.size());
        CPerfBlockBuilder builder;
        builder.m_instances = {{u"first", 1}, {u"last", 2}};
        builder.m_trailer = trailer;
        Bytes bytes = builder.Build();
        const size_t last = builder.m_instanceAt[1];
        const size_t trailerAt = bytes.size() - trailer.size();
        CPerfBlockBuilder::Put32(bytes, last + 16, static_cast<uint32_t>(trailerAt - last));
        const WalkResult result = Walk(bytes);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(Pairs(result), (Expected{{1, u"first.exe"}, {2, u"abc.exe"}}));
    }
}

// Cut anywhere before its end, a block gives a prefix of the full list and reports the fault.
TEST(PerfDataWalker, TruncatedAtEveryByte)
{
    CPerfBlockBuilder builder;
    builder.m_instances = kTypical;
    const Bytes bytes = builder.Build();
    for (size_t size = 0; size < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        const WalkResult result = Walk(bytes, size);
        EXPECT_FALSE(result.ok);
        const Expected entries = Pairs(result);
        ASSERT_LE(entries.size(), kTypicalEntries.size());
        EXPECT_EQ(entries, Expected(kTypicalEntries.begin(), kTypicalEntries.begin() + entries.size()));
    }
}

TEST(PerfDataWalker, RejectsDataWithoutSignature)
{
    CPerfBlockBuilder builder;
    builder.m_instances = kTypical;
    for (size_t at = 0; at < 8; at += 2) {
        SCOPED_TRACE(at);
        Bytes bytes = builder.Build();
        bytes[at] = static_cast<uint8_t>(bytes[at] + 0x20);  // "perf" is not the signature
        const WalkResult result = Walk(bytes);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.entries.empty());
    }
    std::vector<CPerfProcessEntry> entries;
    EXPECT_FALSE(CPerfDataWalker::Walk(nullptr, 100, kIdProcess, entries));
    EXPECT_TRUE(entries.empty());
}

// One field overwritten with a value that points outside the data, overflows offset arithmetic
// or would stop the walk from moving forward. `entries` is how many entries of the typical
// list must still come out before the fault is seen.
struct Corruption {
    const char* what;
    enum Where { Block, Object, Instance, CounterBlock, Definition } where;
    size_t index;  // instance number for Instance and CounterBlock
    size_t offset;
    uint32_t value;
    bool ok;
    size_t entries;
};

TEST(PerfDataWalker, CorruptFieldsGiveSafeOutcome)
{
    const Corruption cases[] = {
        {"block header length huge", Corruption::Block, 0, 24, 0xFFFFFFFF, false, 0},
        {"block header length past end", Corruption::Block, 0, 24, 0x10000, false, 0},
        {"block without objects", Corruption::Block, 0, 28, 0, false, 0},
        {"object header length huge", Corruption::Object, 0, 8, 0xFFFFFFF0, false, 0},
        {"object definition length huge", Corruption::Object, 0, 4, 0xFFFFFFFC, false, 0},
        {"counter count huge", Corruption::Object, 0, 32, 0xFFFFFFFF, true, 4},
        {"counter count zero", Corruption::Object, 0, 32, 0, false, 0},
        {"instance count huge", Corruption::Object, 0, 40, 0x7FFFFFFF, false, 4},
        {"instance count fewer", Corruption::Object, 0, 40, 3, true, 2},
        {"no instances marker", Corruption::Object, 0, 40, 0xFFFFFFFF, true, 0},
        {"instance count negative", Corruption::Object, 0, 40, 0x80000000, true, 0},
        {"counter offset huge", Corruption::Definition, 1, 36, 0xFFFFFFFE, false, 0},
        {"counter offset past block", Corruption::Definition, 1, 36, 29, false, 0},
        {"instance length zero", Corruption::Instance, 2, 0, 0, false, 1},
        {"instance length below header", Corruption::Instance, 2, 0, 23, false, 1},
        {"instance length huge", Corruption::Instance, 2, 0, 0xFFFFFFF8, false, 1},
        {"name offset huge", Corruption::Instance, 3, 16, 0xFFFFFFFF, false, 2},
        {"name offset past end", Corruption::Instance, 3, 16, 0x100000, false, 2},
        {"counter block length zero", Corruption::CounterBlock, 1, 0, 0, false, 0},
        {"counter block length below field", Corruption::CounterBlock, 1, 0, 3, false, 0},
        {"counter block shorter than pid", Corruption::CounterBlock, 4, 0, 16, false, 3},
        {"counter block length huge", Corruption::CounterBlock, 4, 0, 0xFFFFFFFF, false, 3},
        {"last counter block past end", Corruption::CounterBlock, 5, 0, 36, false, 4},
    };
    for (const Corruption& c : cases) {
        SCOPED_TRACE(c.what);
        CPerfBlockBuilder builder;
        builder.m_instances = kTypical;
        Bytes bytes = builder.Build();
        size_t at = c.offset;
        switch (c.where) {
        case Corruption::Block: break;
        case Corruption::Object: at += CPerfBlockBuilder::kObject; break;
        case Corruption::Definition: at += builder.m_definitions + 40 * c.index; break;
        case Corruption::Instance: at += builder.m_instanceAt[c.index]; break;
        case Corruption::CounterBlock: at += builder.m_counterBlockAt[c.index]; break;
        }
        CPerfBlockBuilder::Put32(bytes, at, c.value);
        const WalkResult result = Walk(bytes);
        EXPECT_EQ(result.ok, c.ok);
        EXPECT_EQ(Pairs(result), Expected(kTypicalEntries.begin(), kTypicalEntries.begin() + c.entries));
    }
}

// Instances of zero length everywhere, with a count that claims millions of them: the walk
// must end at once, not spin on one place or run through the count.
TEST(PerfDataWalker, ZeroLengthInstancesDoNotLoop)
{
    CPerfBlockBuilder builder;
    builder.m_instances = {{u"a", 1}};
    Bytes bytes = builder.Build();
    const size_t first = builder.m_instanceAt[0];
    bytes.resize(first + 4096, 0);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.end(), 0);
    CPerfBlockBuilder::Put32(bytes, CPerfBlockBuilder::kObject + 40, 0x7FFFFFFF);
    const WalkResult result = Walk(bytes);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.entries.empty());
}

// A counter block of the smallest size that holds the pid still moves the walk forward by a
// full instance; with a large count over little data the walk ends at the data's end.
TEST(PerfDataWalker, SmallestBlocksAdvanceAndEnd)
{
    CPerfBlockBuilder builder;
    builder.m_counterIndexes = {kIdProcess};
    builder.m_pidOffset = 4;
    builder.m_counterBlockLength = 8;
    for (uint32_t pid = 1; pid <= 200; ++pid)
        builder.m_instances.push_back({u"p", pid});
    Bytes bytes = builder.Build();
    CPerfBlockBuilder::Put32(bytes, CPerfBlockBuilder::kObject + 40, 0x7FFFFFFF);
    const WalkResult result = Walk(bytes);
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(result.entries.size(), 200u);
    EXPECT_EQ(result.entries.back().m_pid, 200u);
}

}  // namespace
