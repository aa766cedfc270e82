#include "memories/memory_store.h"

#include <algorithm>
#include <cstring>

#include "datafiles/memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_list.h"
#include "memories/memory_names.h"
#include "memories/presets.h"
#include "playback/playback_jobs.h"
#include "programmer/channel_generators.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "sync/midi_events.h"
#include "sync/sync_services.h"
#include "sync/timecode_record.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"
#include "ui/panels.h"
#include "ui/value_table.h"

namespace memories {

uint8_t quick_store_block_playbacks() { return setup::setup_data.u8(setup::kSetupQuickStorePlaybacks); }
uint8_t quick_store_block_sequences() { return setup::setup_data.u8(setup::kSetupQuickStoreSequences); }
uint8_t ask_memory_name() { return setup::setup_data.u8(setup::kSetupAskMemoryName); }

namespace {

constexpr size_t kGeneratorParams = runtime::kGeneratorBytesPerRecord;
constexpr size_t kFigureParams = runtime::kFigureBytesPerFixture;
constexpr size_t kTimeSlots = runtime::kTimeSlotsPerRecord;
constexpr uint16_t kNotSet = runtime::kValueNotSet;
constexpr uint8_t kByteNotSet = runtime::kByteNotSet;
constexpr int kFirstValueReference = 1001;
constexpr int kFirstEffectReference = 181;
constexpr int kLastEffectReference = 250;
constexpr int kMemoriesPerBlock = 500;
constexpr int kLastQuickStoreBlock = kMemories / kMemoriesPerBlock;

size_t at(int n) { return static_cast<size_t>(n); }
bool valid_memory(int m) { return m >= 1 && m <= kMemories; }
size_t records() { return at(std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords))); }
size_t fixtures() { return at(std::clamp<int>(setup::fixture_count, 0, static_cast<int>(runtime::kShowFixtures))); }

bool list_shown() { return (runtime::option_flags & runtime::OPT_MEMORY_LIST) != 0; }

// Waits for ESC or ENTER with both keys' LEDs blinking; true for ENTER.
bool ask_enter_or_esc() {
    const uint8_t esc_led = runtime::key_led_cache[at(runtime::KEY_ESC)];
    const uint8_t enter_led = runtime::key_led_cache[at(runtime::KEY_ENTER)];
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    ui::beep_interruptible(400, 250);
    int16_t key = 0;
    bool enter = false;
    for (;;) {
        key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == runtime::KEY_ESC) break;
        if (key == runtime::KEY_ENTER) {
            enter = true;
            break;
        }
    }
    runtime::set_key_led(runtime::KEY_ESC, esc_led);
    runtime::set_key_led(runtime::KEY_ENTER, enter_led);
    return enter;
}

bool fixture_selected(int fixture) {
    return fixture >= 1 && fixture <= programmer::kFixtures && programmer::fixture_selected[at(fixture)] == 1;
}

bool programmer_ready() {
    return runtime::programmer_values != nullptr && runtime::programmer_generators != nullptr &&
           runtime::programmer_figures != nullptr && runtime::programmer_times != nullptr &&
           runtime::programmer_time_set != nullptr && runtime::function_record_table != nullptr;
}

}  // namespace

uint16_t resolve_recalled_value(size_t record, uint16_t v) {
    if (v == kNotSet || v < kFirstValueReference) return v;
    const int preset = v - (kFirstValueReference - 1);
    if (preset > kValuePresets || record > static_cast<size_t>(kPresetFunctionRecords)) return kNotSet;
    const uint16_t* table = value_preset_table[at(preset)];
    return table != nullptr ? table[record] : kNotSet;
}

