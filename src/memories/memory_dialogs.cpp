// The operator's memory dialogs: TO-MEM (store, with its quick store onto a
// playback or sequence key) and GET (recall by number, by browsing or from a
// playback key). Both keys are held: what happens while the key is down
// chooses the target; released alone, they ask for a memory number.
#include <array>
#include <cstdio>

#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_editors.h"
#include "memories/cue_memories.h"
#include "memories/memory_index.h"
#include "memories/memory_list.h"
#include "memories/memory_store.h"
#include "playback/commands.h"
#include "playback/cue_editing.h"
#include "playback/playback_jobs.h"
#include "playback/playback_state.h"
#include "programmer/fixture_pages.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "sync/sync_services.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace memories {

namespace {

using runtime::set_key_led;

constexpr int kFlashKeys = playback::kPlaybacks;  // 42
constexpr int kSequenceKeys = playback::kSequences;  // A..D
constexpr int16_t kMemoryDigits = 4;
constexpr uint8_t kSequenceShownModeBase = 4;  // display_mode 4 + s shows sequence s
constexpr uint8_t kSequenceRunState = 0x03;

// The prompt box in the memory panel's place: a title strip and an entry field.
constexpr int16_t kPromptLeft = 2, kPromptTop = 282, kPromptRight = 220, kPromptBottom = 314;
constexpr int16_t kFieldTop = 299, kFieldBottom = 313;
constexpr int16_t kFieldX = 90, kFieldY = 302;
constexpr uint8_t kFieldBackground = 4, kFieldForeground = 14;

bool key_held(int16_t key) { return runtime::key_down_table[static_cast<size_t>(key)] != 0; }
bool cue_screen_shown() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
bool timecode_idle() { return synchro::timecode_mode == 0; }
bool valid_memory(int m) { return m >= 1 && m <= kMemories; }

void set_cue_led() { set_key_led(runtime::KEY_CUE, cue_screen_shown() ? runtime::LED_ON : runtime::LED_OFF); }

void draw_prompt_box(const char* title) {
    ui::fill_box(kPromptLeft, kPromptTop, kPromptRight, kPromptBottom, 7);
    ui::fill_box(3, 283, 219, 297, 2);
    ui::draw_bitmap_text(13, 286, kFieldForeground, title);
    ui::fill_box(3, kFieldTop, 219, kFieldBottom, kFieldBackground);
}

void clear_entry_field() { ui::fill_box(3, kFieldTop, 219, kFieldBottom, kFieldBackground); }

void write_entry_field(int16_t memory) {
    clear_entry_field();
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%d", memory);
    ui::draw_bitmap_text(kFieldX, kFieldY, kFieldForeground, text.data());
}

int16_t read_memory_number() {
    return ui::edit_memory_number(-1, kFieldX, kFieldY, kMemoryDigits, kFieldBackground, kFieldForeground, 0);
}

void redraw_label_when_cue_panel() {
    if ((runtime::option_flags & runtime::OPT_CUE_PANEL) != 0) ui::draw_current_memory_panel();
}

// The current memory := m after a store or pick, out of cue-memory mode.
void take_as_current(int16_t memory) {
    make_current_memory(memory);
    programmer_from_cue = 0;
    redraw_label_when_cue_panel();
}

// The screen shown when the dialog began comes back.
void give_back_screen(bool cue_screen_before) {
    if (cue_screen_shown() == cue_screen_before) return;
    if (cue_screen_before) playback::refresh_cue_mode();
    else programmer::set_fixture_page(runtime::fixture_page);
}

void restore_sequence_leds() {
    for (int s = 1; s <= kSequenceKeys; ++s) {
        const bool running = (playback::sequence_table[static_cast<size_t>(s)].mode & kSequenceRunState) != 0;
        set_key_led(static_cast<int16_t>(runtime::KEY_SEQUENCE_A + s - 1), running ? runtime::LED_ON : runtime::LED_OFF);
    }
    const int shown = runtime::display_mode - kSequenceShownModeBase;
    if (shown >= 1 && shown <= kSequenceKeys) {
        set_key_led(static_cast<int16_t>(runtime::KEY_SEQUENCE_A + shown - 1), runtime::LED_ON_2);
    }
}

// Reads one key while the dialog's key is held, keeping the show running.
// True with *key set when a key was pressed.
bool read_key_while_held(int16_t held, int16_t* key) {
    *key = 0;
    if (!runtime::is_input_pending()) {
        runtime::run_background();
        return false;
    }
    const bool pressed = runtime::get_key(key);
    return pressed && *key != held;
}

// ------------------------------------------------------------------ TO-MEM

enum class StoreTarget : uint8_t { none, cue, sequence, playback };

struct StoreChoice {
    StoreTarget target = StoreTarget::none;
    int number = 0;  // sequence 1..4 or playback 1..42
};

// While TO-MEM is held: CUE, a sequence key or a flash key pressed now chooses
// the target. A flash key already down when TO-MEM went down counts only once
// released and pressed again.
StoreChoice choose_store_target() {
    std::array<uint8_t, kFlashKeys + 1> was_down{};
    for (int p = 1; p <= kFlashKeys; ++p) {
        was_down[static_cast<size_t>(p)] = key_held(runtime::playback_key(p)) ? 1 : 0;
        set_key_led(runtime::playback_key(p), runtime::LED_BLINK_BOTH);
    }
    for (int s = 1; s <= kSequenceKeys; ++s) {
        set_key_led(static_cast<int16_t>(runtime::KEY_SEQUENCE_A + s - 1), runtime::LED_BLINK_BOTH);
    }
    StoreChoice choice;
    while (key_held(runtime::KEY_TO_MEM)) {
        int16_t key = 0;
        if (read_key_while_held(runtime::KEY_TO_MEM, &key)) {
            if (key == runtime::KEY_PANEL_2) {
                ui::handle_panel_key(key);
                continue;
            }
            if (key == runtime::KEY_CUE) {
                set_cue_led();
                return {StoreTarget::cue, 0};
            }
            if (key >= runtime::KEY_SEQUENCE_A && key <= runtime::KEY_SEQUENCE_D) {
                return {StoreTarget::sequence, key - runtime::KEY_SEQUENCE_A + 1};
            }
        }
        for (int p = 1; p <= kFlashKeys; ++p) {
            const uint8_t down = key_held(runtime::playback_key(p)) ? 1 : 0;
            if (down == 1 && was_down[static_cast<size_t>(p)] == 0) return {StoreTarget::playback, p};
            was_down[static_cast<size_t>(p)] = down;
        }
    }
    return choice;
}

// The programmer into the first free memory of the target's block, which then
// runs on the playback or becomes a step of the sequence.
void quick_store(const StoreChoice& choice) {
    ui::beep_interruptible(800, 150);
    const bool sequence = choice.target == StoreTarget::sequence;
    const int16_t memory = find_quick_store_memory(sequence ? quick_store_block_sequences() : quick_store_block_playbacks());
    if (memory == 0) {
        ui::show_message("NO FREE MEMS LEFT !");
        ui::beep(800, 500);
        ui::beep(400, 2000);
        ui::redraw_memory_panel();
        return;
    }
    const uint16_t used_before = memory_used_count;
    if (!store_memory_confirmed(memory)) return;
    take_as_current(memory);
    if (memory_used_count == used_before) {
        ui::show_message("MEMORY IS EMPTY !");
        ui::beep(800, 100);
        ui::beep(400, 800);
        return;
    }
    if (sequence) playback::program_sequence_from_memory_screen(static_cast<int16_t>(choice.number));
    else playback::program_playback_from_memory_screen(static_cast<int16_t>(choice.number));
}

// TO-MEM released alone: the destination typed, ENTER alone the current memory.
void store_to_typed_memory() {
    set_cue_led();
    draw_prompt_box("TO MEMORY");
    ui::show_message("GIVE DESTINATION MEMORY");
    int16_t memory = read_memory_number();
    if (memory == ui::kEntryEmpty) {
        if (programmer_from_cue != 0) {
            store_into_cue_memory();
            return;
        }
        memory = current_memory;
        write_entry_field(memory);
    }
    if (store_memory_confirmed(memory)) take_as_current(memory);
}

// ------------------------------------------------------------------ GET

// Playbacks 1..42 that run a memory: their flash keys pick it.
using MarkedPlaybacks = std::array<uint8_t, kFlashKeys + 1>;

MarkedPlaybacks mark_programmed_playbacks() {
    MarkedPlaybacks marked{};
    for (int p = 1; p <= kFlashKeys; ++p) {
        const playback::PlaybackRecord& r = playback::playback_table[static_cast<size_t>(p)];
        marked[static_cast<size_t>(p)] = (r.flags & 1) != 0 && r.memory >= 1 ? 1 : 0;
    }
    return marked;
}

void give_flash_keys_back() {
    if (!timecode_idle()) return;
    runtime::run_flags &= ~runtime::RUN_PLAYBACK_KEYS_TAKEN;
    playback::update_playback_leds();
}

enum class GetOutcome : uint8_t { released, browsed, picked, cue };

// While GET is held: LAST and NEXT browse, CUE opens the cue dialog, a marked
// playback's flash key picks its memory (only while the timecode player is idle).
GetOutcome browse_while_get_held(const MarkedPlaybacks& marked) {
    GetOutcome outcome = GetOutcome::released;
    while (key_held(runtime::KEY_GET_MEMORY)) {
        set_key_led(runtime::KEY_LAST, runtime::LED_BLINK);
        set_key_led(runtime::KEY_NEXT, runtime::LED_BLINK);
        set_key_led(runtime::KEY_CUE, runtime::LED_BLINK);
        if (timecode_idle()) {
            for (int p = 1; p <= kFlashKeys; ++p) {
                set_key_led(runtime::playback_key(p),
                            marked[static_cast<size_t>(p)] == 1 ? runtime::LED_BLINK_BOTH : runtime::LED_OFF);
            }
        }
        int16_t key = 0;
        if (read_key_while_held(runtime::KEY_GET_MEMORY, &key)) {
            if (key == runtime::KEY_LAST || key == runtime::KEY_NEXT) {
                if (key == runtime::KEY_LAST) recall_previous_memory();
                else recall_next_memory();
                programmer_from_cue = 0;
                redraw_label_when_cue_panel();
                write_entry_field(current_memory);
                outcome = GetOutcome::browsed;
                continue;
            }
            if (key == runtime::KEY_CUE) {
                give_flash_keys_back();
                pick_cue_dialog(0);
                return GetOutcome::cue;
            }
        }
        if (!timecode_idle()) continue;
        for (int p = 1; p <= kFlashKeys; ++p) {
            if (!key_held(runtime::playback_key(p)) || marked[static_cast<size_t>(p)] == 0) continue;
            ui::beep_interruptible(800, 150);
            const playback::PlaybackRecord& r = playback::playback_table[static_cast<size_t>(p)];
            if ((r.flags & 1) != 0 && valid_memory(r.memory)) recall_memory(r.memory, 1);
            give_flash_keys_back();
            return GetOutcome::picked;
        }
    }
    return outcome;
}

}  // namespace

