// The cue-position picker: on the cue screen the operator picks a page, a
// cue and a point with the cue-page keys, the cue keys, the point key and a
// digit, or types a cue's running number ((page - 1) x 70 + cue); ENTER
// hands the position back, ESC leaves. The status line in the prompt box
// shows the position as it is picked ("P %d C %d.%d  R %d.%d"). The stores
// and gets of TO-MEM and GET with CUE, and the copy dialogs, use it with
// their own prompt box and message.
#pragma once
#include <array>
#include <cstdint>

namespace playback {

constexpr int16_t kNoPickedCue = -1;

// What ENTER does without a cue, or on a position beyond page 16.
enum class CueEntryRefusal : uint8_t {
    beep_and_leave,  // the error beep, and the picker ends without a position
    leave,           // the picker ends without a position, silently
    keep_reading,    // ignored: the operator corrects the position
};

// How one read-out of the picked position is drawn.
using CueStatusDrawer = void (*)(int16_t page, int16_t cue, int16_t point);

// What a picker run shows and how it starts and ends.
struct CuePickerSetup {
    const char* box_word = "";  // "TO", "GET"; null: no prompt box of its own
    const char* message = "";   // "GIVE DESTINATION CUE"
    CueEntryRefusal refusal = CueEntryRefusal::beep_and_leave;
    // The entry already begun with a cue key of the shown page (1..70), or
    // with the first digit of a running number (0..9); 0 and -1 for none.
    int16_t first_cue = 0;
    int16_t first_digit = -1;
    // The read-out; null: draw_cue_position_status in the prompt box.
    CueStatusDrawer draw_status = nullptr;
};

// A picked position: page, cue (kNoPickedCue for none) and point 1..10.
struct CuePosition {
    int16_t page = 1;
    int16_t cue = kNoPickedCue;
    int16_t point = 1;
};

struct CuePick {
    bool entered = false;  // ENTER on a cue of a page 1..16
    CuePosition position;
};

// The last text of the status line (empty after a status with no page).
extern std::array<char, 48> cue_status_text;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_picker_globals();

// The status line: "P %d" while no cue is chosen, else
// "P %d C %d.%d  R %d.%d" (cue, point - 1, running number, point - 1).
void draw_cue_position_status(int16_t page, int16_t cue, int16_t point);

// Runs the picker until ENTER or ESC. ENTER without a cue, or on a position
// beyond page 16, is refused as the setup says (by default the error beep,
// and no position).
// The cue key it blinked gets its LED back; the other LEDs it lit are left
// for the caller's leaving step.
CuePick run_cue_picker(const CuePickerSetup& setup);

// The position that a typed digit makes of a running-number entry: the
// first digit starts the number (0 = no cue), each further one makes it
// 10 x the running number + digit while that is below 1000.
CuePosition type_running_number_digit(const CuePosition& position, bool first_digit, int digit);

}  // namespace playback
