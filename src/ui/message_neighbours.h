// What the message line reads and calls from other subsystems that is not
// built yet: the current memory and its used flags, the cue headers and
// point flags, and the two panel painters. (The live cue position is in
// playback/key_groups.h.) Each name is
// declared in its owner's namespace; the owner's own module takes it over
// and these least bodies go.
#pragma once
#include <array>
#include <cstdint>

#include "memories/memory_index.h"

namespace memories {

// The memory the programmer works on, 1..4000.
extern int16_t current_memory;
// Per memory 1..4000: 1 when programmed (index 0 unused).
extern std::array<uint8_t, kMemories + 1> memory_used;

}  // namespace memories

namespace playback {

constexpr int kCuePages = 16;
constexpr int kCuesPerPage = 70;
constexpr int kPointsPerCue = 10;
constexpr int kCues = kCuePages * kCuesPerPage;      // 1120 whole cues
constexpr int kCueSlots = kCues * kPointsPerCue;     // 11200 cue slots
constexpr int kCueNameBytes = 21;                    // 20 characters and the terminator

// Cue point flags of a whole cue.
constexpr uint8_t kCuePointNone = 0;
constexpr uint8_t kCuePointOwn = 1;          // the cue's own point is programmed
constexpr uint8_t kCuePointOthersOnly = 2;   // only other points of it are programmed

struct CueHeader {
    std::array<char, kCueNameBytes> name{};
    uint8_t programmed = 0;      // 1 = programmed
    uint8_t record_present = 0;
    int32_t offset = -1;         // record offset in the cue file, -1 none
};

// Per cue slot 1..11200 and per whole cue 1..1120 (index 0 unused).
extern std::array<CueHeader, kCueSlots + 1> cue_header_table;
extern std::array<uint8_t, kCues + 1> cue_point_flags;

}  // namespace playback

namespace ui {

// The cue panel and the current-memory panel of the main screen.
void draw_cue_panel();
void draw_current_memory_panel();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_message_neighbours_globals();

}  // namespace ui
