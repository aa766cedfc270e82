#include "runtime/key_dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "datafiles/commands.h"
#include "memories/master_state.h"
#include "platform/graphics.h"
#include "playback/sequence_engine.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_wing.h"
#include "playback/sequence_commands.h"
#include "programmer/commands.h"
#include "programmer/fixture_groups.h"
#include "rig/console.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "sync/commands.h"
#include "setup/setup_data.h"
#include "ui/fader_widget.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using platform::LedState;
using Steps = std::vector<std::string>;

constexpr uint32_t kLongHold_ms = 1500;   // past the 1000 ms that SETUP must be held
constexpr uint32_t kShortHold_ms = 300;

// Steps the background poll logs on every pass, whatever key was pressed.
const std::set<std::string> kBackgroundSteps = {
    "synchro::poll_audio_inputs()", "playback::run_sequences()", "ui::cycle_rate_step()",
    "memories::update_masters(0)", "playback::scan_playback_faders(0)", "playback::read_sequence_controls()",
    "programmer::poll_function_belts()", "playback::run_cue_fades()", "playback::update_dirty_outputs()",
    "playback::premove_dark_fixtures()", "programmer::run_lamp_command_queue()",
    "programmer::follow_live_values()", "watch_wing()", "update_timers()", "ui::check_memory_status()",
    "programmer::send_slave_trigger(0)", "synchro::poll_cd_status()", "synchro::run_timecode_tick()",
};

const uint32_t kSequencePanelBits = runtime::OPT_SEQUENCE_PANEL;
const uint32_t kConditionModeBits = runtime::MODE_CUE_SCREEN | runtime::MODE_POINT_CUE_KEYS |
                                    runtime::MODE_FIXTURE_STEP | runtime::MODE_PANEL_FIELD |
                                    runtime::MODE_TRACKERBALL_PANTILT | runtime::MODE_EDIT_MODE;

uint32_t panel_field(int panel) { return static_cast<uint32_t>(panel) << 2; }
uint32_t edit_mode_field(int mode) { return static_cast<uint32_t>(mode) << 30; }

// The state the key table tests: screen, point-cue mode, fixture step mode,
// panel mode 1..5, wheel mode.
struct State {
    bool cue_screen = false;
    bool point_cue = false;
    bool fixture_step = false;
    int panel = 1;
    uint8_t display = 2;
};

// The console after start-up, idle in its main loop.
// In place of the timecode screen's table editor: records the key it was
// opened with and closes at once, so one ESC leaves the screen.
int16_t record_table_editor(int16_t key) {
    runtime::log_call("synchro::edit_timecode_table", {key});
    return 1;
}

class KeyDispatch : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    void SetUp() override {
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        synchro::timecode_table_editor = record_table_editor;
        rig.run_ms(5);
        runtime::clear_step_log();
    }

    // The steps logged since the last call, leaving out the periodic jobs.
    Steps steps_in_front() {
        Steps taken;
        for (const std::string& step : runtime::logged_steps()) {
            if (kBackgroundSteps.count(step) == 0) taken.push_back(step);
        }
        runtime::clear_step_log();
        return taken;
    }

    // The commands started since the last call, in order, leaving out the
    // trackerball handlers that the main loop calls on every pass as well.
    // (This clears the calls the least bodies recorded, too.)
    Steps commands() {
        Steps taken = steps_in_front();
        std::erase_if(taken,
                      [](const std::string& step) { return step.find("apply_trackerball_to_") != std::string::npos; });
        return taken;
    }

    // Out of the fixture setup again: SETUP held, then 2 (NOT SAVE).
    void leave_fixture_setup() {
        rig.press(runtime::KEY_SETUP, kLongHold_ms);
        rig.press(KEY_DIGIT_2, 10);
        rig.run_ms(20);
    }

    void set_state(const State& s) {
        runtime::mode_flags &= ~kConditionModeBits;
        if (s.cue_screen) runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
        if (s.point_cue) runtime::mode_flags |= runtime::MODE_POINT_CUE_KEYS;
        if (s.fixture_step) runtime::mode_flags |= runtime::MODE_FIXTURE_STEP;
        runtime::mode_flags |= panel_field(s.panel);
        runtime::display_mode = s.display;
        // Mouse mode shows the cursor, as the wheel mode switch does.
        runtime::show_mouse_cursor(s.display == 1 ? 1 : 0);
    }

};

// Time the console gets after a key goes down or up, and a click's button
// stays down and up.
constexpr uint32_t kKeySettle_ms = 20;
constexpr uint32_t kClick_ms = 5;

// --- the key table -------------------------------------------------------------------

struct KeyCase {
    int16_t key;
    State state;
    Steps expected;
};

const State kMain{};
const State kCueScreen{.cue_screen = true};
const State kPointCue{.point_cue = true};
const State kCuePointCue{.cue_screen = true, .point_cue = true};
const State kFixtureStep{.fixture_step = true};
const State kCueFixtureStep{.cue_screen = true, .fixture_step = true};
const State kPanel5{.panel = 5};
const State kSequenceA{.display = 5};
const State kSequenceD{.display = 8};
const State kPlaybacks{.display = 4};

const Steps kNothing{};

