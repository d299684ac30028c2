// The wire examples shared with the phone page's tests (tests/wire/examples.txt): every example
// is built from its fields and encoded with the server's classes, and decoded again where the
// server has a decoder, so the page and the server cannot drift apart unnoticed.
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestBytes.h"
#include "appctl/AppDataPowerPoint.h"
#include "protocol/ApplicationDataMessage.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/MessageFramer.h"
#include "protocol/UIEventMessages.h"

namespace {

struct Example {
    std::string name;
    std::string from;
    std::vector<uint8_t> bytes;
    // Values in file order; a key repeats once per list entry or slide title.
    std::multimap<std::string, std::u16string> fields;

    std::vector<std::u16string> All(const std::string& key) const
    {
        std::vector<std::u16string> values;
        for (auto range = fields.equal_range(key); range.first != range.second; ++range.first)
            values.push_back(range.first->second);
        return values;
    }
    std::u16string Text(const std::string& key) const
    {
        const auto values = All(key);
        if (values.size() != 1)
            throw std::runtime_error(name + ": expected one " + key);
        return values[0];
    }
    uint32_t Number(const std::string& key) const { return NumberOf(Text(key)); }

    static uint32_t NumberOf(const std::u16string& text)
    {
        return static_cast<uint32_t>(std::stoul(std::string(text.begin(), text.end()), nullptr, 0));
    }
};

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// key=value words; a quoted value keeps its blanks and takes \\, \" and \uXXXX escapes.
std::multimap<std::string, std::u16string> ParseFields(const std::string& text)
{
    std::multimap<std::string, std::u16string> fields;
    size_t p = 0;
    while (p < text.size()) {
        if (text[p] == ' ') {
            ++p;
            continue;
        }
        const size_t equals = text.find('=', p);
        if (equals == std::string::npos)
            throw std::runtime_error("field without '=': " + text.substr(p));
        const std::string key = text.substr(p, equals - p);
        std::u16string value;
        p = equals + 1;
        if (p < text.size() && text[p] == '"') {
            for (++p; p < text.size() && text[p] != '"'; ++p) {
                if (text[p] != '\\') {
                    value += static_cast<char16_t>(static_cast<unsigned char>(text[p]));
                } else if (text.at(p + 1) == 'u') {
                    value += static_cast<char16_t>(std::stoul(text.substr(p + 2, 4), nullptr, 16));
                    p += 5;
                } else {
                    value += static_cast<char16_t>(text.at(++p));
                }
            }
            ++p;  // the closing quote
        } else {
            const size_t end = std::min(text.find(' ', p), text.size());
            for (; p < end; ++p)
                value += static_cast<char16_t>(text[p]);
        }
        fields.emplace(key, value);
    }
    return fields;
}

std::vector<Example> ReadExamples()
{
    std::ifstream in(QUILLANT_SOURCE_DIR "/tests/wire/examples.txt");
    std::vector<Example> examples;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> parts;
        size_t start = 0;
        for (int i = 0; i < 3; ++i) {
            const size_t bar = line.find('|', start);
            if (bar == std::string::npos)
                throw std::runtime_error("fewer than four parts: " + line);
            parts.push_back(Trim(line.substr(start, bar - start)));
            start = bar + 1;
        }
        examples.push_back({parts[0], parts[1], Hex(parts[2]), ParseFields(line.substr(start))});
    }
    return examples;
}

