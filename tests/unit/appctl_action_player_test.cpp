#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "FakeInputSynth.h"
#include "appctl/ActionPlayer.h"

namespace {

using Events = std::vector<std::string>;

constexpr uint32_t kWindow = 0x1234;

CActionSequence Sequence(const std::u16string& value)
{
    CActionSequence sequence;
    sequence.Parse(value);
    return sequence;
}

// A player over a recording synth, with a mouse speed the test can change between ticks.
struct PlayerFixture {
    CFakeInputSynth input;
    int32_t speed = 100;
    CActionPlayer player{input, [this] { return speed; }};

    void Press(const std::u16string& value) { player.Press(Sequence(value), kWindow); }
    void Release(const std::u16string& value) { player.Release(Sequence(value), kWindow); }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            player.OnTick();
    }
};

TEST(ActionPlayer, KeyOrderOfPressAndRelease)
{
    struct Case {
        std::u16string value;
        Events down;
        Events up;
    };
    const Case cases[] = {
        {u"KEY(A);KEY(B)", {"key+ 0x41", "key+ 0x42"}, {"key- 0x41", "key- 0x42"}},
        {u"key(tab,alt)", {"key+ 0x12", "key+ 0x09"}, {"key- 0x09", "key- 0x12"}},
        {u"KEY(A,ctrl);KEY(B,ctrl)",
         {"key+ 0x11", "key+ 0x41", "key+ 0x11", "key+ 0x42"},
         {"key- 0x41", "key- 0x11", "key- 0x42", "key- 0x11"}},
        // Modifiers go down in the order Shift, Ctrl, Alt, Windows, and up in that same order.
        {u"KEY(F5,win,alt,ctrl)",
         {"key+ 0x11", "key+ 0x12", "key+ 0x5B", "key+ 0x74"},
         {"key- 0x74", "key- 0x11", "key- 0x12", "key- 0x5B"}},
        {u"KEY(5)", {"key+ 0x05"}, {"key- 0x05"}},
        {u"KEY(NUM_5)", {"key+ 0x35"}, {"key- 0x35"}},
        {u"KEY(PAD_ENTER,ctrl)", {"key+ 0x11", "key+ 0x0D keypad"}, {"key- 0x0D keypad", "key- 0x11"}},
        {u"KEY(A,Shift)", {"key+ 0x41"}, {"key- 0x41"}},
        // Only the low 8 bits of a number reach the input call.
        {u"KEY(321)", {"key+ 0x41"}, {"key- 0x41"}},
        {u"KEY(-191)", {"key+ 0x41"}, {"key- 0x41"}},
        // Low bytes 0 and 255 are no key: nothing is sent for them, modifiers still are.
        {u"KEY(0)", {}, {}},
        {u"KEY(0x41)", {}, {}},
        {u"KEY(256)", {}, {}},
        {u"KEY(-1)", {}, {}},
        {u"KEY(0,ctrl)", {"key+ 0x11"}, {"key- 0x11"}},
        // A value that failed keeps what came before the failing item, and plays it.
        {u"KEY(FOO)", {}, {}},
        {u"KEY(A);KEY(FOO);KEY(B)", {"key+ 0x41"}, {"key- 0x41"}},
        {u"MOUSE(BUTTON3);KEY(A)", {"right+", "key+ 0x41"}, {"right-", "key- 0x41"}},
    };
    for (const Case& c : cases) {
        PlayerFixture f;
        const CActionSequence sequence = Sequence(c.value);
        f.player.Press(sequence, kWindow);
        EXPECT_EQ(f.input.Take(), c.down) << "press " << testing::PrintToString(c.down);
        f.player.Release(sequence, kWindow);
        EXPECT_EQ(f.input.Take(), c.up) << "release " << testing::PrintToString(c.up);
    }
}

// One step of a button script: press or release a MOUSE(BUTTONn) sequence, or let ticks pass.
struct Step {
    char what;  // 'P' press, 'R' release, 'T' ticks
    int value;  // button number 1 to 3, or the tick count
};