const std::vector<KeyCase> kKeyCases = {
    // Fixture and cue keys.
    {KEY_FIXTURE_1, kMain, {"programmer::handle_fixture_key(key)"}},
    {KEY_FIXTURE_70, kMain, {"programmer::handle_fixture_key(key)"}},
    {KEY_ALL, kMain, {"programmer::handle_fixture_key(key)"}},
    {KEY_NONE, kMain, {"programmer::handle_fixture_key(key)"}},
    {KEY_FIXTURE_1, kCueScreen, {"playback::go_to_cue(slot, 1, 0)"}},
    {KEY_FIXTURE_70, kCueScreen, {"playback::go_to_cue(slot, 1, 0)"}},
    {KEY_ALL, kCueScreen, kNothing},
    {KEY_NONE, kCueScreen, kNothing},
    // Group keys and cue pages.
    {KEY_GROUP_1, kMain, {"programmer::handle_group_key(key)"}},
    {KEY_GROUP_16, kMain, {"programmer::handle_group_key(key)"}},
    {KEY_GROUP_BANK, kMain, {"programmer::handle_group_key(key)"}},
    {KEY_GROUP_STORE, kMain, {"programmer::handle_group_key(key)"}},
    {KEY_GROUP_1, kCueScreen, {"playback::show_cue_page(key - KEY_GROUP_1 + 1)"}},
    {KEY_GROUP_16, kCueScreen, {"playback::show_cue_page(key - KEY_GROUP_1 + 1)"}},
    {KEY_GROUP_BANK, kCueScreen, kNothing},
    {KEY_GROUP_STORE, kCueScreen, kNothing},
    // Presets and faders.
    {KEY_PRESET_1, kMain, {"memories::run_preset_recall_menu(key)"}},
    {KEY_PRESET_4, kMain, {"memories::run_preset_recall_menu(key)"}},
    {KEY_PRESET_STORE, kMain, {"memories::run_preset_store_menu(key)"}},
    {KEY_PRESET_CLEAR, kMain, {"memories::run_preset_store_menu(key)"}},
    {KEY_FADER_1, kMain, {"programmer::select_fader(key - KEY_FADER_1 + 1)"}},
    {KEY_FADER_16, kMain, {"programmer::select_fader(key - KEY_FADER_1 + 1)"}},
    // Digits: arrows to the mode keys unless point-cue mode calls points.
    {KEY_DOWN, kMain, {"ui::dispatch_mode_key(key)"}},
    {KEY_LEFT, kMain, {"ui::dispatch_mode_key(key)"}},
    {KEY_RIGHT, kCueScreen, {"ui::dispatch_mode_key(key)"}},
    {KEY_UP, kMain, {"ui::dispatch_mode_key(key)"}},
    {KEY_DIGIT_0, kMain, kNothing},
    {KEY_DIGIT_1, kMain, kNothing},
    {KEY_DIGIT_3, kMain, kNothing},
    {digit_key(5), kMain, kNothing},
    {digit_key(7), kMain, kNothing},
    {KEY_DIGIT_9, kMain, kNothing},
    {KEY_DIGIT_0, kPointCue, {"playback::go_to_cue(slot, 1, 0)"}},
    {KEY_DIGIT_2, kPointCue, {"playback::go_to_cue(slot, 1, 0)"}},
    {KEY_DIGIT_9, kCuePointCue, {"playback::go_to_cue(slot, 1, 0)"}},
    // Single keys.
    {KEY_BANK_DOWN, kMain, {"programmer::handle_fixture_bank_keys(key)"}},
    {KEY_BANK_UP, kCueScreen, {"programmer::handle_fixture_bank_keys(key)"}},
    {KEY_CUE, kMain, {"ui::run_cue_key()"}},
    {KEY_MODE, kMain, {"ui::select_relative_mode()"}},
    {KEY_STEP, kMain, {"ui::toggle_fixture_step_mode()"}},
    {KEY_LOAD, kMain, {"datafiles::handle_load_key()"}},
    {KEY_SAVE, kMain, {"datafiles::handle_save_key()"}},
    {KEY_WHEEL_MODE_2, kMain, {"ui::select_wheel_mode(key - KEY_WHEEL_MODE_2 + 2)"}},
    {KEY_WHEEL_MODE_4, kMain, {"ui::select_wheel_mode(key - KEY_WHEEL_MODE_2 + 2)"}},
    {KEY_CLEAR, kMain, {"memories::run_clear_programmer()"}},
    {KEY_TIMING, kMain, {"programmer::start_timing_edit_mode()"}},
    {KEY_SELECT_FUNCTIONS, kMain, {"memories::run_set_functions_to_default()"}},
    {KEY_FIGURE, kMain, {"programmer::update_figure_state()"}},
    {KEY_FUNCTION_PAGE_1, kMain, {"programmer::select_function_page(key - KEY_FUNCTION_PAGE_1 + 1)"}},
    {KEY_FUNCTION_PAGE_2, kMain, {"programmer::select_function_page(key - KEY_FUNCTION_PAGE_1 + 1)"}},
    {KEY_LIVE_EDIT, kMain, {"ui::toggle_programmer_flag()"}},
    {KEY_TRACKERBALL_PANTILT, kMain, {"programmer::enter_trackerball_pantilt_mode()"}},
    {KEY_PANEL_1, kMain, {"ui::handle_panel_key(key)"}},
    {KEY_PANEL_3, kMain, {"ui::handle_panel_key(key)"}},
    {KEY_PREDEFINED, kMain, {"programmer::run_predefined_command()"}},
    {KEY_BACK, kMain, {"ui::run_cue_key()", "playback::go_to_previous_cue()"}},
    {KEY_EDIT_VALUE, kMain, {"ui::dispatch_mode_action()"}},
    // LAST and NEXT by fixture step mode, then by screen.
    {KEY_LAST, kFixtureStep, {"programmer::select_next_fixture(key)"}},
    {KEY_NEXT, kCueFixtureStep, {"programmer::select_next_fixture(key)"}},
    {KEY_LAST, kMain, {"memories::recall_previous_memory()"}},
    {KEY_LAST, kCueScreen, {"playback::go_to_previous_cue()"}},
    {KEY_NEXT, kMain, {"memories::recall_next_memory()"}},
    {KEY_NEXT, kCueScreen, {"playback::go_to_next_cue()"}},
    {KEY_TO_MEM, kMain, {"memories::run_store_memory()"}},
    {KEY_GET_MEMORY, kMain, {"memories::run_get_memory()"}},
    {KEY_COLOR, kMain, {"programmer::run_color_command()"}},
    {KEY_TEXT, kMain, {"ui::run_text_edit_dialog()"}},
    {KEY_STORE_NEXT, kMain, {"memories::store_to_next_memory()"}},
    {KEY_TAKE_OUTPUT, kMain, {"memories::run_take_output_to_programmer()"}},
    // DIMMER opens the dimmer command line, which waits for its own keys:
    // the command line's tests press it.
    // Page keys by panel mode.
    {KEY_PAGE_UP, kMain, {"ui::show_previous_panel_page()"}},
    {KEY_PAGE_UP, kPanel5, {"playback::cycle_playback_label_mode()"}},
    {KEY_PAGE_DOWN, kMain, {"ui::show_next_panel_page()"}},
    {KEY_PAGE_DOWN, kPanel5, {"playback::cycle_playback_label_mode_forward()"}},
    {KEY_COPY, kMain, {"memories::run_copy_memory_items()"}},
    {KEY_COPY, kCueScreen, {"playback::run_copy_dialog()"}},
    {KEY_ENTER, kMain, {"playback::go_sequence(0, 1)"}},
    // Timecode keys; 213 has no command.
    {KEY_PLAY, kMain, {"synchro::run_timecode_screen(key)"}},
    {KEY_REC, kMain, {"synchro::run_timecode_screen(key)"}},
    {KEY_STOP, kMain, kNothing},
    {KEY_EDIT, kMain, {"synchro::run_timecode_screen(key)"}},
    {KEY_TIMECODE_MODE, kMain, {"synchro::run_timecode_screen(key)"}},
    // Sequence keys: only in the sequence wheel modes.
    {KEY_SEQUENCE_RUN, kSequenceA, {"playback::toggle_sequence_run(displayed_sequence(), 1)"}},
    {KEY_SEQUENCE_RUN, kPlaybacks, kNothing},
    {KEY_SEQUENCE_A, kMain, {"ui::select_wheel_mode(key - KEY_SEQUENCE_A + 5)"}},
    {KEY_SEQUENCE_D, kMain, {"ui::select_wheel_mode(key - KEY_SEQUENCE_A + 5)"}},
    {KEY_SEQUENCE_DIRECTION, kSequenceD, {"playback::set_sequence_direction(displayed_sequence(), 1, -1)"}},
    {KEY_SEQUENCE_DIRECTION, kPlaybacks, kNothing},
    {KEY_EDIT_ITEM, kMain, {"ui::select_item_to_edit()"}},
    {KEY_STORE_SEQUENCES, kMain, {"playback::store_sequences_in_cue()"}},
    {KEY_FREEZE, kMain, {"ui::toggle_freeze_switches()"}},
    {KEY_CLR, kMain, {"ui::clear_item_dialog()"}},
    {KEY_SEQUENCE_SYNC, kSequenceA, {"playback::toggle_sequence_sync(displayed_sequence(), 1)"}},
    {KEY_SEQUENCE_SYNC, kMain, kNothing},
    {KEY_MIDI, kSequenceA, kNothing},
    {KEY_THRESHOLD, kSequenceA, kNothing},
    {KEY_OPTIMIZE, kMain, {"ui::handle_optimize_key()"}},
    {KEY_SEQUENCE_TRIGGER, kSequenceD, {"playback::set_sequence_trigger_mode(displayed_sequence(), 1, -1)"}},
    {KEY_SEQUENCE_TRIGGER, kMain, kNothing},
    {KEY_SEQUENCE_GO, kSequenceA, {"playback::go_sequence(displayed_sequence(), 1)"}},
    {KEY_SEQUENCE_GO, kPlaybacks, kNothing},
    {KEY_SEQUENCE_CONTROL_1, kSequenceA,
     {"playback::select_sequence_control(displayed_sequence(), "
      "key - KEY_SEQUENCE_CONTROL_1 + 1)"}},
    {KEY_SEQUENCE_CONTROL_3, kSequenceD,
     {"playback::select_sequence_control(displayed_sequence(), "
      "key - KEY_SEQUENCE_CONTROL_1 + 1)"}},
    {KEY_SEQUENCE_CONTROL_2, kMain, kNothing},
    // Wing, labels, undo, fixture keeping, lamps, transparency, flash modes.
    {KEY_WING_BANK_1, kMain, {"playback::select_wing_lcd_bank(0)"}},
    {KEY_WING_BANK_2, kMain, {"playback::select_wing_lcd_bank(1)"}},
    {KEY_LABEL_MODE_BACK, kMain, {"playback::cycle_playback_label_mode()"}},
    {KEY_LABEL_MODE_FORWARD, kMain, {"playback::cycle_playback_label_mode_forward()"}},
    {KEY_UNDO, kMain, {"memories::run_undo_screen()"}},
    {KEY_EVEN, kMain, {"programmer::keep_even_fixtures()"}},
    {KEY_ODD, kMain, {"programmer::keep_odd_fixtures()"}},
    {KEY_IGNITE, kMain, {"programmer::run_lamp_command_screen(key)"}},
    {KEY_LAMP_RESET, kMain, {"programmer::run_lamp_command_screen(key)"}},
    {KEY_TRANSPARENT_SEQ, kMain, {"ui::cycle_transparent_mode(0)"}},
    {KEY_TRANSPARENT_PLB, kMain, {"ui::cycle_transparent_mode(1)"}},
    {KEY_FLASH_MODE, kMain, {"playback::select_flash_mode_playbacks(0)"}},
    {KEY_TOGGLE_MODE, kMain, {"playback::select_flash_mode_playbacks(1)"}},
    {KEY_KILL_MODE, kMain, {"playback::select_flash_mode_playbacks(2)"}},
    // Time keys by screen.
    {KEY_DELAY_IN, kMain, {"programmer::run_edit_time_screen(key)"}},
    {KEY_HOLD, kMain, {"programmer::run_edit_time_screen(key)"}},
    {KEY_DELAY_IN, kCueScreen, {"playback::edit_playback_times(key - KEY_DELAY_IN)"}},
    {KEY_HOLD, kCueScreen, {"playback::edit_playback_times(key - KEY_DELAY_IN)"}},
    // Keys without a command in the main loop.
    {KEY_ESC, kMain, kNothing},
    {KEY_DEL, kMain, kNothing},
    {KEY_OPEN_LIST, kMain, kNothing},
    {379, kMain, kNothing},
};

