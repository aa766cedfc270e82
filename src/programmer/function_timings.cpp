#include "programmer/function_timings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/graphics.h"
#include "playback/commands.h"
#include "programmer/attribute_delta.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_belts.h"
#include "programmer/function_page.h"
#include "programmer/programmer_jobs.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/entry_dialogs.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/screens.h"
#include "ui/value_table.h"

namespace programmer {

namespace {
// The program's default times: DELAY-OUT and HOLD infinite, FADE-IN 2 s.
constexpr std::array<uint16_t, kTimeKinds + 1> kProgramDefaultTimes = {0, 0, 20, kTimeInfinite, 0, kTimeInfinite};
}  // namespace

std::array<uint16_t, kTimeKinds + 1> default_times = kProgramDefaultTimes;
std::array<uint8_t, kTimingGroups + 1> timing_group_flags{};
std::array<TimingFader, kTimeKinds + 1> timing_faders{};

namespace {

constexpr int kPanTiltLegend = 2;      // the third group's byte
constexpr int kFadersPerPage = 16;
constexpr int kTimingFaderCount = 6;   // fader 1 the channel, 2..6 the five times
constexpr int kMaxMinutes = 50;
constexpr int16_t kLedOff = 0, kLedRed = 1, kLedGreen = 2, kLedBlinkRed = 10, kLedBlinkGreen = 20,
                  kLedBlinkBoth = 30;
constexpr int16_t kLegendX = 544;
constexpr int16_t kLegendColour = 4;
constexpr int16_t kLegendOn = 14;
constexpr int16_t kLegendOff = 1;
constexpr int16_t kPanelColour = 2;
constexpr int16_t kTimeLabelColour = 10;
constexpr int16_t kStripTime = 14;
constexpr int16_t kStripPlain = 7;
constexpr int32_t kEntryBeep_hz = 100;
constexpr uint32_t kEntryBeep_ms = 100;
constexpr int32_t kChoiceBeep_hz = 500;
constexpr uint32_t kChoiceBeep_ms = 50;
constexpr int kClasses = 4;            // pan/tilt, gobo, colour, effect (counts as a choice only)

constexpr std::array<const char*, kTimeKinds + 1> kFaderLabels = {"", "DELAY-IN", "FADE-IN", "DELAY-OUT",
                                                                  "FADE-OUT", "HOLD"};
constexpr std::array<const char*, kTimeKinds + 1> kKindNames = {"", "DELAY IN", "FADE IN", "DELAY OUT",
                                                                "FADE OUT", "HOLD"};
constexpr std::array<const char*, kTimeKinds + 1> kKindPrompts = {
    "", "Delay-in Time @ Min @ Sec @ mSec", "Fade-in Time @ Min @ Sec @ mSec",
    "Delay-out Time @ Min @ Sec @ mSec", "Fade-out Time @ Min @ Sec @ mSec", "Hold Time @ Min @ Sec @ mSec"};
constexpr std::array<const char*, 3> kFieldPrompts = {"EDIT Timing (Minutes)", "EDIT Timing (Seconds)",
                                                      "EDIT Timing (mSeconds)"};
constexpr std::array<const char*, kTimingGroups + 1> kChannelLegends = {"", "9 :CHANNEL", "10:EFFECT", ""};
constexpr std::array<const char*, kTimingGroups + 1> kPanTiltLegends = {"", "9 :PAN", "10:TILT", "11:P/T Eff"};

// The whole-number fan of the time edits, per fixture 1..700.
std::array<int16_t, runtime::kShowFixtures + 1> time_fan_numbers{};

bool valid_kind(int k) { return k >= 1 && k <= kTimeKinds; }
bool infinite_allowed(int k) { return k == kDelayOut || k == kHold; }

bool record_ok(int r) {
    return r >= 1 && r <= runtime::function_record_count && r <= static_cast<int>(runtime::kShowRecords) &&
           runtime::programmer_times != nullptr && runtime::programmer_time_set != nullptr &&
           runtime::function_record_table != nullptr;
}

size_t time_slot(int r, int g, int k) { return static_cast<size_t>((r - 1) * 15 + (g - 1) * 5 + k); }

// A time of the record; a slot not set reads as the default of its kind.
int read_time(int r, int g, int k) {
    const uint16_t t = runtime::programmer_times[time_slot(r, g, k)];
    return t == runtime::kValueNotSet ? default_times[static_cast<size_t>(k)] : t;
}

void store_time(int r, int g, int k, int t) {
    const size_t i = time_slot(r, g, k);
    runtime::programmer_times[i] = static_cast<uint16_t>(t);
    runtime::programmer_time_set[i] = t == default_times[static_cast<size_t>(k)] ? 0 : 1;
}

// PAN fine, TILT and TILT fine take their times from PAN: a time is never
// set on them alone.
bool is_pantilt_follower(uint8_t role) { return role >= runtime::ROLE_PAN_FINE && role <= runtime::ROLE_TILT_FINE; }

bool fixture_ok(int f) { return f >= 1 && f <= setup::fixture_count && f <= kFixtures; }

bool has_current_type() {
    return fixture_ok(runtime::current_fixture) && setup::type_def_of_index(runtime::current_fixture_type) != nullptr;
}

int fixture_type_index(int f) {
    return setup::setup_data.u16(setup::SetupData::fixture_field(f, setup::kFixtureTypeIndex));
}

int fixture_channel_count(int f) {
    return std::min<int>(setup::setup_data.u8(setup::SetupData::fixture_field(f, setup::kFixtureChannelCount)),
                         runtime::kTypeChannels);
}

// The channel of fixture f that answers channel c of type a: the cross-type
// map, then the knife remap; 0 none.
int counterpart_of(int a, int c, int f) {
    const int b = fixture_type_index(f);
    if (a < 0 || a >= runtime::kTypes || b < 0 || b >= runtime::kTypes || c < 1 || c > runtime::kTypeChannels) return 0;
    int ch = a == b ? c
                    : runtime::type_function_map[static_cast<size_t>(a + 1)][static_cast<size_t>(c)][static_cast<size_t>(b + 1)];
    if (ch < 1 || ch > fixture_channel_count(f)) return 0;
    const uint8_t remap = runtime::function_remap_table[static_cast<size_t>(f)][static_cast<size_t>(ch - 1)];
    if (remap != 0) ch = remap;
    return ch;
}

int active_group() {
    const int g = timing_group_flags[kActiveTimingGroup];
    return g >= 1 && g <= kTimingGroups ? g : 0;
}

bool group_enabled(int g) { return g >= 1 && g <= kTimingGroups && timing_group_flags[static_cast<size_t>(g - 1)] == 1; }

// Writes time t of kind k to the active group and every other enabled group.
void store_in_groups(int r, int k, int t) {
    for (int g = 1; g <= kTimingGroups; ++g) {
        if (g == active_group() || group_enabled(g)) store_time(r, g, k, t);
    }
}

// Without the fan a belt step is accelerated by its size: 3 counts 5 tenths,
// 4..5 count 15, 6..9 count 30, 10 or more 60.
int accelerated(int d) {
    const int size = std::abs(d);
    int step = size;
    if (size >= 10) {
        step = 60;
    } else if (size >= 6) {
        step = 30;
    } else if (size >= 4) {
        step = 15;
    } else if (size == 3) {
        step = 5;
    }
    return d < 0 ? -step : step;
}

// Clamps a time after a movement d: below 0 to 0, above 30000 to infinite for
// DELAY-OUT and HOLD while raising, else to 30000.
int clamp_time(int k, int t, int d) {
    if (t < 0) return 0;
    if (t > kTimeMax) return infinite_allowed(k) && d < 0 ? kTimeInfinite : kTimeMax;
    return t;
}

// An infinite time stays infinite while the movement raises.
int moved_time(int t, int move, int d) { return t == kTimeInfinite && d < 0 ? t : t - move; }

uint8_t bar_level(int t) { return ui::divide_by_353_round_up(static_cast<int16_t>(std::min(t, kTimeMax))); }

// The whole-number fan numbers; returns how many fixtures take part.
int compute_time_fan(int16_t channel) {
    time_fan_numbers.fill(0);
    int n = 0;
    for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
        if (fixture_selected[static_cast<size_t>(f)] == 1 && counterpart_of(runtime::current_fixture_type, channel, f) != 0) {
            time_fan_numbers[static_cast<size_t>(f)] = static_cast<int16_t>(++n);
        }
    }
    const int m = (n + 1) / 2;
    for (int16_t& w : time_fan_numbers) {
        if (w <= 0) continue;
        int v = w;
        switch (fan_shape) {
            case 1: v = w - 1; break;
            case 2: v = n - w; break;
            case 3: v = static_cast<int>(std::trunc(w - m - (n % 2 == 0 ? 0.5 : 0.0))); break;
            case 4: v = w <= m ? w - 1 : n - w; break;
            case 5: v = m - (w > m ? n - w + 1 : w); break;
            default: break;
        }
        w = static_cast<int16_t>(v);
    }
    return n;
}

int16_t record_of(int f, int ch) { return get_function_record_index(static_cast<int16_t>(f), static_cast<int16_t>(ch)); }

void draw_box_title(const char* title) {
    ui::fill_box(229, 180, 639, 260, kPanelColour);
    platform::_setcolor(15);
    platform::_rectangle(229, 180, 639, 260);
    ui::draw_bitmap_text(240, 190, 15, title);
}

// The LEDs of the time-key screen while the key is held.
void show_split_leds(const std::array<uint8_t, 33>& flags, const std::array<uint8_t, 5>& classes) {
    const int page = std::clamp<int>(runtime::fixture_page, 1, runtime::kFixturePages);
    const int count = runtime::fixture_bank_counts[static_cast<size_t>(page)];
    for (int key = 1; key <= runtime::kFixtureKeys; ++key) {
        int16_t state = kLedOff;
        if (key <= count) {
            const int f = runtime::fixture_bank_keys[static_cast<size_t>(page)][static_cast<size_t>(key)] + 1;
            state = fixture_ok(f) && fixture_selected[static_cast<size_t>(f)] == 1 ? kLedBlinkGreen : kLedBlinkBoth;
        }
        runtime::set_key_led(static_cast<int16_t>(key), static_cast<uint8_t>(state));
    }
    for (int i = 1; i <= kFadersPerPage; ++i) {
        const int ch = (runtime::function_page - 1) * kFadersPerPage + i;
        int16_t state = kLedOff;
        if (ch <= runtime::function_count) state = flags[static_cast<size_t>(ch)] != 0 ? kLedBlinkGreen : kLedBlinkBoth;
        runtime::set_key_led(static_cast<int16_t>(runtime::KEY_FADER_1 + i - 1), static_cast<uint8_t>(state));
    }
    for (int c = 1; c <= kClasses; ++c) {
        const bool on = classes[static_cast<size_t>(c)] != 0 && runtime::current_fixture >= 1;
        runtime::set_key_led(static_cast<int16_t>(runtime::KEY_PRESET_1 + c - 1), on ? kLedRed : kLedBlinkRed);
    }
}

// The LEDs once the time key is let go.
void show_split_result_leds(int16_t time_key, const std::array<uint8_t, 33>& flags, const std::array<uint8_t, 5>& classes) {
    runtime::set_key_led(time_key, kLedOff);
    const int page = std::clamp<int>(runtime::fixture_page, 1, runtime::kFixturePages);
    const int count = runtime::fixture_bank_counts[static_cast<size_t>(page)];
    for (int key = 1; key <= runtime::kFixtureKeys; ++key) {
        const int f = key <= count ? runtime::fixture_bank_keys[static_cast<size_t>(page)][static_cast<size_t>(key)] + 1 : 0;
        const bool on = key <= count && fixture_ok(f) && fixture_selected[static_cast<size_t>(f)] == 1;
        runtime::set_key_led(static_cast<int16_t>(key), on ? kLedGreen : kLedOff);
    }
    for (int i = 1; i <= kFadersPerPage; ++i) {
        const int ch = (runtime::function_page - 1) * kFadersPerPage + i;
        const bool on = ch <= runtime::function_count && flags[static_cast<size_t>(ch)] != 0;
        runtime::set_key_led(static_cast<int16_t>(runtime::KEY_FADER_1 + i - 1), on ? kLedGreen : kLedOff);
    }
    for (int c = 1; c <= kClasses; ++c) {
        runtime::set_key_led(static_cast<int16_t>(runtime::KEY_PRESET_1 + c - 1),
                             classes[static_cast<size_t>(c)] != 0 ? kLedRed : kLedOff);
    }
}

// One key while the time key is held; false when it cancels the screen.
bool handle_split_key(int16_t key, std::array<uint8_t, 33>& flags, std::array<uint8_t, 5>& classes) {
    using namespace runtime;
    if (key == KEY_ESC) return false;
    if ((key >= 1 && key <= kFixtureKeys) || key == KEY_ALL || key == KEY_NONE) {
        if (key == KEY_ALL || key == KEY_NONE) ui::beep(kChoiceBeep_hz, kChoiceBeep_ms);
        handle_fixture_key(key);
    } else if (key == KEY_BANK_DOWN || key == KEY_BANK_UP) {
        handle_fixture_bank_keys(key);
    } else if ((key >= 81 && key <= 96) || key == 101 || key == 102) {
        handle_group_key(key);
    } else if (key == KEY_FUNCTION_PAGE_1 || key == KEY_FUNCTION_PAGE_2) {
        select_function_page(static_cast<int16_t>(key - KEY_FUNCTION_PAGE_1 + 1));
    } else if (key >= KEY_FADER_1 && key <= KEY_FADER_16) {
        const int ch = (function_page - 1) * kFadersPerPage + (key - KEY_FADER_1 + 1);
        if (ch >= 1 && ch <= function_count && ch <= kTypeChannels) {
            flags[static_cast<size_t>(ch)] = flags[static_cast<size_t>(ch)] != 0 ? 0 : 1;
            ui::beep(kChoiceBeep_hz, kChoiceBeep_ms);
        }
    } else if (key == KEY_CLEAR) {
        flags.fill(0);
    } else if (key >= KEY_PRESET_1 && key <= KEY_PRESET_4) {
        const auto c = static_cast<size_t>(key - KEY_PRESET_1 + 1);
        classes[c] = classes[c] != 0 ? 0 : 1;
        ui::beep(kChoiceBeep_hz, kChoiceBeep_ms);
    } else if (key == KEY_PRESET_CLEAR) {
        classes.fill(0);
    }
    return true;
}

bool any_selected() {
    for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
        if (fixture_selected[static_cast<size_t>(f)] == 1) return true;
    }
    return false;
}

