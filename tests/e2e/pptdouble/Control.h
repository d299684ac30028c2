// The control channel a test drives the double with: it appends command lines
// to <dir>\control.txt; the double runs each complete new line and appends
// "<seq> ok [result]" or "<seq> error <why>" to <dir>\replies.txt.
//
// A line is "<seq> <command> <word>...", words percent-encoded (Text.h);
// key=value words encode key and value apart. Commands:
//   ping                                   nothing; answers when all before it ran
//   open NAME | close NAME                 a presentation (and its document window)
//   clear-slides NAME
//   add-slide NAME [title=T|notitle] [hidden=0|1] [notes=N]
//   set-slide NAME NUMBER [title=T|notitle] [hidden=0|1] [notes=N]
//   remove-slide NAME NUMBER
//   run NAME                               start the show at the PC
//   show NAME next|previous|first|last|exit|goto N   move it as the presenter would
//   endscreen on|off                       black screen after the last slide (default on)
//   busy on|off                            reject every call
//   fail TYPE DISPID | heal                make one member fail / clear all such faults
//   query NAME    -> ok running=0|1 position=P pointer=T slides=N show=G
//   list          -> ok NAME... (in order)
//   quit
#pragma once

#include "DoubleState.h"
#include "LineFile.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ppt {

class Control {
public:
    explicit Control(DoubleState& state) : m_state(state) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    ~Control();

    bool Open(const std::wstring& folder);
    void Poll();  // runs the complete lines that arrived since the last poll
    void Reply(const std::string& line) { m_replies.Write(line); }
    bool QuitRequested() const { return m_quit; }

private:
    std::string Execute(const std::vector<std::string>& words);
    std::string ExecuteSlide(const std::vector<std::string>& words);
    std::string ExecuteShow(const std::vector<std::string>& words);

    DoubleState& m_state;
    HANDLE m_commands = INVALID_HANDLE_VALUE;
    LineFile m_replies;
    unsigned long long m_offset = 0;
    std::string m_pending;  // a line not yet ended
    bool m_quit = false;
};

}  // namespace ppt