// The function names of steps or recorded calls, without their arguments.
Steps names_of(const Steps& calls) {
    Steps names;
    for (const std::string& call : calls) names.push_back(call.substr(0, call.find('(')));
    return names;
}

// Commands of the key table that are built already, and so record nothing
// of their own (what they call is checked by their own tests).
const std::set<std::string> kBuiltCommands = {
    "playback::select_wing_lcd_bank", "ui::run_cue_key",           "ui::select_relative_mode",
    "ui::toggle_fixture_step_mode",   "ui::toggle_programmer_flag", "ui::handle_panel_key",
    "ui::dispatch_mode_key",          "ui::dispatch_mode_action",   "ui::show_previous_panel_page",
    "ui::show_next_panel_page",       "ui::cycle_transparent_mode", "ui::toggle_blind_mode",
    "ui::select_wheel_mode",          "programmer::start_timing_edit_mode", "programmer::run_edit_time_screen",
    "programmer::handle_fixture_key", "programmer::handle_fixture_bank_keys", "programmer::select_fader",
    "programmer::select_function_page", "programmer::enter_trackerball_pantilt_mode",
    "programmer::update_figure_state", "playback::run_copy_dialog", "memories::run_copy_memory_items",
    "programmer::run_predefined_command", "programmer::run_color_command", "programmer::select_next_fixture",
    "programmer::keep_even_fixtures", "programmer::keep_odd_fixtures",
    "ui::run_text_edit_dialog", "ui::select_item_to_edit", "ui::toggle_freeze_switches", "ui::clear_item_dialog",
    "ui::handle_optimize_key",
    "datafiles::handle_load_key",     "datafiles::handle_save_key",
    "memories::recall_previous_memory", "memories::recall_next_memory", "memories::store_to_next_memory",
    "memories::run_store_memory", "memories::run_get_memory",
    "memories::run_clear_programmer", "memories::run_set_functions_to_default",
    "memories::run_take_output_to_programmer", "memories::run_undo_screen",
    "playback::go_to_cue", "playback::show_cue_page", "playback::go_to_previous_cue", "playback::go_to_next_cue",
    "memories::run_preset_recall_menu", "memories::run_preset_store_menu",
    "programmer::handle_group_key", "programmer::run_lamp_command_screen",
    "playback::cycle_playback_label_mode", "playback::cycle_playback_label_mode_forward",
    "playback::select_flash_mode_playbacks", "playback::edit_playback_times",
    "playback::go_sequence", "playback::toggle_sequence_run", "playback::set_sequence_direction",
    "playback::store_sequences_in_cue", "playback::toggle_sequence_sync", "playback::set_sequence_trigger_mode",
    "playback::select_sequence_control", "synchro::run_timecode_screen",
};

// The names of every command the key table starts.
std::set<std::string> key_table_commands() {
    std::set<std::string> names;
    for (const KeyCase& c : kKeyCases) {
        for (const std::string& name : names_of(c.expected)) names.insert(name);
    }
    return names;
}