void mark_live_edit(uint16_t& flags, int fixture) {
    const bool live = (runtime::run_flags & runtime::RUN_BLIND) == 0 && (runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0;
    if (live && fixture_selected(fixture)) flags |= runtime::FLAG_MANUAL;
}

size_t gather_memory_items(MemoryItem* list, const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                           const uint16_t* times, const uint8_t* time_set) {
    size_t n = 0;
    auto add = [&](size_t kind, size_t index, uint16_t value) {
        if (list != nullptr) list[n] = MemoryItem{static_cast<uint8_t>(kind), static_cast<uint16_t>(index), value};
        ++n;
    };
    for (size_t r = 1; values != nullptr && r <= records(); ++r) {
        if (values[r] != kNotSet) add(0, r, values[r]);
    }
    for (size_t i = 1; generators != nullptr && i <= records() * kGeneratorParams; ++i) {
        if (generators[i] != runtime::kByteNotSet) add(10 * ((i - 1) % kGeneratorParams + 1), (i - 1) / kGeneratorParams + 1, generators[i]);
    }
    for (size_t i = 1; figures != nullptr && i <= fixtures() * kFigureParams; ++i) {
        if (figures[i] != runtime::kByteNotSet) add(100 + 10 * ((i - 1) % kFigureParams), (i - 1) / kFigureParams + 1, figures[i]);
    }
    for (size_t i = 1; times != nullptr && time_set != nullptr && i <= records() * kTimeSlots; ++i) {
        if (time_set[i] == 1) add(201 + (i - 1) % kTimeSlots, (i - 1) / kTimeSlots + 1, times[i]);
    }
    return n;
}

void take_work_buffers_into_programmer() {
    const ui::MemoryWorkBuffers& b = ui::memory_work_buffers;
    const size_t n = runtime::kShowRecords + 1;
    if (b.values != nullptr) std::copy_n(b.values, n, runtime::programmer_values);
    else std::fill_n(runtime::programmer_values, n, kNotSet);
    if (b.generators != nullptr) std::copy_n(b.generators, runtime::kShowGeneratorBytes + 1, runtime::programmer_generators);
    else std::fill_n(runtime::programmer_generators, runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
    if (b.figures != nullptr) std::copy_n(b.figures, runtime::kShowFigureBytes + 1, runtime::programmer_figures);
    else std::fill_n(runtime::programmer_figures, runtime::kShowFigureBytes + 1, runtime::kByteNotSet);
    for (size_t i = 1; i <= runtime::kShowTimeSlots; ++i) {
        runtime::programmer_times[i] = b.times != nullptr ? b.times[i] : ui::default_times[(i - 1) % 5 + 1];
        runtime::programmer_time_set[i] = b.time_flags != nullptr ? b.time_flags[i] : 0;
    }
}

void send_programmer_to_stage() {
    for (size_t r = 1; r <= records(); ++r) {
        const uint16_t v = resolve_recalled_value(r, runtime::programmer_values[r]);
        if (v == kNotSet) continue;
        mark_live_edit(runtime::channel_flags[r], runtime::function_record_table[r].fixture);
        programmer::set_function_value(static_cast<int16_t>(r), v);
    }
    for (size_t i = 1; i <= records() * kGeneratorParams; ++i) {
        const uint8_t v = resolve_generator_reference(static_cast<int>(i), runtime::programmer_generators[i]);
        if (v == runtime::kByteNotSet) continue;
        mark_live_edit(runtime::generator_flags[i], runtime::function_record_table[(i - 1) / kGeneratorParams + 1].fixture);
        programmer::set_generator_param(static_cast<int16_t>(i), v);
    }
    for (size_t i = 1; i <= fixtures() * kFigureParams; ++i) {
        const uint8_t v = resolve_figure_reference(static_cast<int>(i), runtime::programmer_figures[i]);
        if (v == runtime::kByteNotSet) continue;
        mark_live_edit(runtime::figure_flags[i], static_cast<int>((i - 1) / kFigureParams + 1));
        programmer::set_figure_param(static_cast<int16_t>(i), v);
    }
}

bool pack_memory(int16_t memory, const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                 const uint16_t* times, const uint8_t* time_set) {
    if (!valid_memory(memory)) return false;
    const size_t n = gather_memory_items(nullptr, values, generators, figures, times, time_set);
    MemoryItem* list = nullptr;
    if (n > 0) {
        list = static_cast<MemoryItem*>(runtime::show_table_allocator(n * sizeof(MemoryItem), __FILE__, __LINE__));
        if (list == nullptr) {
            ui::show_message("NOT ENOUGH MEMORY");
            ui::beep_interruptible(400, 2000);
            return false;
        }
        gather_memory_items(list, values, generators, figures, times, time_set);
    }
    MemoryItem*& items = memory_items[at(memory)];
    if (items != nullptr) memcheck::mc_free_at(items, __FILE__, __LINE__);
    items = list;
    memory_index[at(memory)].count = static_cast<int32_t>(n);
    uint8_t& used = memory_used[at(memory)];
    if (used == 1 && memory_used_count > 0) --memory_used_count;
    used = n > 0 ? 1 : 0;
    if (used == 1) ++memory_used_count;
    ui::draw_free_memory_count(static_cast<int16_t>(kMemories - memory_used_count));
    datafiles::save_memory_record(memory);
    playback::reload_playbacks_for_memory(memory);
    return true;
}

bool confirm_replace_memory() {
    ui::show_message("REPLACE MEMORY:ENTER=Y ESC=N");
    const bool enter = ask_enter_or_esc();
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_OFF);
    return enter;
}

bool store_memory_confirmed(int16_t memory) {
    if (!valid_memory(memory) || !programmer_ready()) return false;
    if (memory_used[at(memory)] == 1) {
        ui::show_message("REPLACE MEMORY %d : ENTER=Y ESC=N", memory);
        if (!ask_enter_or_esc()) return false;
    }
    ui::show_message("WRITING MEMORY TO DISK...");
    pack_memory(memory, runtime::programmer_values, runtime::programmer_generators, runtime::programmer_figures,
                runtime::programmer_times, runtime::programmer_time_set);
    auto& name = memory_index[at(memory)].name;
    if (memory_used[at(memory)] == 0 && name[0] != '\0') {
        name.fill('\0');
        if (list_shown() && memory_list_page_of(memory) == memory_list_page) {
            draw_memory_list_cell(memory, kListCellBackground, kListCellText);
        }
        datafiles::save_memory_name(memory);
    }
    if (ask_memory_name() == 1 && memory_used[at(memory)] == 1 && name[0] == '\0') {
        const int16_t former = current_memory;
        current_memory = memory;
        edit_memory_name(memory);
        current_memory = former;
    }
    return true;
}

int16_t find_quick_store_memory(uint8_t block) {
    const int b = block >= 1 && block <= kLastQuickStoreBlock ? block : 1;
    const int start = kMemoriesPerBlock * b - (kMemoriesPerBlock - 1);
    for (int m = start; m <= kMemories; ++m) {
        if (memory_used[at(m)] == 0) return static_cast<int16_t>(m);
    }
    for (int m = 1; m < start; ++m) {
        if (memory_used[at(m)] == 0) return static_cast<int16_t>(m);
    }
    return 0;
}

void make_current_memory(int16_t memory) {
    if (!valid_memory(memory)) return;
    const int16_t former = current_memory;
    current_memory = memory;
    update_memory_list_page();
    mark_current_memory(former, memory);
    programmer_from_cue = 0;
}

void store_to_next_memory() {
    if (programmer_from_cue != 0) {
        ui::show_message("NO SAVE TO NEXT CUEMEM");
        ui::beep_interruptible(400, 2000);
        return;
    }
    runtime::run_flags |= runtime::RUN_MEMORY_COMMAND;
    runtime::set_key_led(runtime::KEY_STORE_NEXT, runtime::LED_ON);
    const auto next = static_cast<int16_t>(current_memory + 1);
    if (valid_memory(next) && store_memory_confirmed(next)) make_current_memory(next);
    programmer_from_cue = 0;
    ui::redraw_cue_panel();
    ui::redraw_memory_panel();
    runtime::set_key_led(runtime::KEY_STORE_NEXT, runtime::LED_OFF);
    runtime::run_flags &= ~runtime::RUN_MEMORY_COMMAND;
}

void show_recalled_programmer() {
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0) return;
    programmer::refresh_faders();
    ui::draw_table_cells();
}

