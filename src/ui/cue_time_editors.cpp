#include "ui/cue_time_editors.h"

#include <algorithm>
#include <cstddef>

#include "datafiles/cue_files.h"
#include "memories/memory_editors.h"
#include "memories/cue_memories.h"
#include "platform/graphics.h"
#include "playback/cue_editing.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/cue_selection.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"

namespace ui {

namespace {

using namespace runtime::keys;
using playback::PointcueRecord;

constexpr int16_t kTimeDialogMinutes = 100;
constexpr int kGeneratorParameters = static_cast<int>(runtime::kGeneratorBytesPerRecord);
constexpr int kFigureParameters = static_cast<int>(runtime::kFigureBytesPerFixture);
constexpr int32_t kRefusedKeyBeep_hz = 500;
constexpr uint32_t kRefusedKeyBeep_ms = 50;

// One time key's editor: its texts, the record field it sets and the time
// that ESC or an answer out of range gives.
struct CueTimeKey {
    int16_t key;
    const char* title;
    const char* prompt;
    const char* label;
    uint16_t PointcueRecord::*field;
    uint16_t default_tenths;
};

constexpr CueTimeKey kCueTimeKeys[] = {
    {KEY_DELAY_IN, "DELAY-IN", "EDIT DELAY-IN TIME (SECONDS)", "Delay-in Time @ Min @ Sec @ mSec",
     &PointcueRecord::delay_in, 0},
    {KEY_DELAY_IN + 1, "FADE-IN", "EDIT FADE-IN TIME (SECONDS)", "Fade-in Time @ Min @ Sec @ mSec",
     &PointcueRecord::fade_in, 20},
    {KEY_DELAY_IN + 2, "DELAY-OUT", "EDIT DELAY-OUT TIME (SECONDS)", "Delay-out Time @ Min @ Sec @ mSec",
     &PointcueRecord::delay_out, kInfiniteCueTime},
    {KEY_DELAY_IN + 3, "FADE-OUT", "EDIT FADE-OUT TIME (SECONDS)", "Fade-out Time @ Min @ Sec @ mSec",
     &PointcueRecord::fade_out, 0},
    {KEY_HOLD, "HOLD", "EDIT HOLD TIME (SECONDS)", "Hold Time @ Min @ Sec @ mSec", &PointcueRecord::hold,
     kInfiniteCueTime},
};

// The keys a tool lets blink and the ones it puts out while its dialog is open.
constexpr int16_t kToolOffKeys[] = {KEY_CLR, KEY_THRESHOLD, KEY_FADE_MODE, KEY_ADD_EVENTS,
                                    KEY_LAST, KEY_NEXT, KEY_GET_MEMORY};

bool in_range(int32_t tenths) { return tenths >= 0 && tenths <= kLongestToolTime_tenths; }

// Clears the panels the title box covers, blinks the entry keys, draws the
// title box, and asks for the time: tenths of a second, 63000 for ESC.
int32_t ask_tool_time(const char* title, const char* prompt, const char* label) {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    for (int16_t key = KEY_DIGIT_0; key <= KEY_BACK; ++key) runtime::set_key_led(key, runtime::LED_BLINK);
    runtime::set_key_led(KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(KEY_ENTER, runtime::LED_BLINK);
    for (const int16_t key : kToolOffKeys) runtime::set_key_led(key, runtime::LED_OFF);

    fill_box(2, 282, 124, 314, 4);
    platform::_setcolor(7);
    platform::_line(125, 282, 125, 314);
    set_text_style(2, 0, 7);
    platform::_outtextxy(23, 288, title);
    set_text_style(2, 0, 4);
    fill_box(126, 282, 220, 314, 10);

    show_message("%s", prompt);
    return playback::edit_time_value(kTimeDialogMinutes, label);
}

void end_tool() {
    for (int16_t key = KEY_DIGIT_0; key <= KEY_BACK; ++key) runtime::set_key_led(key, runtime::LED_OFF);
    redraw_cue_panel();
    show_message("SELECT CUES TO MULTISELECT");
}

// The point-cue record of a cue slot, in use or not; null when it has none.
PointcueRecord* pointcue_of(int slot) {
    if (slot < 1 || slot > playback::kCueSlots) return nullptr;
    return playback::cue_pointcue_table[static_cast<size_t>(slot)];
}

// When the point-cue editor has this cue open, its copy takes the stored
// record (in use) so that the change below reaches it too.
PointcueRecord* open_editor_copy(int16_t entry, const PointcueRecord& stored) {
    if (playback::pointcue_edit_cue != entry) return nullptr;
    playback::pointcue_edit_record = stored;
    playback::pointcue_edit_record.flags |= playback::CUE_RECORD_IN_CUE;
    return &playback::pointcue_edit_record;
}

// A listed cue's record changed by a tool, written through the cue files.
// When the file refuses it (the cue files say why on the message line), the
// record and the editor's copy are put back, so that memory keeps what the
// file holds.
void save_changed_record(int slot, PointcueRecord& record, const PointcueRecord& before,
                         const PointcueRecord& editor_before) {
    const auto cue = static_cast<int16_t>(playback::cue_slot_cue(slot));
    const auto point = static_cast<int16_t>(playback::cue_slot_point(slot));
    const auto page = static_cast<int16_t>(playback::cue_slot_page(slot));
    if (datafiles::save_pointcue_record(cue, point, page)) return;
    record = before;
    playback::pointcue_edit_record = editor_before;
}

// The answer of a RET=YES ESC=NO question: ENTER true, ESC false; other keys beep.
bool ask_yes_no(const char* question) {
    show_message("%s", question);
    for (;;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == KEY_ENTER) return true;
        if (key == KEY_ESC) return false;
        beep_interruptible(kRefusedKeyBeep_hz, kRefusedKeyBeep_ms);
    }
}

// The slot of the first listed entry after position i, or 0.
int next_listed_slot(size_t i) {
    for (size_t j = i + 1; j < multiselect_list.size(); ++j) {
        if (multiselect_list[j] != kMultiselectRemoved) return multiselect_list[j] + 1;
    }
    return 0;
}

// The value the nearest programmed cue before slot on its page gives for an
// item (its trace gives something other than the kind's not-set value), or
// the not-set value when none of them has one.
uint16_t earlier_cue_value(int slot, int16_t index, int16_t kind, uint16_t not_set) {
    const int page_first = datafiles::cue_slot(1, 1, static_cast<int16_t>(playback::cue_slot_page(slot)));
    for (int earlier = slot - 1; earlier >= page_first; --earlier) {
        const PointcueRecord* record = playback::programmed_pointcue(earlier);
        if (record == nullptr) continue;
        const auto value = static_cast<uint16_t>(
            trace_cue_values(record->point_memory, index, kind, static_cast<int16_t>(earlier), 0));
        if (value != not_set) return value;
    }
    return not_set;
}

int programmer_records() {
    return std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords));
}

