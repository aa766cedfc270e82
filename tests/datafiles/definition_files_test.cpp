// The text definition files of the program directory: effect macros, the
// MIDI statuses and the sound-input parameters. Each parses with CR LF or LF
// line ends and a last line without one, skips a line it cannot take with a
// message while the rest loads, warns once when its file is missing, and is
// read only once in a run.
#include "datafiles/definition_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/warning_bar.h"
#include "sync/midi_events.h"
#include "sync/sync_services.h"

namespace {

using datafiles::effect_macro_table;
using datafiles::kMacroNotSet;

constexpr size_t kDimmer = 0;   // function blocks, in keyword order
constexpr size_t kStrobo = 14;
constexpr size_t kEffectpar2 = 36;
constexpr size_t kSwing = 1;    // function parameters
constexpr size_t kXcenter = 0;  // figure parameters
constexpr size_t kWait = 11;

// The same text with LF, with CR LF, and with CR LF but no line end after the last line.
std::vector<std::string> line_end_forms(const std::string& lf_text) {
    std::string crlf;
    for (char c : lf_text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string unterminated = crlf;
    while (!unterminated.empty() && (unterminated.back() == '\n' || unterminated.back() == '\r')) unterminated.pop_back();
    return {lf_text, crlf, unterminated};
}

class DefinitionFiles : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        for (const char* name : {"macro.def", "midispec.cfg", "soundin.cfg"}) dir_.remove_file(name);
    }
    void text(const std::string& name, const std::string& content) const { dir_.write_text(name, content); }
    // A fresh run: the read-once flags and everything read are forgotten.
    static void new_run() {
        datafiles::reset_definition_files_globals();
        datafiles::reset_warning_bar_globals();
        synchro::reset_midi_events_globals();
        synchro::reset_sync_services_globals();
    }
    static int messages_containing(const std::string& part) {
        int n = 0;
        for (const std::string& m : datafiles::definition_messages) n += m.find(part) != std::string::npos;
        return n;
    }
    int missing_file_beeps() const {
        int n = 0;
        for (const platform::Tone& tone : machine_->speaker.tones.to_vector()) {
            n += tone.freq_hz == 400 && tone.duration_ms == 4000;
        }
        return n;
    }
};

// ------------------------------------------------------------------ macro.def

const std::string kMacros =
    "; effect macros of the demo\n"
    "macro 3 circle-fast ballyhoo\n"        // small letters; a name longer than 8 is cut
    "  figure xcenter=0 wait=170 xswing=128 speed=x\n"
    "  dimmer swing=128\n"
    "  strobo center=255 swing=3\n"
    "  effectpar2 wait=1\n"
    "  loopeffect 2\n"
    "  sparkle speed=3\n"
    "end\n"
    "MACRO 71 TOO FAR\n"
    "FIGURE XCENTER=9\n"                    // read as a head while no macro is open
    "MACRO 70 LAST\n"
    "DIMMER CENTER=7\n";                    // never closed: takes the rest of the file

