#include "runtime/startup.h"

#include "datafiles/cue_memory_file.h"
#include "datafiles/data_files.h"
#include "datafiles/default_values.h"
#include "datafiles/library_files.h"
#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/setup_file.h"
#include "datafiles/threshold_file.h"
#include "memories/memories.h"
#include "platform/machine.h"
#include "playback/cue_tables.h"
#include "playback/playback_jobs.h"
#include "programmer/effect_panels.h"
#include "programmer/effect_macros.h"
#include "programmer/fixture_pages.h"
#include "programmer/programmer_jobs.h"
#include "programmer/slave_consoles.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/channel_levels.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/keyboard_isr.h"
#include "runtime/lamp_commands.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "setup/global_settings.h"
#include "sync/audio_bands.h"
#include "sync/midi_codes.h"
#include "sync/midi_input.h"
#include "sync/sync_services.h"
#include "ui/mode_keys.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/screens.h"

namespace runtime {

uint8_t restart_requested = 0;
uint8_t quit_requested = 0;

void reset_startup_globals() {
    restart_requested = 0;
    quit_requested = 0;
}

namespace {

constexpr int kKeyboardLeds = 5;

// The "TIMECODE PLAY" key at matrix column 23, row 0, pressed and released
// twice, as the first words of the console key FIFO.
void queue_timecode_play_presses() {
    const uint16_t base = peek_card_word(console_card_selector, 0x420);
    constexpr std::array<uint16_t, 4> words = {0x8017, 0x0017, 0x8017, 0x0017};
    for (size_t i = 0; i < words.size(); ++i) {
        poke_card_word(console_card_selector, static_cast<uint32_t>(base - 0x4000 + 2 * i), words[i]);
    }
    poke_card_word(console_card_selector, 0x422, base);
    poke_card_word(console_card_selector, 0x424, static_cast<uint16_t>(base + 8));
}

void start_up(const char* program_path) {
    STEP(set_home_directory(program_path));
    STEP(load_console_config());
    STEP(load_keyboard_config());
    STEP(load_ini_file());
    STEP(discover_cards());
    STEP(read_card_memory_map());
    STEP(probe_interface_driver());
    STEP(read_eprom_versions());
    STEP(upload_card_parameters());
    STEP(datafiles::check_data_files());
    STEP(check_memory());
    STEP(read_console_options());
    STEP(install_keyboard_isr());
    STEP(synchro::init_cdrom());
    STEP(synchro::init_timecode_player());
    STEP(ui::start_graphics());
    STEP(init_mouse());
    STEP(synchro::start_audio_inputs());
}

void run_show_cycle() {
    do {
        STEP(ui::show_hardware_check());
        STEP(init_show());
        STEP(ui::draw_main_screen());
        STEP(refresh_after_start());
        STEP(run_main_loop());
        STEP(free_fixture_tables());
        STEP(free_show_records());
    } while (restart_requested != 0);
}

}  // namespace

void console_main(const char* program_path) {
    start_up(program_path);
    run_show_cycle();
    end_program();
}

void end_program() {
    STEP(synchro::stop_audio_inputs());
    STEP(shutdown_hardware());
    STEP(free_tables());
    datafiles::free_figure_drawings();  // kept for the whole run
    STEP(ui::free_screen_images());
    STEP(synchro::free_timecode_list());
    STEP(synchro::free_dos_buffer(synchro::cd_state.buffer_selector));
    STEP(ui::close_graphics());
    STEP(remove_keyboard_isr());  // the exit routine of the keyboard handler
    platform::exit_program(1);
}

void init_show() {
    show_speed = 100;
    STEP(shutdown_hardware());
    STEP(init_console_state());
    STEP(clear_console_state_flags());
    STEP(init_programmer_settings());
    STEP(set_screen_layout());
    STEP(reset_show_tables());
    STEP(datafiles::load_all_data());
    STEP(init_fixture_tables());
    STEP(load_reset_commands());
    STEP(datafiles::load_default_values_step());
    STEP(datafiles::load_transp_file());
    STEP(datafiles::load_soft_file());
    STEP(datafiles::load_midi_show_file());
    STEP(datafiles::build_library_index());
    STEP(datafiles::optimize_data_at_start());
    STEP(init_wheel_last_values());
    STEP(reset_wheel_states());
    STEP(init_master_fader_widgets());
    STEP(init_playback_fader_widgets());
    STEP(init_sequence_records());
    STEP(synchro::rebuild_midi_cue_table());
    STEP(upload_channel_tables());
    STEP(programmer::reset_slave_triggers());
    STEP(init_timers());
    programmer::fan_shape = 1;
    programmer::clear_macro_states();
    const uint16_t follow = datafiles::transp_show_default;
    mode_flags = (mode_flags & ~MODE_AUTO_PLAYBACKS) | ((follow & 1u) != 0 ? MODE_AUTO_PLAYBACKS : 0);
    mode_flags = (mode_flags & ~MODE_AUTO_SEQUENCES) | (((follow >> 8) & 1u) != 0 ? MODE_AUTO_SEQUENCES : 0);
    show_speed = 100;
    STEP(memories::recall_memory(1, 0));
    if ((mode_flags & MODE_CUE_TIMING) != 0) STEP(playback::reset_cue_fades());
    STEP(playback::go_to_cue(1, 0, 0));
    STEP(playback::scan_playback_faders(0));
    STEP(memories::update_masters(0));
    restart_requested = 0;
}

void shutdown_hardware() {
    stop_wing_tone();
    reset_led_rings();
    flush_key_buffers();
    for (uint8_t led = 1; led <= kKeyboardLeds; ++led) set_keyboard_leds(led, 0);
    synchro::reset_midi_input();
    if (hw_option_flags.displays != 0) init_console_displays();
    if (hw_option_flags.sequence_belts != 0) {
        for (int belt = 1; belt <= kSequenceBelts; ++belt) {
            write_sequence_belt(static_cast<int16_t>(belt), 0, 0);
            write_sequence_belt(static_cast<int16_t>(belt), 1, 0);
        }
    }
    if (hw_option_flags.function_belts != 0) {
        for (int belt = 1; belt <= kFunctionBelts; ++belt) {
            write_function_belt(static_cast<int16_t>(belt), 0, 0);
            write_function_belt(static_cast<int16_t>(belt), 1, 0);
        }
    }
}

void refresh_after_start() {
    const setup::ConsoleStartupSettings& settings = setup::console_startup_settings;
    if (settings.mode == 1) {
        option_flags |= OPT_OUTPUT_VALUES_VIEW;
        playback::refresh_cue_mode();
    }
    // "VIEWMODE" 1 "TEXT" and 2 "VALUES" open their panel (value + 1); 0
    // "STAGE" and a value the setup file should not hold leave it as it is.
    switch (settings.view_mode) {
        case 1: STEP(ui::set_panel_mode(2)); break;
        case 2: STEP(ui::set_panel_mode(3)); break;
        default: break;
    }
    for (int s = 0; s < 4; ++s) {
        if (settings.sequences[static_cast<size_t>(s)] == 1) playback::toggle_sequence_run(static_cast<int16_t>(s + 1), 1);
    }
    if (settings.cue_fading == 1) ui::toggle_cue_mode();
    if (settings.values == 1) mode_flags |= MODE_PERCENT;
    if (settings.timecode_play == 1) queue_timecode_play_presses();
    datafiles::show_load_reports();
}

// The show records and derived tables belong to the subsystems that fill
// them; each frees its own as it is built.
void free_fixture_tables() {}

void free_show_records() {
    datafiles::free_memory_items();
    datafiles::free_memcue_items();
    playback::free_cue_records();
    datafiles::free_preset_tables();
    datafiles::free_threshold_tables();
    datafiles::free_default_values();
    datafiles::free_symbol_drawings();
    datafiles::free_fixture_type_defs();
    ui::free_panel_images();
    programmer::free_fixture_page_images();
    programmer::free_preview_images();
}

}  // namespace runtime
