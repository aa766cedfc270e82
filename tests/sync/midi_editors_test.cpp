// The two MIDI editors as the operator uses them: EDIT ITEM held with the
// MIDI key, codes learned from the MIDI input, cursor keys, store and ESC.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "datafiles/small_tables.h"
#include "platform/machine.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_record.h"
#include "midi_console.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "sync/midi_codes.h"
#include "sync/midi_editors.h"
#include "sync/sync_services.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using Bytes = std::vector<uint8_t>;

constexpr int kCue1 = 1, kCue2 = 11, kCue5 = 41;
constexpr const char* kEditMessage = "EDIT MIDI-CODES (ESC=CANCEL)";

class MidiEditors : public sync_test::MidiConsole {
protected:

    // EDIT ITEM held, the MIDI key, EDIT ITEM let go: the editor opens.
    void open_midi_editor() {
        rig.hold(KEY_EDIT_ITEM, 300);
        rig.press(KEY_MIDI);
        rig.release(KEY_EDIT_ITEM, 300);
    }
    void play(const Bytes& bytes) {
        rig.machine().sync.feed_midi_bytes(bytes);
        rig.run_ms(50);
    }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
    static uint16_t note_entry(uint8_t note) { return synchro::midi_cue_lookup[1][0][note]; }
    // A tone of freq_hz, at most duration_ms long (any input ends it early).
    bool heard(int32_t freq_hz, uint64_t duration_ms) const {
        for (const platform::Tone& tone : rig.tones()) {
            if (tone.freq_hz == freq_hz && tone.duration_ms > 0 && tone.duration_ms <= duration_ms) return true;
        }
        return false;
    }
    // The pixels of the editors' box.
    std::vector<uint8_t> box_pixels() const {
        std::vector<uint8_t> pixels;
        for (int y = 272; y < 470; ++y) {
            for (int x = 230; x <= 630; ++x) pixels.push_back(rig.pixel(x, y));
        }
        return pixels;
    }
};

// Learn a note on cue 2, store with the MIDI key; from cue 1 the note runs cue 2.
TEST_F(MidiEditors, NoteLearnedOnACueRunsIt) {
    playback::go_to_cue(kCue2, 0, 0);
    open_midi_editor();
    EXPECT_EQ(ui::current_message(), kEditMessage);
    EXPECT_EQ(led(KEY_MIDI), runtime::LED_ON);
    play({0xB0, 0x07, 0x40});  // a control change is never learned
    play({0x90, 0x3C, 0x40});  // calls nothing while the editor is open
    EXPECT_EQ(playback::current_cue_slot(), kCue2);
    rig.press(KEY_MIDI);
    EXPECT_EQ(led(KEY_MIDI), runtime::LED_OFF);
    EXPECT_NE(ui::current_message(), kEditMessage);
    EXPECT_EQ(note_entry(0x3C), kCue2);
    const playback::PointcueRecord* record = playback::cue_pointcue_table[kCue2];
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->midi_code.words, (std::array<uint16_t, 3>{0x9000, 0x3C40, 0}));

    playback::go_to_cue(kCue1, 0, 0);
    play({0x90, 0x3C, 0x40});
    EXPECT_EQ(playback::current_cue_slot(), kCue2);
}

// A note learned on a playback row (row 6: playback 1) flashes the playback
// the cue has loaded: note on sets its note flag, note off clears it.
TEST_F(MidiEditors, NoteLearnedOnAPlaybackFlashesIt) {
    playback::PlaybackRecord record;
    record.flags = playback::CUE_RECORD_IN_CUE;
    record.memory = 1;
    playback::store_playback_in_cue(1, kCue2, record);
    playback::go_to_cue(kCue2, 0, 0);
    synchro::midi_code_cursor = {};
    open_midi_editor();
    for (int i = 0; i < 5; ++i) rig.press(KEY_DOWN);
    EXPECT_EQ(synchro::midi_code_cursor.row, synchro::kFirstPlaybackRow);
    play({0xC0, 0x05});        // a program change is no playback code
    play({0x90, 0x3E, 0x40});
    rig.press(KEY_MIDI);
    EXPECT_EQ(playback::playback_midi_codes[1].words, (std::array<uint16_t, 3>{0x9000, 0x3E40, 0}));
    EXPECT_EQ(note_entry(0x3E), 0) << "a playback code selects no cue";

    play({0x90, 0x3E, 0x40});
    EXPECT_EQ(playback::playback_note_flags[1], 1);
    play({0x80, 0x3E, 0x00});
    EXPECT_EQ(playback::playback_note_flags[1], 0);
}

