#include "Control.h"

#include "Text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace ppt {

namespace {

constexpr size_t kLongestLine = 1 << 20;  // a test never writes more; anything longer is garbage

std::vector<std::string> SplitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

bool ParseNumber(const std::string& text, long& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return false;
    out = value;
    return true;
}

std::string Failed(const std::wstring& why)
{
    return "error " + PercentEncode(why);
}

// Fills `slide` from key=value words; leaves it untouched when one is wrong.
Error ApplySlideWords(const std::vector<std::string>& words, size_t first, Slide& slide)
{
    Slide changed = slide;
    for (size_t i = first; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "notitle") {
            changed.hasTitle = false;
            changed.title.clear();
            continue;
        }
        const size_t equals = word.find('=');
        std::wstring key;
        std::wstring value;
        if (equals == std::string::npos || !PercentDecode(word.substr(0, equals), key) ||
            !PercentDecode(word.substr(equals + 1), value))
            return L"expected key=value, not " + Wide(word);
        if (key == L"title") {
            changed.hasTitle = true;
            changed.title = value;
        } else if (key == L"notes") {
            changed.notes = value;
        } else if (key == L"hidden" && (value == L"0" || value == L"1")) {
            changed.hidden = value == L"1";
        } else {
            return L"unknown slide setting " + key + L"=" + value;
        }
    }
    slide = changed;
    return {};
}

}  // namespace

Control::~Control()
{
    if (m_commands != INVALID_HANDLE_VALUE)
        CloseHandle(m_commands);
}

bool Control::Open(const std::wstring& folder)
{
    // Opened for reading only and shared every way, so the test can append at any time.
    m_commands = CreateFileW((folder + L"\\control.txt").c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_commands != INVALID_HANDLE_VALUE && m_replies.Open(folder + L"\\replies.txt");
}

void Control::Poll()
{
    LARGE_INTEGER size;
    if (m_commands == INVALID_HANDLE_VALUE || !GetFileSizeEx(m_commands, &size))
        return;
    const unsigned long long end = static_cast<unsigned long long>(size.QuadPart);
    if (end < m_offset) {  // the file was started afresh
        m_offset = 0;
        m_pending.clear();
    }
    char buffer[4096];
    while (m_offset < end && !m_quit) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(m_offset);
        DWORD got = 0;
        if (!SetFilePointerEx(m_commands, at, nullptr, FILE_BEGIN) ||
            !ReadFile(m_commands, buffer, sizeof buffer, &got, nullptr) || got == 0)
            return;
        m_offset += got;
        m_pending.append(buffer, got);
        size_t newline;
        while ((newline = m_pending.find('\n')) != std::string::npos && !m_quit) {
            const std::string line = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            const std::vector<std::string> words = SplitWords(line);
            if (words.empty() || words[0][0] == '#')
                continue;
            m_replies.Write(words[0] + " " +
                            Execute(std::vector<std::string>(words.begin() + 1, words.end())));
        }
        if (m_pending.size() > kLongestLine) {
            m_pending.clear();
            m_replies.Write("? " + Failed(L"line too long"));
        }
    }
}

