#include "programmer/dimmer_command.h"

#include <algorithm>
#include <string_view>

#include "memories/presets.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "programmer/programmer_values.h"
#include "programmer/value_mapping.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"

namespace programmer {

std::array<int16_t, kDimmerCommandTokens + 1> last_dimmer_command{};

void reset_dimmer_command_globals() { last_dimmer_command = {}; }

namespace {

using runtime::KEY_EDIT_VALUE;
using runtime::KEY_FULL;
using runtime::KEY_MINUS;
using runtime::KEY_PLUS;
using runtime::KEY_RANGE;

constexpr int16_t kAt = KEY_EDIT_VALUE;
constexpr int kLevelTop = 255;
constexpr uint16_t kFirstPresetValue = 1001;
constexpr uint16_t kLastPresetValue = 1210;
constexpr uint16_t kPresetValueBase = 1000;

// The error beep of a refused command or key.
constexpr int32_t kErrorTone_hz = 400;
constexpr uint32_t kErrorTone_ms = 800;

// Colours.
constexpr int16_t kBlack = 0;
constexpr int16_t kBlue = 1;
constexpr int16_t kGreen = 2;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kYellow = 14;
constexpr int16_t kTextSize = 4;

// The window in the lower left of the screen and its text grid: character c
// (1..30) of line L (0..5) at (6c + 5, 14L + 372).
constexpr int16_t kTextLineLeft = 6, kTextLineRight = 216, kTextLineTop = 370, kTextLineHeight = 10;
constexpr int16_t kLinePitch = 14;
constexpr int16_t kCharPitch = 6, kCharLeft = 5, kCharTop = 372;

bool is_digit(int16_t token) { return token >= runtime::KEY_DIGIT_0 && token <= runtime::KEY_DIGIT_9; }
int digit_of(int16_t token) { return token - runtime::KEY_DIGIT_0; }
bool is_joiner(int16_t token) { return token == KEY_PLUS || token == KEY_MINUS || token == KEY_RANGE; }

// The text a token is shown as.
std::string_view token_text(int16_t token) {
    static constexpr std::string_view kDigits = "0123456789";
    if (is_digit(token)) return kDigits.substr(static_cast<size_t>(digit_of(token)), 1);
    switch (token) {
        case kAt: return " @ ";
        case KEY_PLUS: return " + ";
        case KEY_MINUS: return " - ";
        case KEY_FULL: return " FULL";
        case KEY_RANGE: return " -> ";
        default: return "";
    }
}

bool has_at(std::span<const int16_t> tokens) { return std::find(tokens.begin(), tokens.end(), kAt) != tokens.end(); }

// Channel part: a pending number n (1..2048) added, removed, or closing a
// range from its start (nothing when the start is larger).
enum class ChannelMode : uint8_t { add, remove, range };

void apply_channel_number(DimmerCommand& command, ChannelMode mode, int start, int n) {
    if (n < 1 || n > kDimmerChannels) return;
    auto& channels = command.channels;
    switch (mode) {
        case ChannelMode::add: channels[static_cast<size_t>(n)] = 1; break;
        case ChannelMode::remove: channels[static_cast<size_t>(n)] = 0; break;
        case ChannelMode::range:
            for (int c = std::max(start, 1); c <= n; ++c) channels[static_cast<size_t>(c)] = 1;
            break;
    }
}

// The level a raise or lower starts from: the record's programmer value, or
// the value preset it refers to, or else its output base value.
int dimmer_base_value(int16_t record) {
    const uint16_t value = runtime::programmer_values[record];
    if (value < kFirstPresetValue) return value;
    if (value <= kLastPresetValue) {
        const uint16_t* preset = memories::value_preset_table[static_cast<size_t>(value - kPresetValueBase)];
        if (preset != nullptr && preset[record] != memories::kValueNotSet) return preset[record];
    }
    return runtime::output_base_values != nullptr ? runtime::output_base_values[record] : 0;
}

void draw_dimmer_window() {
    ui::fill_box(2, 343, 220, 453, kBlack);
    ui::fill_box(4, 352, 218, 452, kDarkGrey);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(3, 351, 219, 452);
    ui::fill_box(6, 354, 216, 366, kGreen);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize);
    platform::_setcolor(kYellow);
    platform::_outtextxy(30, 356, "DIMMER CHANNEL EDIT");
}

void show_dimmer_leds(const DimmerOffers& offers, bool any_tokens) {
    using namespace runtime;
    const auto led = [](bool on) { return on ? LED_BLINK : LED_OFF; };
    set_key_led(KEY_BACK, led(any_tokens));
    for (int d = 0; d <= 9; ++d) set_key_led(digit_key(d), led(offers.digits));
    set_key_led(KEY_FULL, led(offers.full));
    set_key_led(KEY_ENTER, led(offers.enter));
    // The at key's group shows what it takes: after a channel number all
    // four, after the at token plus and minus (a raise or lower), on an empty
    // line the at key alone (the recall).
    set_key_led(KEY_EDIT_VALUE, led(offers.at));
    set_key_led(KEY_PLUS, led(offers.plus_minus));
    set_key_led(KEY_MINUS, led(offers.plus_minus));
    set_key_led(KEY_RANGE, led(offers.range));
}

void leave_dimmer_window() {
    using namespace runtime;
    option_flags &= ~OPT_SETTINGS_EDITOR;
    ui::clear_message();
    for (const int16_t key : {KEY_EDIT_VALUE, KEY_PLUS, KEY_MINUS, KEY_FULL, KEY_RANGE, KEY_BACK, KEY_DIMMER, KEY_ESC,
                              KEY_ENTER}) {
        set_key_led(key, LED_OFF);
    }
    playback::update_point_cue_leds();
    ui::draw_main_frame();
}

// The line being typed: its tokens, bounded by the token list and by what the
// window can show.
struct DimmerLine {
    std::array<int16_t, kDimmerCommandTokens> tokens{};
    int count = 0;