// The five-time write of one kind to all three groups of record r.
void store_all_groups(int r, int k, int t) {
    for (int g = 1; g <= kTimingGroups; ++g) store_time(r, g, k, t);
}

}  // namespace

void reset_function_timings_globals() {
    default_times = kProgramDefaultTimes;
    timing_group_flags = {};
    timing_faders = {};
    time_fan_numbers.fill(0);
}

int32_t time_from_fields(int32_t minutes, int32_t seconds, int32_t tenths) {
    if (tenths >= 10) tenths /= 10;
    if (minutes > kMaxMinutes - 1) return kTimeMax;
    return minutes * 600 + seconds * 10 + tenths;
}

void lay_out_fader_panel(int16_t wide) {
    for (int i = 1; i <= ui::kFunctionFaderWidgets; ++i) {
        ui::FaderWidget& widget = ui::function_fader_widgets[static_cast<size_t>(i)];
        const auto x = static_cast<int16_t>(wide != 0 ? 50 * i + 220 : 23 * i + 247);
        ui::set_fader_widget_geometry(widget, x, 14, 21, 87);
        ui::set_fader_widget_bar_width(widget, 7);
    }
    if (wide != 0) {
        runtime::run_flags |= runtime::RUN_TIMINGS_DISPLAY;
    } else {
        runtime::run_flags &= ~runtime::RUN_TIMINGS_DISPLAY;
    }
}