void run_store_memory() {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    const bool cue_screen_before = cue_screen_shown();
    runtime::run_flags |= runtime::RUN_MEMORY_COMMAND;
    set_key_led(runtime::KEY_TO_MEM, runtime::LED_ON);
    set_key_led(runtime::KEY_CUE, runtime::LED_BLINK);
    runtime::run_flags |= runtime::RUN_SEQUENCE_KEYS_TAKEN | runtime::RUN_PLAYBACK_KEYS_TAKEN;

    const StoreChoice choice = choose_store_target();

    runtime::run_flags &= ~(runtime::RUN_SEQUENCE_KEYS_TAKEN | runtime::RUN_PLAYBACK_KEYS_TAKEN);
    playback::update_playback_leds();
    restore_sequence_leds();

    switch (choice.target) {
        case StoreTarget::sequence:
        case StoreTarget::playback: quick_store(choice); break;
        case StoreTarget::cue: pick_cue_dialog(1); break;
        case StoreTarget::none: store_to_typed_memory(); break;
    }

    give_back_screen(cue_screen_before);
    set_cue_led();
    ui::redraw_cue_panel();
    playback::update_point_cue_leds();
    playback::update_playback_leds();
    set_key_led(runtime::KEY_TO_MEM, runtime::LED_OFF);
    runtime::run_flags &= ~runtime::RUN_MEMORY_COMMAND;
}