std::unique_ptr<CRCMsg> BuildFromFields(const Example& e)
{
    switch (e.bytes.at(0)) {
    case RC_MSG_CONNECT:
        return std::make_unique<CRCMsgConnect>(e.Text("version"));
    case RC_MSG_DISCONNECT:
        return std::make_unique<CRCMsgDisconnect>(static_cast<uint8_t>(e.Number("reason")));
    case RC_MSG_APP_SELECT:
        return std::make_unique<CRCMsgApplicationSelect>(e.Number("id"), e.Text("name"));
    case RC_MSG_APP_LIST: {
        std::vector<CAppListEntry> entries;
        const auto ids = e.All("app_id"), types = e.All("app_type"), active = e.All("app_active"),
                   names = e.All("app_name");
        for (size_t i = 0; i < ids.size(); ++i)
            entries.emplace_back(Example::NumberOf(ids[i]), static_cast<uint16_t>(Example::NumberOf(types.at(i))),
                                 names.at(i), Example::NumberOf(active.at(i)) != 0);
        EXPECT_EQ(entries.size(), e.Number("count")) << e.name;
        return std::make_unique<CRCMsgApplicationList>(entries);
    }
    case RC_MSG_KEY_EVENT:
        return std::make_unique<CRCMsgKeyEvent>(static_cast<uint8_t>(e.Number("kind")),
                                                static_cast<uint16_t>(e.Number("code")));
    case RC_MSG_APP_DATA: {
        CAppDataPowerPoint record;
        record.SetTotalSlides(static_cast<uint16_t>(e.Number("total")));
        record.SetCurrentSlide(static_cast<uint16_t>(e.Number("current")));
        record.SetRunning(e.Number("running") != 0);
        record.SetShowName(e.Text("show"));
        record.SetSpeakerNotes(e.Text("notes"));
        const auto titles = e.All("title");
        for (size_t i = 0; i < titles.size(); ++i)
            EXPECT_TRUE(record.SetSlideTitle(static_cast<int>(i), titles[i])) << e.name;
        return std::make_unique<CRCMsgApplicationData>(e.Number("app_id"), static_cast<uint16_t>(e.Number("app_type")),
                                                       record.Encode());
    }
    case RC_MSG_UI_BUTTON:
        return std::make_unique<CRCMsgUIEventButton>(static_cast<uint16_t>(e.Number("control")),
                                                     static_cast<uint8_t>(e.Number("value")));
    case RC_MSG_UI_LISTBOX:
        return std::make_unique<CRCMsgUIEventListBox>(static_cast<uint16_t>(e.Number("control")),
                                                      static_cast<uint8_t>(e.Number("index")), e.Text("text"));
    default:
        return std::make_unique<CRCMsg>(e.bytes.at(0));
    }
}

// The fields the server's decoder found: numbers and texts apart, so that a version such as
// "01.01.00" is compared as text.
struct Decoded {
    std::map<std::string, uint32_t> numbers;
    std::map<std::string, std::u16string> texts;
};

Decoded DecodedFields(const CRCMsg& message)
{
    Decoded d;
    if (auto m = dynamic_cast<const CRCMsgConnect*>(&message)) {
        d.texts["version"] = m->GetVersion();
    } else if (auto m = dynamic_cast<const CRCMsgDisconnect*>(&message)) {
        d.numbers["reason"] = m->GetReason();
    } else if (auto m = dynamic_cast<const CRCMsgApplicationSelect*>(&message)) {
        d.numbers["id"] = m->GetAppId();
        d.texts["name"] = m->GetAppName();
    } else if (auto m = dynamic_cast<const CRCMsgKeyEvent*>(&message)) {
        d.numbers["kind"] = m->GetKind();
        d.numbers["code"] = m->GetKeyCode();
    } else if (auto m = dynamic_cast<const CRCMsgApplicationData*>(&message)) {
        d.numbers["app_id"] = m->GetAppId();
        d.numbers["app_type"] = m->GetAppType();
    } else if (auto m = dynamic_cast<const CRCMsgUIEventButton*>(&message)) {
        d.numbers["control"] = m->GetControlId();
        d.numbers["value"] = m->GetValue();
    } else if (auto m = dynamic_cast<const CRCMsgUIEventListBox*>(&message)) {
        d.numbers["control"] = m->GetControlId();
        d.numbers["index"] = m->GetSelectedIndex();
        d.texts["text"] = m->GetText();
    }
    return d;
}

TEST(WireExamples, TheServerEncodesAndDecodesEveryExample)
{
    const std::vector<Example> examples = ReadExamples();
    ASSERT_GE(examples.size(), 20u) << "tests/wire/examples.txt is missing or cut short";
    for (const Example& e : examples) {
        SCOPED_TRACE(e.name);
        ASSERT_TRUE(e.from == "phone" || e.from == "server");
        std::unique_ptr<CRCMsg> built = BuildFromFields(e);
        EXPECT_EQ(ToHex(built->Encode()), ToHex(e.bytes));

        const auto decoded = CMessageFramer::BuildMessage(e.bytes[0], e.bytes.data(), e.bytes.size());
        const Decoded d = DecodedFields(*decoded);
        for (const auto& [key, value] : d.numbers)
            EXPECT_EQ(value, e.Number(key)) << key;
        for (const auto& [key, value] : d.texts)
            EXPECT_TRUE(value == e.Text(key)) << key;
        if (auto data = dynamic_cast<const CRCMsgApplicationData*>(decoded.get()))
            EXPECT_EQ(ToHex(data->GetPayload()), ToHex(std::vector<uint8_t>(e.bytes.begin() + 9, e.bytes.end())));
    }
}

}  // namespace