void optimize_values(int slot) {
    if (runtime::programmer_values == nullptr) return;
    for (int r = 1; r <= programmer_records(); ++r) {
        uint16_t& value = runtime::programmer_values[r];
        if (value == runtime::kValueNotSet) continue;
        if (earlier_cue_value(slot, static_cast<int16_t>(r), 0, runtime::kValueNotSet) == value) {
            value = runtime::kValueNotSet;
        }
    }
}

void optimize_generators(int slot) {
    if (runtime::programmer_generators == nullptr) return;
    const int bytes = programmer_records() * kGeneratorParameters;
    for (int i = 1; i <= bytes; ++i) {
        uint8_t& value = runtime::programmer_generators[i];
        if (value == runtime::kByteNotSet) continue;
        const auto record = static_cast<int16_t>((i - 1) / kGeneratorParameters + 1);
        const auto kind = static_cast<int16_t>(10 * ((i - 1) % kGeneratorParameters + 1));
        if (earlier_cue_value(slot, record, kind, runtime::kByteNotSet) == value) value = runtime::kByteNotSet;
    }
}

void optimize_figures(int slot) {
    if (runtime::programmer_figures == nullptr) return;
    const int fixtures = std::clamp<int>(setup::fixture_count, 0, static_cast<int>(runtime::kShowFixtures));
    for (int i = 1; i <= fixtures * kFigureParameters; ++i) {
        uint8_t& value = runtime::programmer_figures[i];
        if (value == runtime::kByteNotSet) continue;
        const auto fixture = static_cast<int16_t>((i - 1) / kFigureParameters + 1);
        const auto kind = static_cast<int16_t>(100 + 10 * ((i - 1) % kFigureParameters));
        if (earlier_cue_value(slot, fixture, kind, runtime::kByteNotSet) == value) value = runtime::kByteNotSet;
    }
}

}  // namespace

