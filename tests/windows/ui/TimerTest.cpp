// The timer's rules: when it runs, what a change does, and Windows refusing
// a timer.
#include <gtest/gtest.h>

#include "UiTests.h"
#include "rtl/Exceptions.h"
#include "toolkit/Application.h"

namespace {

TEST(Timer, CreatedEnabledAt1000AndStartsWhenTheHandlerIsBound)
{
    TTimer Timer;
    EXPECT_TRUE(Timer.Enabled());
    EXPECT_EQ(1000, Timer.Interval());
    EXPECT_FALSE(Timer.Running());
    Timer.SetInterval(20);
    EXPECT_FALSE(Timer.Running());
    int Ticks = 0;
    TObject* Sender = nullptr;
    Timer.SetOnTimer([&](TObject* S) { Sender = S; ++Ticks; });
    EXPECT_TRUE(Timer.Running());
    EXPECT_TRUE(PumpUntil([&] { return Ticks >= 2; }, 5000));
    EXPECT_EQ(&Timer, Sender);
}

TEST(Timer, RunsOnlyWhileEnabledWithANonZeroInterval)
{
    const struct {
        bool Enabled;
        int Interval;
        bool Runs;
    } Cases[] = {{true, 20, true}, {false, 20, false}, {true, 0, false}, {false, 0, false}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << "Enabled " << C.Enabled << ", Interval " << C.Interval);
        TTimer Timer;
        Timer.SetInterval(C.Interval);
        Timer.SetEnabled(C.Enabled);
        int Ticks = 0;
        Timer.SetOnTimer([&](TObject*) { ++Ticks; });
        EXPECT_EQ(C.Runs, Timer.Running());
        if (C.Runs)
            EXPECT_TRUE(PumpUntil([&] { return Ticks > 0; }, 5000));
        else
            PumpFor(500);
        EXPECT_EQ(C.Runs, Ticks > 0);
    }
}

TEST(Timer, AnExpiryOfAnEarlierPeriodDoesNotCountAfterARestart)
{
    TTimer Timer;
    Timer.SetInterval(20);
    int Ticks = 0;
    Timer.SetOnTimer([&](TObject*) { ++Ticks; });
    ASSERT_TRUE(PumpUntil([&] { return Ticks > 0; }, 5000));
    Sleep(100);   // an expiry is due, not yet dispatched
    Timer.SetEnabled(false);
    Timer.SetInterval(5000);
    Timer.SetEnabled(true);
    Ticks = 0;
    PumpFor(1000);
    EXPECT_EQ(0, Ticks);
}

TEST(Timer, SettingTheCurrentValueAsksWindowsForNothing)
{
    TTimer Timer;
    Timer.SetInterval(20);
    int Ticks = 0;
    Timer.SetOnTimer([&](TObject*) { ++Ticks; });
    // The next request to Windows fails; only a real change makes one.
    Seams::FailSetTimers(1);
    EXPECT_NO_THROW(Timer.SetEnabled(true));
    EXPECT_NO_THROW(Timer.SetInterval(20));
    EXPECT_TRUE(Timer.Running());
    EXPECT_THROW(Timer.SetInterval(30), EOutOfResources);
    Seams::FailSetTimers(0);
}

TEST(Timer, RefusedTimerReadsEnabledButNeverTicksUntilTheNextStart)
{
    TTimer Timer;
    Timer.SetInterval(20);
    int Ticks = 0;
    Timer.SetOnTimer([&](TObject*) { ++Ticks; });
    Timer.SetEnabled(false);
    Seams::FailSetTimers(1);
    try {
        Timer.SetEnabled(true);
        ADD_FAILURE() << "no exception";
    } catch (const EOutOfResources& E) {
        EXPECT_EQ("タイマーを取得できません", E.Message());
    }
    EXPECT_TRUE(Timer.Enabled());
    EXPECT_FALSE(Timer.Running());
    PumpFor(500);
    EXPECT_EQ(0, Ticks);
    // Enabled already reads true: only a change starts it again.
    Timer.SetEnabled(true);
    EXPECT_FALSE(Timer.Running());
    Timer.SetInterval(25);
    EXPECT_TRUE(Timer.Running());
    EXPECT_TRUE(PumpUntil([&] { return Ticks > 0; }, 5000));
}

TEST(Timer, AnAbortInTheHandlerIsDroppedAndTicksGoOn)
{
    TTimer Timer;
    Timer.SetInterval(20);
    int Ticks = 0;
    Timer.SetOnTimer([&](TObject*) {
        ++Ticks;
        throw EAbort();
    });
    EXPECT_TRUE(PumpUntil([&] { return Ticks >= 3; }, 5000));
}

} // namespace
