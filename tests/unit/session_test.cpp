#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeInputSynth.h"
#include "FakeLinkNotify.h"
#include "FakeProtocolOwner.h"
#include "FakeProcessList.h"
#include "FakeSerialPort.h"
#include "FakeWindowSystem.h"
#include "TestBytes.h"
#include "TestProfiles.h"
#include "TestTimerService.h"
#include "appctl/ActionPlayer.h"
#include "appctl/AppList.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/PhoneKeys.h"
#include "protocol/RCProtocolServer.h"
#include "session/Session.h"

namespace {

using Lines = std::vector<std::string>;

constexpr uint32_t kNotes = 0x10;
constexpr uint32_t kOther = 0x20;

class CRecordingView : public ISessionView {
public:
    void ShowLinkState(ELinkState state) override { m_states.push_back(state); }
    void ShowPortFailure(const std::u16string& portName) override { m_failures.push_back(portName); }

    std::vector<ELinkState> m_states;
    std::vector<std::u16string> m_failures;
};

class SessionTest : public ::testing::Test {
protected:
    SessionTest()
    {
        m_profiles.push_back(m_maker.Make({u"Notes", u"Notepad", u"", u"",
                                           {{u"1", u"KEY(C,ctrl)"}, {u"Left", u"MOUSE(LEFT)"},
                                            {u"Button", u"MOUSE(BUTTON1)"}},
                                           true, false}));
        m_profiles.push_back(m_maker.Make({u"Other", u"Other", u"", u"", {{u"1", u"KEY(B)"}}, true, false}));
        m_desktop.AddWindow(kNotes, u"Notepad");
        m_desktop.AddWindow(kOther, u"Other");
        m_session.Start(u"COM3", &m_notify);
        Settle();
        Phone(CRCMsgConnect(u"01.01.00").Encode());
        Phone(Hex("04 00 00"));
        m_port.TakeWritten();
    }

    void Settle() { SettleLinkOpen(m_server, m_notify); }
    void Phone(const std::vector<uint8_t>& bytes)
    {
        m_server.GetLink().GetDataBuffer().Append(bytes.data(), static_cast<int32_t>(bytes.size()));
        m_server.OnData();
    }
    void Select(uint32_t window)
    {
        Phone(Concat({Hex("03 06 00"), {static_cast<uint8_t>(window), 0, 0, 0, 0, 0}}));
    }
    void Key(uint8_t kind, const char16_t* name)
    {
        Phone(CRCMsgKeyEvent(kind, *FindPhoneKeyCode(name)).Encode());
    }

