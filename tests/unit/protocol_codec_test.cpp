#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "TestBytes.h"
#include "protocol/ApplicationDataMessage.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/MessageFramer.h"
#include "protocol/PhoneKeys.h"
#include "protocol/UIEventMessages.h"

namespace {

std::unique_ptr<CRCMsg> Decode(const std::vector<uint8_t>& frame)
{
    return CMessageFramer::BuildMessage(frame.at(0), frame.data(), frame.size());
}

template <class T>
const T& As(const std::unique_ptr<CRCMsg>& message)
{
    const T* typed = dynamic_cast<const T*>(message.get());
    if (typed == nullptr)
        throw std::runtime_error("decoded to the wrong class");
    return *typed;
}

struct EncodeCase {
    const char* name;
    std::function<std::unique_ptr<CRCMsg>()> make;
    std::vector<uint8_t> expected;
};

TEST(Codec, EncodesTheWireExamples)
{
    const std::vector<EncodeCase> cases = {
        {"connect", [] { return std::make_unique<CRCMsgConnect>(u"01.01.00"); },
         Concat({Hex("01 12 00"), Utf16z(u"01.01.00")})},
        {"disconnect", [] { return std::make_unique<CRCMsgDisconnect>(2); }, Hex("02 01 00 02")},
        {"empty select", [] { return std::make_unique<CRCMsgApplicationSelect>(0, u""); },
         Hex("03 06 00 00 00 00 00 00 00")},
        {"select", [] { return std::make_unique<CRCMsgApplicationSelect>(0x11223344, u"Ab"); },
         Hex("03 0A 00 44 33 22 11 41 00 62 00 00 00")},
        {"empty list", [] { return std::make_unique<CRCMsgApplicationList>(); }, Hex("05 01 00 00")},
        {"list of one", [] { return std::make_unique<CRCMsgApplicationList>(std::vector<CAppListEntry>{{7, 0xFFFF, u"A", false}}); },
         Hex("05 0C 00 01 07 00 00 00 FF FF 00 41 00 00 00")},
        {"sync", [] { return std::make_unique<CRCMsg>(RC_MSG_SYNC); }, Hex("06 00 00")},
        {"key event", [] { return std::make_unique<CRCMsgKeyEvent>(0, 0xF809); }, Hex("10 03 00 00 09 F8")},
        {"app data", [] { return std::make_unique<CRCMsgApplicationData>(0x01020304, 16, Hex("AA BB")); },
         Hex("12 08 00 04 03 02 01 10 00 AA BB")},
        {"button", [] { return std::make_unique<CRCMsgUIEventButton>(0x0102, 9); }, Hex("13 03 00 02 01 09")},
        {"edit box", [] { return std::make_unique<CRCMsgUIEventEditBox>(5, u"hi"); }, Hex("14 06 00 05 00 68 69 00 00")},
        {"list box", [] { return std::make_unique<CRCMsgUIEventListBox>(5, 3, u"x"); }, Hex("15 07 00 05 00 03 78 00 00 00")},
        {"radio", [] { return std::make_unique<CRCMsgUIEventRadioButton>(1, 0); }, Hex("16 03 00 01 00 00")},
        {"check box", [] { return std::make_unique<CRCMsgUIEventCheckBox>(2, Hex("01 00 01")); }, Hex("17 06 00 02 00 03 01 00 01")},
    };
    for (const EncodeCase& c : cases) {
        std::unique_ptr<CRCMsg> message = c.make();
        EXPECT_EQ(ToHex(message->Encode()), ToHex(c.expected)) << c.name;
        EXPECT_EQ(message->GetLength() + 3u, c.expected.size()) << c.name;
    }
}

TEST(Codec, DecodesAKeyEventFromThePhone)
{
    const auto message = Decode(Hex("10 03 00 00 09 F8"));
    EXPECT_EQ(As<CRCMsgKeyEvent>(message).GetKind(), RC_KEY_PRESSED);
    EXPECT_EQ(As<CRCMsgKeyEvent>(message).GetKeyCode(), 0xF809);
}

// Decoding what was encoded and encoding again must give the same bytes: every field survives.
TEST(Codec, EveryDecodableMessageRoundTrips)
{
    std::vector<std::unique_ptr<CRCMsg>> messages;
    messages.push_back(std::make_unique<CRCMsgConnect>(u"01.01.00"));
    messages.push_back(std::make_unique<CRCMsgConnect>(u""));
    messages.push_back(std::make_unique<CRCMsgDisconnect>(255));
    messages.push_back(std::make_unique<CRCMsgApplicationSelect>(0xFEDCBA98, u"Sl\u00efdes \u4e2d"));
    messages.push_back(std::make_unique<CRCMsgKeyEvent>(1, 0xFF04));
    messages.push_back(std::make_unique<CRCMsgApplicationData>(0xFFFFFFFF, 0xFFFF, std::vector<uint8_t>(300, 0x5A)));
    messages.push_back(std::make_unique<CRCMsgApplicationData>(1, 16, std::vector<uint8_t>{}));
    messages.push_back(std::make_unique<CRCMsgUIEventButton>(0xFFFF, 0xFF));
    messages.push_back(std::make_unique<CRCMsgUIEventRadioButton>(7, 1));
    messages.push_back(std::make_unique<CRCMsgUIEventEditBox>(3, u"any text \xff"));
    messages.push_back(std::make_unique<CRCMsgUIEventEditBox>(3, u""));
    messages.push_back(std::make_unique<CRCMsgUIEventListBox>(4, 200, u"Zeile"));
    messages.push_back(std::make_unique<CRCMsgUIEventCheckBox>(6, std::vector<uint8_t>(255, 1)));
    for (const auto& message : messages) {
        const std::vector<uint8_t> bytes = message->Encode();
        const auto decoded = Decode(bytes);
        ASSERT_EQ(decoded->GetType(), message->GetType());
        EXPECT_EQ(ToHex(decoded->Encode()), ToHex(bytes)) << "type " << int(message->GetType());
    }
}

// Bodies shorter than their fields read the missing fields as zero; text stops at the frame's
// end; nothing is read outside the frame (the sanitizer build checks that).
TEST(Codec, ShortBodiesReadMissingFieldsAsZero)
{
    EXPECT_EQ(As<CRCMsgKeyEvent>(Decode(Hex("10 00 00"))).GetKeyCode(), 0);
    EXPECT_EQ(As<CRCMsgKeyEvent>(Decode(Hex("10 01 00 01"))).GetKind(), 1);
    EXPECT_EQ(As<CRCMsgKeyEvent>(Decode(Hex("10 02 00 01 34"))).GetKeyCode(), 0x34);
    EXPECT_EQ(As<CRCMsgDisconnect>(Decode(Hex("02 00 00"))).GetReason(), 0);
    EXPECT_EQ(As<CRCMsgConnect>(Decode(Hex("01 00 00"))).GetVersion(), u"");
    EXPECT_EQ(As<CRCMsgConnect>(Decode(Hex("01 01 00 41"))).GetVersion(), u"");
    EXPECT_EQ(As<CRCMsgConnect>(Decode(Hex("01 05 00 41 00 42 00 43"))).GetVersion(), u"A");
    EXPECT_EQ(As<CRCMsgApplicationSelect>(Decode(Hex("03 02 00 01 02"))).GetAppId(), 0x0201u);
    EXPECT_EQ(As<CRCMsgApplicationSelect>(Decode(Hex("03 05 00 01 00 00 00 41"))).GetAppName(), u"");
    EXPECT_EQ(As<CRCMsgApplicationData>(Decode(Hex("12 03 00 01 02 03"))).GetAppId(), 0x030201u);
    EXPECT_TRUE(As<CRCMsgApplicationData>(Decode(Hex("12 03 00 01 02 03"))).GetPayload().empty());
    EXPECT_EQ(As<CRCMsgUIEventButton>(Decode(Hex("13 01 00 07"))).GetControlId(), 7);
    EXPECT_EQ(As<CRCMsgUIEventEditBox>(Decode(Hex("14 02 00 07 00"))).GetText(), u"");
    EXPECT_EQ(As<CRCMsgUIEventEditBox>(Decode(Hex("14 05 00 07 00 41 00 00"))).GetText(), u"A");
    EXPECT_EQ(As<CRCMsgUIEventListBox>(Decode(Hex("15 04 00 07 00 02 41"))).GetSelectedIndex(), 2);
    EXPECT_EQ(As<CRCMsgUIEventListBox>(Decode(Hex("15 04 00 07 00 02 41"))).GetText(), u"");

    const auto decoded = Decode(Hex("17 05 00 01 00 04 01 01"));
    const auto& check = As<CRCMsgUIEventCheckBox>(decoded);
    EXPECT_EQ(check.GetStateCount(), 4);
    EXPECT_EQ(ToHex(check.GetStates()), "01 01 00 00");
}

// A frame shorter than its own length field (built by hand, not by the framer).
TEST(Codec, TextStopsAtTheEndOfATruncatedFrame)
{
    EXPECT_EQ(As<CRCMsgConnect>(Decode(Hex("01 12 00 30 00 31"))).GetVersion(), u"0");
    EXPECT_EQ(As<CRCMsgApplicationSelect>(Decode(Hex("03 FF FF 01 00 00 00 41 00 42"))).GetAppName(), u"A");
    EXPECT_EQ(As<CRCMsgUIEventEditBox>(Decode(Hex("14 FF 00 01 00 41 42"))).GetText(), u"AB");
    EXPECT_EQ(As<CRCMsgUIEventListBox>(Decode(Hex("15 FF 00 01 00 00 41 00 42"))).GetText(), u"A");
    EXPECT_EQ(As<CRCMsgApplicationData>(Decode(Hex("12 FF 00 01 00 00 00 10 00 AA"))).GetPayload().size(), 1u);
    EXPECT_EQ(As<CRCMsgKeyEvent>(Decode(Hex("10"))).GetKeyCode(), 0);
}

TEST(Codec, HeaderOfAnotherTypeLeavesTheLengthAlone)
{
    CRCMsgKeyEvent key(Hex("11 03 00 01 09 F8").data(), 6);
    EXPECT_EQ(key.GetLength(), 0);
    EXPECT_EQ(key.GetKeyCode(), 0xF809);  // fields are still read at their offsets
}

TEST(Codec, ListSendsAtMost255LeadingEntries)
{
    std::vector<CAppListEntry> entries;
    for (uint32_t id = 1; id <= 256; ++id)
        entries.emplace_back(id, 0xFFFF, u"A", false);
    CRCMsgApplicationList list(entries);
    const std::vector<uint8_t>& bytes = list.Encode();
    EXPECT_EQ(bytes[3], 255);
    EXPECT_EQ(list.GetLength(), 1 + 255 * 11);
    EXPECT_EQ(bytes.size(), 3u + list.GetLength());
    EXPECT_EQ(bytes[bytes.size() - 11], 255);  // the last id sent is the 255th
}

TEST(Codec, ListOfLongNamesStopsBeforeTheSendLimit)
{
    const std::u16string name(1000, u'n');  // 2009 bytes per entry
    CRCMsgApplicationList list(std::vector<CAppListEntry>(100, CAppListEntry(1, 16, name, false)));
    const std::vector<uint8_t>& bytes = list.Encode();
    EXPECT_EQ(bytes[3], 32);  // 4 + 32 * 2009 fits, 33 would not
    EXPECT_LE(bytes.size(), RC_MAX_MESSAGE_SIZE);
    EXPECT_EQ(bytes.size(), 4u + 32 * 2009);
}

TEST(PhoneKeys, NamesAreFoundWithoutRegardToCase)
{
    const std::vector<std::pair<std::u16string, int>> cases = {
        {u"up", 0xF809}, {u"UP", 0xF809}, {u"Up", 0xF809}, {u"case open", 0xF846}, {u"CASE CLOSE", 0xF847},
        {u"Clear", 0x0008}, {u"0", 0x0030}, {u"9", 0x0039}, {u"star", 0x002A}, {u"HASH", 0x0023},
        {u"Menu", 0xF852}, {u"disconnect", 0xF863},
        {u"", -1}, {u"U", -1}, {u"Upp", -1}, {u"caseopen", -1}, {u"10", -1}, {std::u16string(u"Up\0", 3), -1},
    };
    for (const auto& [name, code] : cases) {
        const std::optional<uint16_t> found = FindPhoneKeyCode(name);
        EXPECT_EQ(found ? int(*found) : -1, code) << std::string(name.begin(), name.end());
    }
}

}  // namespace
