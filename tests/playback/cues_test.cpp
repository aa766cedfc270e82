// Cues on the demo rig: a few cues programmed, gone to with the cue keys,
// LAST and NEXT; the playbacks and sequences loaded by transparency and the
// freeze switches; the cue screen's keys, grid and point LEDs; the cue info
// line; cue names; the cue picker of TO-MEM and GET with CUE.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/small_tables.h"
#include "memories/memories.h"
#include "memories/memory_editors.h"
#include "platform/graphics.h"
#include "platform/speaker.h"
#include "playback/commands.h"
#include "playback/cue_picker.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/playback_loading.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_record.h"
#include "playback/playback_wing.h"
#include "playback/pointcue_programming.h"
#include "playback/sequence_programming.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "sync/sync_services.h"
#include "ui/edit_keys.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using playback::cue_slot_of;
using Calls = std::vector<std::string>;

constexpr size_t kAutoloadSetting = setup::kSetupGlobalSettings + 9;

class Cues : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        runtime::clear_step_log();
    }

    // The slot PROGRAM POINTCUE has open, 0 none.
    static int pointcue_dialog_slot() { return playback::pointcue_edit_cue + 1; }
    // The slot the programmer was last loaded from.
    static int shown_cue() {
        return cue_slot_of(memories::programmer_cue_page, memories::programmer_cue_number,
                           memories::programmer_cue_point);
    }

    // Playback p of a cue slot runs memory m.
    static void program_playback(int slot, int p, int16_t memory = 1) {
        playback::PlaybackRecord record;
        record.flags = playback::CUE_RECORD_IN_CUE;
        record.memory = memory;
        playback::store_playback_in_cue(static_cast<int16_t>(p), slot, record);
    }
    // Sequence s of a cue slot is programmed (flags only).
    static void program_sequence(int slot, int s, uint8_t flags = playback::CUE_RECORD_IN_CUE) {
        void* block = runtime::show_table_allocator(sizeof(playback::SequenceRecord), __FILE__, __LINE__);
        ASSERT_NE(block, nullptr);
        auto* record = new (block) playback::SequenceRecord{};
        record->flags = flags;
        playback::cue_sequence_table[static_cast<size_t>((slot - 1) * playback::kSequences + s)] = record;
        playback::refresh_stored_cue(static_cast<int16_t>(playback::cue_slot_cue(slot)),
                                     static_cast<int16_t>(playback::cue_slot_page(slot)),
                                     static_cast<int16_t>(playback::cue_slot_point(slot)));
    }
    static void set_name(int slot, const char* name) {
        auto& field = playback::cue_header_table[static_cast<size_t>(slot)].name;
        field.fill('\0');
        std::copy_n(name, std::min(std::strlen(name), field.size() - 1), field.begin());
    }

    // The playbacks whose content the last loads took from slot.
    static std::vector<int> loaded_from(int slot) {
        std::vector<int> out;
        for (int p = 1; p <= playback::kPlaybacks; ++p) {
            if (playback::playback_cue_origin[static_cast<size_t>(p)] == slot) out.push_back(p);
        }
        return out;
    }
    static Calls calls_to(const std::string& prefix) {
        Calls found;
        for (const std::string& call : runtime::logged_calls()) {
            if (call.rfind(prefix, 0) == 0) found.push_back(call);
        }
        return found;
    }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
    bool heard(int32_t freq_hz, uint64_t duration_ms) const {
        const auto tones = rig_.tones();
        return std::any_of(tones.begin(), tones.end(), [&](const platform::Tone& tone) {
            return tone.freq_hz == freq_hz && tone.duration_ms == duration_ms;
        });
    }
    static int live_slot() { return playback::current_cue_slot(); }

    // The CUE key's release shows the cue screen.
    void open_cue_screen() {
        rig_.press(KEY_CUE);
        rig_.run_ms(50);
        ASSERT_NE(runtime::mode_flags & runtime::MODE_CUE_SCREEN, 0u);
    }
    // Pixels of a colour in cue n's cell of the key map.
    static int key_map_pixels(int cue, int colour) {
        const int column = (cue - 1) % 10 + 1;
        const int row = (cue - 1) / 10 + 1;
        return platform::count_pixels(colour, {(column - 1) * 22 + 2, 10 + (row - 1) * 20 + 1, column * 22,
                                               10 + row * 20 - 1});
    }
};

