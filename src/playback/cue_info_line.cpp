#include "playback/cue_info_line.h"

#include <string>

#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_wing.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/helpers.h"

namespace playback {

namespace {

constexpr int16_t kBlack = 0;
constexpr int16_t kYellow = 14;
constexpr uint8_t kLiveSlot = 1;
constexpr uint8_t kSequenceOrigin = 2;
constexpr int kInfoNameChars = 16;

// Where cell k (1..10) of the live cue stands: cell 1 on the position line,
// points 1..4 in the left column below it, points 5..9 in the right column.
struct Cell {
    int16_t x1, y1, x2, y2;
};
Cell info_cell(int k) {
    if (k == 1) return {110, 151, 220, 159};
    if (k <= 5) return {13, static_cast<int16_t>(171 + 10 * (k - 2)), 109, static_cast<int16_t>(179 + 10 * (k - 2))};
    return {123, static_cast<int16_t>(161 + 10 * (k - 6)), 220, static_cast<int16_t>(169 + 10 * (k - 6))};
}

bool loaded_a_sequence(int slot) {
    for (int s = 1; s <= kSequences; ++s) {
        if (sequence_origin_page[static_cast<size_t>(s)] != 0 &&
            cue_slot_of(sequence_origin_page[static_cast<size_t>(s)], sequence_origin_cue[static_cast<size_t>(s)],
                        sequence_origin_point[static_cast<size_t>(s)]) == slot) {
            return true;
        }
    }
    return false;
}

void draw_slot_cell(int k, int slot) {
    const Cell cell = info_cell(k);
    int16_t fill = kBlack;
    if (k == current_cue_point) fill = kLiveSlot;
    else if (loaded_a_sequence(slot)) fill = kSequenceOrigin;
    ui::fill_box(cell.x1, cell.y1, cell.x2, cell.y2, fill);
    const std::string_view name = cue_slot_name(slot);
    std::string text;
    if (!name.empty()) text = std::string(name.substr(0, kInfoNameChars));
    else if (cue_header_table[static_cast<size_t>(slot)].programmed == 1) text = "*";
    if (!text.empty()) ui::draw_small_text(static_cast<int16_t>(cell.x1 + 1), static_cast<int16_t>(cell.y1 + 1), kYellow, text.c_str());
}

}  // namespace

const char* transparency_name(uint8_t mode) {
    switch (mode) {
        case 0: return "OFF";
        case 1: return "ON";
        default: return "DEFAULT";
    }
}

uint8_t transparency_led(uint8_t mode) {
    switch (mode) {
        case 0: return runtime::LED_OFF;
        case 1: return runtime::LED_ON;
        default: return runtime::LED_BLINK;
    }
}

void draw_cue_info_line() {
    if ((runtime::option_flags & runtime::OPT_POINTCUE_PANEL) != 0) {
        // The position line and the transparency line.
        ui::fill_box(2, 151, 220, 159, kBlack);
        ui::fill_box(2, 211, 220, 219, kBlack);
        const std::string position = "P: " + std::to_string(current_cue_page) + " C: " + std::to_string(current_cue);
        ui::draw_small_text(4, 152, kYellow, position.c_str());
        for (int k = 1; k <= kPointsPerCue; ++k) draw_slot_cell(k, cue_slot_of(current_cue_page, current_cue, k));
        if (sequence_transparent_mode != 2 || playback_transparent_mode != 2) {
            const std::string line = std::string("Transp Seq ") + transparency_name(sequence_transparent_mode) +
                                     " Plb " + transparency_name(playback_transparent_mode) + ".";
            ui::draw_small_text(4, 212, kYellow, line.c_str());
        }
    }
    runtime::set_key_led(runtime::KEY_TRANSPARENT_PLB, transparency_led(playback_transparent_mode));
    runtime::set_key_led(runtime::KEY_TRANSPARENT_SEQ, transparency_led(sequence_transparent_mode));
}

}  // namespace playback
