#include "process/PerfDataWalker.h"

#include "text/LittleEndian.h"

namespace {

// Byte offsets in the platform's published layouts.
constexpr size_t kBlockHeaderLength = 24;     // PERF_DATA_BLOCK::HeaderLength
constexpr size_t kBlockNumObjectTypes = 28;   // PERF_DATA_BLOCK::NumObjectTypes
constexpr size_t kObjectDefinitionLength = 4; // PERF_OBJECT_TYPE::DefinitionLength
constexpr size_t kObjectHeaderLength = 8;     // PERF_OBJECT_TYPE::HeaderLength
constexpr size_t kObjectNumCounters = 32;     // PERF_OBJECT_TYPE::NumCounters
constexpr size_t kObjectNumInstances = 40;    // PERF_OBJECT_TYPE::NumInstances
constexpr size_t kCounterNameIndex = 4;       // PERF_COUNTER_DEFINITION::CounterNameTitleIndex
constexpr size_t kCounterOffset = 36;         // PERF_COUNTER_DEFINITION::CounterOffset
constexpr size_t kCounterDefinitionStep = 40; // sizeof(PERF_COUNTER_DEFINITION)
constexpr size_t kInstanceByteLength = 0;     // PERF_INSTANCE_DEFINITION::ByteLength
constexpr size_t kInstanceNameOffset = 16;    // PERF_INSTANCE_DEFINITION::NameOffset
constexpr size_t kInstanceHeaderSize = 24;    // sizeof(PERF_INSTANCE_DEFINITION)
constexpr size_t kCounterBlockByteLength = 0; // PERF_COUNTER_BLOCK::ByteLength
constexpr size_t kCounterBlockHeaderSize = 4; // sizeof(PERF_COUNTER_BLOCK)
constexpr size_t kMaxNameLength = 259;

// Reads fields at offsets from positions in the data: every position is a sum that is checked
// for overflow before it is formed, and every read stays inside the data.
class COffsetReader {
public:
    COffsetReader(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}

    // base + delta, when it lies inside the data or exactly at its end.
    bool Advance(size_t base, size_t delta, size_t& position) const
    {
        if (base > m_size || delta > m_size - base)
            return false;
        position = base + delta;
        return true;
    }

    bool ReadU32(size_t base, size_t offset, uint32_t& value) const
    {
        size_t at = 0;
        if (!Advance(base, offset, at))
            return false;
        CByteReader reader(m_data, m_size, at);
        value = reader.U32();
        return !reader.RanPastEnd();
    }

    // Zero-terminated UTF-16LE text at `at`, cut at `maxLength` units and at the end of the data.
    std::u16string ReadText(size_t at, size_t maxLength) const
    {
        return CByteReader(m_data, m_size, at).Utf16z(maxLength);
    }

    bool HasSignature() const
    {
        static const char kSignature[] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};
        if (m_size < sizeof(kSignature))
            return false;
        for (size_t i = 0; i < sizeof(kSignature); ++i) {
            if (m_data[i] != static_cast<uint8_t>(kSignature[i]))
                return false;
        }
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
};

// The counter offset of the first definition whose name index is `nameIndex`. Stops at the end
// of the data, so a huge count costs no more than the data holds.
bool FindCounterOffset(const COffsetReader& bytes, size_t definition, uint32_t count, uint32_t nameIndex,
                       uint32_t& counterOffset)
{
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t index = 0;
        if (!bytes.ReadU32(definition, kCounterNameIndex, index))
            return false;
        if (index == nameIndex)
            return bytes.ReadU32(definition, kCounterOffset, counterOffset);
        if (!bytes.Advance(definition, kCounterDefinitionStep, definition))
            return false;
    }
    return false;
}

}  // namespace

bool CPerfDataWalker::Walk(const uint8_t* data, size_t size, uint32_t idProcessCounter,
                           std::vector<CPerfProcessEntry>& entries)
{
    const COffsetReader bytes(data, size);
    if (!bytes.HasSignature())
        return false;

    uint32_t blockHeaderLength = 0;
    uint32_t numObjectTypes = 0;
    uint32_t definitionLength = 0;
    uint32_t objectHeaderLength = 0;
    uint32_t numCounters = 0;
    uint32_t numInstances = 0;
    // A block without objects (the answer for an object the system does not know) has nothing
    // after its header worth reading.
    if (!bytes.ReadU32(0, kBlockHeaderLength, blockHeaderLength) ||
        !bytes.ReadU32(0, kBlockNumObjectTypes, numObjectTypes) || numObjectTypes == 0)
        return false;
    const size_t object = blockHeaderLength;
    if (!bytes.ReadU32(object, kObjectDefinitionLength, definitionLength) ||
        !bytes.ReadU32(object, kObjectHeaderLength, objectHeaderLength) ||
        !bytes.ReadU32(object, kObjectNumCounters, numCounters) ||
        !bytes.ReadU32(object, kObjectNumInstances, numInstances))
        return false;

    size_t definition = 0;
    uint32_t counterOffset = 0;
    if (!bytes.Advance(object, objectHeaderLength, definition) ||
        !FindCounterOffset(bytes, definition, numCounters, idProcessCounter, counterOffset))
        return false;

    // The count is signed in the platform's layout: -1 marks an object without instances.
    if (static_cast<int32_t>(numInstances) <= 0)
        return true;

    size_t instance = 0;
    if (!bytes.Advance(object, definitionLength, instance))
        return false;
    for (uint32_t i = 0; i < numInstances; ++i) {
        uint32_t instanceLength = 0;
        uint32_t nameOffset = 0;
        uint32_t blockLength = 0;
        size_t name = 0;
        size_t block = 0;
        size_t next = 0;
        uint32_t pid = 0;
        // An instance shorter than its header or a counter block shorter than its length field
        // would not move the walk forward; both are treated as the end of usable data.
        if (!bytes.ReadU32(instance, kInstanceByteLength, instanceLength) || instanceLength < kInstanceHeaderSize ||
            !bytes.ReadU32(instance, kInstanceNameOffset, nameOffset) || !bytes.Advance(instance, nameOffset, name) ||
            !bytes.Advance(instance, instanceLength, block) ||
            !bytes.ReadU32(block, kCounterBlockByteLength, blockLength) || blockLength < kCounterBlockHeaderSize ||
            !bytes.Advance(block, blockLength, next) || counterOffset > blockLength - 4 ||
            !bytes.ReadU32(block, counterOffset, pid))
            return false;

        if (pid != 0) {
            CPerfProcessEntry entry;
            entry.m_pid = pid;
            entry.m_exeName = bytes.ReadText(name, kMaxNameLength) + u".exe";
            entries.push_back(std::move(entry));
        }
        instance = next;
    }
    return true;
}