std::string Control::Execute(const std::vector<std::string>& words)
{
    if (words.empty())
        return Failed(L"no command");
    const std::string& command = words[0];
    Model& model = m_state.model;
    std::wstring name;
    if (words.size() > 1 && !PercentDecode(words[1], name))
        return Failed(L"bad percent encoding");

    if (command == "ping" && words.size() == 1)
        return "ok";
    if (command == "quit" && words.size() == 1) {
        m_quit = true;
        return "ok";
    }
    if (command == "list" && words.size() == 1) {
        std::string out = "ok";
        for (const Presentation& p : model.Presentations())
            out += " " + PercentEncode(p.name);
        return out;
    }
    if ((command == "busy" || command == "endscreen") && words.size() == 2 &&
        (words[1] == "on" || words[1] == "off")) {
        if (command == "busy")
            m_state.busy = words[1] == "on";
        else
            model.SetEndScreen(words[1] == "on");
        return "ok";
    }
    if (command == "heal" && words.size() == 1) {
        m_state.faults.clear();
        return "ok";
    }
    if (command == "fail" && words.size() == 3) {
        ObjectType type;
        long id = 0;
        if (!ParseTypeName(words[1], type) || !ParseNumber(words[2], id))
            return Failed(L"usage: fail TYPE DISPID");
        m_state.faults.insert({type, static_cast<DISPID>(id)});
        return "ok";
    }
    if (command == "open" && words.size() == 2) {
        const Error error = model.Open(name);
        return error.empty() ? "ok" : Failed(error);
    }
    if (command == "close" && words.size() == 2) {
        const Error error = model.Close(name);
        return error.empty() ? "ok" : Failed(error);
    }
    if (command == "query" && words.size() == 2) {
        const Presentation* p = model.FindByName(name);
        if (!p)
            return Failed(L"no such presentation");
        char text[160];
        snprintf(text, sizeof text, "ok running=%d position=%d pointer=%ld slides=%d show=%u", p->show.running ? 1 : 0,
                 p->show.position, p->show.pointerType, p->Count(), p->show.generation);
        return text;
    }
    if (command == "clear-slides" || command == "add-slide" || command == "set-slide" ||
        command == "remove-slide")
        return ExecuteSlide(words);
    if (command == "run" || command == "show")
        return ExecuteShow(words);
    return Failed(L"unknown command or wrong number of words: " + Wide(command));
}

std::string Control::ExecuteSlide(const std::vector<std::string>& words)
{
    Model& model = m_state.model;
    std::wstring name;
    if (words.size() < 2 || !PercentDecode(words[1], name))
        return Failed(L"usage: " + Wide(words[0]) + L" NAME ...");
    Presentation* p = model.FindByName(name);
    if (!p)
        return Failed(L"no such presentation");
    const std::string& command = words[0];
    if (command == "clear-slides" && words.size() == 2) {
        model.ClearSlides(*p);
        return "ok";
    }
    if (command == "add-slide") {
        Slide probe;
        const Error error = ApplySlideWords(words, 2, probe);
        if (!error.empty())
            return Failed(error);
        Slide& slide = model.AddSlide(*p);
        ApplySlideWords(words, 2, slide);
        model.SlidesChanged(*p);
        return "ok " + std::to_string(p->Count());
    }
    long number = 0;
    if (words.size() < 3 || !ParseNumber(words[2], number) || number < 1 || number > p->Count())
        return Failed(L"no such slide");
    if (command == "remove-slide" && words.size() == 3) {
        const Error error = model.RemoveSlide(*p, static_cast<int>(number));
        return error.empty() ? "ok" : Failed(error);
    }
    if (command == "set-slide") {
        const Error error = ApplySlideWords(words, 3, p->slides[static_cast<size_t>(number - 1)]);
        if (!error.empty())
            return Failed(error);
        model.SlidesChanged(*p);
        return "ok";
    }
    return Failed(L"wrong number of words for " + Wide(command));
}

std::string Control::ExecuteShow(const std::vector<std::string>& words)
{
    Model& model = m_state.model;
    std::wstring name;
    if (words.size() < 2 || !PercentDecode(words[1], name))
        return Failed(L"usage: run NAME | show NAME MOVE");
    Presentation* p = model.FindByName(name);
    if (!p)
        return Failed(L"no such presentation");
    if (words[0] == "run" && words.size() == 2) {
        const Error error = model.Run(*p);
        return error.empty() ? "ok" : Failed(error);
    }
    if (words.size() < 3)
        return Failed(L"usage: show NAME next|previous|first|last|exit|goto N");
    if (!p->show.running)
        return Failed(L"no slide show of this presentation is running");
    const std::string& move = words[2];
    if (words.size() == 3) {
        if (move == "next")
            model.Next(*p);
        else if (move == "previous")
            model.Previous(*p);
        else if (move == "first")
            model.First(*p);
        else if (move == "last")
            model.Last(*p);
        else if (move == "exit")
            model.Exit(*p);
        else
            return Failed(L"unknown move " + Wide(move));
        return "ok";
    }
    long number = 0;
    if (move == "goto" && words.size() == 4 && ParseNumber(words[3], number)) {
        const Error error = model.GotoSlide(*p, number);
        return error.empty() ? "ok" : Failed(error);
    }
    return Failed(L"usage: show NAME next|previous|first|last|exit|goto N");
}

}  // namespace ppt
