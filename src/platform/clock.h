// The one virtual millisecond clock of the simulated PC.
//
// Everything that measures time (the cards' millisecond counters, the BIOS tick
// count, delays, tone lengths) reads this clock. In a test it moves only when
// the test (or the rig) says so; in a real run the host moves it from the
// monotonic clock.
#pragma once
#include <cstdint>

namespace platform {

constexpr uint32_t kMsPerDay = 86'400'000;

struct Clock {
    uint64_t now_ms = 0;           // milliseconds since the machine was switched on
    uint32_t time_of_day_at_start_ms = 0;  // wall-clock time of day at now_ms == 0

    // Milliseconds since midnight, wrapping at midnight.
    uint32_t time_of_day_ms() const {
        return static_cast<uint32_t>((time_of_day_at_start_ms + now_ms) % kMsPerDay);
    }
    // How many midnights have passed since the machine was switched on.
    uint64_t days_passed() const { return (time_of_day_at_start_ms + now_ms) / kMsPerDay; }
};

}  // namespace platform