// --- going to cues -------------------------------------------------------------

TEST_F(Cues, CueKeysGoToTheirCueAndLastAndNextStepThroughTheProgrammedSlots) {
    program_playback(cue_slot_of(1, 2, 1), 1);
    program_playback(cue_slot_of(1, 2, 4), 2);   // point cue 2.3
    program_playback(cue_slot_of(2, 1, 1), 3);   // page 2, cue 1
    open_cue_screen();

    rig_.press(fixture_key(2));
    EXPECT_EQ(live_slot(), cue_slot_of(1, 2, 1));
    EXPECT_EQ(led(fixture_key(2)), runtime::LED_ON_2);  // the live cue

    rig_.press(KEY_NEXT);
    EXPECT_EQ(live_slot(), cue_slot_of(1, 2, 4));
    rig_.press(KEY_NEXT);
    EXPECT_EQ(live_slot(), cue_slot_of(2, 1, 1));
    EXPECT_EQ(runtime::cue_screen_page, 2);  // the screen follows the live cue's page
    EXPECT_EQ(led(group_key(2)), runtime::LED_ON);
    EXPECT_EQ(led(group_key(1)), runtime::LED_OFF);
    rig_.press(KEY_NEXT);  // nothing programmed beyond: nothing happens
    EXPECT_EQ(live_slot(), cue_slot_of(2, 1, 1));
    EXPECT_EQ(led(KEY_NEXT), runtime::LED_OFF);

    rig_.press(KEY_LAST);
    EXPECT_EQ(live_slot(), cue_slot_of(1, 2, 4));
    EXPECT_EQ(runtime::cue_screen_page, 1);
    // The point LEDs of cue 2: points 1 and 4 programmed, the live point blinks.
    EXPECT_EQ(led(digit_key(0)), runtime::LED_ON);
    EXPECT_EQ(led(digit_key(3)), runtime::LED_BLINK);
    EXPECT_EQ(led(digit_key(1)), runtime::LED_OFF);
    // A digit goes to that point of the live cue.
    rig_.press(digit_key(0));
    EXPECT_EQ(live_slot(), cue_slot_of(1, 2, 1));
    rig_.press(KEY_LAST);  // slot 1 is not programmed: nothing before cue 2
    EXPECT_EQ(live_slot(), cue_slot_of(1, 2, 1));
}

