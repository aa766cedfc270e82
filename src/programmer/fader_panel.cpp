#include "programmer/fader_panel.h"

#include <algorithm>

#include "datafiles/default_values.h"
#include "memories/presets.h"
#include "memories/thresholds.h"
#include "programmer/effect_panels.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_pages.h"
#include "programmer/function_belts.h"
#include "programmer/function_timings.h"
#include "programmer/macro_panel.h"
#include "programmer/programmer_values.h"
#include "programmer/value_mapping.h"
#include "runtime/card_discovery.h"
#include "runtime/channel_levels.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/fixture_type.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/panels.h"

namespace programmer {

const std::array<double, 6> generator_wheel_scale = {kSwingWheelScale,      kParameterWheelScale,
                                                     kParameterWheelScale,  kParameterWheelScale,
                                                     kParameterWheelScale,  kParameterWheelScale};
const std::array<double, 10> figure_wheel_scale = {kSwingWheelScale,     kSwingWheelScale,     kParameterWheelScale,
                                                   kParameterWheelScale, kParameterWheelScale, kParameterWheelScale,
                                                   kParameterWheelScale, kParameterWheelScale, kParameterWheelScale,
                                                   kParameterWheelScale};

int16_t fader_panel_kind = 0;

void reset_fader_panel_globals() { fader_panel_kind = 0; }

namespace {

using runtime::WheelState;

constexpr int kFunctions = runtime::kFunctionWheels;  // 32
constexpr int kGeneratorParameters = runtime::kGeneratorWheels;
constexpr int kFigureParameters = runtime::kFigureWheels;
constexpr int kGeneratorFaderKeys = 7;
constexpr int kFigureFaderKeys = 10;
constexpr int kTimingFaderKeys = 6;
constexpr int kMacroFaderKeys = 7;
constexpr int kParameterFader = 16;       // the grouping fader of the effect banks
constexpr int kFirstTimingGroupFader = 9;
constexpr uint16_t kDirectValueLimit = 1000;
constexpr uint16_t kPresetReferenceBase = 1000;
constexpr uint8_t kFirstEffectPresetByte = 181;
constexpr uint8_t kLastEffectPresetByte = 250;
constexpr uint8_t kLastParameterByte = 170;
constexpr int32_t kBeltWriteInterval_ms = 50;
constexpr uint8_t kLabelColour = 10;
constexpr uint8_t kCurrentFixtureOnlyColour = 11;
constexpr uint8_t kWhite = 15;
constexpr uint8_t kYellow = 14;
constexpr uint8_t kLightGrey = 7;
constexpr uint8_t kGreen = 2;
constexpr uint8_t kCurrentFixtureOnlyFlag = 2;
constexpr uint8_t kLevelMax = 255;

// Where a channel fader takes its value from.
enum class FaderSource { programmer, defaults };

bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }
bool threshold_mode() { return flag(runtime::run_flags, runtime::RUN_THRESHOLD_MODE); }
bool live_edit() { return flag(runtime::run_flags, runtime::RUN_LIVE_EDIT); }
bool has_belts() { return runtime::hw_option_flags.function_belts != 0; }

// The faders show the stage rather than the programmer: the output view is
// on, or live edit is on outside blind.
bool faders_follow_output() {
    return flag(runtime::option_flags, runtime::OPT_FADERS_FOLLOW_OUTPUT) ||
           (!flag(runtime::run_flags, runtime::RUN_BLIND) && live_edit());
}

const setup::FixtureTypeDef* current_type() { return setup::type_def_of_index(runtime::current_fixture_type); }

bool current_fixture_valid() {
    const int f = runtime::current_fixture;
    return f >= 1 && f <= setup::fixture_count && f <= runtime::kFixtures;
}

int channel_count() { return std::clamp<int>(runtime::function_count, 0, kFunctions); }

bool record_valid(int record) {
    return record >= 1 && record <= runtime::function_record_count && runtime::programmer_values != nullptr;
}

int library_function(int n) { return channel_library_function(n); }

// The channel whose record holds channel n's value, and whether it is
// another one.
int remapped_channel(int n, bool& remapped) {
    const uint8_t to = runtime::function_remap_table[static_cast<size_t>(runtime::current_fixture)][static_cast<size_t>(n)];
    remapped = to != 0 && to <= kFunctions;
    return remapped ? to : n;
}

int channel_record(int n) {
    const int r = get_function_record_index(runtime::current_fixture, static_cast<int16_t>(n));
    return record_valid(r) ? r : 0;
}

// The selected bank-0 function, page * 16 + fader - 16.
int selected_channel() {
    return runtime::function_page * kFadersPerFunctionPage + runtime::selected_fader_bank0 - kFadersPerFunctionPage;
}

// The fader slot that shows channel n in the current bank, 0 none.
int visible_slot(int n, FaderSource source) {
    const int count = channel_count();
    if (n < 1 || n > count) return 0;
    switch (runtime::fader_bank) {
        case kChannelBank:
            if (runtime::function_page == 2) return n > kFadersPerFunctionPage ? n - kFadersPerFunctionPage : 0;
            return n <= kFadersPerFunctionPage ? n : 0;
        case kGeneratorBank: return n == selected_channel() ? 1 : 0;
        case kTimingBank: return source == FaderSource::programmer && n == selected_channel() ? 1 : 0;
        default: return 0;
    }
}

// The programmer value of record r with a value-preset reference resolved;
// a reference to an empty or unknown preset is not set.
uint16_t resolved_programmer_value(int r) {
    const uint16_t v = runtime::programmer_values[r];
    if (v == runtime::kValueNotSet || v <= kDirectValueLimit) return v;
    const int preset = v - kPresetReferenceBase;
    if (preset < 1 || preset > memories::kValuePresets) return runtime::kValueNotSet;
    const uint16_t* values = memories::value_preset_table[static_cast<size_t>(preset)];
    return values == nullptr ? runtime::kValueNotSet : values[r];
}

// What the stage shows of record r: its held manual value while that is
// active, else the merged output.
int live_level(int r) {
    if (flag(runtime::channel_flags[r], runtime::FLAG_MANUAL)) return runtime::manual_values[r];
    return runtime::output_base_values[r];
}

int clamp_level(int level) { return std::clamp(level, 0, int{kLevelMax}); }

// Channel record r's level by the source rule.
int source_level(int r, FaderSource source) {
    if (source == FaderSource::defaults) {
        return datafiles::default_values == nullptr ? 0 : datafiles::default_values[r] & 0xFF;
    }
    if (threshold_mode()) return runtime::threshold_levels == nullptr ? 0 : runtime::threshold_levels[r];
    const uint16_t v = resolved_programmer_value(r);
    if (v == runtime::kValueNotSet || faders_follow_output()) return clamp_level(live_level(r));
    return clamp_level(v);
}

int fader_value(int n, int level) { return channel_level_to_fader(n, level); }

// Writes a wheel's position to its widget when it moved, and its value to
// the belt when the console has belts.
void write_position(int slot, WheelState& wheel) {
    const uint8_t shown = ui::divide_by_3_round_up(wheel.value);
    if (shown != wheel.shown) {
        set_fader_widget_value(static_cast<int16_t>(slot), shown);
        wheel.shown = shown;
    }
    if (has_belts()) set_function_belt(static_cast<int16_t>(slot), static_cast<uint8_t>(clamp_level(wheel.value)));
}

// Writes predefined entry e (1..35) of channel n as the label when it changed.
void write_label(int slot, WheelState& wheel, int n, int entry) {
    const setup::FixtureTypeDef* type = current_type();
    const int f = library_function(n);
    if (type == nullptr || f == 0 || entry < 1 || entry > setup::kPredefinedEntries) return;
    const std::string text = type->entry_text(f, entry - 1);
    std::array<char, 9> label{};
    copy_wheel_label(label, text.c_str());
    if (label == wheel.label) return;
    wheel.label = label;
    const int16_t colour = type->entry_flag(f, entry - 1) == kCurrentFixtureOnlyFlag ? kCurrentFixtureOnlyColour
                                                                                     : kLabelColour;
    set_fader_label(static_cast<int16_t>(slot), label.data(), colour);
}

// The fixture's pan, pan fine, tilt or tilt fine channel.
bool is_pantilt_channel(const runtime::PanTiltRecord& pt, int n) {
    return n == pt.pan.channel || n == pt.pan_fine.channel || n == pt.tilt.channel || n == pt.tilt_fine.channel;
}

// A channel fader's bar tells whose level it shows: a programmer value that
// the stage does not take (blind, frozen, a playback, a cue fade or a
// sequence holds the channel: the value table's light cyan) fills the bar in
// light cyan; the stage's own level or a value that reaches it, the layout's
// red.
void colour_channel_bar(int slot, int r, FaderSource source) {
    if (runtime::fader_bank != kChannelBank || runtime::macro_mode != 0 || slot < 1 || slot > kPanelFaders) return;
    const bool programmer_value = source == FaderSource::programmer && !threshold_mode() && !faders_follow_output() &&
                                  resolved_programmer_value(r) != runtime::kValueNotSet;
    const bool held_back = programmer_value && get_function_value_colour(static_cast<int16_t>(r)) == kColourHeldBack;
    ui::FaderWidget& widget = ui::function_fader_widgets[static_cast<size_t>(slot)];
    const int16_t colour = held_back ? int16_t{kColourHeldBack} : ui::kControlFaderBarColour;
    if (ui::get_fader_widget_bar_colour(widget) != colour) ui::set_fader_widget_bar_colour(widget, colour);
}

// One axis channel n (pan, tilt or a fine half) from its oriented record.
void refresh_axis(int n, uint16_t oriented_record, uint8_t invert, FaderSource source) {
    if (n < 1 || n > channel_count() || !record_valid(oriented_record)) return;
    WheelState& wheel = runtime::wheel_states.functions[static_cast<size_t>(n)];
    const int level = source_level(oriented_record, source);
    int value = threshold_mode() ? level : fader_value(n, level);
    if (invert != 0 && !threshold_mode()) value = kLevelMax - value;
    wheel.raw = static_cast<int16_t>(level);
    wheel.value = static_cast<int16_t>(value);
    const int slot = visible_slot(n, source);
    if (slot == 0) return;
    write_position(slot, wheel);
    colour_channel_bar(slot, oriented_record, source);
    write_label(slot, wheel, n, 1);
}

// The bars of the shown channel faders again (an owner of a channel may
// have come or gone since the faders were written).
void recolour_channel_bars() {
    if (runtime::fader_bank != kChannelBank) return;
    const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[static_cast<size_t>(runtime::current_fixture)];
    for (int n = 1; n <= channel_count(); ++n) {
        const int slot = visible_slot(n, FaderSource::programmer);
        if (slot == 0) continue;
        int r = 0;
        if (n == pt.pan.channel) r = pt.oriented_pan.record;
        else if (n == pt.tilt.channel) r = pt.oriented_tilt.record;
        else if (n == pt.pan_fine.channel) r = pt.oriented_pan_fine.record;
        else if (n == pt.tilt_fine.channel) r = pt.oriented_tilt_fine.record;
        if (r == 0) {
            bool remapped = false;
            r = channel_record(remapped_channel(n, remapped));
        }
        if (record_valid(r)) colour_channel_bar(slot, r, FaderSource::programmer);
    }
}

void refresh_channels(FaderSource source) {
    if (!current_fixture_valid() || current_type() == nullptr) return;
    const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[static_cast<size_t>(runtime::current_fixture)];
    for (int n = 1; n <= channel_count(); ++n) {
        if (is_pantilt_channel(pt, n)) continue;
        bool remapped = false;
        const int r = channel_record(remapped_channel(n, remapped));
        if (r == 0) continue;
        WheelState& wheel = runtime::wheel_states.functions[static_cast<size_t>(n)];
        const int level = source_level(r, source);
        wheel.raw = static_cast<int16_t>(level);
        wheel.value = static_cast<int16_t>(threshold_mode() && source == FaderSource::programmer ? level
                                                                                               : fader_value(n, level));
        const int slot = visible_slot(n, source);
        if (slot == 0) continue;
        write_position(slot, wheel);
        colour_channel_bar(slot, r, source);
        const bool entry_one = remapped || threshold_mode();
        write_label(slot, wheel, n, entry_one ? 1 : find_predefined_entry(library_function(n), wheel.raw));
    }
    if (pt.pan.channel == 0 || pt.tilt.channel == 0) return;
    refresh_axis(pt.pan.channel, pt.oriented_pan.record, pt.pan_invert, source);
    refresh_axis(pt.tilt.channel, pt.oriented_tilt.record, pt.tilt_invert, source);
    if (pt.pan_fine.channel == 0 || pt.tilt_fine.channel == 0) return;
    refresh_axis(pt.pan_fine.channel, pt.oriented_pan_fine.record, pt.pan_invert, source);
    refresh_axis(pt.tilt_fine.channel, pt.oriented_tilt_fine.record, pt.tilt_invert, source);
}

// The record of the selected function, through the remap table; 0 none.
int selected_record() {
    const int n = selected_channel();
    if (n < 1 || n > channel_count()) return 0;
    bool remapped = false;
    return channel_record(remapped_channel(n, remapped));
}

// A stored effect byte with an effect-preset reference resolved: the byte of
// the preset, or not set when the preset is empty. Bytes that are neither a
// parameter nor a reference count as not set.
uint8_t resolve_effect_byte(uint8_t byte, const std::array<uint8_t*, memories::kEffectPresets + 1>& presets,
                            size_t preset_index, size_t preset_size) {
    if (byte <= kLastParameterByte) return byte;
    if (byte < kFirstEffectPresetByte || byte > kLastEffectPresetByte) return runtime::kByteNotSet;
    const uint8_t* preset = presets[static_cast<size_t>(byte - kFirstEffectPresetByte + 1)];
    if (preset == nullptr || preset_index >= preset_size) return runtime::kByteNotSet;
    return preset[preset_index];
}

// Generator parameter k (1..6) of record r by the source rule.
int generator_level(int r, int k) {
    const size_t at = static_cast<size_t>(r - 1) * runtime::kGeneratorBytesPerRecord + static_cast<size_t>(k);
    const uint8_t byte = resolve_effect_byte(runtime::programmer_generators[at], memories::effect_preset_generators,
                                             at - 1, memories::kGeneratorPartBytes);
    if (byte != runtime::kByteNotSet && !faders_follow_output()) return byte;
    if (flag(runtime::generator_flags[at], runtime::FLAG_MANUAL)) return runtime::manual_generators[at];
    return runtime::generator_states[r].parameters[static_cast<size_t>(k - 1)];
}

// Figure parameter k (1..10) of fixture f by the source rule.
int figure_level(int f, int k) {
    const size_t at = static_cast<size_t>(f - 1) * runtime::kFigureBytesPerFixture + static_cast<size_t>(k);
    const uint8_t byte = resolve_effect_byte(runtime::programmer_figures[at], memories::effect_preset_figures, at - 1,
                                             memories::kFigurePartBytes);
    if (byte != runtime::kByteNotSet && !faders_follow_output()) return byte;
    if (flag(runtime::figure_flags[at], runtime::FLAG_MANUAL)) return runtime::manual_figures[at];
    return runtime::figure_states[f].parameters[static_cast<size_t>(k - 1)];
}

// Moves a wheel to a new level and writes its widget when its position
// changed; the belt follows at most every 50 ms per slot while live edit is on.
void follow_wheel(int slot, WheelState& wheel, int level, int value) {
    wheel.raw = static_cast<int16_t>(level);
    wheel.value = static_cast<int16_t>(value);
    const uint8_t shown = ui::divide_by_3_round_up(wheel.value);
    if (shown == wheel.shown) return;
    wheel.shown = shown;
    set_fader_widget_value(static_cast<int16_t>(slot), shown);
    int32_t& timer = runtime::general_timers[static_cast<size_t>(slot)];
    if (has_belts() && (timer > kBeltWriteInterval_ms || !live_edit())) {
        set_function_belt(static_cast<int16_t>(slot), static_cast<uint8_t>(clamp_level(value)));
        timer = 0;
    }
}

// The level a following fader takes from record r; key 163 held in bank 0
// reads the card back.
int followed_level(int r) {
    const bool read_back = runtime::key_down_table[runtime::KEY_PANEL_3] != 0 && runtime::fader_bank == kChannelBank;
    if (read_back) return runtime::get_channel_level(static_cast<int16_t>(setup::channel_patch_tables[0][static_cast<size_t>(r)]));
    return runtime::output_base_values[r];
}

void follow_axis(int n, uint16_t oriented_record, uint8_t invert) {
    const int slot = visible_slot(n, FaderSource::programmer);
    if (slot == 0 || !record_valid(oriented_record)) return;
    if (flag(runtime::channel_flags[oriented_record], runtime::FLAG_MANUAL)) return;
    WheelState& wheel = runtime::wheel_states.functions[static_cast<size_t>(n)];
    const bool held = runtime::key_down_table[runtime::KEY_PANEL_3] != 0;
    if (!held && wheel.raw == runtime::output_base_values[oriented_record]) return;
    const int level = clamp_level(followed_level(oriented_record));
    int value = fader_value(n, level);
    if (invert != 0) value = kLevelMax - value;
    follow_wheel(slot, wheel, level, value);
}

void set_fader_key_leds(int first, int last, uint8_t state) {
    for (int i = first; i <= last; ++i) runtime::set_key_led(runtime::fader_key(i), state);
}

// Fader keys 1..lit on (state 1), the rest of the 16 off.
void light_fader_keys(int lit) {
    set_fader_key_leds(1, lit, runtime::LED_ON);
    set_fader_key_leds(lit + 1, kPanelFaders, runtime::LED_OFF);
}

// Whether the current type's library function of channel n offers
// predefined entries (the setup's per-type function flags).
bool has_predefined_entries(int n) {
    const int type = runtime::current_fixture_type;
    const int f = library_function(n);
    if (type < 0 || f == 0) return false;
    return setup::setup_data.u8(setup::SetupData::type_function_flag_field(type + 1, f - 1)) != 0;
}

void fill_panel_area(int16_t left, int16_t bottom) { ui::fill_box(left, 13, 638, bottom, kGreen); }

void clear_widgets(bool show) {
    for (int i = 1; i <= kPanelFaders; ++i) {
        ui::FaderWidget& widget = ui::function_fader_widgets[static_cast<size_t>(i)];
        ui::clear_fader_widget(widget);
        if (show) ui::show_fader_widget(widget);
    }
}

int16_t panel_kind() {
    const bool typed = runtime::current_fixture_type != -1;
    if (runtime::macro_mode == 1) return typed ? kPanelMacro : kPanelMacroNoType;
    switch (runtime::fader_bank) {
        case kGeneratorBank: return typed ? kPanelGenerator : kPanelGeneratorNoType;
        case kFigureBank: return typed ? kPanelFigure : kPanelFigureNoType;
        case kTimingBank: return typed ? kPanelTiming : kPanelTimingNoType;
        default: return kPanelChannels;
    }
}

// The channel bank: the page falls back to 1 when the type has no second
// page; each fader of an existing function gets its number and strip.
void build_channel_bank() {
    const int count = channel_count();
    if (runtime::function_page == 2 && count <= kFadersPerFunctionPage) runtime::function_page = 1;
    const int page = runtime::function_page;
    for (int i = 1; i <= kPanelFaders; ++i) {
        const int n = (page - 1) * kFadersPerFunctionPage + i;
        uint8_t led = runtime::LED_OFF;
        if (n <= count) led = threshold_mode() && memories::threshold_channel_marked(n) ? runtime::LED_ON_2 : runtime::LED_ON;
        runtime::set_key_led(runtime::fader_key(i), led);
        if (n > count) continue;
        set_fader_strip_colour(static_cast<int16_t>(i), has_predefined_entries(n) ? kYellow : kLightGrey);
        const bool marked = threshold_mode() && memories::threshold_channel_marked(n);
        set_fader_number(static_cast<int16_t>(i), static_cast<int16_t>(n), marked ? kYellow : kLabelColour);
    }
    runtime::set_key_led(runtime::KEY_FUNCTION_PAGE_1, page == 1 && count > 0 ? runtime::LED_ON : runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_FUNCTION_PAGE_2, page == 2 && count > 0 ? runtime::LED_ON : runtime::LED_OFF);
}

}  // namespace

