#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "memories/master_state.h"
#include "platform/graphics.h"
#include "rig/console.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "setup/dmx_inputs.h"
#include "setup/global_settings.h"

namespace {

using Steps = std::vector<std::string>;

// The logged steps from the first `from` to the first `to` after it, both included.
Steps steps_between(const std::string& from, const std::string& to) {
    const Steps all = runtime::logged_steps();
    auto begin = std::find(all.begin(), all.end(), from);
    if (begin == all.end()) return {};
    auto end = std::find(begin, all.end(), to);
    if (end == all.end()) return {};
    return Steps(begin, end + 1);
}

int count_step(const std::string& name) {
    const Steps all = runtime::logged_steps();
    return static_cast<int>(std::count(all.begin(), all.end(), name));
}

const Steps kStartUp = {
    "set_home_directory(program_path)", "load_console_config()", "load_keyboard_config()", "load_ini_file()",
    "discover_cards()", "read_card_memory_map()", "probe_interface_driver()", "read_eprom_versions()",
    "upload_card_parameters()", "datafiles::check_data_files()", "check_memory()", "read_console_options()",
    "install_keyboard_isr()", "synchro::init_cdrom()", "synchro::init_timecode_player()", "ui::start_graphics()",
    "init_mouse()", "synchro::start_audio_inputs()", "ui::show_hardware_check()", "init_show()",
};

const Steps kInitShow = {
    "shutdown_hardware()", "init_console_state()", "clear_console_state_flags()", "init_programmer_settings()",
    "set_screen_layout()", "reset_show_tables()", "datafiles::load_all_data()",
    // the show's data files
    "convert_old_memories()", "load_memory_file()", "load_memcue_file()", "convert_memory_time_items()",
    "convert_memcue_time_items()", "convert_old_presets()", "load_preset_file()", "load_threshold_file()",
    "convert_old_cues()", "load_default_preset_files(false)", "load_midi_spec_file()", "load_soundin_config()",
    "load_pointcue_file()", "load_cue_playback_file()", "load_cue_sequence_file()", "check_pointcue_consistency(0)",
    "load_setup_file()", "load_figure_drawings()", "load_symbol_drawings()", "load_filter_catalogues()",
    "load_patch_curves()", "load_channel_curves()", "load_subgroup_file()", "load_group_file()",
    "load_submaster_file()", "synchro::load_timecode_list(runtime::current_list_name)", "load_macro_file()",
    "init_fixture_tables()",
    "load_reset_commands()", "datafiles::load_default_values_step()", "datafiles::load_transp_file()",
    "datafiles::load_soft_file()", "datafiles::load_midi_show_file()", "datafiles::build_library_index()",
    "datafiles::optimize_data_at_start()", "init_wheel_last_values()", "reset_wheel_states()",
    "init_master_fader_widgets()", "init_playback_fader_widgets()", "init_sequence_records()",
    "synchro::rebuild_midi_cue_table()", "upload_channel_tables()", "programmer::reset_slave_triggers()",
    "init_timers()", "memories::recall_memory(1, 0)", "playback::reset_cue_fades()",
    "playback::go_to_cue(1, 0, 0)", "playback::scan_playback_faders(0)", "memories::update_masters(0)",
    "ui::draw_main_screen()", "refresh_after_start()", "run_main_loop()",
};

const Steps kPeriodicJobs = {
    "synchro::poll_audio_inputs()", "playback::run_sequences()", "ui::cycle_rate_step()",
    "memories::update_masters(0)", "playback::scan_playback_faders(0)", "playback::read_sequence_controls()",
    "programmer::poll_function_belts()", "playback::run_cue_fades()", "playback::update_dirty_outputs()",
    "playback::premove_dark_fixtures()", "programmer::run_lamp_command_queue()",
    "programmer::follow_live_values()", "watch_wing()", "update_timers()", "ui::check_memory_status()",
};

const Steps kProgramEnd = {
    "synchro::stop_audio_inputs()", "shutdown_hardware()", "free_tables()", "ui::free_screen_images()",
    "synchro::free_timecode_list()", "synchro::free_dos_buffer(synchro::cd_state.buffer_selector)",
    "ui::close_graphics()", "remove_keyboard_isr()",
};

class Startup : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    Startup() { runtime::clear_step_log(); }

    void quit() {
        rig.type("K*999");
        rig.run_until([this] { return rig.finished(); }, 5000);
    }
};

