// The three flag words of the console state, bit by bit: mode_flags (what
// the screen shows and how the console works), run_flags (which command or
// dialog runs, and so which key groups it has taken) and option_flags (which
// panel occupies which area of the screen).
//
// Each word has one complete table here; a field of several bits is named
// as a whole. The checks at the end keep any two names of a table from
// sharing a bit; the few names that stand for other names' bits on purpose
// are kept apart, below the tables.
#pragma once
#include <cstdint>
#include <initializer_list>

namespace runtime {

// ------------------------------------------------------------------ mode_flags

constexpr uint32_t MODE_BACKGROUND_READY = 1u << 0;     // the periodic jobs may run (cleared while they run)
constexpr uint32_t MODE_CUE_SCREEN = 1u << 1;           // the cue screen is shown
constexpr uint32_t MODE_PANEL_FIELD = 7u << 2;          // right-panel number 1..5
constexpr uint32_t MODE_PLAYBACK_LABELS = 7u << 5;      // playback label mode 0..2
constexpr uint32_t MODE_POINT_CUE_KEYS = 1u << 8;       // the digit keys call point cues
constexpr uint32_t MODE_EVENT_INSERT = 1u << 9;         // timecode events are being inserted
constexpr uint32_t MODE_PANEL_PARAM = 0xFFu << 10;      // bits 10-13 the table panel, 14-17 the panel of the 1/5 pair
constexpr uint32_t MODE_IN_SETUP = 1u << 18;            // the fixture setup is open
constexpr uint32_t MODE_TABLE_HALF = 3u << 19;          // shown half of the value table: 1 keys 1-35, 2 keys 36-70
constexpr uint32_t MODE_SOLO_MEMORY = 1u << 21;         // a solo memory is set
constexpr uint32_t MODE_CHANNEL_PAGE = 3u << 22;        // shown channel page: 1 channels 1-16, 2 channels 17-32
constexpr uint32_t MODE_AUTO_SEQUENCES = 1u << 24;      // sequence transparency default OFF
constexpr uint32_t MODE_AUTO_PLAYBACKS = 1u << 25;      // playback transparency default OFF
constexpr uint32_t MODE_FIXTURE_STEP = 1u << 26;        // LAST and NEXT step through the fixtures
constexpr uint32_t MODE_PERCENT = 1u << 27;             // values shown in percent
constexpr uint32_t MODE_CUE_TIMING = 1u << 28;          // cue timing on: point cues fade
constexpr uint32_t MODE_TRACKERBALL_PANTILT = 1u << 29; // the trackerball drives pan and tilt
constexpr uint32_t MODE_EDIT_MODE = 3u << 30;           // 0 absolute, 1 relative, 2 fan

// ------------------------------------------------------------------ run_flags

constexpr uint32_t RUN_BLIND = 1u << 0;                 // blind: cues and the setup leave the outputs alone
constexpr uint32_t RUN_EFFECTS_RUNNING = 1u << 1;       // the effect engines run
constexpr uint32_t RUN_LIVE_EDIT = 1u << 2;             // programmer values go live ("Fixtures Manual")
constexpr uint32_t RUN_COPY_MEMORY_DIALOG = 1u << 3;    // the memory copy dialog runs
constexpr uint32_t RUN_CUE_COPY_DIALOG = 1u << 4;       // the cue copy dialog runs (it has the cue and playback keys)
constexpr uint32_t RUN_SEQUENCE_KEYS_TAKEN = 1u << 5;   // a command reads the sequence keys itself
constexpr uint32_t RUN_PLAYBACK_KEYS_TAKEN = 1u << 6;   // a command reads the playback flash keys itself
constexpr uint32_t RUN_MASTER_KEYS_TAKEN = 1u << 7;     // a command reads the master flash keys itself
constexpr uint32_t RUN_THRESHOLD_MODE = 1u << 8;        // the threshold screen runs
constexpr uint32_t RUN_MIDI_EDIT = 1u << 9;             // a MIDI editor may be chosen: MIDI cue calls stay out
constexpr uint32_t RUN_PRESET_MENU = 1u << 10;          // a preset menu runs
constexpr uint32_t RUN_WHEELS_INACTIVE = 1u << 11;      // the preset channel setup has the wheels
constexpr uint32_t RUN_DEFAULT_MODE = 1u << 12;         // the default-values screen runs
constexpr uint32_t RUN_MEMORY_COMMAND = 1u << 13;       // TO-MEM or store-next runs (bit chosen here)
constexpr uint32_t RUN_FREEZE_SWITCHES = 1u << 14;      // the freeze command runs
constexpr uint32_t RUN_CUE_KEY_HELD = 1u << 15;         // the CUE key is held
constexpr uint32_t RUN_TEXT_EDIT = 1u << 16;            // the text edit command runs
constexpr uint32_t RUN_POINTCUE_EDIT = 1u << 17;        // the point-cue editor may be chosen: the CUE key is taken
constexpr uint32_t RUN_SHOW_FILE_BUSY = 1u << 18;       // a show file operation runs
constexpr uint32_t RUN_TIMINGS_DISPLAY = 1u << 19;      // the function faders are laid out wide (bit chosen here)
constexpr uint32_t RUN_SAVE_LOAD_KEY = 1u << 21;        // the SAVE or LOAD key handler runs
constexpr uint32_t RUN_CUE_MULTISELECT = 1u << 22;      // the cue multiselect dialog runs

// ------------------------------------------------------------------ option_flags

constexpr uint32_t OPT_POINTCUE_PANEL = 1u << 0;        // the point-cue panel is up (left column)
constexpr uint32_t OPT_CUE_GRID = 1u << 1;              // the cue grid occupies the right panel
constexpr uint32_t OPT_MEMORY_LIST = 1u << 2;           // the memory list occupies the right panel
constexpr uint32_t OPT_FIXTURE_PANEL = 1u << 3;         // the fixture panel is up (left column)
constexpr uint32_t OPT_FIXTURE_PANEL_RESTORED = 1u << 4;  // the fixture panel is shown from its saved picture
constexpr uint32_t OPT_PANTILT_PRESET_PANEL = 1u << 5;  // a preset grid is up (left column), for all four kinds
constexpr uint32_t OPT_PT_PRESET_PANEL = 1u << 6;       // a preset table occupies the right panel, for all four kinds
constexpr uint32_t OPT_THRESHOLD_GRID = 1u << 7;        // the threshold grid is up (left column)
constexpr uint32_t OPT_THRESHOLD_SCREEN = 1u << 8;      // the threshold names list occupies the right panel
constexpr uint32_t OPT_PICKER_OPEN = 1u << 9;           // a picker's key map is up (left column)
constexpr uint32_t OPT_PICKER_GRID = 1u << 10;          // a picker grid occupies the right panel
constexpr uint32_t OPT_TIMECODE_SCREEN = 1u << 11;      // the timecode screen is open
constexpr uint32_t OPT_TIMECODE_PLAYING = 1u << 12;     // the timecode table occupies the right panel
constexpr uint32_t OPT_TABLE_VIEW = 1u << 13;           // the value table occupies the right panel
constexpr uint32_t OPT_CONTROL_CHANNEL_FADERS = 1u << 14;  // the control-channel faders are drawn
constexpr uint32_t OPT_ANALOGUE_VIEW = 1u << 15;        // the analogue fader view occupies the right panel
constexpr uint32_t OPT_SEQUENCE_PANEL = 1u << 16;       // the sequence panel is shown
constexpr uint32_t OPT_CUE_PANEL = 1u << 17;            // the memory / cue panel is shown
constexpr uint32_t OPT_MEMORY_STATE_SHOWN = 1u << 18;   // the message line may show the current memory's state
constexpr uint32_t OPT_SETTINGS_EDITOR = 1u << 19;      // a settings editor owns the lower-left frame
constexpr uint32_t OPT_OUTPUT_VALUES_VIEW = 1u << 20;   // the value table shows output values, the faders follow

// Names that stand for other names' bits.
constexpr uint32_t OPT_SCREEN_FIELD = OPT_CUE_GRID | OPT_MEMORY_LIST;  // the list in the right panel
constexpr uint32_t OPT_FADERS_FOLLOW_OUTPUT = OPT_OUTPUT_VALUES_VIEW;  // the programmer's name for bit 20
constexpr uint32_t OPT_SHOW_START_BITS = (1u << 24) - 1;               // bits 0..23, cleared at every show start

// ------------------------------------------------------------------ checks

namespace flag_tables {

// True when no two of the names share a bit and none is empty.
constexpr bool bits_apart(std::initializer_list<uint32_t> names) {
    uint32_t seen = 0;
    for (const uint32_t bits : names) {
        if (bits == 0 || (seen & bits) != 0) return false;
        seen |= bits;
    }
    return true;
}

constexpr uint32_t bits_of(std::initializer_list<uint32_t> names) {
    uint32_t all = 0;
    for (const uint32_t bits : names) all |= bits;
    return all;
}

constexpr std::initializer_list<uint32_t> kModeNames = {
    MODE_BACKGROUND_READY, MODE_CUE_SCREEN,     MODE_PANEL_FIELD,    MODE_PLAYBACK_LABELS, MODE_POINT_CUE_KEYS,
    MODE_EVENT_INSERT,     MODE_PANEL_PARAM,    MODE_IN_SETUP,       MODE_TABLE_HALF,      MODE_SOLO_MEMORY,
    MODE_CHANNEL_PAGE,     MODE_AUTO_SEQUENCES, MODE_AUTO_PLAYBACKS, MODE_FIXTURE_STEP,    MODE_PERCENT,
    MODE_CUE_TIMING,       MODE_TRACKERBALL_PANTILT, MODE_EDIT_MODE,
};
constexpr std::initializer_list<uint32_t> kRunNames = {
    RUN_BLIND,           RUN_EFFECTS_RUNNING,     RUN_LIVE_EDIT,           RUN_COPY_MEMORY_DIALOG,
    RUN_CUE_COPY_DIALOG, RUN_SEQUENCE_KEYS_TAKEN, RUN_PLAYBACK_KEYS_TAKEN, RUN_MASTER_KEYS_TAKEN,
    RUN_THRESHOLD_MODE,  RUN_MIDI_EDIT,           RUN_PRESET_MENU,         RUN_WHEELS_INACTIVE,
    RUN_DEFAULT_MODE,    RUN_MEMORY_COMMAND,      RUN_FREEZE_SWITCHES,     RUN_CUE_KEY_HELD,
    RUN_TEXT_EDIT,       RUN_POINTCUE_EDIT,       RUN_SHOW_FILE_BUSY,      RUN_TIMINGS_DISPLAY,
    RUN_SAVE_LOAD_KEY,   RUN_CUE_MULTISELECT,
};
constexpr std::initializer_list<uint32_t> kOptionNames = {
    OPT_POINTCUE_PANEL,  OPT_CUE_GRID,       OPT_MEMORY_LIST,        OPT_FIXTURE_PANEL,
    OPT_FIXTURE_PANEL_RESTORED, OPT_PANTILT_PRESET_PANEL, OPT_PT_PRESET_PANEL, OPT_THRESHOLD_GRID,
    OPT_THRESHOLD_SCREEN, OPT_PICKER_OPEN,   OPT_PICKER_GRID,        OPT_TIMECODE_SCREEN,
    OPT_TIMECODE_PLAYING, OPT_TABLE_VIEW,    OPT_CONTROL_CHANNEL_FADERS, OPT_ANALOGUE_VIEW,
    OPT_SEQUENCE_PANEL,  OPT_CUE_PANEL,      OPT_MEMORY_STATE_SHOWN, OPT_SETTINGS_EDITOR,
    OPT_OUTPUT_VALUES_VIEW,
};

static_assert(bits_apart(kModeNames), "two mode_flags names share a bit");
static_assert(bits_of(kModeNames) == ~0u, "every bit of mode_flags has a name");
static_assert(bits_apart(kRunNames), "two run_flags names share a bit");
static_assert(bits_apart(kOptionNames), "two option_flags names share a bit");
static_assert((bits_of(kOptionNames) & ~OPT_SHOW_START_BITS) == 0, "the show start clears every option bit");

}  // namespace flag_tables

}  // namespace runtime