uint8_t parameter_to_wheel_value(int raw, double scale) {
    if (scale <= 0.0 || raw <= 0) return 0;
    const double value = static_cast<double>(raw) / scale;
    return value >= kLevelMax ? kLevelMax : static_cast<uint8_t>(value);
}

uint8_t wheel_value_to_parameter(int value, double scale) {
    if (scale <= 0.0 || value <= 0) return 0;
    const double raw = static_cast<double>(std::min(value, int{kLevelMax})) * scale;
    return raw >= kLevelMax ? kLevelMax : static_cast<uint8_t>(raw);
}

int channel_library_function(int channel) {
    const int type = runtime::current_fixture_type;
    if (type < 0 || type >= runtime::kTypes || channel < 1 || channel > kFunctions) return 0;
    return runtime::type_channel_function[static_cast<size_t>(type + 1)][static_cast<size_t>(channel - 1)] + 1;
}

uint8_t channel_level_to_fader(int channel, int level) {
    return map_value_to_fader(runtime::current_fixture_type, channel_library_function(channel),
                              static_cast<uint8_t>(std::clamp(level, 0, int{kLevelMax})));
}

void copy_wheel_label(std::array<char, 9>& label, const char* text) {
    label.fill('\0');
    if (text == nullptr) return;
    for (size_t i = 0; i + 1 < label.size() && text[i] != '\0'; ++i) label[i] = text[i];
}