void show_timing_group_labels() {
    const bool pantilt = timing_group_flags[kPanTiltLegend] != 0;
    const auto& legends = pantilt ? kPanTiltLegends : kChannelLegends;
    const int groups = pantilt ? kTimingGroups : 2;
    for (int g = 1; g <= groups; ++g) {
        const auto y = static_cast<int16_t>(30 + 16 * g);
        ui::fill_box(kLegendX, y, 639, static_cast<int16_t>(y + 13), kPanelColour);
        ui::draw_bitmap_text(static_cast<int16_t>(kLegendX + 3), static_cast<int16_t>(y + 3),
                             group_enabled(g) ? kLegendOn : kLegendOff, legends[static_cast<size_t>(g)]);
        if (g == active_group()) {
            platform::_setcolor(kLegendOn);
            platform::_rectangle(kLegendX, y, 639, y + 13);
        }
    }
}

void show_timing_fader_labels() {
    // The widgets are hidden while they move, so that none is drawn at its
    // old or its new place, and the panel is cleared before the six timing
    // faders are drawn.
    for (int i = 1; i <= ui::kFunctionFaderWidgets; ++i) ui::hide_fader_widget(ui::function_fader_widgets[static_cast<size_t>(i)]);
    ui::fill_box(270, 13, 638, 101, kPanelColour);
    lay_out_fader_panel(1);
    for (int i = 1; i <= kTimingFaderCount; ++i) {
        ui::show_fader_widget(ui::function_fader_widgets[static_cast<size_t>(i)]);
        set_fader_number(static_cast<int16_t>(i), static_cast<int16_t>(i), 15);
        set_fader_label(static_cast<int16_t>(i), kFaderLabels[static_cast<size_t>(i - 1)], kTimeLabelColour);
        if (i >= 2) set_fader_strip_colour(static_cast<int16_t>(i), kStripTime);
    }
    // Fader 1's strip marks a function whose type carries a second-table entry.
    const int ch = runtime::selected_function;
    int16_t strip = kStripPlain;
    if (runtime::current_fixture_type >= 0 && ch >= 1 && ch <= runtime::kTypeChannels) {
        const int fn = runtime::type_channel_function[static_cast<size_t>(runtime::current_fixture_type + 1)]
                                                    [static_cast<size_t>(ch - 1)];
        if (setup::setup_data.u8(setup::SetupData::type_function_flag_field(runtime::current_fixture_type + 1, fn)) != 0) {
            strip = kStripTime;
        }
    }
    set_fader_strip_colour(1, strip);
    ui::draw_bitmap_text(kLegendX, 30, kLegendColour, "Timing On");
    show_timing_group_labels();
}

