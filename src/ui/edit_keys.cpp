#include "ui/edit_keys.h"

#include <algorithm>

#include "datafiles/cue_files.h"
#include "memories/master_state.h"
#include "memories/masters.h"
#include "memories/memory_editors.h"
#include "memories/memory_names.h"
#include "memories/submaster_editor.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_editing.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "sync/midi_editors.h"
#include "sync/sync_services.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/screens.h"
#include "ui/value_table.h"

namespace ui {

std::array<uint8_t, playback::kPlaybacks + 1> playback_freeze{};
std::array<uint8_t, playback::kSequences + 1> sequence_freeze{};
int16_t frozen_playback_count = 0;
int16_t frozen_sequence_count = 0;
int16_t frozen_fixture_count = 0;

void reset_edit_keys_globals() {
    playback_freeze = {};
    sequence_freeze = {};
    frozen_playback_count = 0;
    frozen_sequence_count = 0;
    frozen_fixture_count = 0;
}

namespace {

using namespace runtime::keys;
using runtime::set_key_led;

// Tones: the command's start, an accepted key, a playback named in TEXT.
constexpr int32_t kStartBeep_hz = 800;
constexpr uint32_t kFreezeStartBeep_ms = 25;
constexpr uint32_t kStartBeep_ms = 100;
constexpr uint32_t kTextBeep_ms = 150;
constexpr int32_t kAcceptBeep_hz = 500;
constexpr uint32_t kAcceptBeep_ms = 50;

// Fixture cell views of paint_fixture_cell.
constexpr int16_t kFreezeView = 0;
constexpr int16_t kNormalView = 1;

// The submaster flash keys that EDIT ITEM offers, and their masters.
constexpr int16_t kSubmasterKeys[] = {KEY_MASTER_3, KEY_MASTER_4};
constexpr int kFirstSubmasterMaster = 3;

// Preset keys 151..154 and the preset kind each stands for.
constexpr int16_t kPresetKeys[] = {KEY_PRESET_1, KEY_PRESET_2, KEY_PRESET_3, KEY_PRESET_4};
constexpr int16_t kPresetKinds[] = {1, 3, 2, 4};

// The entry box of CLR and EDIT ITEM: red title part, green field part.
constexpr uint8_t kEntryBoxColour = 4;
constexpr uint8_t kEntryFieldColour = 10;
constexpr uint8_t kEntryTextColour = 7;
constexpr uint8_t kEntryDigitColour = 0;
constexpr int16_t kEntryField_x = 155;
constexpr int16_t kEntryField_y = 288;

// EDIT ITEM's items, 1..8, and the run_flags bit each holds while it may be chosen.
constexpr int kItems = 8;
constexpr int kItemNone = 0;
constexpr int kItemSequence = 1;
constexpr int kItemPlayback = 2;
constexpr int kItemSubmaster = 3;
constexpr int kItemThreshold = 4;
constexpr int kItemMidi = 5;
constexpr int kItemPreset = 6;
constexpr int kItemDefaults = 7;
constexpr int kItemPointcue = 8;
constexpr uint32_t kItemBits[kItems + 1] = {
    0,
    runtime::RUN_SEQUENCE_KEYS_TAKEN,
    runtime::RUN_PLAYBACK_KEYS_TAKEN,
    runtime::RUN_MASTER_KEYS_TAKEN,
    runtime::RUN_THRESHOLD_MODE,
    runtime::RUN_MIDI_EDIT,
    runtime::RUN_WHEELS_INACTIVE,
    runtime::RUN_DEFAULT_MODE,
    runtime::RUN_POINTCUE_EDIT,
};
constexpr uint32_t kAllItemBits = runtime::RUN_SEQUENCE_KEYS_TAKEN | runtime::RUN_PLAYBACK_KEYS_TAKEN |
                                  runtime::RUN_MASTER_KEYS_TAKEN | runtime::RUN_THRESHOLD_MODE |
                                  runtime::RUN_MIDI_EDIT | runtime::RUN_WHEELS_INACTIVE |
                                  runtime::RUN_DEFAULT_MODE | runtime::RUN_POINTCUE_EDIT;

using PlaybackKeys = std::array<uint8_t, playback::kPlaybacks + 1>;
using SequenceKeys = std::array<uint8_t, playback::kSequences + 1>;

bool key_down(int16_t key) { return runtime::key_down_table[static_cast<size_t>(key)] == 1; }
bool cue_screen_shown() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
bool timecode_list_runs() { return synchro::timecode_mode != 0; }
bool is_digit_key(int16_t key) { return key >= KEY_DIGIT_0 && key <= KEY_DIGIT_9; }
bool is_sequence_key(int16_t key) { return key >= KEY_SEQUENCE_A && key <= KEY_SEQUENCE_D; }
int16_t sequence_key_of(int s) { return static_cast<int16_t>(KEY_SEQUENCE_A + s - 1); }
void accept_beep() { beep_interruptible(kAcceptBeep_hz, kAcceptBeep_ms); }

// Which playback and sequence keys are held now.
void look_at_playback_keys(PlaybackKeys& held) {
    for (int p = 1; p <= playback::kPlaybacks; ++p) held[static_cast<size_t>(p)] = key_down(playback_key(p)) ? 1 : 0;
}
void look_at_sequence_keys(SequenceKeys& held) {
    for (int s = 1; s <= playback::kSequences; ++s) held[static_cast<size_t>(s)] = key_down(sequence_key_of(s)) ? 1 : 0;
}

// The live cue's slot, or 0 when the live cue lies outside the cue tables.
int live_cue_slot() {
    return datafiles::cue_slot(playback::current_cue, playback::current_cue_point, playback::current_cue_page);
}

int shown_cue_page() {
    const int page = runtime::cue_screen_page;
    return page >= 1 && page <= playback::kCuePages ? page : 0;
}

// --- fixtures of the shown page ------------------------------------------------

int shown_fixture_page() {
    const int page = runtime::fixture_page;
    return page >= 1 && page <= runtime::kFixturePages ? page : 0;
}

int page_fixture_count(int page) {
    if (page == 0) return 0;
    return std::min<int>(runtime::fixture_bank_counts[static_cast<size_t>(page)], runtime::kFixtureKeys);
}

// The fixture on key 1..70 of a page, or 0.
int fixture_of_key(int page, int key) {
    if (page == 0 || key < 1 || key > page_fixture_count(page)) return 0;
    const int fixture = runtime::fixture_bank_keys[static_cast<size_t>(page)][static_cast<size_t>(key)] + 1;
    return fixture <= runtime::kFixtures ? fixture : 0;
}

void paint_page_cells(int page, int16_t view) {
    for (int key = 1; key <= page_fixture_count(page); ++key) {
        const int fixture = fixture_of_key(page, key);
        if (fixture != 0) programmer::paint_fixture_cell(static_cast<int16_t>(fixture), view);
    }
}

uint8_t& freeze_of_fixture(int fixture) { return programmer::fixture_freeze[static_cast<size_t>(fixture)]; }

// After a change of fixture freezes: the channel flags follow, and the table view off the cue screen.
void fixture_freezes_changed(int page) {
    if (!cue_screen_shown()) paint_page_cells(page, kFreezeView);
    programmer::apply_fixture_freeze_flags();
    if (!cue_screen_shown()) refresh_table_view();
}

// Keys first..last of the page (either order): all unfrozen when every one is frozen, else all frozen.
void toggle_fixture_range(int page, int first, int last) {
    if (first > last) std::swap(first, last);
    bool all_frozen = true;
    for (int key = first; key <= last; ++key) {
        const int fixture = fixture_of_key(page, key);
        if (fixture != 0 && freeze_of_fixture(fixture) == 0) all_frozen = false;
    }
    for (int key = first; key <= last; ++key) {
        const int fixture = fixture_of_key(page, key);
        if (fixture != 0) freeze_of_fixture(fixture) = all_frozen ? 0 : 1;
    }
}

// A fixture key pressed while FREEZE is held: its own release toggles the
// fixture, a press of another fixture key the range between the two (a key
// beyond the page's fixtures counts as the last one); any other key ends the
// step with nothing done.
void freeze_from_fixture_key(int page, int16_t first_key) {
    const int count = page_fixture_count(page);
    for (;;) {
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        if (key == 0) continue;
        const bool fixture_key = key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70;
        if (!fixture_key) {
            if (pressed || key == KEY_FREEZE) return;
            continue;
        }
        if (!pressed && key != first_key) continue;
        accept_beep();
        if (!pressed) {
            toggle_fixture_range(page, first_key, first_key);
        } else {
            toggle_fixture_range(page, first_key, std::min<int>(key, count));
        }
        fixture_freezes_changed(page);
        return;
    }
}

void set_page_fixtures_frozen(int page, uint8_t frozen) {
    accept_beep();
    for (int key = 1; key <= page_fixture_count(page); ++key) {
        const int fixture = fixture_of_key(page, key);
        if (fixture != 0) freeze_of_fixture(fixture) = frozen;
    }
    fixture_freezes_changed(page);
}

// --- LEDs --------------------------------------------------------------------

uint8_t playback_freeze_led(int p) {
    return playback_freeze[static_cast<size_t>(p)] != 0 ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH;
}

uint8_t sequence_freeze_led(int s) {
    switch (sequence_freeze[static_cast<size_t>(s)]) {
        case kSequenceFrozen: return runtime::LED_BLINK_2;
        case kSequenceFrozenReload: return runtime::LED_BLINK;
        default: return runtime::LED_BLINK_BOTH;
    }
}

// Sequence keys: lit while the sequence runs, the one the wheel mode shows at colour 2.
void restore_sequence_leds() {
    for (int s = 1; s <= playback::kSequences; ++s) {
        const bool running = (playback::sequence_table[static_cast<size_t>(s)].mode & 3u) != 0;
        set_key_led(sequence_key_of(s), running ? runtime::LED_ON : runtime::LED_OFF);
    }
    const int shown = runtime::display_mode - 4;
    if (shown >= 1 && shown <= playback::kSequences) set_key_led(sequence_key_of(shown), runtime::LED_ON_2);
}

void restore_cue_led() { set_key_led(KEY_CUE, cue_screen_shown() ? runtime::LED_ON : runtime::LED_OFF); }

void set_digit_leds(uint8_t state) {
    for (int d = 0; d <= 9; ++d) set_key_led(digit_key(d), state);
}

void set_playback_leds(uint8_t state) {
    for (int p = 1; p <= playback::kPlaybacks; ++p) set_key_led(playback_key(p), state);
}

void set_sequence_leds(uint8_t state) {
    for (int s = 1; s <= playback::kSequences; ++s) set_key_led(sequence_key_of(s), state);
}

// The cue keys of the shown page as the cue grid marks them: the live cue
// live_state, a cue with its own point programmed own_state, one with only
// other points others_state.
void set_cue_key_leds(uint8_t live_state, uint8_t own_state, uint8_t others_state) {
    const int page = shown_cue_page();
    if (page == 0) return;
    for (int cue = 1; cue <= playback::kCuesPerPage; ++cue) {
        const uint8_t flags = playback::cue_point_flags[static_cast<size_t>((page - 1) * playback::kCuesPerPage + cue)];
        uint8_t state = runtime::LED_OFF;
        if (flags == playback::kCuePointOwn) state = own_state;
        if (flags == playback::kCuePointOthersOnly) state = others_state;
        if (page == playback::current_cue_page && cue == playback::current_cue) state = live_state;
        set_key_led(static_cast<int16_t>(cue), state);
    }
}

void recount_frozen() {
    frozen_playback_count = 0;
    for (int p = 1; p <= playback::kPlaybacks; ++p) frozen_playback_count += playback_freeze[static_cast<size_t>(p)] != 0;
    frozen_sequence_count = 0;
    for (int s = 1; s <= playback::kSequences; ++s) frozen_sequence_count += sequence_freeze[static_cast<size_t>(s)] != 0;
    frozen_fixture_count = 0;
    const int fixtures = std::min<int>(setup::fixture_count, runtime::kFixtures);
    for (int f = 1; f <= fixtures; ++f) frozen_fixture_count += programmer::fixture_freeze[static_cast<size_t>(f)] != 0;
}

// --- the number entry of CLR and EDIT ITEM ---------------------------------------

// "POINTCUE" or "PLAYBACK" box with the message, and the number typed:
// kEntryCancelled on ESC, kEntryEmpty on an empty ENTER.
int16_t ask_number(const char* title, const char* message, int16_t initial, int16_t max_digits) {
    fill_box(2, 282, 149, 314, kEntryBoxColour);
    fill_box(151, 282, 220, 314, kEntryFieldColour);
    platform::_setcolor(kEntryTextColour);
    platform::_line(150, 282, 150, 314);
    set_text_style(2, 0, 7);
    platform::_outtextxy(20, 288, title);
    show_message("%s", message);
    return edit_number(initial, kEntryField_x, kEntryField_y, max_digits, kEntryFieldColour, kEntryDigitColour, 0);
}

// "GIVE PLAYBACK NUMBER" starting with digit d: the playback 1..42, or 0.
int ask_playback_number(int digit) {
    const int16_t number = ask_number("PLAYBACK", "GIVE PLAYBACK NUMBER", static_cast<int16_t>(digit), 2);
    return number >= 1 && number <= playback::kPlaybacks ? number : 0;
}

// --- CLR ---------------------------------------------------------------------

void show_clear_prompt() {
    show_message(cue_screen_shown() ? "CLEAR SEQ., PLAYB. OR CUE TO CLEAR" : "SELECT SEQ. OR PLAYB. TO CLEAR");
}

void clear_live_playback(int p) {
    const int live = live_cue_slot();
    if (live == 0) return;
    playback::clear_cue_playback(static_cast<int16_t>(live), static_cast<int16_t>(p));
    accept_beep();
}

// One press while CLR is held.
void clear_for_key(int16_t key) {
    const int live = live_cue_slot();
    const int page = shown_cue_page();
    if (cue_screen_shown() && key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70) {
        if (page == 0) return;
        playback::clear_cue(static_cast<int16_t>(datafiles::cue_slot(key, 1, static_cast<int16_t>(page))));
        accept_beep();
    } else if (is_sequence_key(key)) {
        if (live == 0) return;
        playback::clear_cue_sequence(static_cast<int16_t>(live), static_cast<int16_t>(key - KEY_SEQUENCE_A + 1));
        accept_beep();
    } else if (key == KEY_CUE) {
        if (live == 0) return;
        playback::clear_cue_memory(static_cast<int16_t>(live));
        accept_beep();
    } else if (key == KEY_POINT && cue_screen_shown()) {
        const int16_t n = ask_number("POINTCUE", "GIVE POINTCUE", kEntryCancelled, 1);
        const int cue = playback::current_cue;
        if (n >= 1 && n <= 9 && page != 0 && cue >= 1 && cue <= playback::kCuesPerPage) {
            playback::clear_cue(static_cast<int16_t>(datafiles::cue_slot(static_cast<int16_t>(cue), static_cast<int16_t>(n + 1), static_cast<int16_t>(page))));
            accept_beep();
            show_cue_in_use(static_cast<int16_t>(page), static_cast<int16_t>(cue), static_cast<int16_t>(n + 1));
        }
        redraw_cue_panel();
        show_clear_prompt();
    } else if (is_digit_key(key) && !timecode_list_runs()) {
        const int p = ask_playback_number(key - KEY_DIGIT_0);
        if (p != 0) clear_live_playback(p);
        redraw_cue_panel();
        show_clear_prompt();
    }
}

// --- EDIT ITEM ------------------------------------------------------------------

void blink_item_candidates() {
    if (!timecode_list_runs()) {
        set_sequence_leds(runtime::LED_BLINK_BOTH);
        set_playback_leds(runtime::LED_BLINK_BOTH);
        set_digit_leds(runtime::LED_BLINK);
        set_key_led(KEY_THRESHOLD, runtime::LED_BLINK);
        set_key_led(KEY_MIDI, runtime::LED_BLINK);
        set_key_led(KEY_SELECT_FUNCTIONS, runtime::LED_BLINK);
        set_key_led(KEY_CUE, runtime::LED_BLINK_BOTH);
    }
    for (const int16_t key : kSubmasterKeys) set_key_led(key, runtime::LED_BLINK_BOTH);
    for (const int16_t key : kPresetKeys) set_key_led(key, runtime::LED_BLINK_BOTH);
}

void restore_item_leds(int item) {
    switch (item) {
        case kItemSequence: restore_sequence_leds(); break;
        case kItemPlayback: playback::update_playback_leds(); break;
        case kItemSubmaster:
            for (int i = 0; i < 2; ++i) {
                set_key_led(kSubmasterKeys[i], memories::master_led_state(static_cast<int16_t>(kFirstSubmasterMaster + i)));
            }
            break;
        case kItemThreshold: set_key_led(KEY_THRESHOLD, runtime::LED_OFF); break;
        case kItemMidi: set_key_led(KEY_MIDI, runtime::LED_OFF); break;
        case kItemPreset:
            for (const int16_t key : kPresetKeys) set_key_led(key, runtime::LED_OFF);
            break;
        case kItemDefaults: set_key_led(KEY_SELECT_FUNCTIONS, runtime::LED_OFF); break;
        case kItemPointcue: restore_cue_led(); break;
        default: break;
    }
}

struct ItemChoice {
    int item = kItemNone;
    int16_t number = 0;     // sequence, playback, submaster or preset kind
    bool released = false;  // the EDIT ITEM key counts as let go
};

// The held keys that choose: a playback key (not during a timecode list), a submaster key.
ItemChoice choice_by_held_keys() {
    ItemChoice choice;
    if (!timecode_list_runs()) {
        for (int p = 1; p <= playback::kPlaybacks; ++p) {
            if (key_down(playback_key(p))) return {kItemPlayback, static_cast<int16_t>(p), false};
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (key_down(kSubmasterKeys[i])) return {kItemSubmaster, static_cast<int16_t>(i + 1), false};
    }
    return choice;
}

ItemChoice choice_by_press(int16_t key) {
    if (timecode_list_runs()) return {};
    if (is_sequence_key(key)) return {kItemSequence, static_cast<int16_t>(key - KEY_SEQUENCE_A + 1), false};
    if (is_digit_key(key)) {
        const int p = ask_playback_number(key - KEY_DIGIT_0);
        return {p != 0 ? kItemPlayback : kItemNone, static_cast<int16_t>(p), true};
    }
    if (key == KEY_THRESHOLD) return {kItemThreshold, 0, false};
    if (key == KEY_MIDI) return {kItemMidi, 0, false};
    if (key == KEY_SELECT_FUNCTIONS) return {kItemDefaults, 0, false};
    if (key == KEY_CUE) return {kItemPointcue, 0, false};
    for (size_t i = 0; i < std::size(kPresetKeys); ++i) {
        if (key == kPresetKeys[i]) return {kItemPreset, kPresetKinds[i], false};
    }
    return {};
}

void run_item_editor(const ItemChoice& choice) {
    switch (choice.item) {
        case kItemSequence: playback::program_sequence(choice.number); break;
        case kItemPlayback: playback::program_playback(choice.number); break;
        case kItemSubmaster: memories::edit_master(choice.number); break;
        case kItemThreshold: memories::run_threshold_screen(); break;
        case kItemMidi:
            if ((runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) != 0) {
                synchro::edit_show_midi_lists();
            } else {
                synchro::edit_midi_codes();
            }
            break;
        case kItemPreset: memories::run_preset_channel_setup(choice.number); break;
        case kItemDefaults: programmer::run_default_values_screen(); break;
        case kItemPointcue:
            playback::program_pointcue(0, playback::current_cue, playback::current_cue_point, playback::current_cue_page);
            break;
        default: clear_message(); break;
    }
}

// --- TEXT -------------------------------------------------------------------------

bool playback_nameable(int p) {
    const playback::PlaybackRecord& record = playback::playback_table[static_cast<size_t>(p)];
    return (record.flags & 1u) != 0 && record.memory >= 1;
}

int group_of_key(int16_t key) { return key - KEY_GROUP_1 + 1 + 16 * (runtime::group_bank - 1); }

void show_group_choices() {
    if (cue_screen_shown()) return;
    for (int16_t key = KEY_GROUP_1; key <= KEY_GROUP_16; ++key) {
        const bool exists = programmer::group_exists(static_cast<int16_t>(group_of_key(key)));
        set_key_led(key, exists ? runtime::LED_BLINK : runtime::LED_OFF);
    }
}

void restore_group_leds() {
    if (!cue_screen_shown()) {
        programmer::update_group_leds();
        return;
    }
    for (int page = 1; page <= playback::kCuePages; ++page) {
        set_key_led(group_key(page), page == runtime::cue_screen_page ? runtime::LED_ON : runtime::LED_OFF);
    }
}

void leave_cue_screen() {
    if (cue_screen_shown()) programmer::set_fixture_page(runtime::fixture_page);
}

void draw_text_edit_title() {
    fill_box(2, 282, 220, 314, 7);
    fill_box(12, 289, 210, 307, 8);
    set_text_style(2, 0, 7);
    platform::_setcolor(11);
    const char* title = "TEXT EDIT";
    platform::_outtextxy((2 + 220) / 2 - platform::_textwidth(title) / 2, 292, title);
}

// A press of TEXT's name keys: the editor, and whether the dialog ends.
bool open_names_for_key(int16_t key) {
    if (key == KEY_CUE) {
        if (!cue_screen_shown()) playback::refresh_cue_mode();
        playback::edit_cue_names();
        return true;
    }
    if (key == KEY_TO_MEM) {
        leave_cue_screen();
        memories::edit_memory_name(memories::current_memory);
        return true;
    }
    if (key >= KEY_GROUP_1 && key <= KEY_GROUP_16) {
        const int group = group_of_key(key);
        leave_cue_screen();
        programmer::edit_group_names(static_cast<int16_t>(group));
        return true;
    }
    for (size_t i = 0; i < std::size(kPresetKeys); ++i) {
        if (key == kPresetKeys[i]) {
            memories::edit_preset_names(kPresetKinds[i]);
            return true;
        }
    }
    if (key == KEY_THRESHOLD) {
        memories::edit_threshold_names();
        return true;
    }
    return key == KEY_ENTER;
}

bool is_text_choice(int16_t key) {
    if (key >= KEY_GROUP_1 && key <= KEY_GROUP_16) {
        return programmer::group_exists(static_cast<int16_t>(group_of_key(key)));
    }
    return key == KEY_CUE || key == KEY_TO_MEM || key == KEY_THRESHOLD || key == KEY_ENTER ||
           std::find(std::begin(kPresetKeys), std::end(kPresetKeys), key) != std::end(kPresetKeys);
}

}  // namespace

// --- FREEZE ----------------------------------------------------------------------

void toggle_freeze_switches() {
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    beep_interruptible(kStartBeep_hz, kFreezeStartBeep_ms);
    show_message("TOGGLE FREEZE-SWITCHES");
    runtime::run_flags |= runtime::RUN_FREEZE_SWITCHES;
    set_key_led(KEY_FREEZE, runtime::LED_ON);

    PlaybackKeys playbacks_held{};
    SequenceKeys sequences_held{};
    look_at_playback_keys(playbacks_held);
    look_at_sequence_keys(sequences_held);
    for (int p = 1; p <= playback::kPlaybacks; ++p) set_key_led(playback_key(p), playback_freeze_led(p));
    for (int s = 1; s <= playback::kSequences; ++s) set_key_led(sequence_key_of(s), sequence_freeze_led(s));
    set_key_led(KEY_CUE, runtime::LED_BLINK);
    int page = shown_fixture_page();
    if (!cue_screen_shown()) paint_page_cells(page, kFreezeView);

    while (key_down(KEY_FREEZE)) {
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);

        PlaybackKeys playbacks_now{};
        look_at_playback_keys(playbacks_now);
        for (int p = 1; p <= playback::kPlaybacks; ++p) {
            const auto i = static_cast<size_t>(p);
            if (playbacks_now[i] == 0 || playbacks_held[i] != 0) continue;
            accept_beep();
            playback_freeze[i] = playback_freeze[i] != 0 ? 0 : 1;
            set_key_led(playback_key(p), playback_freeze_led(p));
        }
        playbacks_held = playbacks_now;

        SequenceKeys sequences_now{};
        look_at_sequence_keys(sequences_now);
        for (int s = 1; s <= playback::kSequences; ++s) {
            const auto i = static_cast<size_t>(s);
            if (sequences_now[i] == 0 || sequences_held[i] != 0) continue;
            accept_beep();
            sequence_freeze[i] = static_cast<uint8_t>((sequence_freeze[i] + 1) % 3);
            set_key_led(sequence_key_of(s), sequence_freeze_led(s));
        }
        sequences_held = sequences_now;

        if (shown_fixture_page() != page) {
            page = shown_fixture_page();
            if (!cue_screen_shown()) paint_page_cells(page, kFreezeView);
            for (int k = page_fixture_count(page) + 1; k <= runtime::kFixtureKeys; ++k) {
                set_key_led(static_cast<int16_t>(k), runtime::LED_OFF);
            }
        }
        if (!pressed) continue;

        if (key >= KEY_FIXTURE_1 && key <= page_fixture_count(page) && !cue_screen_shown()) {
            freeze_from_fixture_key(page, key);
        } else if (key == KEY_ALL || key == KEY_NONE) {
            set_page_fixtures_frozen(page, key == KEY_ALL ? 1 : 0);
        } else if (key == KEY_BANK_DOWN || key == KEY_BANK_UP) {
            if (cue_screen_shown()) {
                programmer::set_fixture_page(runtime::fixture_page);
            } else {
                const int step = key == KEY_BANK_DOWN ? -1 : 1;
                programmer::set_fixture_page(static_cast<int16_t>(std::clamp(page + step, 1, runtime::kFixturePages)));
            }
        } else if (key == KEY_CUE && (runtime::mode_flags & runtime::MODE_CUE_TIMING) != 0) {
            runtime::show_time_frozen = runtime::show_time_frozen != 0 ? 0 : 1;
            draw_speed_box();
        }
    }