TEST_F(Cues, PlaybacksLoadByTransparencyAndFreeze) {
    constexpr int kSlot = 31;  // cue 4
    program_playback(kSlot, 1);
    struct Case {
        const char* what;
        uint8_t transparency;
        bool auto_playbacks;  // the show default is OFF
        bool freeze_1;
        std::vector<int> loads;
    };
    const Case cases[] = {
        {"OFF replaces: the live playback 3 is cleared", datafiles::kTranspOff, false, false,
         {1, 3}},
        {"ON only adds", datafiles::kTranspOn, true, false, {1}},
        {"DEFAULT with the default OFF replaces", datafiles::kTranspDefault, true, false, {1, 3}},
        {"DEFAULT with the default ON adds", datafiles::kTranspDefault, false, false, {1}},
        {"a frozen playback is left alone", datafiles::kTranspOff, false, true, {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        playback::playback_table[3].flags = playback::CUE_RECORD_IN_CUE;  // live, not in the cue
        datafiles::transp_table[kSlot][0] = c.transparency;
        datafiles::transp_table[kSlot][1] = datafiles::kTranspOn;
        runtime::mode_flags = c.auto_playbacks ? runtime::mode_flags | runtime::MODE_AUTO_PLAYBACKS
                                               : runtime::mode_flags & ~runtime::MODE_AUTO_PLAYBACKS;
        ui::playback_freeze[1] = c.freeze_1 ? 1 : 0;
        playback::playback_cue_origin.fill(0);
        playback::go_to_cue(kSlot, 1, 0);
        EXPECT_EQ(loaded_from(kSlot), c.loads);
        EXPECT_EQ(playback::playback_transparent_mode, c.transparency);
    }
}

// The live playbacks answer the MIDI codes learned for them in the cue they
// were loaded from: a programmed record's, a record kept only for its code,
// and none when the cue has no record.
TEST_F(Cues, PlaybacksTakeTheirLearnedMidiCodesFromTheCue) {
    constexpr int kSlot = 31;  // cue 4
    program_playback(kSlot, 1);
    program_playback(kSlot, 2);
    const auto entry = [](int p) { return playback::cue_playback_table[static_cast<size_t>((kSlot - 1) * playback::kPlaybacks + p)]; };
    entry(1)->flags |= playback::CUE_RECORD_MIDI;
    entry(1)->midi_code.words = {0x90, 60, 127};
    entry(2)->flags = playback::CUE_RECORD_MIDI;  // only the code is left
    entry(2)->midi_code.words = {0x91, 61, 127};
    playback::playback_table[2].flags = playback::CUE_RECORD_IN_CUE;  // live: the cue clears it
    playback::playback_table[3].flags = playback::CUE_RECORD_IN_CUE;
    playback::playback_midi_codes[3].words = {0x92, 62, 127};  // from an earlier cue
    datafiles::transp_table[kSlot] = {datafiles::kTranspOff, datafiles::kTranspOn};
    playback::go_to_cue(kSlot, 1, 0);
    EXPECT_EQ(playback::playback_midi_codes[1].words, (std::array<uint16_t, 3>{0x90, 60, 127}));
    EXPECT_EQ(playback::playback_midi_codes[2].words, (std::array<uint16_t, 3>{0x91, 61, 127}));
    EXPECT_EQ(playback::playback_midi_codes[3].words, (std::array<uint16_t, 3>{0, 0, 0}));
}

TEST_F(Cues, SequencesLoadByTransparencyAndTheirFreezeState) {
    constexpr int kSlot = 41;  // cue 5
    program_sequence(kSlot, 2);
    ui::sequence_freeze[1] = ui::kSequenceFrozen;
    ui::sequence_freeze[3] = ui::kSequenceFrozenReload;
    datafiles::transp_table[kSlot][0] = datafiles::kTranspOn;

    // Which sequences the cue loaded, with the freeze value they were loaded
    // with: a sequence loaded with 2 keeps its own fade time.
    constexpr uint16_t kOwnFadeTime = 777;
    const auto go = [&] {
        playback::sequence_origin_page.fill(0);
        for (auto& sequence : playback::sequence_table) sequence.fade_time = kOwnFadeTime;
        playback::go_to_cue(kSlot, 1, 0);
        Calls loads;
        for (int16_t s = 1; s <= playback::kSequences; ++s) {
            if (playback::sequence_cue_origin(s) != kSlot) continue;
            const int freeze = playback::sequence_table[static_cast<size_t>(s)].fade_time == kOwnFadeTime ? 2 : 0;
            loads.push_back("load(" + std::to_string(s) + ", " + std::to_string(freeze) + ")");
        }
        return loads;
    };
    datafiles::transp_table[kSlot][1] = datafiles::kTranspOff;
    EXPECT_EQ(go(), (Calls{"load(2, 0)", "load(3, 2)", "load(4, 0)"}));
    EXPECT_EQ(playback::sequence_transparent_mode, datafiles::kTranspOff);

    datafiles::transp_table[kSlot][1] = datafiles::kTranspOn;
    EXPECT_EQ(go(), (Calls{"load(2, 0)"}));
}

TEST_F(Cues, BlindMovesThePositionButSendsAndLoadsNothing) {
    constexpr int kSlot = 52;  // cue 6, point 2
    program_playback(kSlot, 1);
    runtime::run_flags |= runtime::RUN_BLIND;
    playback::go_to_cue(kSlot, 1, 0);
    EXPECT_EQ(live_slot(), kSlot);
    EXPECT_EQ(calls_to("synchro::record_cue_event"), (Calls{"synchro::record_cue_event(1, 6, 2)"}));
    EXPECT_TRUE(calls_to("synchro::send_cue_midi_code").empty());
    EXPECT_TRUE(calls_to("playback::load_").empty());

    runtime::run_flags &= ~runtime::RUN_BLIND;
    runtime::clear_step_log();
    playback::go_to_cue(kSlot, 0, 0);
    EXPECT_EQ(calls_to("synchro::send_cue_midi_code"), (Calls{"synchro::send_cue_midi_code(52)"}));
    EXPECT_TRUE(calls_to("synchro::record_cue_event").empty());
    runtime::clear_step_log();
    playback::go_to_cue(kSlot, 1, 1);  // came in by MIDI: not sent back out
    EXPECT_TRUE(calls_to("synchro::send_cue_midi_code").empty());
}

TEST_F(Cues, TextEditAndTheTimecodeRecorderKeepThePositionWhileTheCueLoads) {
    program_playback(cue_slot_of(3, 9, 1), 1);
    const int before = live_slot();
    runtime::run_flags |= runtime::RUN_TEXT_EDIT;
    playback::playback_cue_origin.fill(0);
    playback::go_to_cue(static_cast<uint16_t>(cue_slot_of(3, 9, 1)), 1, 0);
    EXPECT_EQ(live_slot(), before);
    EXPECT_EQ(loaded_from(cue_slot_of(3, 9, 1)), (std::vector<int>{1})) << "the cue still loads";
    runtime::run_flags &= ~runtime::RUN_TEXT_EDIT;

    synchro::timecode_mode = 2;  // recording
    playback::go_to_cue(static_cast<uint16_t>(cue_slot_of(3, 9, 1)), 0, 0);  // a sequence's link
    EXPECT_EQ(live_slot(), before);
    playback::go_to_cue(static_cast<uint16_t>(cue_slot_of(3, 9, 1)), 1, 0);
    EXPECT_EQ(live_slot(), cue_slot_of(3, 9, 1));
    synchro::timecode_mode = 0;
}

TEST_F(Cues, ASlotOutsideTheTablesIsIgnored) {
    const int before = live_slot();
    for (const uint16_t slot : {uint16_t{0}, uint16_t{11201}, uint16_t{65535}}) {
        playback::go_to_cue(slot, 1, 0);
        EXPECT_EQ(live_slot(), before) << slot;
    }
    EXPECT_TRUE(calls_to("synchro::").empty());
}

TEST_F(Cues, AutoloadRecallsTheCueMemoryOnlyWhenTheSettingIsOn) {
    constexpr int kSlot = 814;  // page 2, cue 12, point 4
    playback::go_to_cue(kSlot, 1, 0);
    EXPECT_EQ(memories::programmer_from_cue, 0);
    setup::setup_data.set_u8(kAutoloadSetting, 1);
    playback::go_to_cue(kSlot, 1, 0);
    EXPECT_EQ(memories::programmer_from_cue, 1) << "the programmer holds the cue";
    EXPECT_EQ(shown_cue(), kSlot);
}

// --- the programmed flags ------------------------------------------------------

TEST_F(Cues, ProgrammedFlagsAndTheCountFollowTheRecords) {
    const int16_t before = playback::cue_used_count;
    program_playback(cue_slot_of(1, 5, 3), 1);  // only point 3 of cue 5
    EXPECT_EQ(playback::cue_point_flags[5], playback::kCuePointOthersOnly);
    EXPECT_EQ(playback::cue_used_count, before + 1);
    program_playback(cue_slot_of(1, 5, 1), 2);
    EXPECT_EQ(playback::cue_point_flags[5], playback::kCuePointOwn);
    EXPECT_EQ(playback::cue_used_count, before + 2);
    program_playback(cue_slot_of(1, 5, 1), 2);  // stored again: counted once
    EXPECT_EQ(playback::cue_used_count, before + 2);

    // A record kept only for its MIDI code does not count.
    playback::PlaybackRecord midi_only;
    midi_only.flags = playback::CUE_RECORD_MIDI;
    midi_only.midi_code.words = {0x90, 60, 0};
    playback::store_playback_in_cue(2, cue_slot_of(1, 9, 1), midi_only);
    EXPECT_EQ(playback::cue_header_table[static_cast<size_t>(cue_slot_of(1, 9, 1))].programmed, 0);
    EXPECT_EQ(playback::cue_point_flags[9], playback::kCuePointNone);
    EXPECT_EQ(playback::cue_used_count, before + 2);
    // Point 3 cleared: cue 5 still has its own point.
    playback::PlaybackRecord cleared;
    playback::store_playback_in_cue(1, cue_slot_of(1, 5, 3), cleared);
    EXPECT_EQ(playback::cue_used_count, before + 1);
    EXPECT_EQ(playback::cue_point_flags[5], playback::kCuePointOwn);
}

// --- the cue screen ------------------------------------------------------------

TEST_F(Cues, ACueWithOnlyAPointCueIsMagentaUntilItIsTheLiveCue) {
    program_playback(cue_slot_of(1, 5, 3), 1);
    open_cue_screen();
    EXPECT_GT(key_map_pixels(5, 5), 0);
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_ON_BOTH);
    EXPECT_GT(key_map_pixels(6, 9), 0);  // nothing programmed
    EXPECT_EQ(led(fixture_key(6)), runtime::LED_OFF);

    rig_.press(fixture_key(5));
    EXPECT_GT(key_map_pixels(5, 14), 0);
    EXPECT_EQ(key_map_pixels(5, 5), 0);
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_ON_2);

    // While the copy dialog has the keys, a repaint leaves the LED and shows
    // no live cue.
    runtime::run_flags |= runtime::RUN_CUE_COPY_DIALOG;
    runtime::set_key_led(fixture_key(5), runtime::LED_BLINK);
    playback::paint_cue_key(5);
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_BLINK);
    EXPECT_GT(key_map_pixels(5, 5), 0);
    runtime::run_flags &= ~runtime::RUN_CUE_COPY_DIALOG;
}

