// The console key codes: one name for every key of the console's key table,
// as the key reader hands them out and the LED setter takes them.
//
// A key code is 1..519 for a key of the console (0 none), the same number
// whichever source the key came from: the console's key matrix, the small
// console, the PC keyboard or a numeric key entry. 901 and 999 are virtual
// codes. Several keys mean two things by the screen: the fixture keys are
// the cue keys on the cue screen, the group keys the cue-page keys, four of
// the digits the arrows.
//
// The names live in runtime::keys, which runtime opens for itself: code
// elsewhere writes runtime::KEY_CUE, or opens runtime::keys where a table
// of keys reads better without the prefix.
#pragma once
#include <cstdint>

namespace runtime {
inline namespace keys {

// ------------------------------------------------------------------ fixture panel

constexpr int16_t KEY_FIXTURE_1 = 1;       // fixture keys 1..70; cue keys 1..70 on the cue screen
constexpr int16_t KEY_FIXTURE_70 = 70;
constexpr int16_t KEY_BANK_DOWN = 71;      // fixture page down
constexpr int16_t KEY_BANK_UP = 72;        // fixture page up
constexpr int16_t KEY_CUE = 73;
constexpr int16_t KEY_MODE = 74;           // edit mode: absolute, relative, fan
constexpr int16_t KEY_STEP = 75;           // fixture step mode
constexpr int16_t KEY_ALL = 76;
constexpr int16_t KEY_NONE = 77;
constexpr int16_t KEY_GROUP_1 = 81;        // group keys 1..16; cue-page keys 1..16 on the cue screen
constexpr int16_t KEY_GROUP_16 = 96;
constexpr int16_t KEY_GROUP_BANK = 101;
constexpr int16_t KEY_GROUP_STORE = 102;

// Fixture key n (1..70), cue key n on the cue screen.
constexpr int16_t fixture_key(int n) { return static_cast<int16_t>(KEY_FIXTURE_1 + n - 1); }
// Group key n (1..16), the key of cue page n on the cue screen.
constexpr int16_t group_key(int n) { return static_cast<int16_t>(KEY_GROUP_1 + n - 1); }

// ------------------------------------------------------------------ show and setup

constexpr int16_t KEY_LOAD = 111;
constexpr int16_t KEY_SAVE = 112;
constexpr int16_t KEY_SETUP = 113;         // held: the SETUP menu
constexpr int16_t KEY_BLIND_TOGGLE = 114;

// ------------------------------------------------------------------ programmer

constexpr int16_t KEY_FADER_1 = 121;       // fader select keys 1..16
constexpr int16_t KEY_FADER_16 = 136;
constexpr int16_t KEY_WHEEL_MODE_2 = 137;  // wheel modes 2, 3, 4: fixture faders, masters, playbacks
constexpr int16_t KEY_WHEEL_MODE_3 = 138;
constexpr int16_t KEY_WHEEL_MODE_4 = 139;
constexpr int16_t KEY_CLEAR = 141;         // clear the programmer
constexpr int16_t KEY_TIMING = 142;
constexpr int16_t KEY_SELECT_FUNCTIONS = 143;
constexpr int16_t KEY_FIGURE = 144;
constexpr int16_t KEY_FUNCTION_PAGE_1 = 145;
constexpr int16_t KEY_FUNCTION_PAGE_2 = 146;
constexpr int16_t KEY_LIVE_EDIT = 147;     // "Fixtures Manual"
constexpr int16_t KEY_TRACKERBALL_PANTILT = 148;
constexpr int16_t KEY_PRESET_1 = 151;      // preset keys: pan/tilt, gobo, colour, effect
constexpr int16_t KEY_PRESET_2 = 152;
constexpr int16_t KEY_PRESET_3 = 153;
constexpr int16_t KEY_PRESET_4 = 154;
constexpr int16_t KEY_PRESET_CLEAR = 155;   // the preset menu: clear, modify, store
constexpr int16_t KEY_PRESET_MODIFY = 156;
constexpr int16_t KEY_PRESET_STORE = 157;
constexpr int16_t KEY_PANEL_1 = 161;       // right-panel keys 1..3
constexpr int16_t KEY_PANEL_2 = 162;
constexpr int16_t KEY_PANEL_3 = 163;
constexpr int16_t KEY_PREDEFINED = 164;

// Fader select key n (1..16).
constexpr int16_t fader_key(int n) { return static_cast<int16_t>(KEY_FADER_1 + n - 1); }

// ------------------------------------------------------------------ keypad

constexpr int16_t KEY_DIGIT_0 = 171;       // digits 0..9
constexpr int16_t KEY_DIGIT_1 = 172;
constexpr int16_t KEY_DIGIT_2 = 173;
constexpr int16_t KEY_DIGIT_3 = 174;
constexpr int16_t KEY_DIGIT_9 = 180;
constexpr int16_t KEY_DOWN = 173;          // the arrows are digits 2, 4, 6 and 8
constexpr int16_t KEY_LEFT = 175;
constexpr int16_t KEY_RIGHT = 177;
constexpr int16_t KEY_UP = 179;
constexpr int16_t KEY_POINT = 181;
constexpr int16_t KEY_BACK = 182;
constexpr int16_t KEY_EDIT_VALUE = 183;
constexpr int16_t KEY_PLUS = 184;
constexpr int16_t KEY_MINUS = 185;
constexpr int16_t KEY_FULL = 186;

// Digit d (0..9).
constexpr int16_t digit_key(int d) { return static_cast<int16_t>(KEY_DIGIT_0 + d); }

// ------------------------------------------------------------------ memories and editing

constexpr int16_t KEY_LAST = 191;
constexpr int16_t KEY_NEXT = 192;
constexpr int16_t KEY_TO_MEM = 193;
constexpr int16_t KEY_GET_MEMORY = 194;
constexpr int16_t KEY_COLOR = 195;
constexpr int16_t KEY_TEXT = 196;
constexpr int16_t KEY_STORE_NEXT = 197;
constexpr int16_t KEY_TAKE_OUTPUT = 198;
constexpr int16_t KEY_DIMMER = 199;
constexpr int16_t KEY_RANGE = 200;
constexpr int16_t KEY_ESC = 201;
constexpr int16_t KEY_PAGE_UP = 202;
constexpr int16_t KEY_PAGE_DOWN = 203;
constexpr int16_t KEY_DEL = 204;
constexpr int16_t KEY_COPY = 205;
constexpr int16_t KEY_TO_ITEM = 206;
constexpr int16_t KEY_ENTER = 207;         // also GO of every running sequence that is not automatic

// ------------------------------------------------------------------ timecode

constexpr int16_t KEY_PLAY = 211;
constexpr int16_t KEY_REC = 212;
constexpr int16_t KEY_STOP = 213;
constexpr int16_t KEY_EDIT = 214;
constexpr int16_t KEY_TIMECODE_MODE = 215;

// ------------------------------------------------------------------ sequences and edit keys

constexpr int16_t KEY_SEQUENCE_RUN = 221;  // of the sequence the wheel mode shows
constexpr int16_t KEY_SEQUENCE_A = 222;    // wheel modes 5..8: sequences A..D
constexpr int16_t KEY_SEQUENCE_B = 223;
constexpr int16_t KEY_SEQUENCE_C = 224;
constexpr int16_t KEY_SEQUENCE_D = 225;
constexpr int16_t KEY_SEQUENCE_DIRECTION = 226;
constexpr int16_t KEY_SEQUENCE_DIRECTION_2 = 227;  // its second LED: the other way
constexpr int16_t KEY_EDIT_ITEM = 228;
constexpr int16_t KEY_STORE_SEQUENCES = 229;
constexpr int16_t KEY_FREEZE = 230;
constexpr int16_t KEY_CLR = 231;
constexpr int16_t KEY_SEQUENCE_SYNC = 232;
constexpr int16_t KEY_MIDI = 233;
constexpr int16_t KEY_THRESHOLD = 234;
constexpr int16_t KEY_OPTIMIZE = 235;
constexpr int16_t KEY_INSERT_EVENTS = 236;
constexpr int16_t KEY_SEQUENCE_TRIGGER = 237;
constexpr int16_t KEY_LOOP_COUNTER = 238;
constexpr int16_t KEY_FADE_MODE = 239;
constexpr int16_t KEY_LINK_CUE = 240;
constexpr int16_t KEY_ADD_EVENTS = 241;
constexpr int16_t KEY_SEQUENCE_GO = 242;
constexpr int16_t KEY_SEQUENCE_CONTROL_1 = 243;  // sequence controls 1..3
constexpr int16_t KEY_SEQUENCE_CONTROL_2 = 244;
constexpr int16_t KEY_SEQUENCE_CONTROL_3 = 245;
constexpr int16_t KEY_SHIFT = 246;         // held: the second functions of other keys
constexpr int16_t KEY_ANY = 248;           // a wait that any key ends
constexpr int16_t KEY_OPEN_LIST = 250;

// ------------------------------------------------------------------ hardware key groups

// Sequence keys of the sequence belts: six per sequence A..D (run, direction,
// spare, sync, trigger mode, GO).
constexpr int16_t KEY_SEQUENCE_A_RUN = 251;
constexpr int16_t KEY_SEQUENCE_D_GO = 274;
constexpr int kSequenceKeysEach = 6;
enum class SequenceKey : int16_t { run, direction, spare, sync, trigger, go };

// The key `which` of sequence s (1..4).
constexpr int16_t sequence_key(int s, SequenceKey which) {
    return static_cast<int16_t>(KEY_SEQUENCE_A_RUN + (s - 1) * kSequenceKeysEach + static_cast<int16_t>(which));
}

// Master flash keys: GRAND, FLASH, SUB1, SUB2.
constexpr int16_t KEY_MASTER_1 = 281;
constexpr int16_t KEY_MASTER_2 = 282;
constexpr int16_t KEY_MASTER_3 = 283;
constexpr int16_t KEY_MASTER_4 = 284;

// Playback flash keys 1..42; the small console has 1..10.
constexpr int16_t KEY_PLAYBACK_1 = 291;
constexpr int16_t KEY_PLAYBACK_10 = 300;
constexpr int16_t KEY_PLAYBACK_42 = 332;

// Master key m (1..4) and playback key p (1..42).
constexpr int16_t master_key(int m) { return static_cast<int16_t>(KEY_MASTER_1 + m - 1); }
constexpr int16_t playback_key(int p) { return static_cast<int16_t>(KEY_PLAYBACK_1 + p - 1); }

// ------------------------------------------------------------------ playback wing

constexpr int16_t KEY_WING_BANK_1 = 374;   // wing LCD lines 1..16
constexpr int16_t KEY_WING_BANK_2 = 375;   // wing LCD lines 17..32
constexpr int16_t KEY_LABEL_MODE_BACK = 376;
constexpr int16_t KEY_LABEL_MODE_FORWARD = 377;
constexpr int16_t KEY_UNDO = 378;
constexpr int16_t KEY_EVEN = 382;
constexpr int16_t KEY_ODD = 383;
constexpr int16_t KEY_IGNITE = 384;        // lamp commands: ignite, shut off, reset
constexpr int16_t KEY_SHUT_OFF = 385;
constexpr int16_t KEY_LAMP_RESET = 386;
constexpr int16_t KEY_TRANSPARENT_SEQ = 388;
constexpr int16_t KEY_TRANSPARENT_PLB = 389;
constexpr int16_t KEY_FLASH_MODE = 390;    // flash modes of playbacks: flash, toggle, kill
constexpr int16_t KEY_TOGGLE_MODE = 391;
constexpr int16_t KEY_KILL_MODE = 392;
constexpr int16_t KEY_SELECT_PLAYBACKS = 395;
constexpr int16_t KEY_DELAY_IN = 396;      // cue times: delay in, fade in, delay out, fade out, hold
constexpr int16_t KEY_FADE_IN = 397;
constexpr int16_t KEY_DELAY_OUT = 398;
constexpr int16_t KEY_FADE_OUT = 399;
constexpr int16_t KEY_HOLD = 400;

// ------------------------------------------------------------------ key macros

constexpr int16_t KEY_MACRO_1 = 501;       // key macros 1..15
constexpr int16_t KEY_MACRO_15 = 515;

// The key of macro n (1..15).
constexpr int16_t macro_key(int n) { return static_cast<int16_t>(KEY_MACRO_1 + n - 1); }

// ------------------------------------------------------------------ virtual codes

constexpr int16_t KEY_SPACE = 901;         // the PC space bar: next cue
constexpr int16_t KEY_QUIT = 999;

static_assert(KEY_FIXTURE_70 == fixture_key(70) && KEY_GROUP_16 == group_key(16) && KEY_FADER_16 == fader_key(16));
static_assert(KEY_DIGIT_9 == digit_key(9) && KEY_DOWN == digit_key(2) && KEY_UP == digit_key(8));
static_assert(KEY_SEQUENCE_D_GO == sequence_key(4, SequenceKey::go));
static_assert(KEY_MASTER_4 == master_key(4) && KEY_PLAYBACK_42 == playback_key(42));
static_assert(KEY_MACRO_15 == macro_key(15) && KEY_MACRO_15 < 520, "console key codes are 1..519");

}  // namespace keys
}  // namespace runtime
