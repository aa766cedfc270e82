#include "ui/cue_selection.h"

#include <algorithm>
#include <limits>

#include "datafiles/cue_files.h"
#include "datafiles/small_tables.h"
#include "memories/memory_editors.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_editing.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/playback_jobs.h"
#include "playback/playback_state.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "ui/cue_time_editors.h"
#include "ui/edit_keys.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"

namespace ui {

std::vector<int16_t> multiselect_list;

namespace {

using namespace runtime::keys;

constexpr int16_t kNoCue = 0;
// A typed number takes another digit only while it is below this.
constexpr int kTypedNumberLimit = 1000;
// The beep of ENTER without a cue that can be gone to.
constexpr int32_t kNoCueBeep_hz = 400;
constexpr uint32_t kNoCueBeep_ms = 800;
// The panel key whose panel the multiselect dialog shows.
constexpr int16_t kMultiselectPanelKey = 162;

// Colours of a cue's cell in the cue grid by its multiselect LED state.
constexpr uint8_t kCellPlain = 0;
constexpr uint8_t kCellPointOneChosen = 12;
constexpr uint8_t kCellOtherPointChosen = 5;

// The keys the multiselect dialog blinks while it runs.
constexpr int16_t kMultiselectKeys[] = {KEY_CUE, KEY_ESC, KEY_ENTER, KEY_DELAY_IN, KEY_DELAY_IN + 1,
                                        KEY_DELAY_IN + 2, KEY_DELAY_IN + 3, KEY_HOLD, KEY_EDIT_VALUE,
                                        KEY_LINK_CUE};

bool cue_screen_shown() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
bool is_digit_key(int16_t key) { return key >= KEY_DIGIT_0 && key <= KEY_DIGIT_9; }
bool is_cue_key(int16_t key) { return key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70; }
bool is_cue_page_key(int16_t key) { return key >= KEY_GROUP_1 && key <= KEY_GROUP_16; }
bool key_down(int16_t key) { return runtime::key_down_table[static_cast<size_t>(key)] == 1; }

// The shown cue page, or 0 when it lies outside 1..16.
int shown_cue_page() {
    const int page = runtime::cue_screen_page;
    return page >= 1 && page <= playback::kCuePages ? page : 0;
}

bool slot_programmed(int slot) {
    return slot >= 1 && slot <= playback::kCueSlots && playback::cue_header_table[static_cast<size_t>(slot)].programmed != 0;
}

// --- "GIVE CUE TO SELECT" ------------------------------------------------------

struct CueChoice {
    int page = 1;
    int cue = kNoCue;
    int point = 1;
    bool typing = false;
    bool point_pending = false;
    int typed = 0;  // the typed number N: 70 * (page - 1) + cue
};

void show_choice(const CueChoice& choice) {
    memories::show_memory_cue_status(static_cast<int16_t>(choice.page), static_cast<int16_t>(choice.cue),
                                     static_cast<int16_t>(choice.point));
}

// Page and cue of a typed number; number 0 names no cue.
void choose_typed_number(CueChoice& choice, int number) {
    choice.typed = number;
    if (number <= 0) {
        choice.page = 1;
        choice.cue = kNoCue;
        return;
    }
    choice.page = (number - 1) / playback::kCuesPerPage + 1;
    choice.cue = number - playback::kCuesPerPage * (choice.page - 1);
}

// A digit with no point pending: the first starts the number, each further
// one is appended while the number is below 1000. A cue-page key pressed
// after typing started leaves no cue chosen: the digits go on from that
// page's number as if its cue were 0.
void type_cue_digit(CueChoice& choice, int digit) {
    if (!choice.typing) {
        choice.typing = true;
        choice.point = 1;
        choose_typed_number(choice, digit);
        return;
    }
    if (choice.typed >= kTypedNumberLimit) return;
    choose_typed_number(choice, 10 * (playback::kCuesPerPage * (choice.page - 1) + choice.cue) + digit);
}

void blink_selection_keys(const CueChoice& choice) {
    runtime::set_key_led(KEY_ENTER, runtime::LED_BLINK);
    runtime::set_key_led(KEY_ESC, runtime::LED_BLINK);
    for (int d = 0; d <= 9; ++d) runtime::set_key_led(digit_key(d), runtime::LED_BLINK);
    uint8_t point_led = runtime::LED_OFF;
    if (choice.point_pending) {
        point_led = runtime::LED_ON;
    } else if (choice.cue != kNoCue) {
        point_led = runtime::LED_BLINK;
    }
    runtime::set_key_led(KEY_POINT, point_led);
}

// ENTER: the chosen cue when it lies on a page of the console, else the beep.
void go_to_chosen_cue(const CueChoice& choice) {
    if (choice.cue < 1 || choice.cue > playback::kCuesPerPage || choice.page < 1 || choice.page > playback::kCuePages) {
        beep_interruptible(kNoCueBeep_hz, kNoCueBeep_ms);
        return;
    }
    const int32_t slot = datafiles::cue_slot(static_cast<int16_t>(choice.cue), static_cast<int16_t>(choice.point),
                                             static_cast<int16_t>(choice.page));
    playback::go_to_cue(static_cast<uint16_t>(slot), 1, 0);
    playback::show_cue_page(static_cast<int16_t>(choice.page));
}

void leave_selection() {
    runtime::set_key_led(KEY_CUE, cue_screen_shown() ? runtime::LED_ON : runtime::LED_OFF);
    for (int16_t key = KEY_DIGIT_0; key <= KEY_POINT; ++key) runtime::set_key_led(key, runtime::LED_OFF);
    playback::update_point_cue_leds();
    for (const int16_t key : {KEY_DIGIT_0, KEY_DIGIT_1, KEY_ESC, KEY_ENTER}) runtime::set_key_led(key, runtime::LED_OFF);
}

// --- "SELECT CUES TO MULTISELECT" ----------------------------------------------

// The cue key's point LEDs while it is held: points in the list blink, the
// other programmed points are lit.
void show_points_of_cue(int page, int cue) {
    for (int point = 1; point <= playback::kPointsPerCue; ++point) {
        const int32_t slot = datafiles::cue_slot(static_cast<int16_t>(cue), static_cast<int16_t>(point),
                                                 static_cast<int16_t>(page));
        if (!slot_programmed(slot)) continue;
        const bool chosen = is_cue_multiselected(static_cast<int16_t>(slot - 1));
        runtime::set_key_led(digit_key(point - 1), chosen ? runtime::LED_BLINK : runtime::LED_ON);
    }
}

// Cue key held: its release or ESC toggles point 1, a digit d point d + 1;
// nothing when the key is up already.
void choose_points_of_held_cue(int16_t cue_key) {
    const int page = shown_cue_page();
    if (page == 0) return;
    runtime::set_key_led(KEY_ENTER, runtime::LED_OFF);
    show_points_of_cue(page, cue_key);
    const int first_index = datafiles::cue_slot(cue_key, 1, static_cast<int16_t>(page)) - 1;
    while (key_down(cue_key)) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        int point = 0;
        if (pressed && key == KEY_ESC) point = 1;
        if (pressed && is_digit_key(key)) point = key - KEY_DIGIT_0 + 1;
        if (!pressed && key == cue_key) point = 1;
        if (point != 0) {
            toggle_cue_multiselect(static_cast<int16_t>(first_index + point - 1));
            break;
        }
    }
    runtime::set_key_led(KEY_ENTER, runtime::LED_BLINK);
    refresh_multiselect_leds();
}

void leave_multiselect() {
    runtime::set_key_led(KEY_CUE, runtime::LED_ON);
    for (const int16_t key : kMultiselectKeys) {
        if (key != KEY_CUE) runtime::set_key_led(key, runtime::LED_OFF);
    }
    playback::update_point_cue_leds();
    multiselect_list.clear();
    multiselect_list.shrink_to_fit();
    runtime::run_flags &= ~runtime::RUN_CUE_MULTISELECT;
    playback::show_cue_page(runtime::cue_screen_page);
    redraw_cue_panel();
}

// --- starting the list -------------------------------------------------------

bool playback_frozen(int p) { return playback_freeze[static_cast<size_t>(p)] != 0; }

// Whether the cue slot carries a programmed snapshot of a playback or a sequence.
bool cue_holds_playback(int slot, int p) {
    const playback::PlaybackRecord* record =
        playback::cue_playback_table[static_cast<size_t>((slot - 1) * playback::kPlaybacks + p)];
    return record != nullptr && (record->flags & playback::CUE_RECORD_IN_CUE) != 0;
}
bool cue_holds_sequence(int slot, int s) {
    const playback::SequenceRecord* record =
        playback::cue_sequence_table[static_cast<size_t>((slot - 1) * playback::kSequences + s)];
    return record != nullptr && (record->flags & playback::CUE_RECORD_IN_CUE) != 0;
}

// A cue's transparency for playbacks or sequences: off, or default while
// the console's automatic mode for them is on, loads them all.
bool cue_loads_all(int slot, size_t which, uint32_t auto_mode) {
    const uint8_t transparency = datafiles::transp_table[static_cast<size_t>(slot)][which];
    return transparency == datafiles::kTranspOff ||
           (transparency == datafiles::kTranspDefault && (runtime::mode_flags & auto_mode) != 0);
}

void load_playbacks_of_cue(int slot) {
    const bool all = cue_loads_all(slot, 0, runtime::MODE_AUTO_PLAYBACKS);
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        if (playback_frozen(p)) continue;
        const bool in_use = (playback::playback_table[static_cast<size_t>(p)].flags & 1u) != 0;
        if (cue_holds_playback(slot, p) || (all && in_use)) {
            playback::load_playback_from_cue(static_cast<int16_t>(slot), static_cast<int16_t>(p));
        }
    }
}