TEST_F(Cues, PagingAwayShowsThePointsOfTheLiveCueNumberOnTheShownPage) {
    program_playback(cue_slot_of(1, 3, 1), 1);
    program_playback(cue_slot_of(4, 3, 6), 1);
    open_cue_screen();
    rig_.press(fixture_key(3));
    rig_.press(group_key(4));
    EXPECT_EQ(runtime::cue_screen_page, 4);
    EXPECT_EQ(led(digit_key(5)), runtime::LED_ON);
    EXPECT_EQ(led(digit_key(0)), runtime::LED_BLINK);  // the live point
    rig_.press(digit_key(5));
    EXPECT_EQ(live_slot(), cue_slot_of(4, 3, 6));
}

TEST_F(Cues, TheGridShowsNamesCutTo17AndAStarForAnUnnamedProgrammedCue) {
    program_playback(cue_slot_of(1, 1, 1), 1);                       // unnamed, programmed: "*"
    program_playback(cue_slot_of(1, 2, 5), 1);                       // only a point cue: empty
    set_name(cue_slot_of(1, 3, 1), "ABCDEFGHIJKLMNOPQRST");           // 20 characters
    set_name(cue_slot_of(1, 4, 1), "ABCDEFGHIJKLMNOPQ");              // 17 characters
    open_cue_screen();
    playback::draw_cue_grid();
    ASSERT_NE(runtime::option_flags & runtime::OPT_CUE_GRID, 0u);
    // Cells of the first column: x 245, y = n * 10 + 249.
    const auto cell = [](int n) { return platform::Rect{247, n * 10 + 251, 349, n * 10 + 258}; };
    EXPECT_GT(platform::count_pixels(11, cell(1)), 0);
    EXPECT_EQ(platform::count_pixels(14, cell(2)), 0);
    EXPECT_EQ(platform::count_pixels(11, cell(2)), 0);
    // The live cue 1 is filled blue; cue 3 and 4 show the same 17 characters.
    const auto ink3 = platform::ink_bounds(0, cell(3));
    const auto ink4 = platform::ink_bounds(0, cell(4));
    ASSERT_TRUE(ink3 && ink4);
    EXPECT_EQ(ink3->x2, ink4->x2);
    EXPECT_EQ(playback::cue_cell_colours[1], playback::kCueCellCurrent);
    // A point cue is marked in its cell's icon: point 5 is k = 4, middle row, column 0.
    EXPECT_EQ(platform::_getpixel(352, 10 * 3 + 243), 14);
}