void edit_multiselect_cue_time(int16_t key) {
    if (multiselect_count() == 0) return;
    const CueTimeKey* time_key = nullptr;
    for (const CueTimeKey& k : kCueTimeKeys) {
        if (k.key == key) time_key = &k;
    }
    if (time_key == nullptr) return;

    const int32_t answer = ask_tool_time(time_key->title, time_key->prompt, time_key->label);
    const uint16_t tenths = in_range(answer) ? static_cast<uint16_t>(answer) : time_key->default_tenths;
    for (const int16_t entry : multiselect_list) {
        if (entry == kMultiselectRemoved) continue;
        const int slot = entry + 1;
        PointcueRecord* record = playback::programmed_pointcue(slot);
        if (record == nullptr) continue;
        const PointcueRecord before = *record;
        const PointcueRecord editor_before = playback::pointcue_edit_record;
        if (PointcueRecord* copy = open_editor_copy(entry, *record)) copy->*(time_key->field) = tenths;
        record->*(time_key->field) = tenths;
        save_changed_record(slot, *record, before, editor_before);
    }
    end_tool();
}

void edit_fade_in_launch() {
    if (multiselect_count() == 0) return;
    const int32_t answer =
        ask_tool_time("FADE-IN LAUNCH", "EDIT FADE-IN TIME (SECONDS)", "Fade-in Time @ Min @ Sec @ mSec");
    if (in_range(answer)) start_multiselected_cues(answer == 0 ? 1 : static_cast<uint16_t>(answer));
    end_tool();
}

void edit_link_time() {
    if (multiselect_count() == 0) return;
    const int32_t answer = ask_tool_time("LINK TIME", "EDIT LINK TIME (SECONDS)", "Link Time @ Min @ Sec @ mSec");
    uint16_t hold = 0;
    bool loop = false;
    bool only_defined = false;
    bool clear = false;
    if (!in_range(answer)) {
        if (!ask_yes_no("CLEAR LINKING? (RET=YES ESC=NO)")) {
            end_tool();
            return;
        }
        hold = static_cast<uint16_t>(kInfiniteCueTime);
        loop = only_defined = clear = true;
    } else {
        hold = static_cast<uint16_t>(answer);
        loop = ask_yes_no("LOOP LINKING? (RET=YES ESC=NO)");
        only_defined = ask_yes_no("ONLY DEF CHAN? (RET=YES ESC=NO)");
    }

    int first = 0;
    for (const int16_t entry : multiselect_list) {
        if (entry != kMultiselectRemoved) {
            first = entry + 1;
            break;
        }
    }
    for (size_t i = 0; i < multiselect_list.size(); ++i) {
        const int16_t entry = multiselect_list[i];
        if (entry == kMultiselectRemoved) continue;
        const int slot = entry + 1;
        PointcueRecord* record = pointcue_of(slot);
        if (record == nullptr) continue;
        int next = next_listed_slot(i);
        if (next == 0 && loop) next = first;
        const PointcueRecord before = *record;
        const PointcueRecord editor_before = playback::pointcue_edit_record;
        PointcueRecord* copy = open_editor_copy(entry, *record);
        for (PointcueRecord* target : {record, copy}) {
            if (target == nullptr) continue;
            target->hold = hold;
            if (next != 0) {
                target->linked_cue = clear ? 0 : static_cast<int16_t>(next);
                target->link_mode = only_defined ? 0 : 1;
            }
        }
        save_changed_record(slot, *record, before, editor_before);
    }
    end_tool();
}

void optimize_cues(int16_t slot) {
    if (playback::programmed_pointcue(slot) == nullptr) {
        clear_message();
        return;
    }
    const int page = playback::cue_slot_page(slot);
    const int cue = playback::cue_slot_cue(slot);
    const int point = playback::cue_slot_point(slot);
    if (cue == 1 && point == 1) return;

    show_message("OPTIMIZING %d.%d.%d", page, cue, point);
    memories::recall_cue_memory(static_cast<int16_t>(cue), static_cast<int16_t>(point), static_cast<int16_t>(page));
    optimize_values(slot);
    optimize_generators(slot);
    optimize_figures(slot);
    memories::pack_cue_work_buffer();
    playback::store_pointcue_with_defaults(static_cast<int16_t>(cue), static_cast<int16_t>(point),
                                           static_cast<int16_t>(page));

    if (page == runtime::cue_screen_page) {
        uint8_t led = runtime::LED_OFF;
        if (playback::cue_header_table[static_cast<size_t>(slot)].programmed != 0) {
            led = cue == playback::current_cue ? runtime::LED_ON_2 : runtime::LED_ON;
        }
        runtime::set_key_led(static_cast<int16_t>(cue), led);
    }
    clear_message();
}

void handle_optimize_key() {
    // A live cue outside the cue tables has no slot (0), which optimize_cues refuses.
    const int32_t slot = datafiles::cue_slot(playback::current_cue, playback::current_cue_point, playback::current_cue_page);
    optimize_cues(static_cast<int16_t>(slot));
}

}  // namespace ui