// The same note on another cue: the store is refused with the 2 s tone and
// the editor stays; ESC then leaves the cue's own code callable.
TEST_F(MidiEditors, DuplicateCodeIsRefusedAndEscKeepsTheOldOne) {
    playback::go_to_cue(kCue5, 0, 0);
    open_midi_editor();
    play({0x90, 0x3C, 0x40});
    rig.press(KEY_MIDI);
    playback::go_to_cue(kCue2, 0, 0);
    open_midi_editor();
    play({0x90, 0x3D, 0x40});
    rig.press(KEY_MIDI);
    ASSERT_EQ(note_entry(0x3D), kCue2);

    open_midi_editor();
    play({0x90, 0x3C, 0x40});  // cue 5's note
    rig.press(KEY_MIDI);
    rig.run_ms(2100);
    EXPECT_TRUE(heard(400, 2000));  // cut short by the MIDI key's release
    EXPECT_EQ(ui::current_message(), kEditMessage);
    EXPECT_EQ(led(KEY_MIDI), runtime::LED_ON) << "the editor stays open";
    rig.press(KEY_ESC);
    EXPECT_EQ(led(KEY_MIDI), runtime::LED_OFF);
    EXPECT_EQ(note_entry(0x3C), kCue5);
    EXPECT_EQ(note_entry(0x3D), kCue2);
    playback::go_to_cue(kCue1, 0, 0);
    play({0x90, 0x3D, 0x40});
    EXPECT_EQ(playback::current_cue_slot(), kCue2);
}

// PgDn moves six rows: out of the window the rows are redrawn with the new
// row at the top, as a full redraw of the rows draws them.
TEST_F(MidiEditors, PageDownRedrawsTheWindow) {
    synchro::midi_code_cursor = {};
    open_midi_editor();
    rig.press(KEY_PAGE_DOWN);
    EXPECT_EQ(synchro::midi_code_cursor.row, 7);
    EXPECT_EQ(synchro::midi_code_cursor.position, 1);
    const std::vector<uint8_t> shown = box_pixels();
    synchro::draw_midi_code_rows(7, 1);
    EXPECT_EQ(shown, box_pixels());
    for (int i = 0; i < 10; ++i) rig.press(KEY_PAGE_DOWN);
    EXPECT_EQ(synchro::midi_code_cursor.row, synchro::kMidiCodeRows);
    rig.press(KEY_ESC);
}

class ShowMidiLists : public MidiEditors {
protected:
    void SetUp() override {
        MidiEditors::SetUp();
        runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
        synchro::timecode_mode = 0;
    }
    static std::string entry(int row) {
        const auto& e = datafiles::midi_show_table[static_cast<size_t>(row)];
        return std::string(reinterpret_cast<const char*>(e.data()), strnlen(reinterpret_cast<const char*>(e.data()), e.size()));
    }
    static void set_entry(int row, const std::string& name) {
        auto& e = datafiles::midi_show_table[static_cast<size_t>(row)];
        e.fill(0);
        std::copy(name.begin(), name.end(), e.begin());
    }
};

TEST_F(ShowMidiLists, PageDownFromRow120StopsAt128) {
    synchro::show_midi_list_cursor = {120, 5};
    open_midi_editor();
    EXPECT_EQ(led(KEY_EDIT_ITEM), runtime::LED_BLINK);
    rig.press(KEY_PAGE_DOWN);
    EXPECT_EQ(synchro::show_midi_list_cursor.row, 128);
    EXPECT_EQ(synchro::show_midi_list_cursor.position, 1);
    const std::vector<uint8_t> shown = box_pixels();
    synchro::draw_show_midi_list_rows(128, 1);
    EXPECT_EQ(shown, box_pixels());
    rig.press(KEY_PAGE_DOWN);
    EXPECT_EQ(synchro::show_midi_list_cursor.row, 128);
    rig.press(KEY_ESC);
}

TEST_F(ShowMidiLists, EscRestoresTheStoredTableAndMidiSavesIt) {
    set_entry(1, "INTRO");
    set_entry(13, "FINALE");
    ASSERT_TRUE(datafiles::save_midi_show_file());
    synchro::show_midi_list_cursor = {};
    open_midi_editor();
    rig.press(KEY_CLR);
    EXPECT_EQ(entry(1), "");
    rig.press(KEY_ESC);
    EXPECT_EQ(entry(1), "INTRO");

    open_midi_editor();
    rig.press(KEY_CLR);
    rig.press(KEY_MIDI);
    set_entry(1, "OTHER");
    datafiles::load_midi_show_file();
    EXPECT_EQ(entry(1), "");
    EXPECT_EQ(entry(13), "FINALE");
}

// While a show file operation runs (or the SAVE/LOAD key's handler), EDIT
// ITEM picks nothing: ESC then leaves the table itself.
TEST_F(ShowMidiLists, NoPickWhileAShowFileOperationRuns) {
    for (const uint32_t flag : {runtime::RUN_SHOW_FILE_BUSY, runtime::RUN_SAVE_LOAD_KEY}) {
        open_midi_editor();
        runtime::run_flags |= flag;
        rig.press(KEY_EDIT_ITEM);
        rig.press(KEY_ESC);
        EXPECT_EQ(led(KEY_EDIT_ITEM), runtime::LED_OFF) << flag;
        runtime::run_flags &= ~flag;
    }
}

}  // namespace
