// The text definition files of the program directory, each read once per
// program run: the effect macros (macro.def), the MIDI statuses listened to
// (midispec.cfg) and the sound-input parameters (soundin.cfg).
//
// Lines may end in CR LF or LF, and the last line needs no line end. A line
// longer than 99 characters, or one that does not parse, is skipped with a
// message on the standard output (kept in definition_messages too) while the
// rest of the file loads. A missing file gives its warning on the red bar at
// the foot of the screen, a 400 Hz tone of 4000 ms, and leaves the defaults.
//
// macro.def, read in capitals:
//   MACRO n name1 name2           opens macro n (1..70); names cut to 8 characters
//   FIGURE NAME=value ...         figure parameters (names and maxima below)
//   <function> NAME=value ...     one of the 37 function keywords: its block
//   LOOPEFFECT value              the loop-effect byte
//   END                           closes the macro
// Lines outside a macro other than a head are comments.
//
// midispec.cfg: "name status length [CUESELECT]", status in hexadecimal
// 01..FF, length 0..3; "/" starts a comment line. The first line of a status
// wins; the first five CUESELECT statuses get cue-select classes 1..5.
//
// soundin.cfg: "word key value", key 1..8 and a value of 0 or more whose
// low byte is stored; "/" starts a comment line.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace datafiles {

constexpr int kEffectMacros = 70;
constexpr size_t kMacroNameBytes = 9;   // 8 characters and the NUL
constexpr int kFigureParameters = 12;
constexpr int kFunctionParameters = 7;
constexpr int kMacroFunctions = 37;
constexpr int kMacroLineMarks = 23;
constexpr uint16_t kMacroNotSet = 65535;

// Figure block: XCENTER, YCENTER, XSWING, YSWING, SPEED, MODE, FIGURE1,
// FIGURE2, ROTATE, DELAY, SHIFT, WAIT, with their largest values.
constexpr std::array<const char*, kFigureParameters> kFigureParameterNames = {
    "XCENTER", "YCENTER", "XSWING", "YSWING", "SPEED", "MODE", "FIGURE1", "FIGURE2", "ROTATE", "DELAY", "SHIFT", "WAIT"};
constexpr std::array<uint16_t, kFigureParameters> kFigureParameterMaxima = {255, 255, 127, 127, 170, 170,
                                                                             170, 170, 170, 170, 170, 170};
// Function block: CENTER, SWING, SPEED, MODE, DELAY, SHIFT, WAIT.
constexpr std::array<const char*, kFunctionParameters> kFunctionParameterNames = {"CENTER", "SWING", "SPEED", "MODE",
                                                                                  "DELAY",  "SHIFT", "WAIT"};
constexpr std::array<uint16_t, kFunctionParameters> kFunctionParameterMaxima = {255, 127, 170, 170, 170, 170, 170};

// The function keywords in block order. The first 14 (with FIGURE as bit 0)
// are line flags DIMMER bit 1 .. KNIFEPAR bit 14; the other 23 are line marks 0..22.
constexpr std::array<const char*, kMacroFunctions> kMacroFunctionKeywords = {
    "DIMMER",  "IRIS",    "RED",     "GREEN",      "BLUE",       "KNIFE1",  "KNIFE2",  "KNIFE3",  "KNIFE4",  "KNIFE5",
    "KNIFE6",  "KNIFE7",  "KNIFE8",  "KNIFEPAR",   "STROBO",     "COLOR1",  "COLOR2",  "COLOR3",  "COLOR4",  "COLORPAR",
    "GOBO1",   "GOBO2",   "GOBO3",   "GOBO4",      "GOBOINDEX1", "GOBOINDEX2", "EFFECT1", "EFFECT2", "EFFECT3", "PRISMA1",
    "PRISMA2", "PRISMA3", "ZOOM",    "FOCUS",      "FROST",      "EFFECTPAR1", "EFFECTPAR2"};
constexpr int kMacroFlagFunctions = 14;      // DIMMER..KNIFEPAR
constexpr uint16_t kMacroFigureLine = 1u << 0;

// One effect macro: a pan/tilt figure and generator settings for up to 37
// named fixture functions. Parameters are kMacroNotSet when not set.
struct EffectMacro {
    std::array<char, kMacroNameBytes> name_line1{};
    std::array<char, kMacroNameBytes> name_line2{};
    uint16_t defined_blocks = 0;   // blocks with a value set (figure and functions); 0 = empty
    std::array<uint16_t, kFigureParameters> figure{};
    std::array<std::array<uint16_t, kFunctionParameters>, kMacroFunctions> functions{};
    uint16_t line_flags = 0;       // bit 0 FIGURE, bits 1..14 DIMMER..KNIFEPAR: the file has the line
    std::array<uint16_t, kMacroLineMarks> line_marks{};  // STROBO..EFFECTPAR2: 1 when the file has the line
    uint8_t loop_effect = 0;
};

// [macro 1..70].
extern std::array<EffectMacro, kEffectMacros + 1> effect_macro_table;

// What the definition files said of the lines they skipped, in order.
extern std::vector<std::string> definition_messages;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_definition_files_globals();

// The show start calls each; only the first call of the run reads its file.
void load_macro_file();
void load_midi_spec_file();
void load_soundin_config();

}  // namespace datafiles