void load_sequences_of_cue(int slot) {
    const bool all = cue_loads_all(slot, 1, runtime::MODE_AUTO_SEQUENCES);
    for (int s = 1; s <= playback::kSequences; ++s) {
        const uint8_t freeze = sequence_freeze[static_cast<size_t>(s)];
        if (freeze == kSequenceFrozen) continue;
        if (all || cue_holds_sequence(slot, s)) {
            playback::load_sequence_from_cue(static_cast<int16_t>(slot), static_cast<int16_t>(s), freeze);
        }
    }
}

}  // namespace

int16_t multiselect_count() {
    return static_cast<int16_t>(std::min<size_t>(multiselect_list.size(), std::numeric_limits<int16_t>::max()));
}

void reset_cue_selection_globals() {
    multiselect_list.clear();
    multiselect_list.shrink_to_fit();
}

void select_cue_by_number(int16_t first, uint8_t typed) {
    CueChoice choice;
    choice.page = runtime::cue_screen_page;
    choice.cue = first;
    if (typed == 1) {
        choice.typing = true;
        choose_typed_number(choice, first);
    }
    runtime::set_key_led(KEY_ESC, runtime::LED_BLINK);
    if (!cue_screen_shown()) playback::refresh_cue_mode();

    fill_box(2, 299, 220, 314, 4);
    platform::_setcolor(7);
    set_text_style(2, 0, 5);
    platform::_outtextxy(5, 302, "SEL");
    show_choice(choice);
    show_message("GIVE CUE TO SELECT");

    for (;;) {
        blink_selection_keys(choice);
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == KEY_ESC) break;
        if (key == KEY_ENTER) {
            go_to_chosen_cue(choice);
            break;
        }
        if (is_cue_page_key(key)) {
            choice.page = key - KEY_GROUP_1 + 1;
            choice.cue = kNoCue;
            choice.point_pending = false;
            playback::show_cue_page(static_cast<int16_t>(choice.page));
        } else if (is_cue_key(key)) {
            choice.cue = key;
            choice.point = 1;
            choice.point_pending = false;
        } else if (key == KEY_POINT) {
            choice.point_pending = true;
        } else if (is_digit_key(key)) {
            const int digit = key - KEY_DIGIT_0;
            if (choice.point_pending && choice.cue != kNoCue) {
                choice.point = digit + 1;
                choice.point_pending = false;
            } else if (!choice.point_pending) {
                type_cue_digit(choice, digit);
            }
        } else {
            continue;
        }
        show_choice(choice);
    }
    leave_selection();
}

