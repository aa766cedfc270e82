#include "memories/cue_memories.h"

#include <algorithm>

#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_editors.h"
#include "memories/memory_list.h"
#include "memories/memory_store.h"
#include "playback/cue_names.h"
#include "playback/cue_tables.h"
#include "playback/pointcue_programming.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/value_table.h"

namespace memories {

datafiles::MemoryItem* pack_buffer = nullptr;
int32_t pack_count = 0;

void reset_cue_memories_globals() {
    if (pack_buffer != nullptr) memcheck::mc_free_at(pack_buffer, __FILE__, __LINE__);
    pack_buffer = nullptr;
    pack_count = 0;
}

namespace {

constexpr uint8_t kCueMemoryPanel = 3;
constexpr int32_t kQuestionBeepHz = 400;
constexpr uint32_t kQuestionBeep_ms = 250;
constexpr int32_t kNothingFoundBeepHz = 400;
constexpr uint32_t kNothingFoundBeep_ms = 800;
constexpr int32_t kErrorBeepHz = 400;
constexpr uint32_t kErrorBeep_ms = 2000;

size_t at(int n) { return static_cast<size_t>(n); }
bool flag(uint32_t word, uint32_t bit) { return (word & bit) != 0; }
bool cue_panel_shown() { return flag(runtime::option_flags, runtime::OPT_CUE_PANEL); }
bool cue_screen_shown() { return flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN); }
bool faders_show_defaults() { return flag(runtime::option_flags, runtime::OPT_OUTPUT_VALUES_VIEW); }

bool programmer_ready() {
    return runtime::programmer_values != nullptr && runtime::programmer_generators != nullptr &&
           runtime::programmer_figures != nullptr && runtime::programmer_times != nullptr &&
           runtime::programmer_time_set != nullptr && runtime::function_record_table != nullptr;
}

void not_enough_memory() {
    ui::show_message("NOT ENOUGH MEMORY");
    ui::beep(kErrorBeepHz, kErrorBeep_ms);
}

void draw_shown_cue_label() {
    ui::draw_current_memory_label(current_memory, programmer_cue_page, programmer_cue_number, programmer_cue_point,
                                  programmer_cue_memory);
}

void refresh_faders_and_table() {
    if (faders_show_defaults()) return;
    programmer::refresh_faders();
    ui::refresh_table_view();
}

// The programmer blanked: nothing set, the times at the defaults, no flags.
// Nothing goes to the setters, so the stage keeps its output.
void blank_programmer() {
    std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
    std::fill_n(runtime::programmer_generators, runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
    std::fill_n(runtime::programmer_figures, runtime::kShowFigureBytes + 1, runtime::kByteNotSet);
    for (size_t i = 1; i <= runtime::kShowTimeSlots; ++i) {
        runtime::programmer_times[i] = ui::default_times[(i - 1) % ui::kTimeKinds + 1];
        runtime::programmer_time_set[i] = 0;
    }
}

// A slot that browsing stops at: programmed, with a point cue in use.
bool has_cue_memory(int slot) {
    return playback::valid_cue_slot(slot) && playback::cue_header_table[at(slot)].programmed == 1 &&
           playback::programmed_pointcue(slot) != nullptr;
}

int shown_slot() { return playback::cue_slot_of(programmer_cue_page, programmer_cue_number, programmer_cue_point); }

void show_found_slot(int slot) {
    recall_cue_memory(static_cast<int16_t>(playback::cue_slot_cue(slot)),
                      static_cast<int16_t>(playback::cue_slot_point(slot)),
                      static_cast<int16_t>(playback::cue_slot_page(slot)));
    if (cue_screen_shown()) programmer::set_fixture_page(runtime::fixture_page);
    ui::set_panel_mode(kCueMemoryPanel);
    if (cue_panel_shown()) draw_shown_cue_label();
}

// Waits for ESC or ENTER with both LEDs blinking (every other key is
// ignored) and gives the LEDs back; true for ENTER.
bool ask_enter_or_esc() {
    const uint8_t esc_led = runtime::key_led_cache[at(runtime::KEY_ESC)];
    const uint8_t enter_led = runtime::key_led_cache[at(runtime::KEY_ENTER)];
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    ui::beep_interruptible(kQuestionBeepHz, kQuestionBeep_ms);
    bool enter = false;
    for (;;) {
        while (!runtime::is_input_pending()) runtime::run_background();
        int16_t key = 0;
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

}  // namespace

bool pack_cue_work_buffer(const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                          const uint16_t* times, const uint8_t* time_flags) {
    free_cue_work_buffer();
    const size_t n = gather_memory_items(nullptr, values, generators, figures, times, time_flags);
    if (n == 0) return true;
    auto* list = static_cast<datafiles::MemoryItem*>(
        runtime::show_table_allocator(n * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
    if (list == nullptr) {
        not_enough_memory();
        return false;
    }
    gather_memory_items(list, values, generators, figures, times, time_flags);
    pack_buffer = list;
    pack_count = static_cast<int32_t>(n);
    return true;
}

bool pack_cue_work_buffer() {
    if (!programmer_ready()) {
        free_cue_work_buffer();
        return false;
    }
    return pack_cue_work_buffer(runtime::programmer_values, runtime::programmer_generators, runtime::programmer_figures,
                                runtime::programmer_times, runtime::programmer_time_set);
}

void free_cue_work_buffer() {
    if (pack_buffer != nullptr) memcheck::mc_free_at(pack_buffer, __FILE__, __LINE__);
    pack_buffer = nullptr;
    pack_count = 0;
}

void load_cue_work_buffer(int16_t cue_memory) {
    free_cue_work_buffer();
    if (cue_memory < 1 || cue_memory > datafiles::kCueMemories) return;
    const int32_t count = datafiles::memcue_index[at(cue_memory)].count;
    const datafiles::MemoryItem* items = datafiles::memcue_items[at(cue_memory)];
    if (count <= 0 || items == nullptr) return;
    auto* list = static_cast<datafiles::MemoryItem*>(
        runtime::show_table_allocator(at(count) * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
    if (list == nullptr) {
        not_enough_memory();
        return;
    }
    std::copy_n(items, count, list);
    pack_buffer = list;
    pack_count = count;
}

void recall_cue_memory(int16_t cue, int16_t point, int16_t page) {
    const int slot = playback::cue_slot_of(page, cue, point);
    if (!playback::valid_cue_slot(slot) || cue < 1 || cue > playback::kCuesPerPage || point < 1 ||
        point > playback::kPointsPerCue || !programmer_ready()) {
        return;
    }
    programmer_cue_page = page;
    programmer_cue_point = point;
    programmer_cue_number = cue;
    programmer_from_cue = 1;
    programmer_cue_memory = -1;
    if (cue_panel_shown()) draw_shown_cue_label();

    const playback::PointcueRecord* record = playback::programmed_pointcue(slot);
    if (record == nullptr) {
        blank_programmer();
        refresh_faders_and_table();
        if (flag(runtime::option_flags, runtime::OPT_MEMORY_STATE_SHOWN)) ui::show_message("CUEMEMORY EMPTY");
        return;
    }
    programmer_cue_memory = record->point_memory;
    if (cue_panel_shown()) draw_shown_cue_label();
    ui::unpack_cue_memory(record->point_memory, static_cast<int16_t>(slot), 0);
    take_work_buffers_into_programmer();
    send_programmer_to_stage();

    update_memory_list_page();
    programmer::update_fixture_key_leds();
    if (!cue_screen_shown()) ui::redraw_memory_panel();
    refresh_faders_and_table();
}

void store_into_cue_memory() {
    const int16_t page = programmer_cue_page;
    const int16_t cue = programmer_cue_number;
    const int16_t point = programmer_cue_point;
    const int slot = playback::cue_slot_of(page, cue, point);
    if (!playback::valid_cue_slot(slot)) return;

    if (programmer_cue_memory == -1) {
        pack_cue_work_buffer();
        playback::program_pointcue(1, cue, point, page);
        if (playback::cue_header_table[at(slot)].programmed == 1 && ask_cue_name() == 1 &&
            playback::cue_slot_name(slot).empty()) {
            playback::edit_cue_name(cue, point, page);
        }
        programmer::set_fixture_page(runtime::fixture_page);
        return;
    }

    if (point == 1) ui::show_message("REPLACE CUE %d.%d : ENTER=Y ESC=N", page, cue);
    else ui::show_message("REPLACE CUE %d.%d.%d : ENTER=Y ESC=N", page, cue, point - 1);
    if (!ask_enter_or_esc()) return;
    // A pack that ran out of memory would store an empty buffer, which frees
    // the cue memory: the cue keeps what it had instead.
    if (!pack_cue_work_buffer()) return;
    playback::store_pointcue_with_defaults(cue, point, page);
}

void show_next_cue_memory() {
    int from = shown_slot() + 1;
    if (from < 1) {
        programmer_cue_page = 1;
        programmer_cue_number = 1;
        programmer_cue_point = 0;
        from = 1;
    }
    for (int slot = from; slot <= playback::kCueSlots; ++slot) {
        if (has_cue_memory(slot)) {
            show_found_slot(slot);
            return;
        }
    }
    ui::beep(kNothingFoundBeepHz, kNothingFoundBeep_ms);
}

void show_previous_cue_memory() {
    for (int slot = std::min(shown_slot() - 1, playback::kCueSlots); slot >= 1; --slot) {
        if (has_cue_memory(slot)) {
            show_found_slot(slot);
            return;
        }
    }
    ui::beep(kNothingFoundBeepHz, kNothingFoundBeep_ms);
}

void show_current_cue_memory() {
    const int slot = playback::current_cue_slot();
    if (has_cue_memory(slot)) {
        show_found_slot(slot);
        return;
    }
    ui::show_message("NO CUEMEMORY FOR THIS CUE");
    ui::beep(kNothingFoundBeepHz, kNothingFoundBeep_ms);
    ui::redraw_memory_panel();
}

}  // namespace memories