TEST_F(DefinitionFiles, MacrosParseWithAnyLineEnd) {
    for (const std::string& form : line_end_forms(kMacros)) {
        new_run();
        text("macro.def", form);
        datafiles::load_macro_file();

        const datafiles::EffectMacro& m = effect_macro_table[3];
        EXPECT_STREQ(m.name_line1.data(), "CIRCLE-F");
        EXPECT_STREQ(m.name_line2.data(), "BALLYHOO");
        EXPECT_EQ(m.figure[kXcenter], 0);
        EXPECT_EQ(m.figure[kWait], 170);
        EXPECT_EQ(m.figure[2], kMacroNotSet);                   // XSWING=128 is past 127
        EXPECT_EQ(m.figure[4], kMacroNotSet);                   // SPEED=x is no number
        EXPECT_EQ(m.functions[kDimmer][kSwing], kMacroNotSet);  // SWING=128 is past 127
        EXPECT_EQ(m.functions[kStrobo][0], 255);
        EXPECT_EQ(m.functions[kStrobo][kSwing], 3);
        EXPECT_EQ(m.functions[kEffectpar2][6], 1);
        EXPECT_EQ(m.line_flags, 0b11);                          // FIGURE and DIMMER lines
        EXPECT_EQ(m.line_marks[0], 1);                          // STROBO
        EXPECT_EQ(m.line_marks[22], 1);                         // EFFECTPAR2
        EXPECT_EQ(m.line_marks[1], 0);
        EXPECT_EQ(m.loop_effect, 2);
        EXPECT_EQ(m.defined_blocks, 3);                         // figure, STROBO, EFFECTPAR2

        EXPECT_EQ(effect_macro_table[70].functions[kDimmer][0], 7);  // the last line, however it ends
        EXPECT_EQ(effect_macro_table[70].defined_blocks, 1);
        EXPECT_EQ(effect_macro_table[1].defined_blocks, 0);
        EXPECT_EQ(effect_macro_table[1].figure[kXcenter], kMacroNotSet);
        EXPECT_EQ(messages_containing("MACRO.DEF"), 5);  // XSWING, SPEED, SWING, SPARKLE, 71 and nothing else
        EXPECT_EQ(messages_containing("SPARKLE"), 1);
        EXPECT_EQ(messages_containing("LINE 10:"), 1);   // the macro number 71
    }
}

TEST_F(DefinitionFiles, AnOverlongMacroLineIsSkippedAndTheNextOneStillRead) {
    text("macro.def", "MACRO 1 A B\nDIMMER CENTER=1 " + std::string(100, 'X') + "\nIRIS CENTER=5\nEND\n");
    datafiles::load_macro_file();
    EXPECT_EQ(effect_macro_table[1].functions[kDimmer][0], kMacroNotSet);
    EXPECT_EQ(effect_macro_table[1].functions[1][0], 5);
    EXPECT_EQ(messages_containing("LINE 2: LINE TOO LONG"), 1);
}

TEST_F(DefinitionFiles, AMissingMacroFileWarnsOnceAndLeavesEveryMacroEmpty) {
    datafiles::load_macro_file();
    datafiles::load_macro_file();
    EXPECT_EQ(datafiles::warning_bar_texts,
              std::vector<std::string>{"WARNING : EFFECT-MACRO FILE 'MACRO.DEF' NOT FOUND !"});
    EXPECT_EQ(missing_file_beeps(), 1);
    EXPECT_EQ(effect_macro_table[70].defined_blocks, 0);
    EXPECT_EQ(effect_macro_table[70].functions[kStrobo][0], kMacroNotSet);
    // A bar that was painted black again over the message.
    EXPECT_EQ(platform::_getpixel(320, 470), 0);
}

TEST_F(DefinitionFiles, TheMacroFileIsReadOncePerRun) {
    text("macro.def", "MACRO 1 A B\nFIGURE XCENTER=1\nEND\n");
    datafiles::load_macro_file();
    text("macro.def", "MACRO 1 A B\nFIGURE XCENTER=2\nEND\n");
    datafiles::load_macro_file();
    EXPECT_EQ(effect_macro_table[1].figure[kXcenter], 1);
}

// ------------------------------------------------------------------ midispec.cfg

const std::string kMidiStatuses =
    "/ status bytes the console listens to\n"
    "NOTEON 90 3 CUESELECT\n"
    "NOTEON2 90 2\n"          // a second line for the status: the first wins
    "ZERO 00 3\n"
    "BIG 100 3\n"
    "LONG B0 4\n"
    "CTRL B0 3 CUESELECT\n"
    "PROG C0 2 CUESELECT\n"
    "PRESS D0 2 CUESELECT\n"
    "BEND E0 3 CUESELECT\n"
    "SIXTH A0 3 CUESELECT\n"
    "CLOCK F8 1\n"
    "NOTEOFF 80 3 CUESELECT";  // the last line keeps its last character