void run_get_memory() {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_MEMORY_COMMAND;
    const bool cue_screen_before = cue_screen_shown();
    const uint16_t cue_mode_before = programmer_from_cue;

    draw_prompt_box("GET MEMORY");
    programmer_from_cue = 0;
    redraw_label_when_cue_panel();

    const MarkedPlaybacks marked = mark_programmed_playbacks();
    if (timecode_idle()) runtime::run_flags |= runtime::RUN_PLAYBACK_KEYS_TAKEN;
    ui::show_message("SELECT MEMORY");
    set_key_led(runtime::KEY_GET_MEMORY, runtime::LED_ON);

    const GetOutcome outcome = browse_while_get_held(marked);

    set_key_led(runtime::KEY_LAST, runtime::LED_OFF);
    set_key_led(runtime::KEY_NEXT, runtime::LED_OFF);
    give_flash_keys_back();

    if (outcome == GetOutcome::released) {
        set_cue_led();
        clear_entry_field();
        int16_t memory = read_memory_number();
        if (memory == ui::kEntryEmpty) memory = current_memory;
        if (valid_memory(memory)) {
            recall_memory(memory, 1);
        } else {
            programmer_from_cue = cue_mode_before;
            redraw_label_when_cue_panel();
        }
    }

    if (outcome != GetOutcome::cue) give_back_screen(cue_screen_before);
    set_cue_led();
    give_flash_keys_back();
    runtime::run_flags &= ~runtime::RUN_MEMORY_COMMAND;
    ui::redraw_cue_panel();
    set_key_led(runtime::KEY_GET_MEMORY, runtime::LED_OFF);
}

}  // namespace memories