TEST_F(KeyDispatch, EveryKeyReachesItsCommandUnderItsCondition) {
    const std::set<std::string> table_commands = key_table_commands();
    for (const KeyCase& c : kKeyCases) {
        set_state(c.state);
        commands();
        rig.press(c.key, 10);
        // The lamp command screens read keys until ESC; so does the timecode
        // screen, and REC's start-time entry before it.
        if (c.key == KEY_IGNITE || c.key == KEY_LAMP_RESET) rig.press(KEY_ESC, 10);
        if (c.key == KEY_REC) rig.press(KEY_ESC, 10);
        if (c.key >= KEY_PLAY && c.key <= KEY_TIMECODE_MODE && c.key != KEY_STOP) rig.press(KEY_ESC, 10);
        Steps recorded = names_of(runtime::logged_calls());
        EXPECT_EQ(commands(), c.expected) << "key " << c.key;
        // TO-MEM and GET MEMORY tapped ask for a memory number: ESC leaves.
        if (c.key == KEY_TO_MEM || c.key == KEY_GET_MEMORY) rig.press(KEY_ESC, 10);
        // Every command not built yet leaves its own trace, and no other
        // command of the table runs. The time-key screen is built and leaves
        // the traces of what it calls, so only its dispatch is checked here.
        Steps unbuilt = names_of(c.expected);
        if (unbuilt == Steps{"programmer::run_edit_time_screen"}) continue;
        std::erase_if(unbuilt, [](const std::string& name) { return kBuiltCommands.count(name) != 0; });
        std::erase_if(recorded, [&](const std::string& name) { return table_commands.count(name) == 0; });
        EXPECT_EQ(recorded, unbuilt) << "key " << c.key;
    }
}

// What the commands are given: the number a key stands for, counted from the
// first key of its group, or the key itself.
struct PassedCase {
    int16_t key;
    State state;
    const char* recorded;
};

// The timecode screen hands the key it was opened with to the table editor.
const PassedCase kPassedCases[] = {
    {runtime::KEY_PLAY, kMain, "synchro::edit_timecode_table(211)"},
    {runtime::KEY_EDIT, kMain, "synchro::edit_timecode_table(214)"},
};

TEST_F(KeyDispatch, EveryCommandIsGivenTheNumberOfItsKey) {
    for (const PassedCase& c : kPassedCases) {
        set_state(c.state);
        commands();
        rig.press(c.key, 10);
        const Steps calls = runtime::logged_calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), c.recorded), 1) << "key " << c.key;
        rig.press(runtime::KEY_ESC, 10);
    }
}

// The keys of the selected sequence act on the sequence the wheel mode shows;
// ENTER is GO of every running sequence that is not automatic.
TEST_F(KeyDispatch, SequenceKeysActOnTheDisplayedSequence) {
    using playback::sequence_mode_field;
    const auto mode = [](int s) { return playback::sequence_table[static_cast<size_t>(s)].mode; };
    playback::SequenceRecord& d = playback::sequence_table[4];  // programmed: start memory 3, loop 4 5 6
    d.flags = 1;
    d.start_memory = 3;
    d.loop_length = 3;
    d.loop_memories[1] = 4;
    d.loop_memories[2] = 5;
    d.loop_memories[3] = 6;
    d.loop_count = playback::kInfiniteLoops;
    d.fade_time = 6000;
    set_state(kSequenceA);
    rig.press(runtime::KEY_SEQUENCE_RUN, 10);
    EXPECT_EQ(sequence_mode_field(mode(1), playback::kSequenceRunShift), 1);
    rig.press(runtime::KEY_SEQUENCE_SYNC, 10);
    EXPECT_EQ(sequence_mode_field(mode(1), playback::kSequenceSyncShift), 1);
    rig.press(runtime::KEY_SEQUENCE_CONTROL_1, 10);
    EXPECT_EQ(playback::sequence_selected_control[1], 1);
    set_state(kSequenceD);
    rig.press(runtime::KEY_SEQUENCE_DIRECTION, 10);
    EXPECT_EQ(sequence_mode_field(mode(4), playback::kSequenceDirectionShift), playback::kDirectionBackward);
    rig.press(runtime::KEY_SEQUENCE_TRIGGER, 10);
    EXPECT_EQ(sequence_mode_field(mode(4), playback::kSequenceTriggerShift), playback::kTriggerManual);
    rig.press(runtime::KEY_SEQUENCE_CONTROL_3, 10);
    EXPECT_EQ(playback::sequence_selected_control[4], 3);
    EXPECT_EQ(sequence_mode_field(mode(1), playback::kSequenceDirectionShift), 0) << "A keeps its direction";
    // D is stopped: its GO is ignored; running, it is requested.
    rig.press(runtime::KEY_SEQUENCE_GO, 10);
    EXPECT_EQ(playback::sequence_current_step[4], 0);
    rig.press(runtime::KEY_SEQUENCE_RUN, 10);
    EXPECT_EQ(playback::sequence_current_step[4], 1) << "started on its start memory";
    rig.press(runtime::KEY_SEQUENCE_GO, 10);
    const int16_t after_go = playback::sequence_current_step[4];
    // D runs backward: one step down from the start memory wraps to the
    // loop's last memory (step n + 1 = 4).
    EXPECT_EQ(after_go, 4) << "the GO stepped once";
    // ENTER: GO of the running sequences that are not automatic: D steps again.
    set_state(kMain);
    rig.press(runtime::KEY_ENTER, 10);
    EXPECT_EQ(playback::sequence_current_step[4], 3) << "D stepped on once more";
}

// The cue keys go to their cue slot and the page keys show their page.
TEST_F(KeyDispatch, CueAndCuePageKeysAreGivenTheNumberOfTheirKey) {
    struct CueCase {
        int16_t key;
        State state;
        int slot;  // the live cue slot afterwards
        int page;  // the shown cue page afterwards
    };
    const CueCase cases[] = {
        {runtime::fixture_key(2), kCueScreen, 11, 1},  // cue 2 of page 1
        {runtime::KEY_FIXTURE_70, kCueScreen, 691, 1},
        {runtime::KEY_GROUP_16, kCueScreen, 691, 16},
        {runtime::KEY_GROUP_1, kCueScreen, 691, 1},
        {runtime::KEY_DIGIT_9, kPointCue, 10, 1},  // point 10 of cue 1
        {runtime::KEY_DIGIT_0, kPointCue, 1, 1},   // point 1 of cue 1
    };
    for (const CueCase& c : cases) {
        set_state(c.state);
        if (c.state.point_cue) playback::current_cue = 1;
        rig.press(c.key, 10);
        EXPECT_EQ(playback::current_cue_slot(), c.slot) << "key " << c.key;
        EXPECT_EQ(runtime::cue_screen_page, c.page) << "key " << c.key;
    }
}

