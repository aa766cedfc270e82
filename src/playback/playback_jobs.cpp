#include "playback/playback_jobs.h"

#include "datafiles/small_tables.h"
#include "playback/commands.h"
#include "playback/cue_editing.h"
#include "playback/cue_names.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_wing.h"
#include "programmer/slave_consoles.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "sync/midi_output.h"
#include "sync/sync_services.h"
#include "ui/edit_keys.h"
#include "ui/helpers.h"
#include "ui/panels.h"

namespace playback {

namespace {

constexpr size_t kPlaybackByte = 0;  // of a transp_table entry
constexpr size_t kSequenceByte = 1;
constexpr size_t kCuesAutoManual = setup::kSetupAutoManual + 2;  // the CUES entry: 0 AUTO
constexpr uint8_t kTimecodeRecording = 2;
constexpr uint8_t kSlaveTriggerLevel = 255;

// Colours of the cue name line and the grid marks.
constexpr int16_t kNameBoxColour = 4;
constexpr int16_t kNameColour = 14;
constexpr uint8_t kCellCurrent = 1;
constexpr uint8_t kCellSequenceOrigin = 2;
constexpr uint8_t kCellPlain = 0;

bool mode_set(uint32_t bit) { return (runtime::mode_flags & bit) != 0; }
bool option_set(uint32_t bit) { return (runtime::option_flags & bit) != 0; }
bool run_set(uint32_t bit) { return (runtime::run_flags & bit) != 0; }

// The cue replaces (OFF, or DEFAULT while the show default is OFF) rather
// than only adding what it programs.
bool cue_replaces(uint8_t transparency, uint32_t auto_mode) {
    return transparency == datafiles::kTranspOff || (transparency == datafiles::kTranspDefault && mode_set(auto_mode));
}

void load_playbacks(int slot) {
    const uint8_t transparency = datafiles::transp_table[static_cast<size_t>(slot)][kPlaybackByte];
    const bool replaces = cue_replaces(transparency, runtime::MODE_AUTO_PLAYBACKS);
    for (int p = 1; p <= kPlaybacks; ++p) {
        if (ui::playback_freeze[static_cast<size_t>(p)] == 1) continue;
        const bool live_programmed = (playback_table[static_cast<size_t>(p)].flags & CUE_RECORD_IN_CUE) != 0;
        if (cue_playback_programmed(slot, p) || (replaces && live_programmed)) {
            load_playback_from_cue(static_cast<int16_t>(slot), static_cast<int16_t>(p));
        }
    }
}

void load_sequences(int slot) {
    const uint8_t transparency = datafiles::transp_table[static_cast<size_t>(slot)][kSequenceByte];
    const bool replaces = cue_replaces(transparency, runtime::MODE_AUTO_SEQUENCES);
    for (int s = 1; s <= kSequences; ++s) {
        const uint8_t freeze = ui::sequence_freeze[static_cast<size_t>(s)];
        if (freeze == ui::kSequenceFrozen) continue;
        if (replaces || cue_sequence_programmed(slot, s)) {
            load_sequence_from_cue(static_cast<int16_t>(slot), static_cast<int16_t>(s), freeze);
        }
    }
}

// The cue screen after the live cue moved from old_page / old_cue.
void show_new_position(int old_page, int old_cue) {
    const int shown = runtime::cue_screen_page;
    if (shown != current_cue_page) show_cue_page(current_cue_page);
    if (mode_set(runtime::MODE_CUE_SCREEN)) ui::redraw_memory_panel();
    const bool moved = old_page != current_cue_page || old_cue != current_cue;
    if (option_set(runtime::OPT_POINTCUE_PANEL) && moved) {
        if (old_page == runtime::cue_screen_page) paint_cue_key(static_cast<int16_t>(old_cue));
        if (current_cue_page == runtime::cue_screen_page) paint_cue_key(current_cue);
        draw_cue_name_line();
    }
    if (option_set(runtime::OPT_CUE_GRID)) {
        if (old_page == runtime::cue_screen_page) paint_cue_cell(static_cast<int16_t>(old_cue), kCellPlain);
        if (current_cue_page == runtime::cue_screen_page) paint_cue_cell(current_cue, kCellCurrent);
        for (int s = 1; s <= kSequences; ++s) {
            const int16_t page = sequence_origin_page[static_cast<size_t>(s)];
            const int16_t cue = sequence_origin_cue[static_cast<size_t>(s)];
            if (page == runtime::cue_screen_page && (page != current_cue_page || cue != current_cue)) {
                paint_cue_cell(cue, kCellSequenceOrigin);
            }
        }
    }
}

}  // namespace

void go_to_cue(uint16_t slot, uint8_t record, uint8_t suppress_midi) {
    // The slot may come from a file (timecode lists, MIDI tables, linked
    // cues): one outside the tables is ignored.
    if (!valid_cue_slot(slot)) return;
    const int page = cue_slot_page(slot);
    const int cue = cue_slot_cue(slot);
    const int point = cue_slot_point(slot);

    // 1. The position, unless a text is being edited or the timecode
    // recorder records and this cue is not to be recorded.
    const bool keep_position =
        run_set(runtime::RUN_TEXT_EDIT) || (synchro::timecode_mode == kTimecodeRecording && record == 0);
    const int old_page = current_cue_page;
    const int old_cue = current_cue;
    if (!keep_position) {
        current_cue_point = static_cast<int16_t>(point);
        current_cue = static_cast<int16_t>(cue);
        current_cue_page = static_cast<int16_t>(page);
    }

    // 2. The "P" event of a list being recorded.
    if (record == 1) synchro::record_cue_event(current_cue_page, current_cue, current_cue_point);

    // 3. The slave consoles hear of every executed cue, moved or not.
    if (runtime::slave_console_count != 0 && setup::setup_data.u8(kCuesAutoManual) == 0) {
        programmer::send_slave_cue_numbers(static_cast<uint8_t>(page), static_cast<uint8_t>(cue),
                                           static_cast<uint8_t>(point));
        programmer::send_slave_trigger(kSlaveTriggerLevel);
    }

    // 4.-8. Blind: nothing goes out and nothing loads.
    if (!run_set(runtime::RUN_BLIND)) {
        if (suppress_midi == 0) synchro::send_cue_midi_code(static_cast<int16_t>(slot));
        load_playbacks(slot);
        const auto& transparency = datafiles::transp_table[static_cast<size_t>(slot)];
        sequence_transparent_mode = transparency[kSequenceByte];
        playback_transparent_mode = transparency[kPlaybackByte];
        load_sequences(slot);
        if (mode_set(runtime::MODE_CUE_TIMING)) start_cue_fade(static_cast<int16_t>(slot), 0);
        autoload_cue_memory(static_cast<int16_t>(slot));
    }

    // 9. The screen follows a moved position.
    if (!keep_position) show_new_position(old_page, old_cue);

    // 10.
    draw_cue_info_line();
    update_point_cue_leds();
}


}  // namespace playback