TEST_F(DefinitionFiles, MidiStatusesParseWithAnyLineEnd) {
    for (const std::string& form : line_end_forms(kMidiStatuses + "\n")) {
        new_run();
        text("midispec.cfg", form);
        datafiles::load_midi_spec_file();

        EXPECT_EQ(synchro::midi_status_names[0x90], "NOTEON");
        EXPECT_EQ(synchro::midi_status_words[0x90], 3);
        EXPECT_EQ(synchro::midi_status_class[0x90], 1);
        EXPECT_EQ(synchro::midi_status_names[0x00], "");
        EXPECT_EQ(synchro::midi_status_class[0xB0], 2);  // LONG B0 4 was refused, CTRL took B0
        EXPECT_EQ(synchro::midi_status_words[0xB0], 3);
        EXPECT_EQ(synchro::midi_status_class[0xE0], 5);
        EXPECT_EQ(synchro::midi_status_names[0xA0], "SIXTH");  // listened to, without a class
        EXPECT_EQ(synchro::midi_status_class[0xA0], 0);
        EXPECT_EQ(synchro::midi_status_words[0xF8], 1);
        EXPECT_EQ(synchro::midi_status_names[0x80], "NOTEOFF");
        EXPECT_EQ(synchro::midi_status_class[0x80], 0);  // a seventh CUESELECT
        EXPECT_EQ(messages_containing("MIDISPEC.CFG"), 6);  // NOTEON2, ZERO, BIG, LONG, SIXTH, NOTEOFF
    }
}

TEST_F(DefinitionFiles, AMissingMidiFileWarnsAndListensToNothing) {
    synchro::midi_status_class[0x90] = 1;  // from an earlier load
    datafiles::load_midi_spec_file();
    EXPECT_EQ(datafiles::warning_bar_texts,
              std::vector<std::string>{"WARNING : MIDI-CONFIGURATION FILE 'MIDISPEC.CFG' NOT FOUND !"});
    EXPECT_EQ(synchro::midi_status_class[0x90], 0);
    text("midispec.cfg", "NOTEON 90 3\n");
    datafiles::load_midi_spec_file();  // the second show start reads nothing
    EXPECT_EQ(synchro::midi_status_names[0x90], "");
}

// ------------------------------------------------------------------ soundin.cfg

TEST_F(DefinitionFiles, SoundInputLinesSetTheirParameters) {
    const std::string lines =
        "/ audio band tuning\n"
        "RISE 1 5\n"
        "UNKNOWN 9 7\n"
        "FALL 2 -1\n"
        "/ 4 90\n"
        "TRIGGER 3 300\n"
        "REARM 4\n"
        "WORD\n"
        "DIVISOR 5 x\n"
        "BEAT 7 33";
    for (const std::string& form : line_end_forms(lines + "\n")) {
        new_run();
        text("soundin.cfg", form);
        datafiles::load_soundin_config();
        const auto& p = synchro::audio_input_setup;
        EXPECT_EQ(p[1], 5);
        EXPECT_EQ(p[2], 3);    // a negative value changes nothing
        EXPECT_EQ(p[3], 44);   // 300: its low byte
        EXPECT_EQ(p[4], 0);    // a key number without a value stores 0
        EXPECT_EQ(p[5], 2);    // not a number: skipped
        EXPECT_EQ(p[6], 2);
        EXPECT_EQ(p[7], 33);   // the last line, whole
        EXPECT_EQ(p[8], 20);
        EXPECT_EQ(messages_containing("invalid keyword 9 "), 1);
        EXPECT_EQ(messages_containing("SOUNDIN.CFG"), 3);  // -1, WORD, x
    }
}

TEST_F(DefinitionFiles, TheSoundInputsAreSetOncePerRunAndDefaultWithoutTheirFile) {
    datafiles::load_soundin_config();
    EXPECT_EQ(synchro::audio_input_setup, synchro::kAudioInputDefaults);
    EXPECT_EQ(datafiles::warning_bar_texts,
              std::vector<std::string>{"WARNING : SOUNDIN-CONFIGURATION FILE 'SOUNDIN.CFG' NOT FOUND !"});
    synchro::audio_input_setup[1] = 99;
    text("soundin.cfg", "RISE 1 5\n");
    datafiles::load_soundin_config();
    EXPECT_EQ(synchro::audio_input_setup[1], 99);  // neither read nor reset
}

}  // namespace
