#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeInputSynth.h"
#include "FakeWindowSystem.h"
#include "TestProfiles.h"
#include "appctl/ActionPlayer.h"
#include "appctl/AppMgrGeneric.h"

namespace {

using Lines = std::vector<std::string>;

constexpr uint32_t kWindow = 0x2A0;
constexpr uint16_t kKey1 = 0x0031;
constexpr uint16_t kKeyStar = 0x002A;
constexpr uint16_t kKeyHash = 0x0023;
constexpr uint16_t kKeyButton = 0xF845;

// A manager of one window on a scripted desktop, with the profile's mapping loaded and a
// player whose input is recorded.
struct ManagerFixture {
    explicit ManagerFixture(std::u16string windowClass = u"Notepad")
    {
        desktop.AddWindow(kWindow, std::move(windowClass), u"notes.txt - Notepad", 42);
        const ProfileSpec spec{u"Notes", u"Notepad", u"", u"",
                               {{u"1", u"KEY(A)"},
                                {u"Star", u"KEY(TAB,alt)"},
                                {u"Button", u"MOUSE(BUTTON1)"},
                                {u"Hash", u"NOSUCHTHING(1)"},
                                {u"NotAKey", u"KEY(Z)"}}};
        manager.LoadKeyMapping(profiles.Make(spec)->GetKeyMapping());
    }