    CTestProfiles m_maker;
    CAppList::ProfileSet m_profiles;
    CFakeWindowSystem m_desktop;
    CFakeProcessListFactory m_processes;
    CFakeInputSynth m_input;
    CActionPlayer m_player{m_input, [] { return 10; }};
    CAppList m_list{m_desktop, m_processes, m_player, m_profiles, nullptr};
    CTestTimerService m_timers;
    std::shared_ptr<FakeSerialPort> m_portOwner = std::make_shared<FakeSerialPort>();
    FakeSerialPort& m_port = *m_portOwner;
    FakeLinkNotify m_notify;
    CRCProtocolServer m_server{m_portOwner, u"01.01.00", m_timers};
    CRecordingView m_view;
    CSession m_session{m_server, m_list, m_player, m_timers, m_view};
};

// Whatever ends the phone's hold on the selected application lets go of what it pressed (and
// nothing else), and keys after it reach the application the phone has then.
TEST_F(SessionTest, HeldInputIsReleasedWheneverThePhoneOrItsSelectionGoes)
{
    const Lines ctrlC = {"key+ 0x11", "key+ 0x43"};
    const Lines released = {"key- 0x43", "key- 0x11"};
    struct Case {
        const char* what;
        std::function<void()> end;
        bool stillSelected;
    };
    const Case cases[] = {
        {"phone disconnects", [&] { Phone(Hex("02 01 00 02")); }, false},
        {"recovery fails", [&] { Phone(Hex("07 00 00")); m_timers.Advance(RC_SYNC_TIMEOUT_MS); }, false},
        {"another selection", [&] { Select(kOther); }, true},
        {"window closed", [&] { m_desktop.Close(kNotes); m_timers.Advance(CSession::kPollPeriodMs); }, false},
        {"settings applied", [&] { m_session.ApplySettings(m_profiles, u"COM3"); }, true},
        {"shut down", [&] { m_session.ShutDown(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Select(kNotes);
        ASSERT_NE(m_session.GetSelected(), nullptr);
        m_input.Take();
        Key(0, u"1");
        ASSERT_EQ(m_input.Take(), ctrlC);
        c.end();
        EXPECT_EQ(m_input.Take(), released);
        EXPECT_FALSE(m_player.IsHolding());
        EXPECT_EQ(m_session.GetSelected() != nullptr, c.stillSelected);
        Key(1, u"1");
        m_input.Take();
        if (m_server.GetState() != RC_STATE_CONNECTED) {
            if (m_server.GetState() == RC_STATE_STOPPED)
                break;  // shut down: the last case
            Settle();
            Phone(CRCMsgConnect(u"01.01.00").Encode());
            Phone(Hex("04 00 00"));
        }
        m_desktop.AddWindow(kNotes, u"Notepad");
        Phone(Hex("04 00 00"));
    }
}

// The 55 ms clock runs only while the pointer moves or a left button waits to latch.
TEST_F(SessionTest, MotionClockRunsOnlyWhileThePlayerNeedsIt)
{
    Select(kNotes);
    EXPECT_FALSE(m_timers.IsRunning(CSession::kMotionTimer));
    Key(0, u"Left");
    EXPECT_TRUE(m_timers.IsRunning(CSession::kMotionTimer));
    m_input.Take();
    m_timers.Advance(3 * CSession::kMotionPeriodMs);
    EXPECT_EQ(m_input.Take().size(), 3u);
    Key(1, u"Left");
    EXPECT_FALSE(m_timers.IsRunning(CSession::kMotionTimer));

    // A held button latches after about a second, and the clock stops once it has.
    Key(0, u"Button");
    EXPECT_TRUE(m_timers.IsRunning(CSession::kMotionTimer));
    m_timers.Advance(2000);
    EXPECT_FALSE(m_timers.IsRunning(CSession::kMotionTimer));
    Key(1, u"Button");
    EXPECT_EQ(m_player.GetButtonState(), BUTTONS_LEFT_LATCHED);
    // A quick press ends the latch, and nothing needs the clock any more.
    Key(0, u"Button");
    Key(1, u"Button");
    EXPECT_EQ(m_player.GetButtonState(), BUTTONS_NONE);
    m_timers.Advance(CSession::kMotionPeriodMs);
    EXPECT_FALSE(m_timers.IsRunning(CSession::kMotionTimer));
}

// A port that cannot be opened is reported once; the poll keeps trying, and a changed port is
// reported again when it fails too.
TEST_F(SessionTest, PortFailureIsShownOnceUntilThePortChanges)
{
    m_port.m_failOpen = true;
    Phone(Hex("02 01 00 02"));
    Settle();
    EXPECT_EQ(m_server.GetState(), RC_STATE_STOPPED);
    for (int poll = 0; poll < 3; ++poll) {
        m_timers.Advance(CSession::kPollPeriodMs);
        Settle();
    }
    EXPECT_EQ(m_port.OpenedNames().size(), 1u + 1u + 3u);
    EXPECT_EQ(m_view.m_failures, std::vector<std::u16string>{u"COM3"});
    m_session.ApplySettings(m_profiles, u"COM4");
    Settle();
    EXPECT_EQ(m_view.m_failures, (std::vector<std::u16string>{u"COM3", u"COM4"}));
    m_port.m_failOpen = false;
    m_timers.Advance(CSession::kPollPeriodMs);
    Settle();
    EXPECT_EQ(m_server.GetState(), RC_STATE_WAITING);
    EXPECT_EQ(m_view.m_states.back(), ELinkState::Waiting);
}

}  // namespace