void load_times_to_faders() {
    const int g = active_group();
    const int ch = runtime::selected_function;
    int r = 0;
    if (g != 0 && has_current_type() && ch >= 1 && ch <= runtime::function_count) {
        r = counterpart_of(runtime::current_fixture_type, ch, runtime::current_fixture);
        r = r != 0 ? record_of(runtime::current_fixture, r) : 0;
    }
    for (int k = 1; k <= kTimeKinds; ++k) {
        TimingFader& fader = timing_faders[static_cast<size_t>(k)];
        const int t = record_ok(r) ? read_time(r, g, k) : 0;
        fader.written = fader.shown = static_cast<int16_t>(t);
        fader.level = bar_level(t);
        set_fader_widget_value(static_cast<int16_t>(k + 1), fader.level);
        set_function_belt(static_cast<int16_t>(k + 1), kTimingBeltCentre);
    }
}

void edit_times_by_wheel(int16_t kind, int16_t delta) {
    const int k = kind;
    int d = delta;
    const int g = active_group();
    const int16_t ch = runtime::selected_function;
    if (!valid_kind(k) || g == 0 || !has_current_type() || ch < 1 || ch > runtime::function_count) return;
    const int mode = edit_mode();
    const bool fan_active = mode == kEditFan && compute_time_fan(ch) >= 2;

    // A fan movement that would take any time out of 0..30000 is dropped whole.
    if (fan_active) {
        for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
            const int w = time_fan_numbers[static_cast<size_t>(f)];
            if (fixture_selected[static_cast<size_t>(f)] != 1) continue;
            const int c = counterpart_of(runtime::current_fixture_type, ch, f);
            const int r = c != 0 ? record_of(f, c) : 0;
            if (!record_ok(r)) continue;
            const int t = moved_time(read_time(r, g, k), d * w, d);
            if (t < 0 || t > kTimeMax) return;
        }
    } else {
        d = accelerated(d);
    }

    // The timing fader.
    TimingFader& fader = timing_faders[static_cast<size_t>(k)];
    const int shown = clamp_time(k, moved_time(fader.shown, d, d), d);
    fader.shown = static_cast<int16_t>(shown);
    fader.written = fader.shown;
    fader.level = bar_level(shown);
    if (runtime::fader_bank == 3) set_fader_widget_value(static_cast<int16_t>(k + 1), fader.level);

    // Steps 4 and 5: every selected fixture with a counterpart.
    for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
        if (fixture_selected[static_cast<size_t>(f)] != 1) continue;
        const int c = counterpart_of(runtime::current_fixture_type, ch, f);
        const int r = c != 0 ? record_of(f, c) : 0;
        if (!record_ok(r)) continue;
        int t = shown;
        if (mode != kEditAbsolute && d != 0) {
            const int move = fan_active ? d * time_fan_numbers[static_cast<size_t>(f)] : d;
            t = clamp_time(k, moved_time(read_time(r, g, k), move, d), d);
        }
        store_in_groups(r, k, t);
    }
    set_function_belt(static_cast<int16_t>(k + 1), kTimingBeltCentre);
    if ((runtime::option_flags & runtime::OPT_FADERS_FOLLOW_OUTPUT) == 0 && runtime::fader_bank == 3) ui::draw_table_cells();
}

