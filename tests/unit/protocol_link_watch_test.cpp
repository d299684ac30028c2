#include <gtest/gtest.h>

#include "protocol/LinkWatch.h"

namespace {

using Action = CLinkWatch::Action;

// Ticks every 500 ms from `from` to `to` (exclusive) and returns the first action other than
// None with its time, or None at `to`.
struct Outcome {
    Action action;
    uint64_t at;
};
Outcome RunUntilAction(CLinkWatch& watch, uint64_t from, uint64_t to, uint64_t heard, bool holding)
{
    for (uint64_t now = from; now < to; now += 500) {
        const Action action = watch.Tick(now, heard, holding);
        if (action != Action::None)
            return {action, now};
    }
    return {Action::None, to};
}

TEST(LinkWatch, ASilentPhoneIsAskedThenGivenUp)
{
    struct Case {
        const char* what;
        bool holding;
        uint64_t probeAt;
    };
    const Case cases[] = {
        {"holding", true, CLinkWatch::kHeldSilenceMs},
        {"idle", false, CLinkWatch::kIdleSilenceMs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CLinkWatch watch;
        watch.Reset();
        const Outcome probe = RunUntilAction(watch, 0, 200000, 0, c.holding);
        EXPECT_EQ(probe.action, Action::Probe);
        EXPECT_EQ(probe.at, c.probeAt);
        EXPECT_TRUE(watch.IsAnswerDue());
        const Outcome lost = RunUntilAction(watch, probe.at + 500, 200000, 0, c.holding);
        EXPECT_EQ(lost.action, Action::Lost);
        EXPECT_EQ(lost.at, probe.at + CLinkWatch::kAnswerLimitMs);
    }
    // The figure promised for a vanished phone that holds a key: given up within 10 s, even
    // with a tick's delay on either side.
    EXPECT_LE(CLinkWatch::kHeldSilenceMs + CLinkWatch::kAnswerLimitMs + 1000, 10000u);
}

TEST(LinkWatch, APhoneThatAnswersIsNeverGivenUpHoweverLongItHolds)
{
    CLinkWatch watch;
    watch.Reset();
    uint64_t heard = 0;
    int probes = 0;
    // Ten minutes of holding a key without sending a byte, except the answer to each probe,
    // which comes one tick later.
    bool answerNext = false;
    for (uint64_t now = 0; now < 600000; now += 500) {
        if (answerNext) {
            ++heard;
            watch.AnswerReceived();
            answerNext = false;
        }
        const Action action = watch.Tick(now, heard, true);
        ASSERT_NE(action, Action::Lost) << "at " << now;
        if (action == Action::Probe) {
            ++probes;
            answerNext = true;
        }
    }
    // Probed every few seconds of silence, not every tick.
    EXPECT_GT(probes, 100);
    EXPECT_LT(probes, 600000 / CLinkWatch::kHeldSilenceMs + 1);
}

TEST(LinkWatch, AnyByteCountsAsAnAnswerAndKeepsTheSilenceFromCounting)
{
    CLinkWatch watch;
    watch.Reset();
    // Key traffic every 2 s: never silent long enough to ask.
    uint64_t heard = 0;
    for (uint64_t now = 0; now < 30000; now += 500) {
        if (now % 2000 == 0)
            ++heard;
        ASSERT_EQ(watch.Tick(now, heard, true), Action::None) << "at " << now;
    }
    // A probe answered by a key event instead of the synchronisation message: present, so not
    // lost; the synchronisation answer may still follow and must not be echoed, until the limit.
    const Outcome probe = RunUntilAction(watch, 30000, 40000, heard, true);
    ASSERT_EQ(probe.action, Action::Probe);
    EXPECT_EQ(watch.Tick(probe.at + 500, heard + 1, false), Action::None);
    EXPECT_TRUE(watch.IsAnswerDue());
    EXPECT_EQ(RunUntilAction(watch, probe.at + 1000, probe.at + CLinkWatch::kAnswerLimitMs + 500, heard + 1, false)
                  .action,
              Action::None);
    EXPECT_FALSE(watch.IsAnswerDue());
}

}  // namespace
