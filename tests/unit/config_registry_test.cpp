#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryRegistryBackend.h"
#include "config/Registry.h"
#include "config/StringListCodec.h"

namespace {

using Bytes = std::vector<uint8_t>;
using List = std::vector<std::u16string>;

const std::u16string kPath = u"Software\\Test\\Key";

Bytes Utf16(const std::u16string& text, bool terminated)
{
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    if (terminated)
        bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(m_backend.OpenHandles(), 0u) << "a key was left open";
        EXPECT_EQ(m_backend.BadCloses(), 0) << "a key was closed twice";
    }

    CMemoryRegistryBackend m_backend;
};

TEST_F(RegistryTest, OpenAndCreate)
{
    CRegistry registry(m_backend);
    EXPECT_FALSE(registry.OpenKey(kPath));
    EXPECT_EQ(registry.GetResult(), RC_ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(registry.IsOpen());

    EXPECT_TRUE(registry.CreateKey(kPath));
    EXPECT_TRUE(m_backend.KeyExists(u"Software\\Test"));

    EXPECT_TRUE(registry.OpenKey(kPath));
    // Each open replaced the previous key; the tear-down sees that none leaked.
    EXPECT_EQ(m_backend.OpenHandles(), 1u);

    registry.CloseKey();
    EXPECT_FALSE(registry.IsOpen());
    registry.CloseKey();
}

TEST_F(RegistryTest, DestructorClosesTheKey)
{
    {
        CRegistry registry(m_backend);
        ASSERT_TRUE(registry.CreateKey(kPath));
        EXPECT_EQ(m_backend.OpenHandles(), 1u);
    }
    EXPECT_EQ(m_backend.OpenHandles(), 0u);
}

TEST_F(RegistryTest, EveryValueOperationFailsWithoutAKey)
{
    CRegistry registry(m_backend);
    std::u16string text = u"keep";
    int32_t number = 7;
    List list = {u"keep"};
    const struct {
        const char* what;
        bool result;
    } calls[] = {
        {"ValueExists", registry.ValueExists(u"v")},
        {"GetString", registry.GetString(u"v", text)},
        {"GetNumber", registry.GetNumber(u"v", number)},
        {"GetStringList", registry.GetStringList(u"v", list)},
        {"SetString", registry.SetString(u"v", u"x")},
        {"SetNumber", registry.SetNumber(u"v", 1)},
        {"SetStringList", registry.SetStringList(u"v", {})},
        {"DeleteValue", registry.DeleteValue(u"v")},
    };
    for (const auto& call : calls)
        EXPECT_FALSE(call.result) << call.what;
    EXPECT_EQ(registry.GetResult(), RC_ERROR_INVALID_HANDLE);
    EXPECT_EQ(text, u"keep");
    EXPECT_EQ(number, 7);
    EXPECT_EQ(list, List{u"keep"});
    EXPECT_EQ(m_backend.Writes(), 0);
}

TEST_F(RegistryTest, GetStringReadsStoredBytesSafely)
{
    const struct {
        const char* what;
        uint32_t type;
        Bytes data;
        bool ok;
        std::u16string expected;
    } cases[] = {
        {"terminated", RC_REG_SZ, Utf16(u"COM5", true), true, u"COM5"},
        {"no terminator", RC_REG_SZ, Utf16(u"COM5", false), true, u"COM5"},
        {"odd byte count", RC_REG_SZ, {'C', 0, 'O', 0, 'M', 0, '7'}, true, u"COM"},
        {"one byte", RC_REG_SZ, {'C'}, true, u""},
        {"empty", RC_REG_SZ, {}, true, u""},
        {"ends at first zero", RC_REG_SZ, Utf16(std::u16string(u"AB\0CD", 5), true), true, u"AB"},
        {"type not checked", RC_REG_BINARY, Utf16(u"COM3", false), true, u"COM3"},
        {"exactly 200 bytes", RC_REG_SZ, Utf16(std::u16string(100, u'x'), false), true, std::u16string(100, u'x')},
        {"201 bytes", RC_REG_SZ, Bytes(201, 'x'), false, u"keep"},
        {"99 characters and terminator", RC_REG_SZ, Utf16(std::u16string(99, u'y'), true), true,
         std::u16string(99, u'y')},
        {"100 characters and terminator", RC_REG_SZ, Utf16(std::u16string(100, u'y'), true), false, u"keep"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_backend.Put(kPath, u"Port", c.type, c.data);
        CRegistry registry(m_backend);
        ASSERT_TRUE(registry.OpenKey(kPath));
        std::u16string value = u"keep";
        EXPECT_EQ(registry.GetString(u"Port", value), c.ok);
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(registry.GetResult(), c.ok ? RC_ERROR_SUCCESS : RC_ERROR_MORE_DATA);
    }
}

TEST_F(RegistryTest, GetNumberReadsAtMostFourBytes)
{
    const struct {
        const char* what;
        uint32_t type;
        Bytes data;
        bool ok;
        int32_t expected;
    } cases[] = {
        {"dword", RC_REG_DWORD, {0x05, 0x00, 0x00, 0x00}, true, 5},
        {"little-endian", RC_REG_DWORD, {0x78, 0x56, 0x34, 0x12}, true, 0x12345678},
        {"negative", RC_REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, true, -1},
        {"short value zero-extended", RC_REG_BINARY, {0xFA, 0x00}, true, 250},
        {"empty value", RC_REG_DWORD, {}, true, 0},
        {"type not checked", RC_REG_SZ, {0x0A, 0x00, 0x00, 0x00}, true, 10},
        {"five bytes", RC_REG_DWORD, {1, 0, 0, 0, 0}, false, -7},
        {"qword", 11, {1, 0, 0, 0, 0, 0, 0, 0}, false, -7},
        {"string \"250\"", RC_REG_SZ, Utf16(u"250", true), false, -7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_backend.Put(kPath, u"Speed", c.type, c.data);
        CRegistry registry(m_backend);
        ASSERT_TRUE(registry.OpenKey(kPath));
        int32_t value = -7;
        EXPECT_EQ(registry.GetNumber(u"Speed", value), c.ok);
        EXPECT_EQ(value, c.expected);
    }
}

TEST_F(RegistryTest, MissingValueFailsAndLeavesOutputAlone)
{
    m_backend.Put(kPath, u"Other", RC_REG_DWORD, {1, 0, 0, 0});
    CRegistry registry(m_backend);
    ASSERT_TRUE(registry.OpenKey(kPath));
    std::u16string text = u"keep";
    int32_t number = 7;
    List list = {u"keep"};
    EXPECT_FALSE(registry.ValueExists(u"Missing"));
    EXPECT_FALSE(registry.GetString(u"Missing", text));
    EXPECT_FALSE(registry.GetNumber(u"Missing", number));
    EXPECT_FALSE(registry.GetStringList(u"Missing", list));
    EXPECT_FALSE(registry.DeleteValue(u"Missing"));
    EXPECT_EQ(registry.GetResult(), RC_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text, u"keep");
    EXPECT_EQ(number, 7);
    EXPECT_EQ(list, List{u"keep"});
    EXPECT_TRUE(registry.ValueExists(u"Other"));
}

TEST_F(RegistryTest, GetStringListDecodesBinaryOnly)
{
    const List stored = {u"C:\\P\\a.ini", u"C:\\P\\A.ini"};
    m_backend.Put(kPath, u"List", RC_REG_BINARY, EncodeStringList(stored));
    m_backend.Put(kPath, u"Text", RC_REG_SZ, EncodeStringList(stored));
    m_backend.Put(kPath, u"Broken", RC_REG_BINARY, {0x02, 0x00, 0xFF, 0xFE, 0xFF, 0x00});

    CRegistry registry(m_backend);
    ASSERT_TRUE(registry.OpenKey(kPath));

    List list = {u"old"};
    EXPECT_TRUE(registry.GetStringList(u"List", list));
    EXPECT_EQ(list, stored);

    list = {u"old"};
    EXPECT_TRUE(registry.GetStringList(u"Text", list));
    EXPECT_EQ(list, List{u"old"});

    list = {u"old"};
    EXPECT_FALSE(registry.GetStringList(u"Broken", list));
    EXPECT_EQ(registry.GetResult(), RC_ERROR_INVALID_DATA);
    EXPECT_TRUE(list.empty());
}

TEST_F(RegistryTest, WritesStoreTypedBytes)
{
    CRegistry registry(m_backend);
    ASSERT_TRUE(registry.CreateKey(kPath));

    EXPECT_TRUE(registry.SetString(u"Port", u"COM12"));
    EXPECT_TRUE(registry.SetNumber(u"Speed", -2));
    const List list = {u"a", std::u16string(300, u'p')};
    EXPECT_TRUE(registry.SetStringList(u"List", list));

    const auto port = m_backend.Get(kPath, u"Port");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->type, RC_REG_SZ);
    EXPECT_EQ(port->data, Utf16(u"COM12", true));

    const auto speed = m_backend.Get(kPath, u"Speed");
    ASSERT_TRUE(speed);
    EXPECT_EQ(speed->type, RC_REG_DWORD);
    EXPECT_EQ(speed->data, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));

    const auto stored = m_backend.Get(kPath, u"List");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, RC_REG_BINARY);
    EXPECT_EQ(stored->data, EncodeStringList(list));

    std::u16string text;
    int32_t number = 0;
    List readBack;
    EXPECT_TRUE(registry.GetString(u"Port", text));
    EXPECT_TRUE(registry.GetNumber(u"Speed", number));
    EXPECT_TRUE(registry.GetStringList(u"List", readBack));
    EXPECT_EQ(text, u"COM12");
    EXPECT_EQ(number, -2);
    EXPECT_EQ(readBack, list);

    EXPECT_TRUE(registry.DeleteValue(u"Port"));
    EXPECT_FALSE(m_backend.Get(kPath, u"Port"));
}

TEST_F(RegistryTest, FailedOpenAndCreateReportTheResult)
{
    m_backend.Put(kPath, u"v", RC_REG_DWORD, {1, 0, 0, 0});
    m_backend.FailOpens(true);
    m_backend.FailCreates(true);
    CRegistry registry(m_backend);
    EXPECT_FALSE(registry.OpenKey(kPath));
    EXPECT_EQ(registry.GetResult(), CMemoryRegistryBackend::kAccessDenied);
    EXPECT_FALSE(registry.CreateKey(kPath));
    EXPECT_FALSE(registry.IsOpen());
    EXPECT_FALSE(registry.ValueExists(u"v"));
}

}  // namespace