TEST(ActionPlayer, ButtonStateMachine)
{
    struct Case {
        const char* name;
        std::vector<Step> steps;
        Events sent;
        int32_t state;
    };
    const Case cases[] = {
        {"click", {{'P', 1}, {'R', 1}}, {"left+", "left-"}, BUTTONS_NONE},
        {"held 18 ticks still clicks",
         {{'P', 1}, {'T', 18}, {'R', 1}},
         {"left+", "left-"},
         BUTTONS_NONE},
        {"held 19 ticks latches", {{'P', 1}, {'T', 19}, {'R', 1}}, {"left+"}, BUTTONS_LEFT_LATCHED},
        {"latched, a quick click lets go",
         {{'P', 1}, {'T', 19}, {'R', 1}, {'T', 50}, {'P', 1}, {'R', 1}},
         {"left+", "left-"},
         BUTTONS_NONE},
        {"latched, held again stays down",
         {{'P', 1}, {'T', 19}, {'R', 1}, {'P', 1}, {'T', 19}, {'R', 1}},
         {"left+"},
         BUTTONS_LEFT_LATCHED},
        {"latched, re-press restarts the hold time",
         {{'P', 1}, {'T', 19}, {'R', 1}, {'P', 1}, {'T', 18}, {'R', 1}},
         {"left+", "left-"},
         BUTTONS_NONE},
        {"ticks before the press do not count",
         {{'T', 40}, {'P', 1}, {'R', 1}},
         {"left+", "left-"},
         BUTTONS_NONE},
        {"middle never latches", {{'P', 2}, {'T', 40}, {'R', 2}}, {"middle+", "middle-"}, BUTTONS_NONE},
        {"right never latches", {{'P', 3}, {'T', 40}, {'R', 3}}, {"right+", "right-"}, BUTTONS_NONE},
        {"one button at a time", {{'P', 1}, {'P', 2}, {'P', 3}, {'P', 1}}, {"left+"}, BUTTONS_LEFT},
        {"middle held ignores others", {{'P', 2}, {'P', 1}, {'P', 3}}, {"middle+"}, BUTTONS_MIDDLE},
        {"latched ignores middle and right", {{'P', 1}, {'T', 19}, {'R', 1}, {'P', 2}, {'P', 3}},
         {"left+"}, BUTTONS_LEFT_LATCHED},
        // Releases act in every state.
        {"middle up while left held", {{'P', 1}, {'R', 2}}, {"left+", "middle-"}, BUTTONS_NONE},
        {"left up with nothing pressed", {{'R', 1}}, {"left-"}, BUTTONS_NONE},
    };
    for (const Case& c : cases) {
        PlayerFixture f;
        for (const Step& step : c.steps) {
            const char16_t digit = static_cast<char16_t>(u'0' + step.value);
            const std::u16string button = u"MOUSE(BUTTON" + std::u16string(1, digit) + u")";
            if (step.what == 'P')
                f.Press(button);
            else if (step.what == 'R')
                f.Release(button);
            else
                f.Ticks(step.value);
        }
        EXPECT_EQ(f.input.Events(), c.sent) << c.name;
        EXPECT_EQ(f.player.GetButtonState(), c.state) << c.name;
    }
}

// Pointer steps of RIGHT held for as many ticks as there are expected moves.
std::vector<int32_t> RampOf(int32_t speed, size_t ticks)
{
    PlayerFixture f;
    f.speed = speed;
    f.Press(u"MOUSE(RIGHT)");
    f.Ticks(static_cast<int>(ticks));
    std::vector<int32_t> steps;
    for (const std::string& event : f.input.Events()) {
        EXPECT_EQ(event.substr(event.size() - 2), ",0");
        steps.push_back(std::stoi(event.substr(5)));
    }
    return steps;
}

