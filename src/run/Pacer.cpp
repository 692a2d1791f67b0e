#include "run/Pacer.h"

#include <algorithm>

namespace lorvel {

Pacer::Pacer(platform::System& system)
    : Pacer([&system] { return system.GetMicroseconds(); }, [&system](std::uint32_t ms) { system.Sleep(ms); })
{
}

void Pacer::Pace(unsigned milliseconds)
{
    const std::uint64_t now = clock_();
    const std::int64_t took = started_ ? static_cast<std::int64_t>(now - stepStart_) : 0;
    owed_ = std::max<std::int64_t>(owed_ + std::int64_t{milliseconds} * 1000 - took, -kCreditMicroseconds);
    started_ = true;
    stepStart_ = now;
    if (owed_ < 1000) return;  // less than the system can wait: kept for the next step
    sleep_(static_cast<std::uint32_t>(owed_ / 1000));
    const std::uint64_t after = clock_();
    owed_ = std::max<std::int64_t>(owed_ - static_cast<std::int64_t>(after - now), -kCreditMicroseconds);
    stepStart_ = after;
}

void Pacer::Hold(unsigned milliseconds)
{
    sleep_(milliseconds);
    started_ = true;
    stepStart_ = clock_();
    owed_ = 0;
}

}  // namespace lorvel