void apply_time_to_selected_fixtures(int16_t kind, uint16_t time) {
    if (!valid_kind(kind)) return;
    for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
        if (fixture_selected[static_cast<size_t>(f)] != 1) continue;
        for (int c = 1; c <= fixture_channel_count(f); ++c) {
            const int r = record_of(f, c);
            if (!record_ok(r)) continue;
            if (!is_pantilt_follower(runtime::function_record_table[r].pantilt_role)) store_all_groups(r, kind, time);
        }
    }
}

void apply_time_to_split_selection(int16_t fixture, int16_t kind, uint16_t time,
                                   const std::array<uint8_t, 33>& channel_flags,
                                   const std::array<uint8_t, 5>& class_flags) {
    if (!valid_kind(kind) || !fixture_ok(fixture)) return;
    const int ref_type = fixture_type_index(fixture);
    for (int c = 1; c <= fixture_channel_count(fixture); ++c) {
        const int ref = record_of(fixture, c);
        if (!record_ok(ref)) continue;
        const runtime::FunctionRecord& rec = runtime::function_record_table[ref];
        if (is_pantilt_follower(rec.pantilt_role)) continue;
        const bool chosen = channel_flags[static_cast<size_t>(c)] != 0 || (class_flags[1] != 0 && rec.pantilt_role == runtime::ROLE_PAN) ||
                            (class_flags[2] != 0 && rec.gobo_role != 0) || (class_flags[3] != 0 && rec.colour_role != 0);
        if (!chosen) continue;
        for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
            if (fixture_selected[static_cast<size_t>(f)] != 1) continue;
            const int b = fixture_type_index(f);
            if (b < 0 || b >= runtime::kTypes || ref_type < 0 || ref_type >= runtime::kTypes) continue;
            const int ch = ref_type == b ? c
                                         : runtime::type_function_map[static_cast<size_t>(ref_type + 1)]
                                                                     [static_cast<size_t>(c)][static_cast<size_t>(b + 1)];
            if (ch < 1 || ch > fixture_channel_count(f)) continue;
            const int r = record_of(f, ch);
            if (record_ok(r)) store_all_groups(r, kind, time);
        }
    }
}

