// The playback record (PlaybackRecord, playback_state.h): its modes byte
// through six accessors, the time text, cue index arithmetic, and
// store_playback_in_cue, the one writer of a cue's playback entry.
#pragma once
#include <cstdint>
#include <string>

#include "playback/playback_state.h"

namespace playback {

constexpr uint8_t kProgrammed = 1u << 0;
constexpr uint8_t kMidiLearned = 1u << 1;

// Flash mode 0 FLASH, 1 TOGGLE, 2 KILL (bits 0-1); sound band 0 NONE to
// 5 "12 KHz" (bits 2-4); trigger 0 BEAT, 1 LEVEL (bit 5). A setter keeps the
// other fields. Values stored beyond their names read as 0 (FLASH, NONE).
uint8_t get_playback_flash_mode(const PlaybackRecord& record);
void set_playback_flash_mode(PlaybackRecord& record, uint8_t mode);
uint8_t get_playback_sound_band(const PlaybackRecord& record);
void set_playback_sound_band(PlaybackRecord& record, uint8_t band);
uint8_t get_playback_trigger_mode(const PlaybackRecord& record);
void set_playback_trigger_mode(PlaybackRecord& record, uint8_t mode);

// "%2d min %2d.%1d sec." of a time in tenths.
std::string format_playback_time(uint16_t tenths);

// Cue index 1..11200 = (page - 1) x 700 + (cue - 1) x 10 + point.
int32_t cue_index(int16_t page, int16_t cue, int16_t point);
void cue_of_index(int32_t index, int16_t& page, int16_t& cue, int16_t& point);

// Stores record as the entry of playback p in cue index: created or
// overwritten when the record is programmed, cleared otherwise, the entry's
// learned MIDI code kept either way, and freed when nothing is left; then the cue is refreshed
// and its file slot written. p outside 1..42 or index outside 1..11200 does
// nothing.
void store_playback_in_cue(int16_t p, int32_t index, const PlaybackRecord& record);

// The cue whose stored records changed is refreshed where it plays.
void refresh_stored_cue(int16_t cue, int16_t page, int16_t point);

}  // namespace playback