    restore_sequence_leds();
    playback::update_playback_leds();
    if (!cue_screen_shown()) paint_page_cells(shown_fixture_page(), kNormalView);
    restore_cue_led();
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        const auto i = static_cast<size_t>(p);
        if (playback_freeze[i] == 0) continue;
        if (playback::playback_linked_cue[i] == 0 && playback::playback_reload_pending[i] == 0) continue;
        playback::playback_linked_cue[i] = 0;
        playback::playback_reload_pending[i] = 0;
        playback::draw_playback_label(static_cast<int16_t>(p), 1, 8);
    }
    runtime::run_flags &= ~runtime::RUN_FREEZE_SWITCHES;
    recount_frozen();
    const bool any_frozen = frozen_playback_count > 0 || frozen_sequence_count > 0 || frozen_fixture_count > 0 ||
                            runtime::show_time_frozen == 1;
    set_key_led(KEY_FREEZE, any_frozen ? runtime::LED_ON : runtime::LED_OFF);
    clear_message();
}

// --- CLR -------------------------------------------------------------------------

void clear_item_dialog() {
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    show_clear_prompt();
    beep_interruptible(kStartBeep_hz, kStartBeep_ms);
    runtime::run_flags |= runtime::RUN_SEQUENCE_KEYS_TAKEN | runtime::RUN_PLAYBACK_KEYS_TAKEN;
    set_key_led(KEY_CLR, runtime::LED_ON);
    PlaybackKeys playbacks_held{};
    look_at_playback_keys(playbacks_held);
    if (cue_screen_shown()) set_cue_key_leds(runtime::LED_BLINK_2, runtime::LED_BLINK, runtime::LED_BLINK_BOTH);

    while (key_down(KEY_CLR)) {
        if (!timecode_list_runs()) set_digit_leds(runtime::LED_BLINK);
        set_sequence_leds(runtime::LED_BLINK_BOTH);
        set_playback_leds(runtime::LED_BLINK_BOTH);
        set_key_led(KEY_CUE, runtime::LED_BLINK_BOTH);
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        if (pressed) clear_for_key(key);
        if (timecode_list_runs()) continue;  // the playback keys belong to the list meanwhile
        PlaybackKeys playbacks_now{};
        look_at_playback_keys(playbacks_now);
        for (int p = 1; p <= playback::kPlaybacks; ++p) {
            const auto i = static_cast<size_t>(p);
            if (playbacks_now[i] != 0 && playbacks_held[i] == 0) clear_live_playback(p);
        }
        playbacks_held = playbacks_now;
    }

    if (cue_screen_shown()) set_cue_key_leds(runtime::LED_ON_2, runtime::LED_ON, runtime::LED_ON_BOTH);
    restore_cue_led();
    set_digit_leds(runtime::LED_OFF);
    runtime::run_flags &= ~runtime::RUN_SEQUENCE_KEYS_TAKEN;
    restore_sequence_leds();
    runtime::run_flags &= ~runtime::RUN_PLAYBACK_KEYS_TAKEN;
    playback::update_playback_leds();
    playback::update_point_cue_leds();
    set_key_led(KEY_CLR, runtime::LED_OFF);
    clear_message();
}