    std::span<const int16_t> view() const { return {tokens.data(), static_cast<size_t>(count)}; }
    bool fits(int16_t token) const {
        return count < kDimmerCommandTokens &&
               dimmer_command_text_length(view()) + static_cast<int>(token_text(token).size()) <= kDimmerCommandChars;
    }
    void append(int16_t token) { tokens[static_cast<size_t>(count++)] = token; }
};

// The channel part of the line, up to and including its at token, becomes
// the last command.
void store_last_command(const DimmerLine& line) {
    last_dimmer_command = {};
    for (int i = 0; i < line.count; ++i) {
        last_dimmer_command[static_cast<size_t>(i)] = line.tokens[static_cast<size_t>(i)];
        if (line.tokens[static_cast<size_t>(i)] == kAt) break;
    }
}

void recall_last_command(DimmerLine& line) {
    line.count = 0;
    for (int i = 0; i < kDimmerCommandTokens && last_dimmer_command[static_cast<size_t>(i)] != 0; ++i) {
        line.append(last_dimmer_command[static_cast<size_t>(i)]);
    }
}

// The token a key adds to the line when it is offered, 0 for none.
int16_t offered_token(int16_t key, const DimmerOffers& offers) {
    if (is_digit(key)) return offers.digits ? key : 0;
    if (key == kAt) return offers.at ? key : 0;
    if (key == KEY_PLUS || key == KEY_MINUS) return offers.plus_minus ? key : 0;
    if (key == KEY_RANGE) return offers.range ? key : 0;
    if (key == KEY_FULL) return offers.full ? key : 0;
    return 0;
}

}  // namespace

DimmerOffers dimmer_command_offers(std::span<const int16_t> tokens) {
    DimmerOffers offers;
    if (tokens.empty()) {
        offers.digits = true;
        offers.at = last_dimmer_command[0] != 0;
        return offers;
    }
    const int16_t last = tokens.back();
    if (is_digit(last)) {
        offers.digits = true;
        if (has_at(tokens)) {
            offers.enter = true;
        } else {
            offers.at = offers.plus_minus = offers.range = true;
        }
    } else if (last == kAt) {
        offers.digits = offers.plus_minus = offers.full = true;
    } else if (is_joiner(last)) {
        offers.digits = true;
    } else if (last == KEY_FULL) {
        offers.enter = true;
    }
    return offers;
}

int dimmer_command_text_length(std::span<const int16_t> tokens) {
    int length = 0;
    for (const int16_t token : tokens) length += static_cast<int>(token_text(token).size());
    return length;
}

