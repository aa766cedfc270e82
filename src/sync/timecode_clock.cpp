#include "sync/timecode_clock.h"

#include <algorithm>
#include <cmath>

#include "platform/bios.h"
#include "platform/selectors.h"
#include "platform/sync_card.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/timers.h"
#include "sync/cd_keys.h"
#include "sync/cd_requests.h"
#include "sync/timecode_display.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace synchro {

uint8_t timecode_frame_rate = 1;
double display_time = 0.0;
double pc_timer_base = 0.0;
double pc_timer_origin = 0.0;

namespace {

// The fraction of a second each frame number stands for, in exact
// thousandths: at or just above frame / fps, so that a time written with
// three decimals splits back into the same frame.
constexpr std::array<uint16_t, 24> kFractions24 = {0,   42,  84,  125, 167, 209, 250, 292, 334, 375, 417, 459,
                                                   500, 542, 584, 625, 667, 709, 750, 792, 834, 875, 917, 959};
constexpr std::array<uint16_t, 25> kFractions25 = {0,   40,  80,  121, 160, 200, 241, 280, 320, 361, 400, 440, 481,
                                                   520, 560, 601, 640, 680, 721, 760, 800, 841, 880, 920, 961};
constexpr std::array<uint16_t, 30> kFractions30 = {0,   34,  67,  100, 134, 167, 200, 234, 267, 301,
                                                   334, 367, 400, 434, 467, 500, 534, 567, 601, 634,
                                                   667, 701, 734, 767, 800, 834, 867, 900, 934, 967};
constexpr std::array<uint16_t, 75> kFractions75 = {
    0,   14,  27,  40,  54,  67,  80,  94,  107, 121, 134, 147, 160, 174, 187, 200, 214, 227, 241,
    254, 267, 280, 294, 307, 320, 334, 347, 361, 374, 387, 400, 414, 427, 440, 454, 467, 481, 494,
    507, 520, 534, 547, 560, 574, 587, 601, 614, 627, 640, 654, 667, 680, 694, 707, 721, 734, 747,
    760, 774, 787, 800, 814, 827, 841, 854, 867, 880, 894, 907, 920, 934, 947, 961, 974, 987};

constexpr double kDaySeconds = 86400.0;
constexpr double kCardSettleTicks = 3.0;   // 0.3 s in BIOS ticks / 1.82
constexpr double kTicksPerTenth = 1.82;
constexpr uint32_t kModeHoldMs = 1000;
constexpr uint32_t kModeRepeatMs = 600;
constexpr int32_t kConfirmBeepHz = 800;
constexpr uint32_t kModeBeepMs = 10;
constexpr int32_t kErrorBeepHz = 400;
constexpr uint32_t kErrorBeepMs = 2000;

// The window's timecode registers: the reader's; the generator's 20h above.
constexpr uint32_t kGeneratorOffset = platform::kSmpteGeneratorOffset;

// The card reader's last time and frame counter, kept between readings.
double card_time_kept = 0.0;
uint16_t card_counter_kept = 0;
// CD readings whose track differs from the current track.
int cd_track_change_readings = 0;

uint16_t fraction_of_frame(int fps, int ff) {
    switch (fps) {
        case 24: return kFractions24[static_cast<size_t>(ff)];
        case 25: return kFractions25[static_cast<size_t>(ff)];
        case 30: return kFractions30[static_cast<size_t>(ff)];
        default: return kFractions75[static_cast<size_t>(ff)];
    }
}

uint16_t selector() { return runtime::sync_interface_selector; }

// The card settles for 0.3 s on the BIOS tick count while the background
// poll runs.
void wait_for_card() {
    uint32_t t0 = platform::bios_ticks_since_midnight();
    while (true) {
        const uint32_t t = platform::bios_ticks_since_midnight();
        if (t >= t0 && (t - t0) / kTicksPerTenth >= kCardSettleTicks) break;
        if (t < t0) t0 = t;
        runtime::run_background();
    }
}

// The generator's rate register, command 2, then t split at the current
// rate in its time registers and command 10h.
void load_generator(double t, uint8_t rate) {
    const uint16_t sel = selector();
    platform::far_poke_byte(sel, platform::kSmpteReaderRate + kGeneratorOffset, static_cast<uint8_t>(rate - 1));
    send_card_command(platform::kSmptePrepareGenerator);
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(t, hh, mm, ss, ff);
    platform::far_poke_byte(sel, platform::kSmpteReaderHours + kGeneratorOffset, static_cast<uint8_t>(hh));
    platform::far_poke_byte(sel, platform::kSmpteReaderMinutes + kGeneratorOffset, static_cast<uint8_t>(mm));
    platform::far_poke_byte(sel, platform::kSmpteReaderSeconds + kGeneratorOffset, static_cast<uint8_t>(ss));
    platform::far_poke_byte(sel, platform::kSmpteReaderFrames + kGeneratorOffset, static_cast<uint8_t>(ff));
    send_card_command(platform::kSmpteLoadGeneratorTime);
}

bool cd_disc_ready() { return cd_state.disc_ready != 0; }

// A CD frame outside the disc's audio is its first track's start.
int32_t frame_on_disc(int32_t frame) {
    const int32_t first = cd_state.track_start[1];
    return frame < first || frame > convert_msf_to_frames(cd_state.disc_end) ? first : frame;
}

// One step of the MODE key: the rate, or the source when the rate passes
// "30D", the key is still down, or the source has no rates.
void step_timecode_source(bool key_down) {
    const uint8_t before = timecode_source;
    if (timecode_source <= kTimecodeSourceInternal) {
        ++timecode_frame_rate;
        if (timecode_frame_rate > kTimecodeRates || key_down) {
            timecode_frame_rate = 1;
            ++timecode_source;
        }
    } else {
        timecode_frame_rate = 1;
        ++timecode_source;
    }
    if (timecode_source > kTimecodeSources) timecode_source = kTimecodeSourcePcTimer;
    const bool was_manual = before == kTimecodeSourceManual;
    if (was_manual != (timecode_source == kTimecodeSourceManual)) redraw_timecode_transport();
    draw_timecode_header();
    draw_timecode_clock(true);
}

bool mode_key_down() { return runtime::key_down_table[static_cast<size_t>(runtime::keys::KEY_TIMECODE_MODE)] != 0; }

// Runs the poll and reads the keys until the MODE key is up or ms have
// passed; other keys are dropped.
void run_while_mode_key_down(uint32_t ms) {
    const uint32_t start = runtime::get_time_ms();
    while (mode_key_down() && runtime::get_time_ms() - start < ms) {
        runtime::run_background();
        int16_t key = 0;
        if (runtime::is_input_pending()) runtime::get_key(&key);
    }
}

}  // namespace