void recall_memory(int16_t memory, uint8_t record) {
    if (!valid_memory(memory) || !programmer_ready()) return;
    const int16_t former = current_memory;
    const bool keep_current = (runtime::run_flags & runtime::RUN_TEXT_EDIT) != 0 ||
                              (synchro::timecode_mode == 2 && record == 0);
    if (!keep_current) current_memory = memory;
    if (record != 0) synchro::record_memory_event(current_memory);
    ui::unpack_memory(memory);
    take_work_buffers_into_programmer();
    send_programmer_to_stage();
    if (current_memory != former) {
        update_memory_list_page();
        mark_current_memory(former, current_memory);
        programmer::update_fixture_key_leds();
        if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) == 0) ui::redraw_memory_panel();
    }
    // The programmer was replaced whole, also when the same memory came back.
    show_recalled_programmer();
}

void recall_next_memory() {
    runtime::set_key_led(runtime::KEY_NEXT, runtime::LED_ON);
    for (int m = current_memory + 1; m <= kMemories; ++m) {
        if (m >= 1 && memory_used[at(m)] == 1) {
            recall_memory(static_cast<int16_t>(m), 1);
            break;
        }
    }
    programmer_from_cue = 0;
    runtime::set_key_led(runtime::KEY_NEXT, runtime::LED_OFF);
}

void recall_previous_memory() {
    runtime::set_key_led(runtime::KEY_LAST, runtime::LED_ON);
    for (int m = std::min<int>(current_memory - 1, kMemories); m >= 1; --m) {
        if (memory_used[at(m)] == 1) {
            recall_memory(static_cast<int16_t>(m), 1);
            break;
        }
    }
    programmer_from_cue = 0;
    runtime::set_key_led(runtime::KEY_LAST, runtime::LED_OFF);
}

}  // namespace memories