// --- the cue info line ---------------------------------------------------------

TEST_F(Cues, InfoLineTransparencyTextAndLeds) {
    open_cue_screen();
    const platform::Rect line{2, 211, 220, 219};
    playback::sequence_transparent_mode = 2;
    playback::playback_transparent_mode = 2;
    playback::draw_cue_info_line();
    EXPECT_EQ(platform::count_pixels(14, line), 0);
    EXPECT_EQ(led(KEY_TRANSPARENT_PLB), runtime::LED_BLINK);
    EXPECT_EQ(led(KEY_TRANSPARENT_SEQ), runtime::LED_BLINK);

    playback::sequence_transparent_mode = 0;
    playback::playback_transparent_mode = 1;
    playback::draw_cue_info_line();
    EXPECT_GT(platform::count_pixels(14, line), 0);
    EXPECT_EQ(led(KEY_TRANSPARENT_PLB), runtime::LED_ON);
    EXPECT_EQ(led(KEY_TRANSPARENT_SEQ), runtime::LED_OFF);

    // Without the point-cue panel only the LEDs change.
    runtime::option_flags &= ~runtime::OPT_POINTCUE_PANEL;
    const std::string before = platform::region_text({0, 150, 221, 220});
    playback::sequence_transparent_mode = 2;
    playback::draw_cue_info_line();
    EXPECT_EQ(platform::region_text({0, 150, 221, 220}), before);
    EXPECT_EQ(led(KEY_TRANSPARENT_SEQ), runtime::LED_BLINK);
}

