// The live playback and sequence records and the playbacks' show state beside
// their fader records (playback_faders.h). Tables are 1-based (index 0 unused).
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_faders.h"

namespace playback {

constexpr int kPlaybackEditRecord = kPlaybacks + 1;  // record 43: the edit record
constexpr int kSequences = 4;
constexpr int kLoopMemories = 100;
constexpr int kSequenceSteps = 102;                  // start, 100 loop memories, end
constexpr uint16_t kInfiniteLoops = 1001;

// A MIDI code: three words; a first word of 0 means no code.
struct MidiCode {
    std::array<uint16_t, 3> words{};
};

struct PlaybackRecord {
    uint8_t flags = 0;           // bit 0 programmed, bit 1 MIDI code learned
    MidiCode midi_code;
    int16_t memory = 0;          // 1..4000, 0 none
    uint8_t fade_mode = 0;       // 0..5
    uint8_t threshold = 0;       // 1..70, 0 none
    uint8_t modes = 0;           // bits 0-1 flash mode, 2-4 sound band, 5 trigger mode
    uint16_t fade_in = 0;        // tenths of a second
    uint16_t fade_out = 0;       // tenths of a second
};

struct SequenceRecord {
    uint8_t flags = 0;           // bit 0 programmed, bit 1 MIDI code learned
    MidiCode midi_code;
    uint16_t start_memory = 0;
    std::array<uint16_t, kLoopMemories + 1> loop_memories{};    // 1..100
    uint16_t end_memory = 0;
    std::array<uint8_t, kSequenceSteps + 1> step_fade_modes{};  // per step 1..102
    std::array<uint8_t, kSequenceSteps + 1> step_thresholds{};  // per step 1..102
    uint8_t loop_length = 0;
    uint16_t loop_count = 0;     // 0 none, 1..1000 passes, 1001 infinite
    uint16_t linked_cue = 0;
    uint8_t spare_byte = 0;
    uint16_t fade_time = 0;      // hundredths of a second
    uint16_t wait_delay = 0;     // hundredths of a second
    uint16_t spare_word = 0;
    std::array<uint8_t, 6> reserved_a{};  // bytes 427..432 of a stored record, kept as they are
    uint8_t mode = 0;            // bits 0-1 run state, 2-3 sync, 4-5 trigger, 6-7 direction
    uint8_t sound_band = 0;
    uint8_t beats_per_step = 0;
    std::array<uint8_t, 8> reserved_b{};  // bytes 436..443
};

// Fields of a SequenceRecord's mode byte.
constexpr uint8_t kSequenceRunShift = 0, kSequenceSyncShift = 2, kSequenceTriggerShift = 4, kSequenceDirectionShift = 6;
constexpr uint8_t kSequenceFieldMask = 3;
constexpr uint8_t kTriggerAutomatic = 0, kTriggerManual = 1, kTriggerBeat = 2;
constexpr uint8_t kDirectionForward = 0, kDirectionBackward = 1, kDirectionBounce = 2, kDirectionRandom = 3;

constexpr uint8_t sequence_mode_field(uint8_t mode, uint8_t shift) {
    return static_cast<uint8_t>((mode >> shift) & kSequenceFieldMask);
}
constexpr uint8_t with_sequence_mode_field(uint8_t mode, uint8_t shift, uint8_t value) {
    return static_cast<uint8_t>((mode & ~(kSequenceFieldMask << shift)) | ((value & kSequenceFieldMask) << shift));
}

inline uint8_t sequence_run_state(const SequenceRecord& r) { return sequence_mode_field(r.mode, kSequenceRunShift); }
inline uint8_t sequence_sync(const SequenceRecord& r) { return sequence_mode_field(r.mode, kSequenceSyncShift); }
inline uint8_t sequence_trigger(const SequenceRecord& r) { return sequence_mode_field(r.mode, kSequenceTriggerShift); }
inline uint8_t sequence_direction(const SequenceRecord& r) { return sequence_mode_field(r.mode, kSequenceDirectionShift); }

// The running crossfade of a sequence.
struct SequenceCrossfade {
    uint8_t running = 0;
    uint32_t progress = 0;          // 0..65535, 65535 = the step is fully faded in
    uint32_t inverse_progress = 0;  // 65535 - progress
};

// Records 1..42 are the live playbacks, record 43 the edit record.
extern std::array<PlaybackRecord, kPlaybackEditRecord + 1> playback_table;
extern std::array<MidiCode, kPlaybacks + 1> playback_midi_codes;
extern std::array<uint8_t, kPlaybacks + 1> playback_active;  // 1 while the playback runs
// The cue slot each playback is still linked to (0 none), and 1 while a
// reload of it from a cue is pending.
extern std::array<uint16_t, kPlaybacks + 1> playback_linked_cue;
extern std::array<uint8_t, kPlaybacks + 1> playback_reload_pending;
// The effective 16-bit level 0..65535 of each playback (an 8-bit level v as v x 257).
extern std::array<int32_t, kPlaybacks + 1> playback_levels;
extern uint8_t selected_playback;  // 1..42, the playback the trackerball moves

// 1 while a timecode flash event holds the playback, with the seconds it
// still runs (counted down by the timer step).
extern std::array<uint8_t, kPlaybacks + 1> playback_timecode_flash;
extern std::array<double, kPlaybacks + 1> playback_timecode_remaining_s;

extern std::array<SequenceRecord, kSequences + 1> sequence_table;
extern std::array<SequenceCrossfade, kSequences + 1> sequence_crossfade;
extern std::array<uint8_t, kSequences + 1> sequence_selected_control;  // 1..3
// The cue each sequence was last started from: page (0 none), cue 1..70 and point 1..10.
extern std::array<int16_t, kSequences + 1> sequence_origin_page;
extern std::array<int16_t, kSequences + 1> sequence_origin_cue;
extern std::array<int16_t, kSequences + 1> sequence_origin_point;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_playback_state_globals();

// Wing LCD line 1..32: stores the text (cut to 20 characters) when it
// differs, and shows it when its bank is shown.
void set_wing_lcd_text(int16_t line, const char* text);

}  // namespace playback
