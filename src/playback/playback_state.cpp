#include "playback/playback_state.h"

#include <cstring>

#include "memcheck/memcheck.h"
#include "playback/playback_wing.h"
#include "runtime/card_access.h"

namespace playback {

std::array<PlaybackRecord, kPlaybackEditRecord + 1> playback_table{};
std::array<MidiCode, kPlaybacks + 1> playback_midi_codes{};
std::array<uint8_t, kPlaybacks + 1> playback_active{};
std::array<uint16_t, kPlaybacks + 1> playback_linked_cue{};
std::array<uint8_t, kPlaybacks + 1> playback_reload_pending{};
std::array<int32_t, kPlaybacks + 1> playback_levels{};
uint8_t selected_playback = 1;
std::array<uint8_t, kPlaybacks + 1> playback_timecode_flash{};
std::array<double, kPlaybacks + 1> playback_timecode_remaining_s{};
std::array<SequenceRecord, kSequences + 1> sequence_table{};
std::array<SequenceCrossfade, kSequences + 1> sequence_crossfade{};
std::array<uint8_t, kSequences + 1> sequence_selected_control{};
std::array<int16_t, kSequences + 1> sequence_origin_page{};
std::array<int16_t, kSequences + 1> sequence_origin_cue{};
std::array<int16_t, kSequences + 1> sequence_origin_point{};

void reset_playback_state_globals() {
    playback_table = {};
    playback_midi_codes = {};
    playback_active = {};
    playback_linked_cue = {};
    playback_reload_pending = {};
    playback_levels = {};
    selected_playback = 1;
    playback_timecode_flash = {};
    playback_timecode_remaining_s = {};
    sequence_table = {};
    sequence_crossfade = {};
    sequence_selected_control = {};
    sequence_origin_page = {};
    sequence_origin_cue = {};
    sequence_origin_point = {};
}

namespace {
constexpr int kLinesPerBank = 16;
constexpr size_t kWingTextChars = kWingLcdTextBytes - 1;
}  // namespace

void set_wing_lcd_text(int16_t line, const char* text) {
    if (line < 1 || line > kWingLcdLines || text == nullptr) return;
    std::array<char, kWingLcdTextBytes>& stored = wing_lcd_texts[static_cast<size_t>(line)];
    if (std::strcmp(stored.data(), text) == 0) return;
    stored.fill('\0');
    memcheck::mc_memcpy_at(stored.data(), text, strnlen(text, kWingTextChars), __FILE__, __LINE__,
                           memcheck::mc_dest_size(stored));
    const uint8_t bank = line <= kLinesPerBank ? 0 : 1;
    if (bank == wing_bank) runtime::show_playback_name(line);
}

}  // namespace playback