// The preset menus are given their key: a store menu key held shows its
// mode's prompt, a kind key with no fixture selected refuses with the low beep.
TEST_F(KeyDispatch, PresetKeysOpenTheirMenus) {
    set_state(kMain);
    commands();
    rig.hold(runtime::KEY_PRESET_STORE, 200);
    EXPECT_EQ(ui::current_message(), "SELECT PRESETITEM TO PROGRAM");
    rig.release(runtime::KEY_PRESET_STORE, 50);
    rig.hold(runtime::KEY_PRESET_CLEAR, 200);
    EXPECT_EQ(ui::current_message(), "SELECT PRESETITEM TO CLEAR");
    rig.release(runtime::KEY_PRESET_CLEAR, 50);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_PRESET_MENU, 0u);
    rig.press(runtime::KEY_PRESET_1, 10);
    rig.run_ms(900);
    const auto tones = rig.tones();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 400);
    EXPECT_EQ(tones.back().duration_ms, 800u);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_PRESET_MENU, 0u);
}

// The built commands show the key they were given by what they do.
TEST_F(KeyDispatch, BuiltCommandsAreGivenTheNumberOfTheirKey) {
    set_state({.display = 3});
    commands();
    memories::selected_master = 2;
    rig.press(runtime::KEY_LEFT, 10);
    EXPECT_EQ(memories::selected_master, 1);
    rig.press(runtime::KEY_RIGHT, 10);
    rig.press(runtime::KEY_RIGHT, 10);
    EXPECT_EQ(memories::selected_master, 3);
    set_state({.panel = 2, .display = 5});
    commands();
    playback::sequence_selected_control[1] = 2;
    rig.press(runtime::KEY_LEFT, 10);
    EXPECT_EQ(playback::sequence_selected_control[1], 1);
    rig.press(runtime::KEY_PANEL_3, 10);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_PANEL_FIELD, panel_field(3));
    // The show start took cue 1's transparency; from OFF each key steps once.
    playback::sequence_transparent_mode = 0;
    playback::playback_transparent_mode = 0;
    rig.press(runtime::KEY_TRANSPARENT_SEQ, 10);
    rig.press(runtime::KEY_TRANSPARENT_PLB, 10);
    rig.press(runtime::KEY_TRANSPARENT_PLB, 10);
    EXPECT_EQ(playback::sequence_transparent_mode, 1);
    EXPECT_EQ(playback::playback_transparent_mode, 2);

    // The bank keys step the fixture page down (71) or up (72); the function
    // page keys choose page 1 (145) or 2 (146).
    set_state(kMain);
    runtime::fixture_page = 1;
    rig.press(runtime::KEY_BANK_UP, 10);
    EXPECT_EQ(runtime::fixture_page, 2);
    rig.press(runtime::KEY_BANK_DOWN, 10);
    EXPECT_EQ(runtime::fixture_page, 1);
    runtime::fader_bank = 0;
    runtime::function_count = 20;
    runtime::function_page = 1;
    rig.press(runtime::KEY_FUNCTION_PAGE_2, 10);
    EXPECT_EQ(runtime::function_page, 2);
    rig.press(runtime::KEY_FUNCTION_PAGE_1, 10);
    EXPECT_EQ(runtime::function_page, 1);

    // A group key selects its group of the bank shown; a lamp key opens its
    // screen, which ESC leaves.
    set_state(kMain);
    runtime::group_bank = 2;
    rig.press(runtime::group_key(3), 10);
    EXPECT_EQ(programmer::group_selected[19], 1);
    rig.press(runtime::KEY_LAMP_RESET, 10);
    EXPECT_EQ(std::string(ui::current_message()), "SELECT FIXTURES TO RESET");
    rig.press(runtime::KEY_ESC, 10);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_LAMP_RESET], runtime::LED_OFF);
}

// The flash-mode and time keys run while held: their prompt and lit LED
// show which command and which mode or time they were given.
TEST_F(KeyDispatch, HeldFlashModeAndTimeKeysAreGivenTheirNumber) {
    struct Case {
        int16_t key;
        State state;
        const char* message;
    };
    const Case cases[] = {
        {runtime::KEY_FLASH_MODE, kMain, "SELECT FLASH PLAYBACKS"},
        {runtime::KEY_KILL_MODE, kMain, "SELECT KILL PLAYBACKS"},
        {runtime::KEY_DELAY_IN, kCueScreen, "SELECT PLAYBACK TO EDIT"},
        {runtime::KEY_HOLD, kCueScreen, "SELECT PLAYBACK TO EDIT"},
    };
    for (const Case& c : cases) {
        set_state(c.state);
        rig.hold(c.key, 150);  // past the 100 ms start beep
        EXPECT_EQ(ui::current_message(), c.message) << "key " << c.key;
        EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(c.key)], runtime::LED_ON) << "key " << c.key;
        rig.release(c.key, 30);
        EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(c.key)], runtime::LED_OFF) << "key " << c.key;
    }
}

TEST_F(KeyDispatch, PointCuesAreCalledOnTheShownPage) {
    set_state(kCuePointCue);
    runtime::cue_screen_page = 3;
    playback::current_cue = 7;
    commands();
    rig.press(runtime::digit_key(3), 10);  // point 4 of cue 7 on page 3
    EXPECT_EQ(playback::current_cue_slot(), 1464);
    commands();
    rig.press(runtime::fixture_key(5), 10);  // cue 5 of page 3
    EXPECT_EQ(playback::current_cue_slot(), 1441);
}

TEST_F(KeyDispatch, PcOnlyKeysReachTheirCommands) {
    rig.type(" ");  // 901
    rig.run_ms(10);
    EXPECT_EQ(commands(), (Steps{"ui::run_cue_key()", "playback::go_to_next_cue()"}));
    rig.type("K*114");  // blind from the PC numeric entry (the console key acts in the reader)
    rig.run_ms(10);
    EXPECT_EQ(commands(), (Steps{"ui::toggle_blind_mode()"}));
}

TEST_F(KeyDispatch, KeyNineNineNineEndsTheProgramThroughTheMainLoop) {
    rig.type("K*999");
    ASSERT_TRUE(rig.run_until([this] { return rig.finished(); }, 5000));
    EXPECT_EQ(rig.exit_code(), 1);
}

TEST_F(KeyDispatch, CueCallsNeedAShownPageAndCurrentCueInRange) {
    set_state(kCuePointCue);
    runtime::cue_screen_page = 0;
    rig.press(fixture_key(5), 10);
    rig.press(KEY_DIGIT_1, 10);
    EXPECT_EQ(commands(), kNothing);
    runtime::cue_screen_page = 2;
    playback::current_cue = 71;
    rig.press(KEY_DIGIT_1, 10);
    EXPECT_EQ(commands(), kNothing);
    playback::current_cue = 70;
    rig.press(KEY_DIGIT_1, 10);
    EXPECT_EQ(commands(), (Steps{"playback::go_to_cue(slot, 1, 0)"}));
}

