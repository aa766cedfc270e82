#include "runtime/timers.h"

#include "memories/master_state.h"
#include "platform/interrupts.h"
#include "playback/playback_state.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"

namespace runtime {

uint32_t clock_last = 0;
uint32_t clock_ms = 0;
uint32_t clock_delta = 0;
uint32_t show_time = 0;
int16_t show_speed = 100;
int16_t show_speed_effective = 0;
uint32_t show_time_anchor = 0;
uint32_t clock_anchor = 0;
uint8_t show_time_frozen = 0;

int32_t free_counter_a = 0;
int32_t free_counter_b = 0;
std::array<int32_t, kGeneralTimers + 1> general_timers{};
int32_t slave_trigger_countdown = 0;

std::array<std::array<long double, kEffectSpeeds>, kEffectDirections> shared_phases{};
std::array<long double, 2> preview_phases{};

namespace {

constexpr uint8_t kBiosTimeInterrupt = 0x1A;
constexpr double kBiosTicksPerSecond = 18.2;
constexpr uint32_t kPercent = 100;

int16_t last_speed_effective = 100;  // kept across show starts

// A free-running counter moved on by the delta; beyond the limit it restarts
// at 0. The sum is taken wide so that it cannot wrap to a negative count.
int32_t advance_counter(int32_t counter, uint32_t delta_ms) {
    const int64_t sum = static_cast<int64_t>(counter) + delta_ms;
    return sum > static_cast<int64_t>(kClockLimit_ms) ? 0 : static_cast<int32_t>(sum);
}

// A running timecode override loses the delta; one that has gone below 0.0
// stays where it is.
void count_down_override(uint8_t active, double& remaining_s, uint32_t delta_ms) {
    if (active != 0 && remaining_s >= 0.0) remaining_s -= delta_ms / 1000.0;
}

void restart_clock() {
    reset_card_clock();
    clock_ms = 0;
    clock_anchor = 0;
    clock_delta = 0;
    show_time_anchor = show_time;
}

void advance_show_time() {
    show_speed_effective = show_time_frozen != 0 ? 0 : show_speed;
    if (show_speed_effective != last_speed_effective) {
        last_speed_effective = show_speed_effective;
        show_time_anchor = show_time;
        clock_anchor = clock_ms;
    }
    // The product is taken in 64 bits: in 32 bits it wraps after some minutes
    // at high speeds (about 72 at 1000 %) and the show time would stall.
    const uint64_t scaled = static_cast<uint64_t>(clock_ms - clock_anchor) *
                            static_cast<uint64_t>(static_cast<uint16_t>(show_speed_effective));
    const uint32_t t = show_time_anchor + static_cast<uint32_t>(scaled / kPercent);
    if (t < show_time) {
        show_time_anchor = show_time;
        clock_anchor = clock_ms;
    } else {
        show_time = t;
    }
}

}  // namespace

void reset_timers_globals() {
    clock_last = 0;
    clock_ms = 0;
    clock_delta = 0;
    show_time = 0;
    show_speed = 100;
    show_speed_effective = 0;
    show_time_anchor = 0;
    clock_anchor = 0;
    show_time_frozen = 0;
    free_counter_a = 0;
    free_counter_b = 0;
    general_timers = {};
    slave_trigger_countdown = 0;
    shared_phases = {};
    preview_phases = {};
    last_speed_effective = 100;
}

uint32_t get_time_ms() {
    if (clock_card != 0) return peek_card_dword(clock_card, kClockCounterCell);
    platform::Regs regs;
    regs.set_ax(0x0000);
    platform::int386(kBiosTimeInterrupt, regs);
    const uint32_t ticks = (static_cast<uint32_t>(regs.cx()) << 16) | regs.dx();
    return static_cast<uint32_t>(ticks / kBiosTicksPerSecond * 1000.0);
}

void reset_card_clock() { poke_card_dword(clock_card, kClockCounterCell, 0); }

void init_timers() {
    clock_last = 0;
    clock_ms = 0;
    clock_delta = 0;
    show_time = 0;
    show_speed_effective = 0;
    show_time_anchor = 0;
    clock_anchor = 0;
    show_speed = 100;
    slave_trigger_countdown = 0;
    free_counter_a = 0;
    free_counter_b = 0;
    general_timers.fill(0);
    for (auto& phases : shared_phases) phases.fill(0.0L);
    preview_phases.fill(0.0L);
    update_timers();
}

void update_timers() {
    clock_ms = get_time_ms();
    if (clock_ms <= kClockLimit_ms && clock_ms >= clock_last) {
        clock_delta = clock_ms - clock_last;
    } else {
        restart_clock();
    }
    free_counter_b = advance_counter(free_counter_b, clock_delta);
    free_counter_a = advance_counter(free_counter_a, clock_delta);
    advance_show_time();
    for (int i = 1; i <= kGeneralTimers; ++i) {
        general_timers[static_cast<size_t>(i)] = advance_counter(general_timers[static_cast<size_t>(i)], clock_delta);
    }
    for (int m = 1; m <= memories::kMasters; ++m) {
        const auto i = static_cast<size_t>(m);
        count_down_override(memories::master_timecode_flash[i], memories::master_timecode_remaining_s[i], clock_delta);
    }
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        const auto i = static_cast<size_t>(p);
        count_down_override(playback::playback_timecode_flash[i], playback::playback_timecode_remaining_s[i],
                            clock_delta);
    }
    if (slave_trigger_countdown > 0) {
        slave_trigger_countdown = static_cast<int32_t>(static_cast<int64_t>(slave_trigger_countdown) - clock_delta);
    }
    clock_last = clock_ms;
}

}  // namespace runtime