// --- EDIT ITEM -------------------------------------------------------------------

void select_item_to_edit() {
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    const uint8_t panel = shown_panel();
    show_message("SELECT ITEM TO EDIT");
    beep_interruptible(kStartBeep_hz, kStartBeep_ms);
    if (!timecode_list_runs()) runtime::run_flags |= kAllItemBits;
    runtime::run_flags |= runtime::RUN_MASTER_KEYS_TAKEN;
    set_key_led(KEY_EDIT_ITEM, runtime::LED_ON);

    ItemChoice choice;
    while (key_down(KEY_EDIT_ITEM) && choice.item == kItemNone) {
        blink_item_candidates();
        runtime::run_background();
        choice = choice_by_held_keys();
        if (choice.item != kItemNone || !runtime::is_input_pending()) continue;
        int16_t key = 0;
        if (!runtime::get_key(&key)) {
            choice = choice_by_held_keys();
            continue;
        }
        choice = choice_by_press(key);
        if (choice.released) break;
    }

    for (int item = 1; item <= kItems; ++item) {
        if (item == choice.item) continue;
        runtime::run_flags &= ~kItemBits[item];
        restore_item_leds(item);
    }
    set_digit_leds(runtime::LED_OFF);
    run_item_editor(choice);
    runtime::run_flags &= ~kAllItemBits;
    if (shown_panel() != panel) set_panel_mode(panel);
    playback::update_point_cue_leds();
    set_key_led(KEY_EDIT_ITEM, runtime::LED_OFF);
}