TEST(CueSlots, PointOfCueOnPage) {
    struct Case {
        int16_t page, cue, point;
        uint16_t slot;
    };
    const Case cases[] = {
        {1, 1, 1, 1},       {1, 2, 1, 11},      {2, 5, 1, 741},  // key 5 on cue page 2
        {3, 7, 4, 1464},                                         // digit 3 with cue 7 on page 3
        {16, 70, 10, 11200}, {1, 1, 10, 10},
        {0, 1, 1, 0},       {17, 1, 1, 0},      {1, 0, 1, 0},     {1, 71, 1, 0},
        {1, 1, 0, 0},       {1, 1, 11, 0},      {-1, 5, 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(runtime::cue_point_slot(c.page, c.cue, c.point), c.slot) << c.page << " " << c.cue << " " << c.point;
    }
}

// --- mouse clicks on the grids --------------------------------------------------------

TEST(MouseGrid, CellsAreTwentyTwoByThirtyTenToARow) {
    struct Case {
        int16_t x, y, cell;
    };
    const Case cases[] = {
        {1, 10, 1},   {22, 39, 1},   {23, 10, 2},   {220, 10, 10},  {1, 40, 11},   {220, 219, 70},
        {100, 250, 85},                // below the seventh row: a cell past 70
        {5, 5, 1},    {0, 10, 1},      // truncation toward zero keeps the edges in the first cell
        {221, 10, 0}, {639, 479, 0},   // beside the ten columns
    };
    for (const Case& c : cases) EXPECT_EQ(runtime::mouse_grid_cell(c.x, c.y), c.cell) << c.x << "," << c.y;
}

TEST_F(KeyDispatch, LeftClickOnTheFixtureGridTogglesThatFixture) {
    set_state({.display = 1});
    setup::fixture_count = 12;
    programmer::fixture_selected[3] = 1;
    commands();

    rig.click_at(30, 20, platform::kMouseLeft, kClick_ms, kClick_ms);  // cell 2
    EXPECT_EQ(programmer::fixture_selected[2], 1);
    EXPECT_EQ(commands(), (Steps{"programmer::select_fixture(cell)"}));
    rig.click_at(50, 20, platform::kMouseLeft, kClick_ms, kClick_ms);  // cell 3, selected
    EXPECT_EQ(programmer::fixture_selected[3], 0);
    EXPECT_EQ(commands(), (Steps{"programmer::deselect_fixture(cell)"}));
    EXPECT_TRUE(rig.machine().mouse.cursor_shown());

    rig.click_at(30, 50, platform::kMouseLeft, kClick_ms, kClick_ms);  // cell 12
    EXPECT_EQ(programmer::fixture_selected[12], 1);
    EXPECT_EQ(commands(), (Steps{"programmer::select_fixture(cell)"}));
    rig.click_at(50, 50, platform::kMouseLeft, kClick_ms, kClick_ms);  // cell 13: no such fixture
    EXPECT_EQ(commands(), kNothing);
    rig.click_at(230, 20, platform::kMouseLeft, kClick_ms, kClick_ms);  // right of the grid, where the column count would give cell 11
    EXPECT_EQ(commands(), kNothing);
    rig.click_at(30, 20, platform::kMouseRight, kClick_ms, kClick_ms);
    EXPECT_EQ(commands(), kNothing);
}

TEST_F(KeyDispatch, LeftClickOnTheCueGridCallsThatCue) {
    set_state({.cue_screen = true, .display = 1});
    commands();
    rig.click_at(30, 20, platform::kMouseLeft, kClick_ms, kClick_ms);
    EXPECT_EQ(playback::current_cue_slot(), 11);  // cell 2: cue 2, point 1
    EXPECT_EQ(commands(), (Steps{"playback::go_to_cue(slot, 1, 0)"}));
    rig.click_at(210, 200, platform::kMouseLeft, kClick_ms, kClick_ms);  // cell 70
    EXPECT_EQ(playback::current_cue_slot(), 691);
    EXPECT_EQ(commands(), (Steps{"playback::go_to_cue(slot, 1, 0)"}));
    rig.click_at(30, 225, platform::kMouseLeft, kClick_ms, kClick_ms);  // cell 72: below the grid
    EXPECT_EQ(commands(), kNothing);
}

TEST_F(KeyDispatch, NoClickOutsideMouseMode) {
    set_state({.display = 2});
    setup::fixture_count = 12;
    commands();
    rig.click_at(30, 20, platform::kMouseLeft, kClick_ms, kClick_ms);
    EXPECT_EQ(commands(), kNothing);
}

// --- trackerball by wheel mode ---------------------------------------------------------

TEST_F(KeyDispatch, TrackerballGoesWhereTheWheelModeSays) {
    struct Case {
        uint8_t display;
        int16_t function_count;
        bool pantilt;
        bool threshold;
        bool sequence_panel;
        const char* expected;  // nullptr: nowhere
    };
    const Case cases[] = {
        {2, 0, false, false, false, nullptr},  // a fixture type without functions
        {2, 4, false, false, false, "programmer::apply_trackerball_to_fader()"},
        {2, 4, true, false, false, "programmer::apply_trackerball_to_pantilt()"},
        {2, 4, true, true, false, "programmer::apply_trackerball_to_fader()"},
        {3, 0, false, false, false, "memories::apply_trackerball_to_master()"},
        {4, 0, false, false, false, "playback::apply_trackerball_to_playback()"},
        {5, 0, false, false, false, nullptr},  // sequence panel not shown
        {5, 0, false, false, true, "playback::apply_trackerball_to_sequence(displayed_sequence())"},
        {8, 0, false, false, true, "playback::apply_trackerball_to_sequence(displayed_sequence())"},
        {1, 4, true, false, true, nullptr},    // mouse mode
    };
    for (const Case& c : cases) {
        runtime::display_mode = c.display;
        runtime::function_count = c.function_count;
        runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
        if (c.pantilt) runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
        runtime::run_flags &= ~runtime::RUN_THRESHOLD_MODE;
        if (c.threshold) runtime::run_flags |= runtime::RUN_THRESHOLD_MODE;
        runtime::option_flags &= ~kSequencePanelBits;
        if (c.sequence_panel) runtime::option_flags |= kSequencePanelBits;
        steps_in_front();
        rig.move_trackerball(12, -7);
        rig.run_ms(5);
        const Steps steps = steps_in_front();
        const std::set<std::string> distinct(steps.begin(), steps.end());
        if (c.expected == nullptr) {
            EXPECT_TRUE(distinct.empty()) << int{c.display};
        } else {
            EXPECT_EQ(distinct, std::set<std::string>{c.expected}) << int{c.display};
            EXPECT_GE(steps.size(), 4u) << "every pass of the main loop";
        }
    }
}

// --- SETUP menu -----------------------------------------------------------------------

const Steps kMenuClosed = {"playback::update_point_cue_leds()", "ui::redraw_cue_panel()"};

TEST_F(KeyDispatch, ShortSetupPressOnlySwitchesItsLedOff) {
    runtime::set_key_led(runtime::KEY_SETUP, runtime::LED_ON);
    rig.press(runtime::KEY_SETUP, kShortHold_ms);
    rig.run_ms(20);
    EXPECT_EQ(rig.key_led(runtime::KEY_SETUP), LedState::off);
    EXPECT_EQ(commands(), kNothing);
    EXPECT_NE(ui::current_message(), "1=FIXT. SETUP  2=SHOW SETTINGS");
    EXPECT_EQ(runtime::run_flags & runtime::RUN_SHOW_FILE_BUSY, 0u);
    EXPECT_EQ(datafiles::show_file_operation, 0);
}

TEST_F(KeyDispatch, HeldSetupOpensTheMenuAndEscClosesIt) {
    runtime::option_flags |= runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN;
    for (const int16_t key : {171, 174, 180}) runtime::set_key_led(key, runtime::LED_ON);

    rig.press(runtime::KEY_SETUP, kLongHold_ms);
    EXPECT_EQ(ui::current_message(), "1=FIXT. SETUP  2=SHOW SETTINGS");
    EXPECT_EQ(rig.pixel(3, 283), 8);      // the box
    EXPECT_EQ(rig.pixel(219, 313), 8);
    EXPECT_EQ(rig.pixel(12, 288), 3);     // its field
    EXPECT_EQ(rig.pixel(210, 308), 3);
    EXPECT_GT(platform::count_pixels(15, {60, 288, 210, 308}), 0);  // "SETUP"
    EXPECT_NE(runtime::run_flags & runtime::RUN_SHOW_FILE_BUSY, 0u);
    EXPECT_EQ(datafiles::show_file_operation, 2);
    EXPECT_EQ(runtime::option_flags & runtime::OPT_CUE_PANEL, 0u);
    for (const int16_t key : {172, 173, 201}) EXPECT_EQ(rig.key_led(key), LedState::blinking) << key;
    for (const int16_t key : {171, 174, 180}) EXPECT_EQ(rig.key_led(key), LedState::off) << key;

    rig.press(digit_key(5), 10);  // other keys are read and dropped
    EXPECT_EQ(commands(), kNothing);
    rig.press(KEY_ESC, 10);
    EXPECT_EQ(commands(), kMenuClosed);
    for (const int16_t key : {172, 173, 201, 113}) EXPECT_EQ(rig.key_led(key), LedState::off) << key;
    EXPECT_EQ(runtime::run_flags & runtime::RUN_SHOW_FILE_BUSY, 0u);
    rig.press(KEY_CUE, 10);  // the main loop has the keys again
    EXPECT_EQ(commands(), (Steps{"ui::run_cue_key()"}));
}

TEST_F(KeyDispatch, SetupDigitOneRunsTheFixtureSetupAndRedrawsTheMainScreen) {
    set_state(kPanel5);  // the analogue view, which the main screen draws again
    runtime::option_flags |= runtime::OPT_ANALOGUE_VIEW;
    runtime::run_flags |= runtime::RUN_BLIND;
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) | edit_mode_field(2);  // fan
    runtime::mode_flags |= runtime::MODE_CUE_TIMING;
    rig.press(runtime::KEY_SETUP, kLongHold_ms);
    commands();
    rig.press(KEY_DIGIT_1, 10);
    rig.run_ms(20);
    leave_fixture_setup();
    EXPECT_EQ(commands(), (Steps{"playback::update_point_cue_leds()", "ui::redraw_cue_panel()", "reset_led_rings()",
                                 "ui::free_cue_buffers()", "ui::save_panel_picture()", "setup::run_fixture_setup()",
                                 "ui::draw_main_screen()", "ui::draw_mode_text(ui::MODE_TEXT_EDIT_MODE, 1)",
                                 "playback::update_point_cue_leds()"}));
    EXPECT_EQ(rig.key_led(runtime::KEY_SETUP), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_BLIND_TOGGLE), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_BANK_DOWN), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_BANK_UP), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_MODE), LedState::blinking);
    for (int i = 1; i <= ui::kMasterFaderWidgets; ++i) EXPECT_EQ(ui::master_fader_widgets[i].shown, 1) << i;
    for (int i = 1; i <= ui::kPlaybackFaderWidgets; ++i) EXPECT_EQ(ui::playback_fader_widgets[i].shown, 1) << i;
}