void start_timing_edit_mode() {
    using namespace runtime;
    if (fader_bank == 3) {
        fader_bank = 0;
        if ((run_flags & RUN_TIMINGS_DISPLAY) != 0) lay_out_fader_panel(0);
        set_key_led(KEY_FIGURE, kLedOff);
        set_key_led(KEY_TIMING, kLedOff);
        set_edit_fixture_type(current_fixture_type, 0);
        ui::set_panel_mode(3);
        if (display_mode == 2 && current_fixture_type >= 0 && (mode_flags & MODE_TRACKERBALL_PANTILT) != 0) {
            set_key_led(KEY_TRACKERBALL_PANTILT, kLedRed);
        }
        return;
    }
    if (fader_bank != 0 || !has_current_type()) return;

    selected_function = static_cast<int16_t>((function_page - 1) * kFadersPerPage + selected_fader_bank0);
    const int r = record_of(current_fixture, selected_function);
    const uint8_t role = record_ok(r) ? function_record_table[r].pantilt_role : uint8_t{0};
    const bool pantilt = (role >= ROLE_PAN && role <= ROLE_TILT_FINE) || (mode_flags & MODE_TRACKERBALL_PANTILT) != 0;
    timing_group_flags = {1, 1, 0, 1};
    if (pantilt) {
        const runtime::PanTiltRecord& pt = fixture_pantilt_table[static_cast<size_t>(current_fixture)];
        if (pt.pan.channel != 0) {
            selected_function = pt.pan.channel;
            function_page = static_cast<int16_t>((pt.pan.channel - 1) / kFadersPerPage + 1);
            selected_fader_bank0 = static_cast<int16_t>((pt.pan.channel - 1) % kFadersPerPage + 1);
        }
        mode_flags &= ~MODE_TRACKERBALL_PANTILT;
        timing_group_flags[kPanTiltLegend] = 1;
    }
    fader_bank = 3;
    set_key_led(KEY_TIMING, kLedRed);
    set_key_led(KEY_FUNCTION_PAGE_1, kLedOff);
    set_key_led(KEY_FUNCTION_PAGE_2, kLedOff);
    set_key_led(KEY_TRACKERBALL_PANTILT, kLedOff);
    selected_fader_bank3 = std::max<int16_t>(selected_fader_bank3, 2);
    // The edited type builds the timing bank: frame, labels, times and LEDs.
    set_edit_fixture_type(current_fixture_type, 0);
    ui::set_panel_mode(3);
}

