#include "rig/clean_start.h"

#include "datafiles/commands.h"
#include "datafiles/cue_files.h"
#include "datafiles/data_files.h"
#include "datafiles/default_values.h"
#include "datafiles/definition_files.h"
#include "datafiles/group_files.h"
#include "datafiles/library_files.h"
#include "datafiles/load_report.h"
#include "datafiles/memory_file.h"
#include "datafiles/name_browser.h"
#include "datafiles/old_formats.h"
#include "datafiles/preset_file.h"
#include "datafiles/setup_file.h"
#include "datafiles/show_files.h"
#include "datafiles/small_tables.h"
#include "datafiles/threshold_file.h"
#include "datafiles/warning_bar.h"
#include "memcheck/blocks.h"
#include "memcheck/copy_checks.h"
#include "memcheck/exceptions.h"
#include "memcheck/log.h"
#include "memcheck/run_state.h"
#include "memcheck/settings.h"
#include "memcheck/stack_trace.h"
#include "memories/master_faders.h"
#include "memories/master_state.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_list.h"
#include "memories/memory_store.h"
#include "memories/preset_channel_setup.h"
#include "memories/preset_grid.h"
#include "memories/presets.h"
#include "memories/submaster_cells.h"
#include "memories/thresholds.h"
#include "playback/cue_editing.h"
#include "memories/submaster_editor.h"
#include "playback/cue_picker.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "memories/memory_editors.h"
#include "memories/cue_memories.h"
#include "memories/copy_command.h"
#include "playback/key_groups.h"
#include "playback/output_merge.h"
#include "playback/playback_faders.h"
#include "playback/playback_flash.h"
#include "playback/playback_labels.h"
#include "playback/playback_loading.h"
#include "playback/playback_state.h"
#include "playback/playback_wing.h"
#include "playback/program_playback.h"
#include "playback/sequence_controls.h"
#include "playback/sequence_engine.h"
#include "playback/live_layer.h"
#include "playback/cue_fades.h"
#include "playback/cue_tracking.h"
#include "playback/sequence_programming.h"
#include "playback/sequence_commands.h"
#include "playback/pointcue_programming.h"
#include "playback/program_pointcue.h"
#include "playback/link_dialogs.h"
#include "programmer/attribute_delta.h"
#include "programmer/channel_generators.h"
#include "programmer/commands.h"
#include "programmer/dimmer_command.h"
#include "programmer/effect_panels.h"
#include "programmer/effect_macros.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/default_values_screen.h"
#include "programmer/groupings.h"
#include "programmer/lamp_control.h"
#include "programmer/function_belts.h"
#include "programmer/function_timings.h"
#include "programmer/library_values.h"
#include "programmer/macro_panel.h"
#include "programmer/park_tables.h"
#include "programmer/programmer_jobs.h"
#include "programmer/slave_consoles.h"
#include "programmer/value_mapping.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/dpmi_services.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/keyboard_isr.h"
#include "runtime/lamp_commands.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/show_tables.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "setup/dmx_inputs.h"
#include "setup/fixture_type.h"
#include "setup/global_settings.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/soft_patch.h"
#include "setup/address_list.h"
#include "setup/patch_conflicts.h"
#include "setup/setup_loop.h"
#include "setup/stage_plan.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"
#include "setup/rig_conversion.h"
#include "setup/multipatch_editor.h"
#include "setup/setup_reports.h"
#include "setup/stage_printing.h"
#include "setup/fixture_upload.h"
#include "sync/audio_bands.h"
#include "sync/midi_editors.h"
#include "sync/midi_events.h"
#include "sync/midi_input.h"
#include "sync/midi_output.h"
#include "sync/sync_services.h"
#include "sync/list_open.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_edit.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"
#include "sync/timecode_record.h"
#include "sync/timecode_table.h"
#include "sync/cd_keys.h"
#include "sync/cd_requests.h"
#include "sync/timecode_display.h"
#include "sync/commands.h"
#include "ui/bitmap_fonts.h"
#include "ui/cue_selection.h"
#include "ui/edit_keys.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"
#include "ui/mode_keys.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/value_table.h"

#if __has_include("hwtest/test_menu.h")
#include "hwtest/auto_test.h"
#include "hwtest/card_scan.h"
#include "hwtest/cdrom_test.h"
#include "hwtest/storage_tests.h"
#include "hwtest/test_menu.h"
#define BRAVINOX_RIG_HWTEST 1
#endif