void build_fader_panel() {
    runtime::wheel_states = {};
    if (has_belts()) {
        for (int b = 1; b <= kPanelFaders; ++b) set_function_belt(static_cast<int16_t>(b), 0);
    }
    const bool typed = runtime::current_fixture_type != -1;
    if (!typed) runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_OFF);

    // The widgets are laid out narrow the first time the panel is built, and
    // again when a new frame replaces the timing bank's wide one; a new
    // fixture type in the timing bank keeps its frame and layout.
    const bool laid_out = ui::function_fader_widgets[1].width != 0;
    if (!laid_out) lay_out_fader_panel(0);
    const int16_t kind = panel_kind();
    const bool new_frame = (runtime::macro_mode == 0 && runtime::fader_bank == kChannelBank) || kind != fader_panel_kind;
    if (new_frame && flag(runtime::run_flags, runtime::RUN_TIMINGS_DISPLAY)) lay_out_fader_panel(0);
    if (runtime::macro_mode == 0 && runtime::fader_bank == kChannelBank) {
        fader_panel_kind = kind;
        fill_panel_area(230, 103);
        clear_widgets(true);
        draw_fixture_info();
    } else if (kind != fader_panel_kind) {
        fader_panel_kind = kind;
        fill_panel_area(270, 101);
        clear_widgets(!typed);
        if (!(runtime::macro_mode == 1 && typed)) draw_fixture_info();
    }

    if (runtime::macro_mode == 1) {
        if (typed) {
            build_macro_panel();
            draw_macro_grouping_header();
        }
        light_fader_keys(typed ? kMacroFaderKeys : 0);
        return;
    }
    switch (runtime::fader_bank) {
        case kChannelBank: build_channel_bank(); break;
        case kGeneratorBank:
        case kFigureBank:
            if (typed) {
                if (runtime::fader_bank == kGeneratorBank) {
                    show_generator_fader_labels();
                } else {
                    show_figure_fader_labels();
                }
            }
            light_fader_keys(typed ? (runtime::fader_bank == kGeneratorBank ? kGeneratorFaderKeys : kFigureFaderKeys) : 0);
            runtime::set_key_led(runtime::fader_key(kParameterFader), runtime::LED_ON);
            break;
        case kTimingBank:
            // The timing bank has no fader 16 (its widgets 7 to 16 are hidden):
            // its key stays dark, as the bank's LED rule has it.
            if (typed) show_timing_fader_labels();
            light_fader_keys(typed ? kTimingFaderKeys : 0);
            break;
        default: break;
    }
}