TEST_F(Cues, InfoLineMarksTheLiveSlotAndShowsAStarOrTheNameCutTo16) {
    program_playback(cue_slot_of(1, 7, 2), 1);  // point 1 of cue 7, unnamed
    set_name(cue_slot_of(1, 7, 3), "ABCDEFGHIJKLMNOPQRST");
    set_name(cue_slot_of(1, 7, 4), "ABCDEFGHIJKLMNOP");
    open_cue_screen();
    rig_.press(fixture_key(7));
    // Cells of points 1..4: x 13..109, y 171 + 10 (k - 2).
    const auto cell = [](int k) { return platform::Rect{13, 171 + 10 * (k - 2), 109, 179 + 10 * (k - 2)}; };
    EXPECT_GT(platform::count_pixels(14, cell(2)), 0);   // "*"
    EXPECT_EQ(platform::count_pixels(14, cell(5)), 0);   // nothing
    const auto long_name = platform::ink_bounds(0, cell(3));
    const auto name_16 = platform::ink_bounds(0, cell(4));
    ASSERT_TRUE(long_name && name_16);
    EXPECT_EQ(long_name->x2, name_16->x2);
    // The live slot (the cue itself) is filled in colour 1.
    EXPECT_GT(platform::count_pixels(1, {110, 151, 220, 159}), 0);
}

// --- names ---------------------------------------------------------------------

