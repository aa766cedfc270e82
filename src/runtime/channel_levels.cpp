#include "runtime/channel_levels.h"

#include <algorithm>
#include <cstddef>

#include "programmer/park_tables.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "setup/patch_tables.h"

namespace runtime {

static_assert(kOutputPositions == setup::kPatchPositions && kOutputPositions == programmer::kParkChannels);
static_assert(kOutputPositions == kCardSlots * kCardChannels);

namespace {

// From this firmware on the program applies curves and scales itself.
constexpr uint16_t kFirstCurvingFirmware = 335;

// Fixed card areas that firmware older than 335 applies to its output: a
// curve flag and a scale per card channel, and the three custom curves.
constexpr uint32_t kCurveFlagArea = 0x1B00;
constexpr uint32_t kCustomCurveArea = 0x1D00;
constexpr uint32_t kCustomCurveBytes = 0x100;
constexpr uint32_t kScaleArea = 0x2000;
constexpr uint32_t kUploadMarkerCell = 0x464;
constexpr uint16_t kUploadMarker = 666;

// Status words with which the firmware holds off the pair writer.
constexpr uint16_t kStatusPairBusy = 0xAAAA;
constexpr uint16_t kStatusPairBlocked = 0xFFFF;

constexpr uint8_t kLastPatchSlot = setup::kPatchSlots - 1;

// An output position on its card: card 1..4 and channel index 0..511;
// card 0 when the position is outside 1..2048.
struct CardChannel {
    size_t card = 0;
    uint32_t index = 0;
};

bool valid_position(int position) { return position >= 1 && position <= kOutputPositions; }

CardChannel card_channel(int position) {
    if (!valid_position(position)) return {};
    return {static_cast<size_t>((position - 1) / kCardChannels + 1), static_cast<uint32_t>((position - 1) % kCardChannels)};
}

uint16_t selector_of(const CardChannel& at) { return dmx_card_selectors[at.card]; }
const DmxCardOffsets& offsets_of(const CardChannel& at) { return dmx_card_offsets[at.card]; }

bool card_applies_curves(size_t card) { return card_firmware_versions[card] < kFirstCurvingFirmware; }

bool is_parked(int channel) { return programmer::park_flags[static_cast<size_t>(channel)] != 0; }

uint8_t apply_dimmer_curve(int channel, uint8_t level) {
    const uint8_t curve = setup::dimmer_patch_table[static_cast<size_t>(channel)];
    if (curve < 1 || curve > setup::kDimmerCurves) return level;
    return setup::curve_tables[curve][level];
}

// The output's custom curve, then its scale (rounded down).
uint8_t apply_output_curve(int position, uint8_t level) {
    const size_t p = static_cast<size_t>(position);
    const uint8_t flag = setup::channel_curve_flags[p];
    if (flag >= 1 && flag <= setup::kCustomCurves) level = setup::custom_curve_tables[flag][level];
    const uint8_t scale = setup::channel_output_scale[p];
    if (scale != setup::kNoOutputScale) level = static_cast<uint8_t>(unsigned{level} * scale / 255u);
    return level;
}

void write_output(const CardChannel& at, uint8_t level) {
    poke_card_byte(selector_of(at), offsets_of(at).output_buffer + at.index, level);
}

// A figure byte: custom curve and scale of its output when the card does not
// apply them itself.
void write_figure_output(int position, uint8_t level) {
    const CardChannel at = card_channel(position);
    if (at.card == 0) return;
    if (!card_applies_curves(at.card)) level = apply_output_curve(position, level);
    write_output(at, level);
}

// False while the card of the position says the firmware is reading the pair.
bool pair_writable(int position) {
    const CardChannel at = card_channel(position);
    if (at.card == 0) return true;
    const uint16_t status = peek_card_word(selector_of(at), offsets_of(at).status_cell);
    return status != kStatusPairBusy && status != kStatusPairBlocked;
}

int first_slot_position(int16_t channel) {
    if (!valid_position(channel)) return 0;
    return setup::channel_patch_tables[0][static_cast<size_t>(channel)];
}

void upload_output_tables(int position) {
    const CardChannel at = card_channel(position);
    if (at.card == 0 || !card_applies_curves(at.card)) return;
    const size_t p = static_cast<size_t>(position);
    poke_card_byte(selector_of(at), kScaleArea + at.index, setup::channel_output_scale[p]);
    poke_card_byte(selector_of(at), kCurveFlagArea + at.index, setup::channel_curve_flags[p]);
}

void upload_custom_curves(size_t card) {
    if (!card_applies_curves(card)) return;
    const uint16_t selector = dmx_card_selectors[card];
    for (uint32_t k = 1; k <= setup::kCustomCurves; ++k) {
        const setup::Curve& curve = setup::custom_curve_tables[k];
        for (uint32_t i = 0; i < curve.size(); ++i) {
            poke_card_byte(selector, kCustomCurveArea + kCustomCurveBytes * (k - 1) + i, curve[i]);
        }
    }
}

size_t installed_cards() { return std::min<size_t>(interface_card_count, kCardSlots); }

}  // namespace

void set_channel_level(int16_t channel, uint8_t level, uint8_t force, uint8_t first_slot) {
    if (!valid_position(channel) || first_slot > kLastPatchSlot) return;
    const size_t c = static_cast<size_t>(channel);
    if (is_parked(channel) && force == 0) {
        programmer::park_values[c] = level;
        return;
    }
    const uint8_t dimmed = apply_dimmer_curve(channel, level);
    for (size_t slot = first_slot; slot <= kLastPatchSlot; ++slot) {
        const int position = setup::channel_patch_tables[slot][c];
        const CardChannel at = card_channel(position);
        if (at.card == 0) continue;
        write_output(at, card_applies_curves(at.card) ? level : apply_output_curve(position, dimmed));
    }
}

void set_figure_channel_level(int16_t channel_a, uint8_t level_a, int16_t channel_b, uint8_t level_b) {
    const int position_a = first_slot_position(channel_a);
    const int position_b = first_slot_position(channel_b);
    // The pair goes out whole or not at all, also when its bytes lie on two cards.
    if (!pair_writable(position_a) || !pair_writable(position_b)) return;
    write_figure_output(position_b, level_b);
    write_figure_output(position_a, level_a);
}

uint8_t get_channel_level(int16_t channel) {
    if (!valid_position(channel)) return 0;
    if (is_parked(channel)) return programmer::park_values[static_cast<size_t>(channel)];
    const CardChannel at = card_channel(channel);
    return peek_card_byte(selector_of(at), offsets_of(at).read_back_buffer + at.index);
}

uint8_t get_output_level(int16_t position) {
    const CardChannel at = card_channel(position);
    if (at.card == 0) return 0;
    return peek_card_byte(selector_of(at), offsets_of(at).input_buffer + at.index);
}

void set_channel_word(int16_t position, uint16_t word) {
    const CardChannel at = card_channel(position);
    if (at.card == 0) return;
    poke_card_word(selector_of(at), offsets_of(at).channel_word_table + 2 * at.index, word);
}

void set_channel_table_word(uint8_t table, int16_t position, uint16_t word) {
    const CardChannel at = card_channel(position);
    if (at.card == 0 || table < 1 || table > setup::kCardWordTables) return;
    poke_card_word(selector_of(at), offsets_of(at).word_tables[table] + 2 * at.index, word);
}

void upload_channel_tables() {
    const int16_t last = std::clamp<int16_t>(function_record_capacity, 0, kOutputPositions);
    for (int16_t position = 1; position <= last; ++position) {
        const size_t p = static_cast<size_t>(position);
        upload_output_tables(position);
        set_channel_word(position, setup::channel_patch_tables[setup::kChannelWordTable][p]);
        for (uint8_t table = 1; table <= setup::kCardWordTables; ++table) {
            const size_t source = static_cast<size_t>(setup::kFirstCardWordTable + table - 1);
            set_channel_table_word(table, position, setup::channel_patch_tables[source][p]);
        }
    }
    for (size_t card = 1; card <= installed_cards(); ++card) upload_custom_curves(card);
    for (size_t card = 1; card <= installed_cards(); ++card) {
        poke_card_word(dmx_card_selectors[card], kUploadMarkerCell, kUploadMarker);
    }
}

}  // namespace runtime