void edit_fader_timing_value() {
    if (!has_current_type()) return;
    const int fader = runtime::selected_fader_bank3;
    if (fader < 2 || fader > kTimingFaderCount) return;
    const int k = fader - 1;
    runtime::set_key_led(runtime::KEY_EDIT_VALUE, kLedRed);
    draw_box_title("Timing Value @ Min @ Sec @ mSec");
    ui::draw_bitmap_text(260, 220, 15, "Min");
    ui::draw_bitmap_text(380, 220, 15, "Sec");
    ui::draw_bitmap_text(500, 220, 15, "mSec");

    enum class Outcome { cancel, apply, fallback, infinite };
    std::array<int32_t, 3> field{};
    constexpr std::array<int32_t, 3> kFieldMax = {kMaxMinutes, 59, 99};
    constexpr std::array<int16_t, 3> kFieldX = {300, 420, 545};
    Outcome outcome = Outcome::cancel;
    for (size_t i = 0; i < field.size(); ++i) {
        ui::show_message("%s", kFieldPrompts[i]);
        int16_t exit = ui::kStepEscape;
        const int16_t v = ui::edit_step_value(-1, kFieldX[i], 220, 2, 0, 15, 0, infinite_allowed(k) ? 1 : 0, &exit);
        if (exit == ui::kStepEnter || exit == ui::kStepNext) {
            if (v < 0 || v > kFieldMax[i]) {
                ui::beep(kEntryBeep_hz, kEntryBeep_ms);
                outcome = Outcome::cancel;
                break;
            }
            field[i] = v;
            outcome = Outcome::apply;
            if (exit == ui::kStepEnter) break;
            continue;
        }
        if (exit == ui::kStepEmpty) {
            outcome = i == 0 ? Outcome::fallback : Outcome::apply;
        } else if (exit == ui::kStepFunctions) {
            outcome = Outcome::fallback;
        } else if (exit == ui::kStepFull && infinite_allowed(k)) {
            outcome = Outcome::infinite;
        } else {
            outcome = Outcome::cancel;
        }
        break;
    }

    TimingFader& t = timing_faders[static_cast<size_t>(k)];
    int16_t d = 0;
    if (outcome == Outcome::fallback && default_times[static_cast<size_t>(k)] == kTimeInfinite) outcome = Outcome::infinite;
    switch (outcome) {
        case Outcome::apply: t.shown = static_cast<int16_t>(time_from_fields(field[0], field[1], field[2])); break;
        case Outcome::fallback: t.shown = static_cast<int16_t>(default_times[static_cast<size_t>(k)]); break;
        case Outcome::infinite:
            t.shown = kTimeMax;
            d = -2;  // past 30000: infinite for DELAY-OUT and HOLD, 30000 for the others
            break;
        case Outcome::cancel: break;
    }
    if (outcome != Outcome::cancel) {
        // A typed time is given to every fixture as it stands, whatever the
        // edit mode; the mode comes back afterwards.
        const uint32_t mode = runtime::mode_flags & runtime::MODE_EDIT_MODE;
        runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;
        edit_times_by_wheel(static_cast<int16_t>(k), d);
        runtime::mode_flags |= mode;
    }
    set_function_belt(static_cast<int16_t>(k + 1), kTimingBeltCentre);
    runtime::set_key_led(runtime::KEY_EDIT_VALUE, kLedOff);
    ui::clear_message();
    ui::redraw_cue_panel();
}