void reset_timecode_clock_globals() {
    timecode_frame_rate = 1;
    display_time = 0.0;
    pc_timer_base = 0.0;
    pc_timer_origin = 0.0;
    card_time_kept = 0.0;
    card_counter_kept = 0;
    cd_track_change_readings = 0;
}

void init_timecode_clock() {
    reset_timecode_clock_globals();
    timecode_source = kTimecodeSourcePcTimer;
}

int timecode_fps() {
    if (timecode_source == kTimecodeSourceCdrom) return kCdFramesPerSecond;
    if (timecode_frame_rate < 1 || timecode_frame_rate > kTimecodeRates) return 0;
    return static_cast<int>(platform::smpte_frames_per_second(static_cast<uint8_t>(timecode_frame_rate - 1)));
}

std::string_view timecode_rate_name() {
    if (timecode_source == kTimecodeSourceCdrom) return kCdRateName;
    if (timecode_frame_rate < 1 || timecode_frame_rate > kTimecodeRates) return "";
    return kTimecodeRateNames[timecode_frame_rate];
}

void split_timecode(double t, int16_t& hh, int16_t& mm, int16_t& ss, int16_t& ff) {
    hh = static_cast<int16_t>(std::trunc(t / 3600));
    mm = static_cast<int16_t>(std::trunc((t - hh * 3600) / 60));
    ss = static_cast<int16_t>(std::trunc(t - hh * 3600 - mm * 60));
    ff = static_cast<int16_t>(std::trunc((t - std::trunc(t) + 0.0001) * timecode_fps()));
}