    CTestProfiles profiles;
    CFakeWindowSystem desktop;
    CFakeInputSynth input;
    CActionPlayer player{input, [] { return 10; }};
    CAppMgrGeneric manager{desktop, player, kWindow, u"Notes"};
};

TEST(AppMgrGeneric, KeyEventsPlayTheMappingAndBringTheWindowForward)
{
    struct Case {
        const char* what;
        uint8_t kind;
        uint16_t code;
        bool bringToTop;
        Lines input;
        Lines windowCalls;
    };
    const Lines front = {"foreground 0x2A0", "placement 0x2A0"};
    const Case cases[] = {
        {"press", 0, kKey1, true, {"key+ 0x41"}, front},
        {"release", 1, kKey1, true, {"key- 0x41"}, front},
        {"press with modifier", 0, kKeyStar, true, {"key+ 0x12", "key+ 0x09"}, front},
        {"mouse button", 0, kKeyButton, true, {"left+"}, front},
        {"kind 2 plays nothing", 2, kKey1, true, {}, front},
        {"kind 255 plays nothing", 255, kKey1, true, {}, front},
        {"value that failed to parse", 0, kKeyHash, true, {}, front},
        {"BringToTop off", 0, kKey1, false, {"key+ 0x41"}, {}},
        {"key without mapping", 0, 0x0032, true, {}, {}},
        {"unknown key code", 0, 0xFFFF, true, {}, {}},
        {"code of no phone key", 1, 0x1234, true, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ManagerFixture f;
        f.manager.SetBringToTop(c.bringToTop);
        f.manager.KeyEvent(c.kind, c.code);
        EXPECT_EQ(f.input.Events(), c.input);
        EXPECT_EQ(f.desktop.m_calls, c.windowCalls);
    }
}

// When Windows refuses to bring the window forward, a press goes nowhere rather than into the
// program that has the focus; its release plays nothing either, and the next press tries again.
TEST(AppMgrGeneric, RefusedForegroundPlaysNoPressUntilTheWindowIsInFront)
{
    ManagerFixture f;
    f.desktop.m_refuseForeground = true;
    f.manager.KeyEvent(0, kKeyStar);
    f.manager.KeyEvent(1, kKeyStar);
    EXPECT_EQ(f.input.Take(), Lines{});
    EXPECT_FALSE(f.player.IsHolding());

    // Pressed while in front, released after the user took the front away: the keys come up.
    f.desktop.m_refuseForeground = false;
    f.manager.KeyEvent(0, kKeyStar);
    f.desktop.m_refuseForeground = true;
    f.manager.KeyEvent(1, kKeyStar);
    EXPECT_EQ(f.input.Take(), (Lines{"key+ 0x12", "key+ 0x09", "key- 0x09", "key- 0x12"}));

    // BringToTop off: the manager does not ask, so nothing is withheld.
    f.manager.SetBringToTop(false);
    f.manager.KeyEvent(0, kKey1);
    EXPECT_EQ(f.input.Take(), Lines{"key+ 0x41"});
}

TEST(AppMgrGeneric, UserInterfaceEventsAndPollProduceNothing)
{
    ManagerFixture f;
    f.manager.Poll();
    f.manager.OnButton(1, 1);
    f.manager.OnListBox(2, 0, u"x");
    f.manager.OnEditBox(3, u"text");
    f.manager.OnCheckBox(4, 2, {1, 0});
    f.manager.OnRadioButton(5, 1);
    EXPECT_TRUE(f.input.Events().empty());
    EXPECT_TRUE(f.desktop.m_calls.empty());
}

TEST(AppMgrGeneric, AutoRestoreRestoresThePlacementOrShowsTheWindowNormally)
{
    struct Case {
        const char* what;
        bool autoRestore;
        uint32_t showState;
        bool readFails;
        bool writeFails;
        Lines calls;
        uint32_t showStateAfter;
    };
    const Case cases[] = {
        {"off leaves a minimised window minimised", false, IWindowSystem::kShowMinimized, false, false,
         {"foreground 0x2A0"}, IWindowSystem::kShowMinimized},
        {"on restores a maximised window", true, IWindowSystem::kShowMaximized, false, false,
         {"foreground 0x2A0", "placement 0x2A0"}, IWindowSystem::kShowNormal},
        {"on restores a minimised window", true, IWindowSystem::kShowMinimized, false, false,
         {"foreground 0x2A0", "placement 0x2A0"}, IWindowSystem::kShowNormal},
        {"failed write falls back to showing normally", true, IWindowSystem::kShowMinimized, false, true,
         {"foreground 0x2A0", "placement 0x2A0", "show 0x2A0"}, IWindowSystem::kShowNormal},
        {"failed read skips the write", true, IWindowSystem::kShowMinimized, true, false, {"foreground 0x2A0"},
         IWindowSystem::kShowMinimized},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ManagerFixture f;
        f.desktop.At(kWindow).m_showState = c.showState;
        f.desktop.m_failPlacementRead = c.readFails;
        f.desktop.m_failPlacementWrite = c.writeFails;
        f.manager.SetAutoRestore(c.autoRestore);
        f.manager.KeyEvent(0, kKey1);
        EXPECT_EQ(f.desktop.m_calls, c.calls);
        EXPECT_EQ(f.desktop.At(kWindow).m_showState, c.showStateAfter);
        EXPECT_EQ(f.desktop.m_foreground, kWindow);
        EXPECT_EQ(f.input.Events(), Lines{"key+ 0x41"});
    }
}

TEST(AppMgrGeneric, SelectionAlwaysBringsTheWindowForward)
{
    struct Case {
        bool active;
        bool bringToFront;
        bool activeAfter;
        Lines calls;
    };
    const Case cases[] = {
        {true, true, true, {"foreground 0x2A0", "placement 0x2A0"}},
        {true, false, true, {}},
        {false, true, false, {}},
        {false, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.active << c.bringToFront);
        ManagerFixture f;
        f.manager.SetBringToTop(false);  // concerns key events only
        if (!c.active)
            f.manager.SetActive(true, false);
        f.manager.SetActive(c.active, c.bringToFront);
        EXPECT_EQ(f.manager.IsActive(), c.activeAfter);
        EXPECT_EQ(f.desktop.m_calls, c.calls);
    }
}

TEST(AppMgrGeneric, DesktopWindowIsNeverActivatedNorBroughtForward)
{
    ManagerFixture f(u"Progman");
    f.manager.SetActive(true, true);
    EXPECT_FALSE(f.manager.IsActive());
    f.manager.BringToFront();
    f.manager.KeyEvent(0, kKey1);
    EXPECT_TRUE(f.desktop.m_calls.empty());
    // The key is still played, into whatever has the focus.
    EXPECT_EQ(f.input.Events(), Lines{"key+ 0x41"});

    // The rule compares the class exactly.
    ManagerFixture other(u"progman");
    other.manager.SetActive(true, true);
    EXPECT_TRUE(other.manager.IsActive());
    EXPECT_EQ(other.desktop.m_foreground, kWindow);
}

// A class name longer than the list's 100-character buffer must not hide the desktop rule, and
// one that merely starts with "Progman" is not the desktop.
TEST(AppMgrGeneric, DesktopRuleReadsTheWholeClassName)
{
    ManagerFixture f(u"Progman" + std::u16string(200, u'x'));
    f.manager.SetActive(true, true);
    EXPECT_TRUE(f.manager.IsActive());
    EXPECT_EQ(f.desktop.m_foreground, kWindow);
}

TEST(AppMgrGeneric, KeyMappingIsACopyThatAReloadReplaces)
{
    CFakeWindowSystem desktop;
    desktop.AddWindow(kWindow, u"Notepad");
    CFakeInputSynth input;
    CActionPlayer player(input, [] { return 10; });
    CAppMgrGeneric manager(desktop, player, kWindow, u"Notes");
    CTestProfiles profiles;

    auto profile = profiles.Make({u"Notes", u"Notepad", u"", u"", {{u"1", u"KEY(A)"}, {u"2", u"KEY(B)"}}});
    manager.LoadKeyMapping(profile->GetKeyMapping());
    profile.reset();  // a profile reload destroys the old profile
    manager.KeyEvent(0, kKey1);
    manager.KeyEvent(0, 0x0032);
    EXPECT_EQ(input.Take(), (Lines{"key+ 0x41", "key+ 0x42"}));

    profile = profiles.Make({u"Notes", u"Notepad", u"", u"", {{u"2", u"KEY(C)"}}});
    manager.LoadKeyMapping(profile->GetKeyMapping());
    manager.KeyEvent(0, kKey1);
    manager.KeyEvent(0, 0x0032);
    EXPECT_EQ(input.Take(), (Lines{"key+ 0x43"}));
}

}  // namespace