void refresh_faders() {
    if (runtime::current_fixture == -1 || flag(runtime::run_flags, runtime::RUN_WHEELS_INACTIVE)) return;
    if (runtime::macro_mode != 0) {
        refresh_macro_faders();
        return;
    }
    if (flag(runtime::run_flags, runtime::RUN_DEFAULT_MODE)) {
        refresh_default_value_faders();
    } else {
        refresh_function_faders();
    }
    if (threshold_mode()) return;
    switch (runtime::fader_bank) {
        case kGeneratorBank: refresh_generator_faders(); break;
        case kFigureBank: refresh_figure_faders(); break;
        case kTimingBank: load_times_to_faders(); break;
        default: break;
    }
}

void refresh_function_faders() { refresh_channels(FaderSource::programmer); }

void refresh_default_value_faders() {
    if (threshold_mode()) return;
    refresh_channels(FaderSource::defaults);
}

void refresh_generator_faders() {
    if (!current_fixture_valid()) return;
    const int r = selected_record();
    if (r == 0) return;
    for (int k = 1; k <= kGeneratorParameters; ++k) {
        WheelState& wheel = runtime::wheel_states.generator_params[static_cast<size_t>(k)];
        const int level = generator_level(r, k);
        wheel.raw = static_cast<int16_t>(level);
        wheel.value = parameter_to_wheel_value(level, generator_wheel_scale[static_cast<size_t>(k - 1)]);
        if (runtime::fader_bank == kGeneratorBank) write_position(k + 1, wheel);
    }
    if (runtime::fader_bank == kGeneratorBank) draw_generator_preview_box();
}

