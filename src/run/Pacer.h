// The pauses that let a person read each status text of a run. A step is given the
// time the script asks for, counted from the end of the step before: the time the
// step's own work took is part of it, and the pause waits only for the rest. A
// step that ran over its time, or a pause the system made longer than asked, leaves
// a credit of at most kCreditMicroseconds that shortens the next pauses, so short
// steps are not each rounded up to a whole millisecond (or, on Windows, to a whole
// timer tick of about 16 ms). A clock that went back counts as one that stood still,
// and no pause is longer than its step asks. With a simulated clock that only a
// pause moves, every pause is exactly the time asked.
//
//   Pacer pacer(system);
//   pacer.Hold(500);        // a fixed pause: always the whole 500 ms
//   pacer.Pace(400);        // the first step's pause: 400 ms less what the step took
//   pacer.Pace(1);          // after a step of 3 ms: no pause, 2 ms of credit
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/System.h"

namespace lorvel {

class Pacer {
public:
    static constexpr std::int64_t kCreditMicroseconds = 50000;

    using Clock = std::function<std::uint64_t()>;      // microseconds
    using Sleep = std::function<void(std::uint32_t)>;  // milliseconds

    explicit Pacer(platform::System& system);
    Pacer(Clock clock, Sleep sleep) : clock_(std::move(clock)), sleep_(std::move(sleep)) {}

    // Ends a step that asks for milliseconds of reading time.
    void Pace(unsigned milliseconds);
    // Told how long each pause will be, before it begins: what waits to be shown can
    // be shown then.
    std::function<void(std::uint32_t milliseconds)> beforeSleep;
    // A pause of its own, whole, after which the next step starts afresh.
    void Hold(unsigned milliseconds);

private:
    Clock clock_;
    Sleep sleep_;
    bool started_ = false;
    std::uint64_t stepStart_ = 0;  // when the step now ending began, in microseconds
    std::int64_t owed_ = 0;        // microseconds still to wait; below 0 a credit
};

}  // namespace lorvel
