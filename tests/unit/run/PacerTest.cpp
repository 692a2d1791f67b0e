// The reading pauses: each step's time counts toward its pause, a longer pause than
// asked is made up by the next ones, and the credit is bounded.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "run/Pacer.h"

namespace lorvel {
namespace {

// A clock the test moves; a sleep moves it by what was asked plus the oversleep.
struct FakeClock {
    std::uint64_t now = 1000000;
    std::uint64_t oversleep = 0;
    std::vector<std::uint32_t> sleeps;
    Pacer MakePacer()
    {
        return Pacer([this] { return now; },
                     [this](std::uint32_t ms) {
                         sleeps.push_back(ms);
                         now += std::uint64_t{ms} * 1000 + oversleep;
                     });
    }
};

struct PaceCase {
    std::string name;
    unsigned speed;                       // milliseconds asked after each step
    std::vector<std::uint64_t> stepWork;  // microseconds each step's own work takes
    std::uint64_t oversleep;              // microseconds each sleep runs over
    std::uint64_t wallAtLeast;            // the whole run, in microseconds, is at least
    std::uint64_t wallAtMost;             // ... and at most
    std::size_t sleepsAtMost;
};

TEST(PacerTest, StepsTakeWhatTheScriptAsksAndNoMore)
{
    const std::vector<PaceCase> cases = {
        // Work that takes no time (the simulated machine): every pause is whole.
        {"idle steps, 400 ms", 400, {0, 0, 0}, 0, 1200000, 1200000, 3},
        {"idle steps, 7 ms", 7, {0, 0, 0, 0}, 0, 28000, 28000, 4},
        // Work counts toward the pause: 400 ms steps of 150 ms work wait 250 ms each.
        {"half-filled steps", 400, {150000, 150000}, 0, 800000, 800000, 2},
        // Steps longer than asked wait for nothing.
        {"steps of 1.4 ms at 1 ms", 1, std::vector<std::uint64_t>(100, 1400), 0, 140000, 140000, 0},
        // Short steps wait only once their shortfall adds up to a millisecond.
        {"steps of 0.3 ms at 1 ms", 1, std::vector<std::uint64_t>(100, 300), 0, 99000, 100000, 70},
        // A timer that rounds every pause up to 15 ms: the overrun is made up.
        {"coarse timer", 1, std::vector<std::uint64_t>(300, 300), 14600, 299000, 300000 + 15600, 25},
        // A long step leaves at most 50 ms of credit: the next steps are not rushed.
        {"long step then short ones", 400, {5000000, 0, 0}, 0, 5000000 + 750000, 5000000 + 750000, 2},
    };
    for (const PaceCase& c : cases) {
        FakeClock clock;
        Pacer pacer = clock.MakePacer();
        const std::uint64_t start = clock.now;
        pacer.Hold(0);
        clock.sleeps.clear();
        clock.oversleep = c.oversleep;
        for (const std::uint64_t work : c.stepWork) {
            clock.now += work;
            pacer.Pace(c.speed);
        }
        const std::uint64_t wall = clock.now - start;
        EXPECT_GE(wall, c.wallAtLeast) << c.name;
        EXPECT_LE(wall, c.wallAtMost) << c.name;
        EXPECT_LE(clock.sleeps.size(), c.sleepsAtMost) << c.name;
    }
}

// A clock that jumps back (a counter on another core, a tick count that wrapped)
// counts as one that stood still: no pause grows past what its step asks.
TEST(PacerTest, AClockThatGoesBackMakesNoLongerPause)
{
    FakeClock clock;
    Pacer pacer = clock.MakePacer();
    pacer.Hold(0);
    clock.sleeps.clear();
    for (const std::int64_t jump : {-5000000ll, -1ll, -4294967296000ll + 5000000000ll}) {
        clock.now = static_cast<std::uint64_t>(static_cast<std::int64_t>(clock.now) + jump);
        pacer.Pace(7);
    }
    for (const std::uint32_t ms : clock.sleeps) EXPECT_LE(ms, 7u);
    EXPECT_EQ(clock.sleeps.size(), 3u);
}

TEST(PacerTest, AFixedPauseIsWholeAndStartsTheNextStepAfresh)
{
    FakeClock clock;
    Pacer pacer = clock.MakePacer();
    std::vector<std::uint32_t> told;
    pacer.beforeSleep = [&told](std::uint32_t ms) { told.push_back(ms); };
    clock.now += 3000000;  // a question the person took three seconds to answer
    pacer.Pace(400);       // the first step of a run waits its whole time
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{400}));
    clock.now += 2000000;
    pacer.Hold(1000);  // no credit from the two seconds before carries over it
    pacer.Pace(400);
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{400, 1000, 400}));
    EXPECT_EQ(told, clock.sleeps) << "each pause is told before it begins";
}

}  // namespace
}  // namespace lorvel