TEST(ActionPlayer, MotionRampPerSpeed)
{
    struct Case {
        int32_t speed;
        std::vector<int32_t> steps;
    };
    const Case cases[] = {
        {10, {1, 3, 5, 7, 9, 10, 10}},
        {100, {1, 12, 23, 34, 45, 56, 67, 78, 89, 100, 100}},
        {250, {1, 27, 53, 79, 105, 131, 157, 183, 209, 235, 250, 250}},
        {9, {1, 2, 3, 4, 5, 6, 7, 8, 9, 9}},
        {5, {1, 2, 3, 4, 5, 5}},
        {1, {1, 1, 1}},
        // Stored speeds are not range-checked: below 1 the pointer still crawls forward.
        {0, {1, 1, 1}},
        {-1, {1, 1, 1}},
        {-100, {1, 1, 1, 1}},
        {std::numeric_limits<int32_t>::min(), {1, 1, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RampOf(c.speed, c.steps.size()), c.steps) << "speed " << c.speed;
}

// The largest speed must neither overflow nor turn the step around.
TEST(ActionPlayer, MotionRampAtLargestSpeed)
{
    const int32_t max = std::numeric_limits<int32_t>::max();
    const std::vector<int32_t> steps = RampOf(max, 40);
    ASSERT_EQ(steps.size(), 40u);
    EXPECT_EQ(steps[0], 1);
    EXPECT_EQ(steps[1], 214748366);
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_GE(steps[i], steps[i - 1]) << i;
    EXPECT_EQ(steps.back(), max);

    PlayerFixture f;
    f.speed = max;
    f.Press(u"MOUSE(UP)");
    f.Ticks(40);
    EXPECT_EQ(f.input.Events().back(), "move 0,-2147483647");
}

TEST(ActionPlayer, DirectionsMoveTheRightWay)
{
    struct Case {
        std::u16string value;
        Events moves;
    };
    const Case cases[] = {
        {u"MOUSE(LEFT)", {"move -1,0", "move -3,0"}},
        {u"MOUSE(RIGHT)", {"move 1,0", "move 3,0"}},
        {u"MOUSE(UP)", {"move 0,-1", "move 0,-3"}},
        {u"MOUSE(DOWN)", {"move 0,1", "move 0,3"}},
    };
    for (const Case& c : cases) {
        PlayerFixture f;
        f.speed = 10;
        f.Press(c.value);
        f.Ticks(2);
        f.Release(c.value);
        f.Ticks(3);  // released: no more motion
        EXPECT_EQ(f.input.Events(), c.moves) << testing::PrintToString(c.moves);
    }
}

TEST(ActionPlayer, DirectionChangeResetsStepSameDirectionKeepsIt)
{
    PlayerFixture f;
    f.Ticks(5);  // the step grows while idle, but a new direction starts from 1
    f.Press(u"MOUSE(RIGHT)");
    f.Ticks(3);
    f.player.SetMouseDirection(DIRECTION_RIGHT);
    f.Ticks(1);
    f.Press(u"MOUSE(LEFT)");  // a second key held: new direction, new ramp
    f.Ticks(2);
    f.Release(u"MOUSE(RIGHT)");  // stops whichever direction is current
    f.Ticks(2);
    f.player.SetMouseDirection(DIRECTION_DOWN);
    f.Ticks(1);
    f.player.SetMouseDirection(7);  // not a direction: stops
    f.Ticks(2);
    EXPECT_EQ(f.input.Events(), (Events{"move 1,0", "move 12,0", "move 23,0", "move 34,0",
                                        "move -1,0", "move -12,0", "move 0,1"}));
    EXPECT_EQ(f.player.GetDirection(), DIRECTION_NONE);
}

TEST(ActionPlayer, SpeedIsReadOnEveryTick)
{
    PlayerFixture f;
    f.Press(u"MOUSE(DOWN)");
    f.Ticks(3);  // 1, 12, 23; the next step is 34
    f.speed = 10;
    f.Ticks(2);  // 34 was already due; the step after it is capped at the new speed
    f.speed = 250;
    f.Ticks(3);  // grows again by 250 / 10 + 1
    EXPECT_EQ(f.input.Events(), (Events{"move 0,1", "move 0,12", "move 0,23", "move 0,34",
                                        "move 0,10", "move 0,10", "move 0,36", "move 0,62"}));
}

}  // namespace

// What the phone holds when it goes away is let go, the last pressed first; what is not held
// gets no up event.
TEST(ActionPlayer, ReleaseAllLetsGoOfWhatIsHeldInReverseOrder)
{
    struct Case {
        const char* what;
        std::vector<std::u16string> pressed;   // pressed in this order
        std::vector<std::u16string> released;  // then released in this order
        int ticks;                              // ticks between presses and releases
        Events releaseAll;
    };
    const Case cases[] = {
        {"modifier and key", {u"KEY(A,ctrl,alt)"}, {}, 0, {"key- 0x41", "key- 0x12", "key- 0x11"}},
        // Ctrl went down twice but is down once: one up, where it last went down.
        {"shared modifier", {u"KEY(A,ctrl);KEY(B,ctrl)"}, {}, 0, {"key- 0x42", "key- 0x41", "key- 0x11"}},
        {"key and button", {u"KEY(Q,shift)", u"MOUSE(BUTTON3)"}, {}, 0, {"right-", "key- 0x51", "key- 0x10"}},
        {"latched left button", {u"MOUSE(BUTTON1)"}, {u"MOUSE(BUTTON1)"}, 19, {"left-"}},
        // The two Enter keys share a virtual key but are held apart, each let go as it went down.
        {"one of two Enter keys", {u"KEY(PAD_ENTER)", u"KEY(RETURN)"}, {u"KEY(RETURN)"}, 0, {"key- 0x0D keypad"}},
        {"both Enter keys", {u"KEY(PAD_ENTER)", u"KEY(RETURN)"}, {}, 0, {"key- 0x0D", "key- 0x0D keypad"}},
        {"released already", {u"KEY(A,ctrl)", u"MOUSE(BUTTON1)"}, {u"KEY(A,ctrl)", u"MOUSE(BUTTON1)"}, 0, {}},
        {"nothing pressed", {}, {}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlayerFixture f;
        for (const auto& value : c.pressed)
            f.Press(value);
        f.Ticks(c.ticks);
        for (const auto& value : c.released)
            f.Release(value);
        EXPECT_EQ(f.player.IsHolding(), !c.releaseAll.empty());
        f.input.Take();
        f.player.ReleaseAll();
        EXPECT_EQ(f.input.Take(), c.releaseAll);
        EXPECT_FALSE(f.player.IsHolding());
        // Released means released: a second call sends nothing.
        f.player.ReleaseAll();
        EXPECT_EQ(f.input.Take(), Events{});
    }
}

TEST(ActionPlayer, ReleaseAllStopsThePointerAndTheNextPressStartsAfresh)
{
    PlayerFixture f;
    f.Press(u"MOUSE(RIGHT)");
    f.Ticks(3);
    EXPECT_TRUE(f.player.IsHolding());
    f.player.ReleaseAll();
    f.input.Take();
    f.Ticks(2);
    EXPECT_EQ(f.input.Take(), Events{});
    // A button pressed after the release goes down again (the state was reset, not left at held).
    f.Press(u"MOUSE(BUTTON2)");
    EXPECT_EQ(f.input.Take(), Events{"middle+"});
}