void multiselect_cues() {
    show_message("SELECT CUES TO MULTISELECT");
    runtime::run_flags |= runtime::RUN_CUE_MULTISELECT;
    for (const int16_t key : kMultiselectKeys) runtime::set_key_led(key, runtime::LED_BLINK);
    handle_panel_key(kMultiselectPanelKey);
    multiselect_list.clear();
    refresh_multiselect_leds();

    for (bool finished = false; !finished;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (is_cue_key(key)) {
            choose_points_of_held_cue(key);
        } else if (is_cue_page_key(key)) {
            playback::show_cue_page(static_cast<int16_t>(key - KEY_GROUP_1 + 1));
            refresh_multiselect_leds();
        } else if (key == KEY_ESC) {
            finished = true;
        } else if (key == KEY_ENTER) {
            start_multiselected_cues(0);
            finished = true;
        } else if (key >= KEY_DELAY_IN && key <= KEY_HOLD) {
            edit_multiselect_cue_time(key);
        } else if (key == KEY_EDIT_VALUE) {
            edit_fade_in_launch();
            finished = true;
        } else if (key == KEY_LINK_CUE) {
            edit_link_time();
        }
    }
    leave_multiselect();
}

void toggle_cue_multiselect(int16_t cue_index) {
    for (int16_t& entry : multiselect_list) {
        if (entry == cue_index) {
            entry = kMultiselectRemoved;
            return;
        }
    }
    if (multiselect_list.size() >= static_cast<size_t>(std::numeric_limits<int16_t>::max())) return;
    if (slot_programmed(cue_index + 1)) multiselect_list.push_back(cue_index);
}