double convert_timecode_to_seconds(int16_t hh, int16_t mm, int16_t ss, int16_t ff) {
    const int fps = timecode_fps();
    if (fps == 0) return 0.0;
    ff = static_cast<int16_t>(std::clamp<int>(ff, 0, fps - 1));
    return hh * 3600.0 + mm * 60.0 + ss + fraction_of_frame(fps, ff) / 1000.0;
}

int32_t convert_seconds_to_frames(double t) {
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(t, hh, mm, ss, ff);
    return (hh * 3600 + mm * 60 + ss) * timecode_fps() + ff;
}

double convert_frames_to_seconds(int32_t n) {
    const int fps = timecode_fps();
    if (fps == 0) return 0.0;
    const int32_t hh = n / (fps * 3600);
    int32_t r = n - hh * fps * 3600;
    const int32_t mm = r / (fps * 60);
    r -= mm * fps * 60;
    const int32_t ss = r / fps;
    const int32_t ff = r - ss * fps;
    return convert_timecode_to_seconds(static_cast<int16_t>(hh), static_cast<int16_t>(mm), static_cast<int16_t>(ss),
                                       static_cast<int16_t>(ff));
}

double read_pc_clock_seconds() { return platform::dos_time_of_day_hundredths() / 100.0; }

void anchor_pc_timer(double base) {
    pc_timer_origin = read_pc_clock_seconds();
    pc_timer_base = base;
}

double read_card_timecode() {
    const uint16_t sel = selector();
    if (sel == 0) return card_time_kept;
    const uint16_t counter = platform::far_peek_word(sel, platform::kSmpteFrameCounter);
    if (counter == 0 || counter == card_counter_kept) return card_time_kept;
    card_counter_kept = counter;
    const auto hh = static_cast<int16_t>(platform::far_peek_byte(sel, platform::kSmpteReaderHours));
    const auto mm = static_cast<int16_t>(platform::far_peek_byte(sel, platform::kSmpteReaderMinutes));
    const auto ss = static_cast<int16_t>(platform::far_peek_byte(sel, platform::kSmpteReaderSeconds));
    const auto ff = static_cast<int16_t>(platform::far_peek_byte(sel, platform::kSmpteReaderFrames));
    const uint8_t code = platform::far_peek_byte(sel, platform::kSmpteReaderRate);
    if (code < kTimecodeRates && code != timecode_frame_rate - 1) {
        timecode_frame_rate = static_cast<uint8_t>(code + 1);
        draw_timecode_header();
    }
    card_time_kept = convert_timecode_to_seconds(hh, mm, ss, ff);
    return card_time_kept;
}

// The disc has played to its end: play stops.
void cd_reached_end() {
    timecode_mode = 0;
    ui::show_message("CD REACHED END...");
    ui::beep(kErrorBeepHz, kErrorBeepMs);
}

double read_cd_timecode() {
    if (!cd_disc_ready() || cd_state.play_state != kCdPlaying) return 0.0;
    int track = 0, m = 0, s = 0, f = 0;
    if (!get_cd_position(track, m, s, f)) return 0.0;
    if (track != cd_state.current_track) {
        if (f != 0) ++cd_track_change_readings;
        if (cd_track_change_readings >= kCdFramesPerSecond) {
            cd_track_change_readings = 0;
            cd_state.current_track = static_cast<uint8_t>(track);
            draw_timecode_clock(false);
        }
    }
    // At or past the second of the disc's end the clock stops: a drive that
    // skips the last second or stops by itself must not leave it running.
    const int32_t end_second = convert_msf_to_frames(cd_state.disc_end) / kCdFramesPerSecond;
    if (convert_msf_to_frames(m, s, 0) / kCdFramesPerSecond >= end_second) {
        cd_reached_end();
        return 0.0;
    }
    return convert_timecode_to_seconds(0, static_cast<int16_t>(m), static_cast<int16_t>(s), static_cast<int16_t>(f));
}