void read_dimmer_command(std::span<const int16_t> tokens, DimmerCommand& command) {
    command = {};
    ChannelMode mode = ChannelMode::add;
    int start = 1;
    int number = 0;
    size_t i = 0;
    // The channel part, up to the at token; a command without one names nothing.
    for (; i < tokens.size() && tokens[i] != kAt; ++i) {
        const int16_t token = tokens[i];
        if (is_digit(token)) {
            number = number * 10 + digit_of(token);
            if (number > kDimmerChannels) {
                command.error = true;
                return;
            }
        } else if (token == KEY_PLUS || token == KEY_MINUS) {
            apply_channel_number(command, mode, start, number);
            mode = token == KEY_PLUS ? ChannelMode::add : ChannelMode::remove;
            number = 0;
        } else if (token == KEY_RANGE) {
            // A range always adds, also after a minus.
            mode = ChannelMode::range;
            start = number;
            number = 0;
        }
    }
    if (i == tokens.size()) {
        command.channels = {};
        return;
    }
    apply_channel_number(command, mode, start, number);
    // The level part.
    int level = 0;
    for (++i; i < tokens.size(); ++i) {
        const int16_t token = tokens[i];
        if (token == KEY_PLUS) {
            command.mode = DIMMER_RAISE;
        } else if (token == KEY_MINUS) {
            command.mode = DIMMER_LOWER;
        } else if (token == KEY_FULL) {
            level = kDimmerFullPercent;
            break;
        } else if (is_digit(token)) {
            level = level * 10 + digit_of(token);
            if (level > kDimmerFullPercent) {
                command.error = true;
                return;
            }
        }
    }
    command.percent = static_cast<int16_t>(level);
}

bool parse_dimmer_command(std::span<const int16_t> tokens) {
    DimmerCommand command;
    read_dimmer_command(tokens, command);
    if (command.error) {
        ui::beep_interruptible(kErrorTone_hz, kErrorTone_ms);
        return false;
    }
    for (int n = 1; n <= kDimmerChannels; ++n) {
        if (command.channels[static_cast<size_t>(n)] == 0) continue;
        const uint16_t entry = runtime::dimmer_channel_list[static_cast<size_t>(n - 1)];
        if (entry == runtime::kNoDimmerChannel) continue;
        set_dimmer_level(static_cast<int16_t>(entry + 1), command.mode, command.percent);
    }
    return true;
}

void set_dimmer_level(int16_t record, uint8_t mode, int16_t percent) {
    if (record < 1 || record > runtime::function_record_count || runtime::programmer_values == nullptr) return;
    const int amount = percent_to_level(percent);
    int value = amount;
    if (mode == DIMMER_RAISE) value = dimmer_base_value(record) + amount;
    if (mode == DIMMER_LOWER) value = dimmer_base_value(record) - amount;
    value = std::clamp(value, 0, kLevelTop);
    edit_function_value(record, static_cast<uint16_t>(value));
}

void draw_dimmer_command(std::span<const int16_t> tokens) {
    for (int16_t l = 0; l < kDimmerCommandLines; ++l) {
        const auto top = static_cast<int16_t>(kTextLineTop + kLinePitch * l);
        ui::fill_box(kTextLineLeft, top, kTextLineRight, static_cast<int16_t>(top + kTextLineHeight), kLightGrey);
    }
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize);
    platform::_setcolor(kBlue);
    int position = 0;
    for (const int16_t token : tokens) {
        for (const char c : token_text(token)) {
            if (position >= kDimmerCommandChars) return;
            const int line = position / kDimmerCommandLineChars;
            const int column = position % kDimmerCommandLineChars + 1;
            platform::_outtextxy(kCharPitch * column + kCharLeft, kLinePitch * line + kCharTop, std::string_view(&c, 1));
            ++position;
        }
    }
}

void run_dimmer_channel_edit() {
    using namespace runtime;
    if ((option_flags & OPT_TIMECODE_SCREEN) != 0) return;
    option_flags |= OPT_SETTINGS_EDITOR;
    set_key_led(KEY_DIMMER, LED_ON);
    set_key_led(KEY_ESC, LED_BLINK);
    for (int d = 0; d <= 9; ++d) set_key_led(digit_key(d), LED_BLINK);
    DimmerLine line;
    draw_dimmer_window();
    draw_dimmer_command(line.view());
    ui::show_message("Select Dimmerchannels...");

    while (true) {
        const DimmerOffers offers = dimmer_command_offers(line.view());
        show_dimmer_leds(offers, line.count > 0);
        int16_t key = 0;
        if (!get_key(&key)) continue;
        if (key == KEY_ESC) {
            wait_key_release(KEY_ESC);
            break;
        }
        if (key == KEY_ENTER) {
            if (!offers.enter) continue;
            parse_dimmer_command(line.view());
            store_last_command(line);
            wait_key_release(KEY_ENTER);
            break;
        }
        if (key == KEY_BACK) {
            if (line.count == 0) continue;
            --line.count;
        } else if (key == kAt && line.count == 0) {
            if (!offers.at) continue;
            recall_last_command(line);
        } else {
            const int16_t token = offered_token(key, offers);
            if (token == 0) continue;
            // A line the window cannot show whole is refused with the error beep.
            if (!line.fits(token)) {
                ui::beep_interruptible(kErrorTone_hz, kErrorTone_ms);
                continue;
            }
            line.append(token);
        }
        draw_dimmer_command(line.view());
    }
    leave_dimmer_window();
}

}  // namespace programmer