TEST_F(KeyDispatch, SetupDigitOneOnAnotherPageWithoutAnalogueView) {
    runtime::option_flags &= ~runtime::OPT_ANALOGUE_VIEW;
    runtime::fixture_page = 3;
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) | edit_mode_field(0);  // absolute
    rig.press(runtime::KEY_SETUP, kLongHold_ms);
    commands();
    rig.press(KEY_DIGIT_1, 10);
    rig.run_ms(20);
    leave_fixture_setup();
    const Steps steps = commands();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "ui::save_panel_picture()"), 0);
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "setup::run_fixture_setup()"), 1);
    EXPECT_EQ(rig.key_led(KEY_BANK_DOWN), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_BANK_UP), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_MODE), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_BLIND_TOGGLE), LedState::off);
    for (int i = 1; i <= ui::kMasterFaderWidgets; ++i) EXPECT_EQ(ui::master_fader_widgets[i].shown, 0) << i;
}

TEST_F(KeyDispatch, SetupDigitTwoEditsTheSettingsWithTheListBitsPutBack) {
    constexpr uint32_t kListBits = runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST;
    runtime::option_flags |= runtime::OPT_MEMORY_LIST;
    runtime::option_flags &= ~runtime::OPT_CUE_GRID;
    rig.press(runtime::KEY_SETUP, kLongHold_ms);
    commands();
    rig.press(KEY_DIGIT_2, 10);
    rig.press(KEY_ESC, 10);  // the settings editor
    EXPECT_EQ(commands(), (Steps{"playback::update_point_cue_leds()", "ui::redraw_cue_panel()",
                                 "ui::set_panel_mode(2)", "ui::edit_global_settings()"}));
    EXPECT_EQ(runtime::option_flags & kListBits, runtime::OPT_MEMORY_LIST);
    EXPECT_EQ(rig.key_led(runtime::KEY_SETUP), LedState::off);
}

TEST_F(KeyDispatch, SetupMenuLeavesTheCuePanelAloneWhenARestartWaits) {
    rig.press(runtime::KEY_SETUP, kLongHold_ms);
    commands();
    runtime::restart_requested = 1;
    rig.press(KEY_ESC, 10);
    const Steps steps = commands();
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), "playback::update_point_cue_leds()");
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "ui::redraw_cue_panel()"), 0);
}

// --- second-function menu -------------------------------------------------------------

TEST_F(KeyDispatch, ShiftKeyLightsTheKeysThatHaveSecondFunctions) {
    runtime::current_fixture = 4;
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    EXPECT_EQ(rig.key_led(runtime::KEY_SHIFT), LedState::lit);
    for (const int16_t key : {73, 74, 75, 163, 198, 144, 148, 113}) {
        EXPECT_EQ(rig.key_led(key), LedState::blinking) << key;
    }
    EXPECT_EQ(rig.key_led(KEY_GROUP_1), LedState::off);
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);

    // No current fixture, the timecode screen open, the cue screen shown.
    runtime::current_fixture = -1;
    runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
    set_state(kCueScreen);
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    EXPECT_NE(rig.key_led(KEY_TRACKERBALL_PANTILT), LedState::blinking);
    EXPECT_NE(rig.key_led(KEY_SETUP), LedState::blinking);
    EXPECT_EQ(rig.key_led(KEY_GROUP_1), LedState::blinking);
    EXPECT_EQ(rig.key_led(KEY_GROUP_16), LedState::blinking);
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
}