void refresh_figure_faders() {
    if (!current_fixture_valid()) return;
    const int f = runtime::current_fixture;
    for (int k = 1; k <= kFigureParameters; ++k) {
        WheelState& wheel = runtime::wheel_states.figure_params[static_cast<size_t>(k)];
        const int level = figure_level(f, k);
        wheel.raw = static_cast<int16_t>(level);
        wheel.value = parameter_to_wheel_value(level, figure_wheel_scale[static_cast<size_t>(k - 1)]);
        if (runtime::fader_bank == kFigureBank) write_position(k, wheel);
    }
    if (runtime::fader_bank == kFigureBank) draw_figure_preview_box();
}

void follow_live_values() {
    if (!current_fixture_valid() || current_type() == nullptr || runtime::programmer_values == nullptr) return;
    if (threshold_mode() || flag(runtime::run_flags, runtime::RUN_WHEELS_INACTIVE) || runtime::macro_mode != 0) return;
    recolour_channel_bars();
    if (faders_follow_output()) {
        switch (runtime::fader_bank) {
            case kChannelBank: follow_live_function_faders(); break;
            case kGeneratorBank:
                follow_live_function_faders();
                follow_live_generator_faders();
                break;
            case kFigureBank: follow_live_figure_faders(); break;
            default: break;
        }
    }
    // The previews run from what the faders show, followed or not.
    if (runtime::fader_bank == kGeneratorBank) draw_generator_preview();
    if (runtime::fader_bank == kFigureBank) draw_figure_preview();
}