double read_timecode_seconds() {
    switch (timecode_source) {
        case kTimecodeSourcePcTimer: {
            double now = read_pc_clock_seconds();
            if (now + 1.0 < pc_timer_origin) now += kDaySeconds;  // midnight has passed
            return now - pc_timer_origin + pc_timer_base;
        }
        case kTimecodeSourceSmpte:
        case kTimecodeSourceInternal: return read_card_timecode();
        case kTimecodeSourceCdrom: return read_cd_timecode();
        default: return 0.0;  // MIDI and MANUAL
    }
}

void start_smpte_reader() {
    send_card_command(platform::kSmpteStartReader);
    wait_for_card();
}
void stop_smpte_reader() { send_card_command(platform::kSmpteStopReader); }

void start_internal_generator() {
    load_generator(display_time, timecode_frame_rate);
    send_card_command(platform::kSmpteStartGenerator);
    wait_for_card();
}
void stop_internal_generator() { send_card_command(platform::kSmpteStopGenerator); }
void stop_smpte_generator() { send_card_command(platform::kSmpteStopGenerator); }

void follow_cd_with_generator() {
    if (selector() == 0) return;
    timecode_source = kTimecodeSourceInternal;
    timecode_frame_rate = 1;
    load_generator(display_time, 1);
    send_card_command(platform::kSmpteStartGenerator);
    timecode_source = kTimecodeSourceCdrom;
    timecode_frame_rate = 1;
}

void start_timecode_source() {
    const bool card = selector() != 0;
    if (timecode_source == kTimecodeSourceSmpte && card) {
        start_smpte_reader();
    } else if (timecode_source == kTimecodeSourceInternal && card) {
        start_internal_generator();
    } else if (timecode_source == kTimecodeSourceCdrom && cd_disc_ready()) {
        play_cd_from_current_position();
    }
}

void stop_timecode_source() {
    const bool card = selector() != 0;
    if (timecode_source == kTimecodeSourceSmpte && card) {
        stop_smpte_reader();
    } else if (timecode_source == kTimecodeSourceInternal && card) {
        stop_internal_generator();
    } else if (timecode_source == kTimecodeSourceCdrom && cd_disc_ready()) {
        stop_cd_audio();
        stop_smpte_generator();
    }
}

void place_cd_at(double t, bool set_display) {
    if (timecode_source != kTimecodeSourceCdrom || !cd_disc_ready()) return;
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(t, hh, mm, ss, ff);
    const int32_t asked = convert_msf_to_frames(hh * 60 + mm, ss, ff);
    const int32_t frame = frame_on_disc(asked);
    if (frame != asked && set_display) display_time = frame / static_cast<double>(kCdFramesPerSecond);
    cd_state.current_position = convert_frames_to_msf(frame);
    const int track = cd_track_holding(frame);
    if (track != cd_state.current_track) {
        cd_state.current_track = static_cast<uint8_t>(track);
        draw_timecode_clock(false);
    }
}

void show_start_time() {
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(display_time, hh, mm, ss, ff);
    display_time = convert_timecode_to_seconds(static_cast<int16_t>(hh % 100), static_cast<int16_t>(mm % 100),
                                               static_cast<int16_t>(ss % 100), static_cast<int16_t>(ff % 100));
    display_time = std::clamp(display_time, 0.0, kDaySeconds);
    place_cd_at(display_time, true);
    draw_timecode_digits(display_time);
}

void select_timecode_source() {
    run_while_mode_key_down(kModeHoldMs);
    ui::beep(kConfirmBeepHz, kModeBeepMs);
    step_timecode_source(mode_key_down());
    while (mode_key_down()) {
        run_while_mode_key_down(kModeRepeatMs);
        if (mode_key_down()) step_timecode_source(true);
    }
}

}  // namespace synchro