TEST_F(KeyDispatch, KeysHaveTheirSecondFunctionsWhileShiftIsHeld) {
    struct Case {
        int16_t key;
        bool cue_screen;
        Steps expected;
        bool editor = false;  // opens an editor, which ESC closes
        bool wizard = false;  // runs the effect wizard, which ESC ends
    };
    const std::vector<Case> cases = {
        {KEY_CUE, false, {"ui::edit_transparent_mode()"}, true},
        {KEY_MODE, false, {"ui::start_fan_mode_edit()"}, true},
        {KEY_STEP, false, {"ui::edit_solo_memory()"}, true},
        {KEY_PANEL_3, false, {"ui::toggle_table_view()"}},
        {KEY_TAKE_OUTPUT, false, {"memories::read_outputs_into_programmer()"}},
        {KEY_TRACKERBALL_PANTILT, false, {"programmer::apply_pantilt_record()"}},
        {KEY_FIGURE, false, {"programmer::run_effect_wizard()"}, false, true},
        {KEY_GROUP_1, true, {"ui::edit_tracing_mode(static_cast<uint8_t>(key - KEY_GROUP_1 + 1))"}, true},
        {KEY_GROUP_16, true, {"ui::edit_tracing_mode(static_cast<uint8_t>(key - KEY_GROUP_1 + 1))"}, true},
        {KEY_GROUP_1, false, kNothing},
        {KEY_FIXTURE_1, false, kNothing},
        {KEY_TO_MEM, true, kNothing},
    };
    for (const Case& c : cases) {
        set_state(c.cue_screen ? kCueScreen : kMain);
        rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
        commands();
        rig.press(c.key, 10);
        if (c.editor) {
            EXPECT_NE(runtime::option_flags & runtime::OPT_SETTINGS_EDITOR, 0u) << "key " << c.key;
            rig.press(KEY_ESC, 10);
            EXPECT_EQ(runtime::option_flags & runtime::OPT_SETTINGS_EDITOR, 0u) << "key " << c.key;
        }
        if (c.wizard) {
            EXPECT_EQ(runtime::macro_mode, 1) << "key " << c.key;
            rig.press(KEY_ESC, 10);
            EXPECT_EQ(runtime::macro_mode, 0) << "key " << c.key;
        }
        EXPECT_EQ(commands(), c.expected) << "key " << c.key;
        rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
        commands();
    }
}

TEST_F(KeyDispatch, CuePageKeysGiveTheirPageToTheTracingEditorWhileShiftIsHeld) {
    // Each editor stores its page's autoprepare mode: DOWN twice, EDIT ITEM (DEFAULT to ON), ENTER.
    set_state(kCueScreen);
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    for (const int16_t key : {runtime::KEY_GROUP_1, runtime::KEY_GROUP_16}) {
        rig.press(key, 10);
        for (const int16_t edit : {runtime::KEY_DOWN, runtime::KEY_DOWN, runtime::KEY_EDIT_ITEM, runtime::KEY_ENTER}) {
            rig.press(edit, 10);
        }
    }
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
    for (int page = 1; page <= setup::kCuePages; ++page) {
        EXPECT_EQ(setup::setup_data.u8(setup::kSetupCuePagePreparation + static_cast<size_t>(page - 1)),
                  page == 1 || page == 16 ? 1 : 0)
            << page;
    }
}

TEST_F(KeyDispatch, ReleasingShiftEndsTheMenu) {
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
    commands();
    rig.press(KEY_CUE, 10);
    EXPECT_EQ(commands(), (Steps{"ui::run_cue_key()"}));
    EXPECT_EQ(rig.key_led(runtime::KEY_SHIFT), LedState::off);
}

TEST_F(KeyDispatch, EscLeavesTheMenuWhileShiftIsStillHeld) {
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    rig.press(KEY_ESC, 10);
    commands();
    rig.press(KEY_CUE, 10);
    EXPECT_EQ(commands(), (Steps{"ui::run_cue_key()"}));
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
}

TEST_F(KeyDispatch, LeavingTheMenuRestoresTheLedsFromTheConsoleState) {
    set_state({.cue_screen = true, .fixture_step = true, .panel = 4});
    runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT | edit_mode_field(2);
    playback::current_cue_page = 3;
    runtime::current_fixture = 7;
    runtime::fader_bank = 1;
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
    EXPECT_EQ(rig.key_led(group_key(3)), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_GROUP_1), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_GROUP_16), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_CUE), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_MODE), LedState::blinking);
    EXPECT_EQ(rig.key_led(KEY_STEP), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_SETUP), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_TAKE_OUTPUT), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_TRACKERBALL_PANTILT), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_FIGURE), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_PANEL_3), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_SHIFT), LedState::off);

    // The main screen: everything that lit above goes dark.
    set_state({.panel = 1});
    runtime::mode_flags |= edit_mode_field(1);
    runtime::current_fixture = -1;
    runtime::fader_bank = 0;
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
    for (const int16_t key : {73, 74, 75, 113, 198, 148, 144, 163, 246}) {
        EXPECT_EQ(rig.key_led(key), LedState::off) << key;
    }
}

// --- quit confirmation ----------------------------------------------------------------

TEST_F(KeyDispatch, HoldingSetupInTheShiftMenuEndsTheProgram) {
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    rig.press(runtime::KEY_SETUP, kLongHold_ms);
    ASSERT_TRUE(rig.run_until([this] { return rig.finished(); }, 5000));
    EXPECT_EQ(rig.exit_code(), 1);
}

TEST_F(KeyDispatch, ShortSetupPressInTheShiftMenuDoesNotQuit) {
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    rig.press(runtime::KEY_SETUP, kShortHold_ms);
    EXPECT_FALSE(rig.finished());
    EXPECT_EQ(runtime::quit_requested, 0);
    EXPECT_EQ(rig.key_led(runtime::KEY_SETUP), LedState::blinking);
    commands();
    rig.press(KEY_CUE, 10);  // still in the menu
    EXPECT_EQ(commands(), (Steps{"ui::edit_transparent_mode()"}));
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
    EXPECT_EQ(rig.key_led(runtime::KEY_SETUP), LedState::off);
    rig.run_ms(100);
    EXPECT_FALSE(rig.finished());
}

TEST_F(KeyDispatch, NoQuitWhileTheTimecodeScreenIsOpen) {
    runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
    rig.hold(runtime::KEY_SHIFT, kKeySettle_ms);
    rig.press(runtime::KEY_SETUP, kLongHold_ms);
    EXPECT_FALSE(rig.finished());
    EXPECT_EQ(runtime::quit_requested, 0);
    rig.release(runtime::KEY_SHIFT, kKeySettle_ms);
    rig.run_ms(100);
    EXPECT_FALSE(rig.finished());
}

}  // namespace