TEST_F(Startup, StartsUpInOrderRunsTheShowCycleAndEndsWithCodeOneOnQuit) {
    rig::start_console(rig, dir);
    ASSERT_FALSE(rig.finished());
    EXPECT_EQ(steps_between("set_home_directory(program_path)", "init_show()"), kStartUp);
    EXPECT_EQ(steps_between("shutdown_hardware()", "run_main_loop()"), kInitShow);
    EXPECT_EQ(runtime::home_directory, "C:\\BRAVINOX");
    EXPECT_TRUE(rig.machine().graphics.open);

    const uint64_t passes = runtime::main_loop_passes;
    rig.run_ms(100);
    EXPECT_GT(runtime::main_loop_passes, passes);  // the main loop turns

    runtime::clear_step_log();
    quit();
    ASSERT_TRUE(rig.finished());
    EXPECT_EQ(rig.exit_code(), 1);
    EXPECT_EQ(steps_between("free_fixture_tables()", "free_show_records()").size(), 2u);
    EXPECT_EQ(steps_between("synchro::stop_audio_inputs()", "remove_keyboard_isr()"), kProgramEnd);
    EXPECT_FALSE(rig.machine().graphics.open);
}

TEST_F(Startup, ShutdownWritesTheDisplayTemplatesAndZeroesTheBelts) {
    rig::start_console(rig, dir);
    rig.set_function_belt(3, 0, 17);
    rig.set_function_belt(16, 1, 9);
    rig.set_sequence_belt(12, 0, 44);
    runtime::show_console_message("HELLO");
    quit();
    ASSERT_EQ(rig.exit_code(), 1);
    for (int belt = 1; belt <= 16; ++belt) {
        EXPECT_EQ(rig.machine().cards.function_belt(0, belt, 0), 0) << belt;
        EXPECT_EQ(rig.machine().cards.function_belt(0, belt, 1), 0) << belt;
    }
    EXPECT_EQ(rig.machine().cards.sequence_belt(0, 12, 0), 0);
    EXPECT_EQ(rig.lcd(1, 0), "SEQ A P: **  C: **.*");
    EXPECT_EQ(rig.lcd(4, 2), "MEMORY F.TIME W.TIME");
}

TEST_F(Startup, BackgroundPollRunsThePeriodicJobsInOrder) {
    rig::start_console(rig, dir);
    rig.run_ms(5);
    runtime::clear_step_log();
    rig.run_ms(1);
    EXPECT_EQ(runtime::logged_steps(), kPeriodicJobs);
}

TEST_F(Startup, PendingInputStopsThePeriodicJobsAndTheClock) {
    rig::start_console(rig, dir);
    rig.run_ms(5);
    runtime::clear_step_log();
    runtime::pushed_back_key = 5;  // an input waits
    const uint32_t clock_before = runtime::clock_ms;
    runtime::run_background();
    EXPECT_TRUE(runtime::logged_steps().empty());
    EXPECT_EQ(runtime::clock_ms, clock_before);
    runtime::pushed_back_key = 0;
}

TEST_F(Startup, NoPeriodicJobRunsInsideAPassOrWhileTheSetupIsOpen) {
    rig::start_console(rig, dir);
    rig.run_ms(5);
    runtime::clear_step_log();
    // A job that waits calls the poll from inside a pass: the guard is clear then.
    runtime::mode_flags &= ~runtime::MODE_BACKGROUND_READY;
    runtime::run_background();
    EXPECT_TRUE(runtime::logged_steps().empty());
    runtime::mode_flags |= runtime::MODE_BACKGROUND_READY | runtime::MODE_IN_SETUP;
    rig.run_ms(50);
    EXPECT_TRUE(runtime::logged_steps().empty());
    runtime::mode_flags &= ~runtime::MODE_IN_SETUP;
    rig.run_ms(1);
    EXPECT_EQ(runtime::logged_steps(), kPeriodicJobs);
}

TEST_F(Startup, RestartRunsASecondShowCycleWithoutReallocatingTheTables) {
    rig::start_console(rig, dir);
    const auto allocations = runtime::show_table_allocations;
    ASSERT_GT(allocations, 0u);
    EXPECT_EQ(count_step("ui::show_hardware_check()"), 1);
    runtime::restart_requested = 1;
    rig.type("5");  // the flags are tested after the next dispatched key
    rig.run_ms(50);
    EXPECT_EQ(count_step("ui::show_hardware_check()"), 2);
    EXPECT_EQ(count_step("init_show()"), 2);
    EXPECT_EQ(count_step("free_show_records()"), 1);
    EXPECT_EQ(runtime::restart_requested, 0);
    EXPECT_EQ(runtime::show_table_allocations, allocations);
    EXPECT_FALSE(rig.finished());
}