void follow_live_function_faders() {
    if (!current_fixture_valid()) return;
    const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[static_cast<size_t>(runtime::current_fixture)];
    const bool held = runtime::key_down_table[runtime::KEY_PANEL_3] != 0;
    for (int n = 1; n <= channel_count(); ++n) {
        const int slot = visible_slot(n, FaderSource::programmer);
        if (slot == 0 || is_pantilt_channel(pt, n)) continue;
        bool remapped = false;
        const int r = channel_record(remapped_channel(n, remapped));
        if (r == 0 || flag(runtime::channel_flags[r], runtime::FLAG_MANUAL)) continue;
        WheelState& wheel = runtime::wheel_states.functions[static_cast<size_t>(n)];
        if (!held && wheel.raw == runtime::output_base_values[r]) continue;
        const int level = clamp_level(followed_level(r));
        follow_wheel(slot, wheel, level, fader_value(n, level));
    }
    if (runtime::fader_bank != kChannelBank || pt.pan.channel == 0 || pt.tilt.channel == 0) return;
    follow_axis(pt.pan.channel, pt.oriented_pan.record, pt.pan_invert);
    follow_axis(pt.tilt.channel, pt.oriented_tilt.record, pt.tilt_invert);
    if (pt.pan_fine.channel == 0 || pt.tilt_fine.channel == 0) return;
    follow_axis(pt.pan_fine.channel, pt.oriented_pan_fine.record, pt.pan_invert);
    follow_axis(pt.tilt_fine.channel, pt.oriented_tilt_fine.record, pt.tilt_invert);
}

