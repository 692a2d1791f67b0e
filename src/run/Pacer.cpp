#include "run/Pacer.h"

#include <algorithm>

namespace lorvel {

Pacer::Pacer(platform::System& system)
    : Pacer([&system] { return system.GetMicroseconds(); }, [&system](std::uint32_t ms) { system.Sleep(ms); })
{
}

namespace {

// Microseconds from then to now; none when the clock went back.
std::int64_t Since(std::uint64_t then, std::uint64_t now)
{
    return now > then ? static_cast<std::int64_t>(now - then) : 0;
}

}  // namespace

void Pacer::Pace(unsigned milliseconds)
{
    const std::uint64_t now = clock_();
    const std::int64_t asked = std::int64_t{milliseconds} * 1000;
    const std::int64_t took = started_ ? Since(stepStart_, now) : 0;
    // At most the step's own time and what a millisecond's rounding left over.
    owed_ = std::clamp<std::int64_t>(owed_ + asked - took, -kCreditMicroseconds, asked + 999);
    started_ = true;
    stepStart_ = now;
    if (owed_ < 1000) return;  // less than the system can wait: kept for the next step
    const auto sleep = static_cast<std::uint32_t>(owed_ / 1000);
    if (beforeSleep) beforeSleep(sleep);
    sleep_(sleep);
    const std::uint64_t after = clock_();
    owed_ = std::max<std::int64_t>(owed_ - Since(now, after), -kCreditMicroseconds);
    stepStart_ = after;
}

void Pacer::Hold(unsigned milliseconds)
{
    if (beforeSleep && milliseconds > 0) beforeSleep(milliseconds);
    sleep_(milliseconds);
    started_ = true;
    stepStart_ = clock_();
    owed_ = 0;
}

}  // namespace lorvel