TEST_F(Startup, TimecodePlaySettingQueuesTwoPressesOfColumn23Row0) {
    setup::console_startup_settings.timecode_play = 1;
    rig.machine().cards.fit(0, rig::demo_console_card());
    rig.machine().cards.press(0, 5, 5);  // whatever the FIFO holds before is dropped
    rig::start_console(rig, dir, false);
    const auto& cards = rig.machine().cards;
    const uint16_t base = cards.peek_word(0, 0x420);
    EXPECT_EQ(cards.peek_word(0, base - 0x4000u), 0x8017);
    EXPECT_EQ(cards.peek_word(0, base - 0x4000u + 2), 0x0017);
    EXPECT_EQ(cards.peek_word(0, base - 0x4000u + 4), 0x8017);
    EXPECT_EQ(cards.peek_word(0, base - 0x4000u + 6), 0x0017);
}

// Without master faders the masters start at full unless DMX input 1 is
// switched on to set them; a start address stored while it is off counts for
// nothing (the table of cases is in console_state_test.cpp).
TEST_F(Startup, MastersStartAtFullWhileDmxInput1IsSwitchedOff) {
    setup::dmx_in1_enabled = 0;
    setup::dmx_in1_start = 100;
    platform::CardSettings card = rig::demo_console_card();
    card.options &= static_cast<uint8_t>(~0x01);  // no analogue section: no master faders
    rig.machine().cards.fit(0, card);
    rig::start_console(rig, dir, false);
    ASSERT_FALSE(rig.finished());
    ASSERT_EQ(runtime::hw_option_flags.analogue_masters, 0);
    for (int m = 1; m <= 4; ++m) {
        EXPECT_EQ(memories::master_set_levels[static_cast<size_t>(m)], 255) << "master " << m;
    }
}

// The start-up view of the show's global settings: 1 "TEXT" opens panel 2,
// 2 "VALUES" panel 3; 0 "STAGE" and values no setup file should hold leave
// the panel as the show start set it.
TEST_F(Startup, ViewModeSettingOpensItsPanelOnlyForTextAndValues) {
    rig::start_console(rig, dir);
    ASSERT_FALSE(rig.finished());
    struct Case {
        uint8_t view_mode;
        Steps panel_steps;
    };
    const Case cases[] = {
        {0, {}},
        {1, {"ui::set_panel_mode(2)"}},
        {2, {"ui::set_panel_mode(3)"}},
        {3, {}},
        {4, {}},
        {7, {}},
        {255, {}},
    };
    for (const Case& c : cases) {
        setup::console_startup_settings.view_mode = c.view_mode;
        runtime::clear_step_log();
        runtime::refresh_after_start();
        Steps panel_steps;
        for (const std::string& step : runtime::logged_steps()) {
            if (step.find("set_panel_mode") != std::string::npos) panel_steps.push_back(step);
        }
        EXPECT_EQ(panel_steps, c.panel_steps) << "VIEWMODE " << int{c.view_mode};
    }
    setup::console_startup_settings.view_mode = 0;
}

TEST_F(Startup, MissingConfigurationRecordEndsWithCodeOne) {
    dir.remove_file("bravinox.cfg");
    rig::start_console(rig, dir);
    ASSERT_FALSE(rig.finished());  // waiting for a key on the failure screen
    EXPECT_EQ(rig.text_row(11), "               HIDDEN FILE 'BRAVINOX.CFG' COULD NOT BE OPENED !");
    rig.type(" ");
    rig.run_ms(10);
    ASSERT_TRUE(rig.finished());
    EXPECT_EQ(rig.exit_code(), 1);
    EXPECT_EQ(count_step("discover_cards()"), 0);
}

TEST_F(Startup, OutOfRangeCardSettingsLeaveTheConsoleRunningWithoutThoseCards) {
    std::vector<uint8_t> record = rig::demo_config_record();
    record[0x008] = 0xFF;  // slot 1 at segment FFFFh, where no card can be
    record[0x009] = 0xFF;
    record[0x010] = 7;     // no slot 7
    record[0x0FC] = 9;     // no segment choice 9
    record[0x0FD] = 200;
    dir.write_file("bravinox.cfg", record);
    rig::start_console(rig, dir);
    ASSERT_FALSE(rig.finished());
    EXPECT_EQ(runtime::console_card_selector, 0);
    EXPECT_EQ(runtime::console_card_number, 0);
    EXPECT_EQ(runtime::clock_card, 0);
    for (int card = 1; card <= 4; ++card) EXPECT_EQ(runtime::dmx_card_selectors[static_cast<size_t>(card)], 0);
    quit();
    EXPECT_EQ(rig.exit_code(), 1);
}

}  // namespace