// --- TEXT ------------------------------------------------------------------------

void run_text_edit_dialog() {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_TEXT_EDIT;
    draw_text_edit_title();
    show_message("SELECT CUE MEM PSET THRESH PLBACK");

    const bool playbacks_offered = !timecode_list_runs();
    if (playbacks_offered) {
        runtime::run_flags |= runtime::RUN_PLAYBACK_KEYS_TAKEN;
        for (int p = 1; p <= playback::kPlaybacks; ++p) {
            set_key_led(playback_key(p), playback_nameable(p) ? runtime::LED_BLINK_BOTH : runtime::LED_OFF);
        }
    }
    set_key_led(KEY_TEXT, runtime::LED_ON);
    for (const int16_t key : {KEY_CUE, KEY_PRESET_1, KEY_PRESET_2, KEY_PRESET_3, KEY_PRESET_4, KEY_TO_MEM, KEY_THRESHOLD}) {
        set_key_led(key, runtime::LED_BLINK);
    }
    show_group_choices();
    beep_interruptible(kStartBeep_hz, kTextBeep_ms);

    PlaybackKeys playbacks_held{};
    look_at_playback_keys(playbacks_held);
    while (key_down(KEY_TEXT)) {
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        if (pressed && is_text_choice(key)) {
            restore_group_leds();
            if (playbacks_offered) playback::update_playback_leds();
            if (open_names_for_key(key)) break;
        }
        if (!playbacks_offered) continue;
        PlaybackKeys playbacks_now{};
        look_at_playback_keys(playbacks_now);
        for (int p = 1; p <= playback::kPlaybacks; ++p) {
            const auto i = static_cast<size_t>(p);
            if (playbacks_now[i] == 0 || playbacks_held[i] != 0 || !playback_nameable(p)) continue;
            beep_interruptible(kStartBeep_hz, kTextBeep_ms);
            const int16_t memory = playback::playback_table[i].memory;
            if (memory >= 1 && memory <= memories::kMemories) {
                leave_cue_screen();
                memories::edit_memory_name(memory);
            }
        }
        playbacks_held = playbacks_now;
    }

    if (playbacks_offered) {
        playback::update_playback_leds();
        runtime::run_flags &= ~runtime::RUN_PLAYBACK_KEYS_TAKEN;
    }
    for (const int16_t key : {KEY_TEXT, KEY_PRESET_1, KEY_PRESET_2, KEY_PRESET_3, KEY_PRESET_4, KEY_TO_MEM, KEY_THRESHOLD}) {
        set_key_led(key, runtime::LED_OFF);
    }
    restore_cue_led();
    restore_group_leds();
    redraw_cue_panel();
    runtime::run_flags &= ~runtime::RUN_TEXT_EDIT;
}

}  // namespace ui