bool is_cue_multiselected(int16_t cue_index) {
    return cue_index >= 0 && std::find(multiselect_list.begin(), multiselect_list.end(), cue_index) != multiselect_list.end();
}

void refresh_multiselect_leds() {
    const int page = shown_cue_page();
    if (page != 0) {
        for (int cue = 1; cue <= playback::kCuesPerPage; ++cue) {
            const uint8_t point_flags =
                playback::cue_point_flags[static_cast<size_t>((page - 1) * playback::kCuesPerPage + cue)];
            uint8_t state = runtime::LED_OFF;
            if (point_flags == playback::kCuePointOwn) state = runtime::LED_ON;
            if (point_flags == playback::kCuePointOthersOnly) state = runtime::LED_ON_BOTH;
            const int first_index = datafiles::cue_slot(static_cast<int16_t>(cue), 1, static_cast<int16_t>(page)) - 1;
            if (is_cue_multiselected(static_cast<int16_t>(first_index))) {
                state = runtime::LED_BLINK;
            } else {
                for (int point = 2; point <= playback::kPointsPerCue; ++point) {
                    if (is_cue_multiselected(static_cast<int16_t>(first_index + point - 1))) state = runtime::LED_BLINK_BOTH;
                }
            }
            runtime::set_key_led(static_cast<int16_t>(cue), state);
            if ((runtime::option_flags & runtime::OPT_CUE_GRID) == 0 || state == runtime::LED_ON_BOTH) continue;
            uint8_t colour = kCellPlain;
            if (state == runtime::LED_BLINK) colour = kCellPointOneChosen;
            if (state == runtime::LED_BLINK_BOTH) colour = kCellOtherPointChosen;
            playback::paint_cue_cell(static_cast<int16_t>(cue), colour);
        }
    }
    for (int16_t key = KEY_DIGIT_0; key <= KEY_POINT; ++key) runtime::set_key_led(key, runtime::LED_OFF);
}

void start_multiselected_cues(uint16_t fade_in_tenths) {
    const bool blind = (runtime::run_flags & runtime::RUN_BLIND) != 0;
    const bool load_playbacks = runtime::console_config.multiselect_playback_snapshots() == 1;
    const bool load_sequences = runtime::console_config.multiselect_sequence_snapshots() == 1;
    for (const int16_t entry : multiselect_list) {
        if (entry == kMultiselectRemoved) continue;
        const int slot = entry + 1;
        if (slot < 1 || slot > playback::kCueSlots) continue;
        if (!blind) {
            if (load_playbacks) load_playbacks_of_cue(slot);
            if (load_sequences) load_sequences_of_cue(slot);
        }
        playback::start_cue_fade(static_cast<int16_t>(slot), fade_in_tenths);
        playback::run_cue_fades();
    }
}

}  // namespace ui