TEST_F(Cues, TheTextKeyRenamesTheLivePointCueOnly) {
    program_playback(814, 1);  // page 2, cue 12, point 4 (shown 12.3)
    open_cue_screen();
    playback::go_to_cue(814, 1, 0);
    // TEXT held, CUE for the cue names, TEXT let go: the live slot.
    rig_.hold(KEY_TEXT, 50);
    rig_.press(KEY_CUE);
    rig_.release(KEY_TEXT, 100);
    rig_.type("BALLAD");
    rig_.press(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(playback::cue_slot_name(814), "BALLAD");
    EXPECT_TRUE(playback::cue_slot_name(811).empty());
    EXPECT_EQ(calls_to("datafiles::"), Calls{});  // the name went to the file, not to a least body
    const std::vector<uint8_t> file = dir_.read_file("data/cuemem.dat");
    EXPECT_NE(std::search(file.begin(), file.end(), std::begin("BALLAD"), std::end("BALLAD") - 1), file.end());
}

// --- the cue picker ------------------------------------------------------------

class CuePicker : public Cues {
protected:
    // TO-MEM (or GET) held, CUE pressed, then the keys of the picker.
    void pick(int16_t held, const std::vector<int16_t>& keys) {
        rig_.hold(held, 50);
        rig_.press(KEY_CUE);
        rig_.release(held, 50);
        for (const int16_t key : keys) rig_.press(key);
        rig_.run_ms(100);
    }
};

TEST_F(CuePicker, TypedRunningNumberStoresIntoThatCue) {
    pick(KEY_TO_MEM, {digit_key(1), digit_key(5), digit_key(3)});
    EXPECT_STREQ(playback::cue_status_text.data(), "P 3 C 13.0  R 153.0");
    runtime::programmer_values[4] = 80;
    rig_.press(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(pointcue_dialog_slot(), cue_slot_of(3, 13, 1));
    ASSERT_GE(memories::pack_count, 1);
    EXPECT_TRUE(std::any_of(memories::pack_buffer, memories::pack_buffer + memories::pack_count,
                            [](const datafiles::MemoryItem& item) { return item.kind == 0 && item.index == 4 && item.value == 80; }))
        << "the programmer packed";
    EXPECT_EQ(playback::pointcue_edit_record.point_memory, playback::kNewPointMemory);
    rig_.press(KEY_ESC);
    rig_.run_ms(100);
    EXPECT_EQ(pointcue_dialog_slot(), 0);
}

TEST_F(CuePicker, PageCueAndPointKeysGiveThePosition) {
    pick(KEY_TO_MEM, {group_key(4), fixture_key(7), KEY_POINT, digit_key(4)});
    EXPECT_STREQ(playback::cue_status_text.data(), "P 4 C 7.4  R 217.4");
    rig_.press(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(pointcue_dialog_slot(), cue_slot_of(4, 7, 5));
    rig_.press(KEY_ESC);
    rig_.run_ms(100);
}

TEST_F(CuePicker, EnterWithoutACueOnlyBeeps) {
    struct Case {
        const char* what;
        std::vector<int16_t> keys;
    };
    const Case cases[] = {
        {"a page key alone", {group_key(2)}},
        {"a running number beyond page 16", {digit_key(1), digit_key(5), digit_key(3), digit_key(0)}},
        {"0 names no cue", {digit_key(0)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        runtime::clear_step_log();
        pick(KEY_TO_MEM, c.keys);
        const size_t tones_before = rig_.tones().size();
        rig_.press(KEY_ENTER);
        rig_.run_ms(900);
        EXPECT_EQ(pointcue_dialog_slot(), 0);
        const auto tones = rig_.tones();
        ASSERT_GT(tones.size(), tones_before);
        // The error beep (the release of ENTER cuts it short), not the 800 Hz confirmation.
        const auto first_new = tones.begin() + static_cast<long>(tones_before);
        EXPECT_TRUE(std::any_of(first_new, tones.end(), [](const platform::Tone& t) { return t.freq_hz == 400; }));
        EXPECT_FALSE(std::any_of(first_new, tones.end(), [](const platform::Tone& t) { return t.freq_hz == 800; }));
    }
}

TEST_F(CuePicker, GetRecallsThePickedCueMemory) {
    pick(KEY_GET_MEMORY, {fixture_key(9), KEY_POINT, digit_key(2)});
    EXPECT_STREQ(playback::cue_status_text.data(), "P 1 C 9.2  R 9.2");
    rig_.press(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(memories::programmer_from_cue, 1);
    EXPECT_EQ(shown_cue(), cue_slot_of(1, 9, 3));
    EXPECT_EQ(pointcue_dialog_slot(), 0);
}

TEST_F(CuePicker, EscLeavesAndGivesTheCueKeyItsLedBack) {
    program_playback(cue_slot_of(1, 8, 1), 1);
    open_cue_screen();
    ASSERT_EQ(led(fixture_key(8)), runtime::LED_ON);
    pick(KEY_TO_MEM, {fixture_key(8)});
    EXPECT_EQ(led(fixture_key(8)), runtime::LED_BLINK);
    rig_.press(KEY_ESC);
    rig_.run_ms(100);
    EXPECT_EQ(led(fixture_key(8)), runtime::LED_ON);
    EXPECT_EQ(pointcue_dialog_slot(), 0);
    EXPECT_EQ(led(KEY_CUE), runtime::LED_ON);  // the cue screen is still shown
}

TEST_F(CuePicker, StoringIntoAnUnnamedProgrammedCueAsksItsNameWhenTheShowSaysSo) {
    setup::setup_data.set_u8(setup::kSetupAskCueName, 1);
    program_playback(cue_slot_of(1, 6, 1), 1);
    runtime::programmer_values[4] = 80;
    pick(KEY_TO_MEM, {fixture_key(6)});
    rig_.press(KEY_ENTER);
    rig_.run_ms(100);
    rig_.press(KEY_ENTER);  // PROGRAM POINTCUE stores the packed programmer
    rig_.run_ms(100);
    EXPECT_EQ(ui::current_message(), "GIVE THE NAME OF CUE 6 (PAGE 1)");
    rig_.type("INTRO");
    rig_.press(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(playback::cue_slot_name(cue_slot_of(1, 6, 1)), "INTRO");

    // A named cue is not asked again.
    runtime::clear_step_log();
    pick(KEY_TO_MEM, {fixture_key(6)});
    rig_.press(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(pointcue_dialog_slot(), cue_slot_of(1, 6, 1));
    rig_.press(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(pointcue_dialog_slot(), 0);
    EXPECT_NE(ui::current_message(), "GIVE THE NAME OF CUE 6 (PAGE 1)");
}

TEST(CuePickerTyping, RunningNumberDigits) {
    using playback::CuePosition;
    const CuePosition none{1, playback::kNoPickedCue, 1};
    CuePosition p = playback::type_running_number_digit(none, true, 1);
    p = playback::type_running_number_digit(p, false, 5);
    EXPECT_EQ(p.page, 1);
    EXPECT_EQ(p.cue, 15);
    p = playback::type_running_number_digit(p, false, 3);
    EXPECT_EQ(p.page, 3);
    EXPECT_EQ(p.cue, 13);
    // After a leading 0 the next digit starts a new number, never cue 0.
    p = playback::type_running_number_digit(none, true, 0);
    EXPECT_EQ(p.cue, playback::kNoPickedCue);
    p = playback::type_running_number_digit(p, false, 7);
    EXPECT_EQ(p.page, 1);
    EXPECT_EQ(p.cue, 7);
    // 70 is the last cue of page 1, 71 the first of page 2.
    p = playback::type_running_number_digit(playback::type_running_number_digit(none, true, 7), false, 1);
    EXPECT_EQ(p.page, 2);
    EXPECT_EQ(p.cue, 1);
    // No digit once the number reaches 1000.
    const CuePosition big{15, 30, 1};  // 1010
    EXPECT_EQ(playback::type_running_number_digit(big, false, 4).cue, 30);
}

}  // namespace