void follow_live_generator_faders() {
    const int r = selected_record();
    if (r == 0 || runtime::generator_states == nullptr) return;
    for (int k = 1; k <= kGeneratorParameters; ++k) {
        WheelState& wheel = runtime::wheel_states.generator_params[static_cast<size_t>(k)];
        const int running = runtime::generator_states[r].parameters[static_cast<size_t>(k - 1)];
        if (running == wheel.raw) continue;
        follow_wheel(k + 1, wheel, running,
                     parameter_to_wheel_value(running, generator_wheel_scale[static_cast<size_t>(k - 1)]));
    }
}

void follow_live_figure_faders() {
    if (!current_fixture_valid() || runtime::figure_states == nullptr) return;
    const int f = runtime::current_fixture;
    for (int k = 1; k <= kFigureParameters; ++k) {
        WheelState& wheel = runtime::wheel_states.figure_params[static_cast<size_t>(k)];
        const int running = runtime::figure_states[f].parameters[static_cast<size_t>(k - 1)];
        if (running == wheel.raw) continue;
        follow_wheel(k, wheel, running, parameter_to_wheel_value(running, figure_wheel_scale[static_cast<size_t>(k - 1)]));
    }
}

void update_fader_key_leds() {
    using runtime::set_key_led;
    if (runtime::current_fixture_type == -1) {
        set_fader_key_leds(1, kPanelFaders, runtime::LED_OFF);
        set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_OFF);
        return;
    }
    const int count = channel_count();
    const int page = runtime::function_page;
    const bool fader_display = runtime::display_mode == 2;
    const bool pantilt = flag(runtime::mode_flags, runtime::MODE_TRACKERBALL_PANTILT);
    if (threshold_mode()) {
        set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_OFF);
        set_key_led(runtime::KEY_FIGURE, runtime::LED_OFF);
        set_key_led(runtime::KEY_FUNCTION_PAGE_1, page == 1 ? runtime::LED_ON : runtime::LED_OFF);
        set_key_led(runtime::KEY_FUNCTION_PAGE_2, page == 2 ? runtime::LED_ON : runtime::LED_OFF);
        for (int i = 1; i <= kPanelFaders; ++i) {
            const int n = (page - 1) * kFadersPerFunctionPage + i;
            uint8_t led = runtime::LED_OFF;
            if (n <= count) led = memories::threshold_channel_marked(n) ? runtime::LED_ON_2 : runtime::LED_ON;
            set_key_led(runtime::fader_key(i), led);
        }
        return;
    }
    set_key_led(runtime::KEY_TRACKERBALL_PANTILT, fader_display && pantilt ? runtime::LED_ON : runtime::LED_OFF);
    auto select_led = [](int16_t fader, bool shown) {
        if (shown && fader >= 1 && fader <= kPanelFaders) runtime::set_key_led(runtime::fader_key(fader), runtime::LED_ON_2);
    };
    if (runtime::macro_mode == 1) {
        light_fader_keys(kMacroFaderKeys);
        select_led(runtime::macro_fader, fader_display);
        return;
    }
    switch (runtime::fader_bank) {
        case kChannelBank: {
            set_key_led(runtime::KEY_FIGURE, runtime::LED_OFF);
            set_key_led(runtime::KEY_FUNCTION_PAGE_1, page == 1 ? runtime::LED_ON : runtime::LED_OFF);
            set_key_led(runtime::KEY_FUNCTION_PAGE_2, page == 2 ? runtime::LED_ON : runtime::LED_OFF);
            const int on_page = std::clamp(count - (page - 1) * kFadersPerFunctionPage, 0, kPanelFaders);
            light_fader_keys(on_page);
            select_led(runtime::selected_fader_bank0, fader_display && !pantilt);
            break;
        }
        case kGeneratorBank:
            set_key_led(runtime::KEY_FIGURE, runtime::LED_ON);
            set_key_led(runtime::KEY_FUNCTION_PAGE_1, runtime::LED_OFF);
            set_key_led(runtime::KEY_FUNCTION_PAGE_2, runtime::LED_OFF);
            light_fader_keys(kGeneratorFaderKeys);
            set_key_led(runtime::fader_key(kParameterFader), runtime::LED_ON);
            select_led(runtime::selected_fader_bank1, fader_display);
            break;
        case kFigureBank:
            set_key_led(runtime::KEY_FIGURE, runtime::LED_ON);
            set_key_led(runtime::KEY_FUNCTION_PAGE_1, runtime::LED_OFF);
            set_key_led(runtime::KEY_FUNCTION_PAGE_2, runtime::LED_OFF);
            light_fader_keys(kFigureFaderKeys);
            set_key_led(runtime::fader_key(kParameterFader), runtime::LED_ON);
            select_led(runtime::selected_fader_bank2, fader_display && !pantilt);
            break;
        case kTimingBank:
            set_key_led(runtime::KEY_TIMING, runtime::LED_ON);
            set_key_led(runtime::KEY_FUNCTION_PAGE_1, runtime::LED_OFF);
            set_key_led(runtime::KEY_FUNCTION_PAGE_2, runtime::LED_OFF);
            light_fader_keys(kTimingFaderKeys);
            select_led(runtime::selected_fader_bank3, fader_display);
            for (int g = 1; g <= kTimingGroups; ++g) {
                const uint8_t group = timing_group_flags[static_cast<size_t>(g - 1)];
                const uint8_t led = group == 1 ? runtime::LED_ON_2 : group == 2 ? runtime::LED_ON_BOTH : runtime::LED_OFF;
                set_key_led(runtime::fader_key(kFirstTimingGroupFader + g - 1), led);
            }
            show_timing_group_labels();
            break;
        default: break;
    }
}

void set_fader_label(int16_t slot, const char* text, int16_t colour) {
    if (slot < 1 || slot > kPanelFaders) return;
    ui::FaderWidget& widget = ui::function_fader_widgets[static_cast<size_t>(slot)];
    const int16_t frame = widget.shown != 0 ? widget.frame_colour : widget.saved_frame_colour;
    if (colour == kLabelColour && frame == kLightGrey) colour = kWhite;
    ui::set_fader_widget_label_colour(widget, colour);
    ui::set_fader_widget_label(widget, text == nullptr ? "" : text);
}

void set_fader_number(int16_t slot, int16_t number, int16_t colour) {
    if (slot < 1 || slot > kPanelFaders) return;
    ui::FaderWidget& widget = ui::function_fader_widgets[static_cast<size_t>(slot)];
    ui::set_fader_widget_number_colour(widget, colour);
    ui::set_fader_widget_number(widget, number);
}

void set_fader_strip_colour(int16_t slot, int16_t colour) {
    if (slot < 1 || slot > kPanelFaders) return;
    ui::set_fader_widget_strip_colour(ui::function_fader_widgets[static_cast<size_t>(slot)], colour);
}

}  // namespace programmer