void run_edit_time_screen(int16_t key) {
    using namespace runtime;
    const int k = key - KEY_DELAY_IN + 1;
    if (!valid_kind(k)) return;
    const auto selection_before = fixture_selected;
    const auto groups_before = group_selected;
    const int16_t saved_current = current_fixture;
    const int16_t saved_type = current_fixture_type;
    deselect_all_fixtures();
    if (fader_bank != 0) update_figure_state();
    set_key_led(key, kLedRed);
    show_group_bank_leds(kLedBlinkRed);
    std::array<uint8_t, 33> flags{};
    std::array<uint8_t, 5> classes{};
    draw_box_title(kKindNames[static_cast<size_t>(k)]);
    ui::show_message("SELECT SCANS AND FUNCTIONS TO SPLIT");
    show_split_leds(flags, classes);

    bool cancelled = false;
    while (key_down_table[static_cast<size_t>(key)] != 0) {
        int16_t pressed = 0;
        if (!get_key(&pressed)) continue;
        if (!handle_split_key(pressed, flags, classes)) {
            cancelled = true;
            break;
        }
        show_split_leds(flags, classes);
    }
    show_split_result_leds(key, flags, classes);

    int flagged = 0;
    for (int c = 1; c <= kTypeChannels; ++c) flagged += flags[static_cast<size_t>(c)] != 0 ? 1 : 0;
    bool any_class = false;
    for (int c = 1; c <= kClasses; ++c) any_class = any_class || classes[static_cast<size_t>(c)] != 0;
    if (!cancelled && any_selected() && (flagged > 0 || any_class)) {
        const auto setup_default = static_cast<int16_t>(
            setup::setup_data.u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1)));
        int32_t t = playback::edit_timing_value(kMaxMinutes, kKindPrompts[static_cast<size_t>(k)], setup_default);
        if (t != kTimeCancelled) {
            if (t < 0 || t > kTimeInfinite) t = infinite_allowed(k) ? kTimeInfinite : default_times[static_cast<size_t>(k)];
            if (flagged < function_count) {
                int first = 0;
                for (int f = 1; f <= setup::fixture_count && f <= kFixtures && first == 0; ++f) {
                    if (fixture_selected[static_cast<size_t>(f)] == 1) first = f;
                }
                apply_time_to_split_selection(static_cast<int16_t>(first), static_cast<int16_t>(k),
                                              static_cast<uint16_t>(t), flags, classes);
            } else {
                apply_time_to_selected_fixtures(static_cast<int16_t>(k), static_cast<uint16_t>(t));
            }
            ui::draw_table_cells();
        }
    }

    if (saved_type >= 0) {
        fixture_selected = selection_before;
        group_selected = groups_before;
        if (fixture_ok(saved_current)) make_fixture_current(saved_current);
        update_group_leds();
        update_fader_key_leds();
    } else if (current_fixture_type >= 0) {
        deselect_all_fixtures();
    }
    for (int c = 1; c <= kClasses; ++c) set_key_led(static_cast<int16_t>(KEY_PRESET_1 + c - 1), kLedOff);
    ui::clear_message();
    ui::redraw_cue_panel();
}

}  // namespace programmer
