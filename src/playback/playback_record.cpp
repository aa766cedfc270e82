#include "playback/playback_record.h"

#include <cstdio>
#include <new>

#include "datafiles/cue_files.h"
#include "memcheck/memcheck.h"
#include "playback/commands.h"
#include "playback/cue_copy.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace playback {

namespace {

constexpr uint8_t kFlashBits = 0x03;
constexpr uint8_t kBandBits = 0x1C;
constexpr uint8_t kTriggerBit = 0x20;
constexpr uint8_t kLastFlashMode = 2;
constexpr uint8_t kLastSoundBand = 5;
constexpr int kSlotsPerPage = kPointsPerCue * kCuesPerPage;

}  // namespace

uint8_t get_playback_flash_mode(const PlaybackRecord& record) {
    const uint8_t mode = record.modes & kFlashBits;
    return mode <= kLastFlashMode ? mode : 0;
}
void set_playback_flash_mode(PlaybackRecord& record, uint8_t mode) {
    record.modes = static_cast<uint8_t>((record.modes & ~kFlashBits) | (mode & kFlashBits));
}
uint8_t get_playback_sound_band(const PlaybackRecord& record) {
    const auto band = static_cast<uint8_t>((record.modes & kBandBits) >> 2);
    return band <= kLastSoundBand ? band : 0;
}
void set_playback_sound_band(PlaybackRecord& record, uint8_t band) {
    record.modes = static_cast<uint8_t>((record.modes & ~kBandBits) | ((band << 2) & kBandBits));
}
uint8_t get_playback_trigger_mode(const PlaybackRecord& record) { return (record.modes & kTriggerBit) != 0 ? 1 : 0; }
void set_playback_trigger_mode(PlaybackRecord& record, uint8_t mode) {
    record.modes = static_cast<uint8_t>((record.modes & ~kTriggerBit) | (mode != 0 ? kTriggerBit : 0));
}

std::string format_playback_time(uint16_t tenths) {
    char text[32];
    std::snprintf(text, sizeof text, "%2d min %2d.%1d sec.", tenths / 600, (tenths % 600) / 10, tenths % 10);
    return text;
}

int32_t cue_index(int16_t page, int16_t cue, int16_t point) {
    return (page - 1) * kSlotsPerPage + (cue - 1) * kPointsPerCue + point;
}

void cue_of_index(int32_t index, int16_t& page, int16_t& cue, int16_t& point) {
    page = static_cast<int16_t>((index - 1) / kSlotsPerPage + 1);
    cue = static_cast<int16_t>(((index - 1) / kPointsPerCue) % kCuesPerPage + 1);
    point = static_cast<int16_t>((index - 1) % kPointsPerCue + 1);
}

void refresh_stored_cue(int16_t cue, int16_t page, int16_t point) {
    if (cue < 1 || cue > kCuesPerPage || page < 1 || page > kCuePages || point < 1 || point > kPointsPerCue) return;
    const int slot = cue_slot_of(page, cue, point);
    if (cue_header_table[static_cast<size_t>(slot)].programmed == 1 && cue_used_count > 0) --cue_used_count;
    if (update_cue_programmed_flag(static_cast<int16_t>(slot))) ++cue_used_count;
    ui::draw_free_cue_count(static_cast<int16_t>(kCueSlots - cue_used_count));
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0 && page == runtime::cue_screen_page) {
        paint_cue_key(cue);
        draw_point_cue_marks(cue);
        update_point_cue_leds();
        if (cue == current_cue && page == current_cue_page) draw_cue_info_line();
    }
    if ((runtime::option_flags & runtime::OPT_CUE_GRID) != 0) draw_cue_grid();
}

void store_playback_in_cue(int16_t p, int32_t index, const PlaybackRecord& record) {
    if (p < 1 || p > kPlaybacks || index < 1 || index > kCueSlots) return;
    PlaybackRecord*& entry = cue_playback_table[static_cast<size_t>((index - 1) * kPlaybacks + p)];
    if ((record.flags & kProgrammed) != 0 && entry == nullptr) {
        void* block = runtime::show_table_allocator(sizeof(PlaybackRecord), __FILE__, __LINE__);
        if (block == nullptr) {
            ui::show_message("NOT ENOUGH MEMORY");
            ui::beep_interruptible(400, 2000);
        } else {
            entry = new (block) PlaybackRecord{};
        }
    }
    // A learned MIDI code belongs to the slot, whatever record is stored.
    if (entry != nullptr) copy_keeping_midi_code(*entry, record);
    int16_t page = 0, cue = 0, point = 0;
    cue_of_index(index, page, cue, point);
    refresh_stored_cue(cue, page, point);
    if (entry != nullptr && (entry->flags & (kProgrammed | kMidiLearned)) == 0) {
        memcheck::mc_free_at(entry, __FILE__, __LINE__);
        entry = nullptr;
    }
    datafiles::save_cue_playback_record(cue, point, page, p);
}

}  // namespace playback