namespace rig {

void reset_global_state() {
    // The modules that hold blocks first: they go back through the memory
    // checker, whose own state is reset last. A conversion left pending puts
    // the show tables it replaced back first, so that the others free them.
    setup::reset_rig_conversion_globals();
    runtime::reset_show_tables_globals();
    runtime::reset_lamp_commands_globals();
    datafiles::reset_default_values_globals();
    datafiles::reset_memory_file_globals();
    datafiles::reset_old_formats_globals();
    datafiles::reset_preset_file_globals();
    datafiles::reset_threshold_file_globals();
    datafiles::reset_setup_file_globals();
    datafiles::reset_library_files_globals();
    ui::reset_bitmap_fonts_globals();
    ui::reset_main_screen_globals();
    ui::reset_panels_globals();
    memories::reset_memory_list_globals();

    // Subsystem 1: the runtime.
    runtime::reset_card_discovery_globals();
    runtime::reset_config_records_globals();
    runtime::reset_console_state_globals();
    runtime::reset_dpmi_services_globals();
    runtime::reset_fixture_tables_globals();
    runtime::reset_key_leds_globals();
    runtime::reset_key_reader_globals();
    runtime::reset_keyboard_isr_globals();
    runtime::reset_main_loop_globals();
    runtime::reset_mouse_input_globals();
    runtime::reset_startup_globals();
    runtime::reset_timers_globals();
    runtime::clear_step_log();

    // Subsystem 2: the user interface.
    ui::reset_cue_selection_globals();
    ui::reset_edit_keys_globals();
    ui::reset_fader_widget_globals();
    ui::reset_helpers_globals();
    ui::reset_memory_access_globals();
    ui::reset_message_line_globals();
    ui::reset_mode_keys_globals();
    ui::reset_panel_modes_globals();
ui::reset_value_table_globals();

    // Subsystem 3: the data files.
    datafiles::reset_commands_globals();
    datafiles::reset_cue_files_globals();
    datafiles::reset_data_files_globals();
    datafiles::reset_definition_files_globals();
    datafiles::reset_group_files_globals();
    datafiles::reset_name_browser_globals();
    datafiles::reset_show_files_globals();
    datafiles::reset_small_tables_globals();
    datafiles::reset_warning_bar_globals();
    datafiles::clear_load_reports();

    // Subsystems 4 to 8.
    programmer::reset_attribute_delta_globals();
    programmer::reset_channel_generators_globals();
    programmer::reset_commands_globals();
    programmer::reset_dimmer_command_globals();
    programmer::reset_effect_panels_globals();
    programmer::reset_effect_macros_globals();
    programmer::reset_fader_panel_globals();
    programmer::reset_fixture_groups_globals();
    programmer::reset_fixture_pages_globals();
    programmer::reset_function_belts_globals();
    programmer::reset_function_timings_globals();
    programmer::reset_library_values_globals();
    programmer::reset_macro_panel_globals();
    programmer::reset_fixture_selection_globals();
    programmer::reset_park_tables_globals();
    programmer::reset_lamp_control_globals();
    programmer::reset_groupings_globals();
    programmer::reset_default_values_screen_globals();
    programmer::reset_programmer_jobs_globals();
    programmer::reset_slave_consoles_globals();
    programmer::reset_value_mapping_globals();
    memories::reset_master_faders_globals();
    memories::reset_master_state_globals();
    memories::reset_memories_globals();
    memories::reset_memory_index_globals();
    memories::reset_presets_globals();
    memories::reset_preset_grid_globals();
    memories::reset_preset_channel_setup_globals();
    memories::reset_thresholds_globals();
    memories::reset_cue_memories_globals();
    memories::reset_copy_command_globals();
    memories::reset_submaster_cells_globals();
    playback::reset_cue_editing_globals();
    memories::reset_submaster_editor_globals();
    playback::reset_cue_tables_globals();
    playback::reset_cue_screen_globals();
    playback::reset_cue_picker_globals();
    playback::reset_key_groups_globals();
    playback::reset_output_merge_globals();
    playback::reset_playback_faders_globals();
    playback::reset_playback_state_globals();
    playback::reset_sequence_controls_globals();
    playback::reset_sequence_engine_globals();
    playback::reset_live_layer_globals();
    playback::reset_cue_fades_globals();
    playback::reset_cue_tracking_globals();
    playback::reset_sequence_programming_globals();
    playback::reset_sequence_commands_globals();
    playback::reset_pointcue_programming_globals();
    playback::reset_program_pointcue_globals();
    playback::reset_link_dialogs_globals();
    playback::reset_playback_wing_globals();
    playback::reset_playback_flash_globals();
    playback::reset_playback_labels_globals();
    playback::reset_playback_loading_globals();
    playback::reset_program_playback_globals();
    setup::reset_dmx_inputs_globals();
    setup::reset_fixture_type_globals();
    setup::reset_global_settings_globals();
    setup::reset_address_state_globals();
    setup::reset_library_list_globals();
    setup::reset_soft_patch_globals();
    setup::reset_address_list_globals();
    setup::reset_address_list_screen_globals();
    setup::reset_stage_plan_globals();
    setup::reset_patch_conflicts_globals();
    setup::reset_setup_loop_globals();
    setup::reset_patch_tables_globals();
    setup::reset_setup_data_globals();
    setup::reset_multipatch_editor_globals();
    setup::reset_setup_reports_globals();
    setup::reset_stage_printing_globals();
    setup::reset_fixture_upload_globals();
    synchro::reset_midi_events_globals();
    synchro::reset_sync_services_globals();
    synchro::reset_timecode_clock_globals();
    synchro::reset_timecode_lists_globals();
    synchro::reset_timecode_player_globals();
    synchro::reset_timecode_record_globals();
    synchro::reset_timecode_table_globals();
    synchro::reset_list_open_globals();
    synchro::reset_cd_requests_globals();
    synchro::reset_cd_keys_globals();
    synchro::reset_midi_input_globals();
    synchro::reset_midi_output_globals();
    synchro::reset_audio_bands_globals();
    synchro::reset_midi_editors_globals();
    synchro::reset_timecode_edit_globals();
    synchro::reset_timecode_display_globals();
    synchro::reset_timecode_screen_globals();

#ifdef BRAVINOX_RIG_HWTEST
    // Subsystem 9: quandrix.
    hwtest::reset_auto_test_globals();
    hwtest::reset_card_scan_globals();
    hwtest::reset_cdrom_test_globals();
    hwtest::reset_storage_tests_globals();
    hwtest::reset_test_menu_globals();
#endif

    // Subsystem 10: the memory checker, last. Its signal handlers go back
    // first, its log is closed, and the guarded blocks still outstanding go
    // back before its registry does.
    memcheck::reset_exceptions_globals();
    memcheck::reset_log_globals();
    memcheck::reset_blocks_globals();
    memcheck::reset_copy_checks_globals();
    memcheck::reset_run_state_globals();
    memcheck::reset_settings_globals();
    memcheck::reset_stack_trace_globals();
}

}  // namespace rig
