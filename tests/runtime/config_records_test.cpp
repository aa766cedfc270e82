#include "runtime/config_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "rig/program_dir.h"
#include "rig/rig.h"

namespace {

using rig::ProgramDir;

constexpr uint8_t kYellowOnRed = 0x4E;

const std::vector<std::string> kConfigRecordScreen = {
    " --------------- CHECKING CONFIGURATION ------------- ",
    " HIDDEN FILE 'BRAVINOX.CFG' COULD NOT BE OPENED !     ",
    " PLEASE RUN 'CONFIG.EXE' TO CONFIGURE BRAVINOX .      ",
    " PRESS ANY KEY TO RETURN TO DOS ...                   ",
    " ---------------------------------------------------- ",
};
const std::vector<std::string> kKeyLayoutScreen = {
    " --------------- CHECKING CONFIGURATION ------------- ",
    " HIDDEN FILE 'KEYBOARD.CFG' COULD NOT BE OPENED !     ",
    " PRESS ANY KEY TO RETURN TO DOS ...                   ",
    " ---------------------------------------------------- ",
};

// The start-up steps that read the program directory.
void start_reading_configuration(rig::Rig& rig) {
    rig.start([] {
        runtime::set_home_directory(ProgramDir::program_path().c_str());
        runtime::load_console_config();
        runtime::load_keyboard_config();
        runtime::load_ini_file();
    });
}

// Rows 10 onwards hold the framed lines at column 15, yellow on red, on an
// otherwise black and empty screen with the cursor hidden.
void expect_framed_screen(const platform::TextScreen& text, const std::vector<std::string>& lines) {
    const int first_row = 10;
    for (int row = 1; row <= platform::kTextRows; ++row) {
        const int i = row - first_row;
        if (i < 0 || i >= static_cast<int>(lines.size())) {
            EXPECT_EQ(text.row_text(row), "") << "row " << row;
            continue;
        }
        ASSERT_EQ(lines[static_cast<size_t>(i)].size(), 54u);
        EXPECT_EQ(text.row_text(row, true), std::string(14, ' ') + lines[static_cast<size_t>(i)] + std::string(12, ' '))
            << "row " << row;
        int framed_cells = 0;
        for (int column = 15; column < 15 + 54; ++column) framed_cells += text.attribute_at(column, row) == kYellowOnRed;
        EXPECT_EQ(framed_cells, 54) << "row " << row;
        EXPECT_EQ(text.attribute_at(14, row) >> 4, 0) << "row " << row;
        EXPECT_EQ(text.attribute_at(69, row) >> 4, 0) << "row " << row;
    }
    EXPECT_EQ(text.attribute_at(1, 1) >> 4, 0);
    EXPECT_EQ(text.cursor_shape, platform::kCursorHidden);
}

// The program waits for a key, then restores the text mode and ends with 1.
void expect_key_ends_program(rig::Rig& rig) {
    rig.run_ms(500);
    ASSERT_FALSE(rig.finished()) << "the program did not wait for a key";
    rig.machine().text.push_key('x');
    rig.run_ms(10);
    ASSERT_TRUE(rig.finished());
    EXPECT_EQ(rig.exit_code(), 1);
    EXPECT_EQ(rig.machine().text.cursor_shape, platform::kCursorNormal);
    EXPECT_EQ(rig.machine().text.mode, platform::kTextModeColour80);
    EXPECT_EQ(rig.machine().text.row_text(10), "");
}

TEST(ConfigurationFailure, MissingRecordShowsTheFrameSilentlyForOneSecondAndEndsOnAKey) {
    rig::Rig rig;
    ProgramDir dir = ProgramDir::demo();
    dir.remove_file("bravinox.cfg");
    dir.map_drive(rig.machine());
    start_reading_configuration(rig);

    // The console hands over first inside the failure beep's pause.
    EXPECT_EQ(rig.now_ms(), 1000u);
    expect_framed_screen(rig.machine().text, kConfigRecordScreen);
    EXPECT_FALSE(rig.machine().speaker.sounding());
    expect_key_ends_program(rig);
    EXPECT_TRUE(rig.machine().speaker.tones.empty());
}

TEST(ConfigurationFailure, RecordOfAnyOtherSizeThan319EndsTheProgram) {
    for (const size_t size : {size_t{318}, size_t{320}, size_t{0}}) {
        SCOPED_TRACE(size);
        rig::Rig rig;
        ProgramDir dir = ProgramDir::demo();
        std::vector<uint8_t> record = rig::demo_config_record();
        record.resize(size, 0);  // the demo's beeper flag stays on where the record keeps it
        dir.write_file("bravinox.cfg", record);
        dir.map_drive(rig.machine());
        start_reading_configuration(rig);

        expect_framed_screen(rig.machine().text, kConfigRecordScreen);
        expect_key_ends_program(rig);
        // A record that is refused is not read, so its beeper flag does not count.
        EXPECT_TRUE(rig.machine().speaker.tones.empty());
        EXPECT_EQ(runtime::console_config.beeper(), 0);
    }
}

TEST(ConfigurationFailure, MissingKeyLayoutShowsItsFrameAndBeepsWhenTheRecordSaysSo) {
    rig::Rig rig;
    ProgramDir dir = ProgramDir::demo();
    dir.remove_file("keyboard.cfg");
    dir.map_drive(rig.machine());
    start_reading_configuration(rig);

    expect_framed_screen(rig.machine().text, kKeyLayoutScreen);
    EXPECT_EQ(rig.machine().speaker.freq_hz, 400);
    expect_key_ends_program(rig);
    const std::vector<platform::Tone> tones = rig.machine().speaker.tones.to_vector();
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_EQ(tones[0], (platform::Tone{400, 0, 1000}));
}

TEST(ConfigurationFailure, DemoProgramDirectoryPassesEveryStep) {
    rig::Rig rig;
    ProgramDir dir = ProgramDir::demo();
    dir.map_drive(rig.machine());
    start_reading_configuration(rig);
    rig.run_ms(10);
    EXPECT_TRUE(rig.finished());
    EXPECT_EQ(rig.exit_code(), std::nullopt);
    EXPECT_EQ(rig.now_ms(), 0u);
}

// Loading on the test thread, with the demo program directory mapped.
class ConfigRecords : public ::testing::Test {
protected:
    void SetUp() override {
        dir.map_drive(rig.machine());
        runtime::set_home_directory(ProgramDir::program_path().c_str());
    }
    void load(void (*step)()) { EXPECT_EQ(rig::run_catching_exit(step), std::nullopt); }
    void load_record(const std::vector<uint8_t>& record) {
        dir.write_file("bravinox.cfg", record);
        load(runtime::load_console_config);
    }

    rig::Rig rig;
    ProgramDir dir = ProgramDir::demo();
};

TEST(HomeDirectory, IsTheProgramPathsDriveAndDirectory) {
    struct Case {
        const char* program_path;
        const char* home;
    };
    for (const Case& c : {Case{"C:\\SHOW\\PROGRAM.EXE", "C:\\SHOW"}, Case{"C:\\BRAVINOX.EXE", "C:"},
                          Case{"C:\\A\\B\\C.EXE", "C:\\A\\B"}, Case{"C:PROGRAM.EXE", "C:"},
                          Case{"PROGRAM.EXE", ""}, Case{"", ""}}) {
        runtime::set_home_directory(c.program_path);
        EXPECT_EQ(runtime::home_directory, c.home) << c.program_path;
    }
    runtime::set_home_directory("C:\\SHOW\\PROGRAM.EXE");
    EXPECT_EQ(runtime::home_path("data\\mem.dat"), "C:\\SHOW\\data\\mem.dat");
}

TEST_F(ConfigRecords, DemoRecordDescribesTheDemoConsole) {
    load(runtime::load_console_config);
    const runtime::ConsoleConfig& cfg = runtime::console_config;
    EXPECT_EQ(cfg.dmx_channel_count(), 2048);
    EXPECT_EQ(cfg.card_segment(1), 0xC800);
    EXPECT_EQ(cfg.card_segment(2), 0);
    EXPECT_EQ(cfg.console_card_slot(), 1);
    EXPECT_EQ(cfg.dmx_card_choice(1), 1);
    EXPECT_EQ(cfg.dmx_card_choice(2), 2);
    EXPECT_EQ(cfg.dmx_card_choice(3), 0);
    EXPECT_EQ(cfg.protocol_name(1, 1), "DMX OUT ");
    EXPECT_EQ(cfg.protocol_name(1, 2), "DMX OUT ");
    EXPECT_EQ(cfg.protocol_name(2, 1), "NONE    ");
    EXPECT_EQ(cfg.protocol_name(4, 4), "NONE    ");
    for (uint8_t option : {cfg.analogue_masters(), cfg.analogue_playbacks(), cfg.function_belts(),
                           cfg.sequence_belts(), cfg.displays(), cfg.hardware_keys(), cfg.beeper()}) {
        EXPECT_EQ(option, 1);
    }
    EXPECT_EQ(cfg.fader_calibration(), 0);
    EXPECT_EQ(cfg.master_full_scale(4), 255);
    EXPECT_EQ(cfg.playback_full_scale(10), 255);
    EXPECT_EQ(cfg.threshold_setting(), 13);
    EXPECT_EQ(runtime::analogue_threshold, 3);
}

// Every field read at its own offset, little-endian, from a record whose
// byte i holds i mod 256.
TEST_F(ConfigRecords, FieldsAreReadAtTheirOffsetsLittleEndian) {
    std::vector<uint8_t> record(runtime::kConsoleConfigSize);
    for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i & 0xFF);
    load_record(record);
    const runtime::ConsoleConfig& cfg = runtime::console_config;
    EXPECT_EQ(cfg.dmx_channel_count(), 0x0100);
    EXPECT_EQ(cfg.hardware_keys(), 0x07);
    EXPECT_EQ(cfg.card_segment(1), 0x0908);
    EXPECT_EQ(cfg.card_segment(4), 0x0F0E);
    EXPECT_EQ(cfg.console_card_slot(), 0x1110);
    EXPECT_EQ(cfg.protocol_name(1, 1), "\x12\x13\x14\x15\x16\x17\x18\x19");
    EXPECT_EQ(cfg.protocol_name(2, 3), "HIJKLMNO");  // 0x012 + 36 + 18 = 0x048
    EXPECT_EQ(cfg.card_parameter(0, 1), 0xA3A2);
    EXPECT_EQ(cfg.card_parameter(5, 4), 0xD1D0);
    EXPECT_EQ(cfg.small_console_keys(), 0xD2);
    EXPECT_EQ(cfg.beeper(), 0xD3);
    EXPECT_EQ(cfg.card_parameter_byte(), 0xD4);
    EXPECT_EQ(cfg.fader_calibration(), 0xD6);
    EXPECT_EQ(cfg.master_full_scale(1), 0xD8D7);  // unaligned
    EXPECT_EQ(cfg.playback_full_scale(10), 0xF2F1);
    EXPECT_EQ(cfg.timecode_entered_time_current(), 0xF3);
    EXPECT_EQ(cfg.dmx_card_choice(4), 0xFF);
    EXPECT_EQ(cfg.threshold_setting(), 0x01);
    EXPECT_EQ(cfg.multiselect_playback_snapshots(), 0x02);
    EXPECT_EQ(cfg.multiselect_sequence_snapshots(), 0x03);
    // Indexes out of range read 0.
    EXPECT_EQ(cfg.card_segment(0), 0);
    EXPECT_EQ(cfg.card_segment(5), 0);
    EXPECT_EQ(cfg.protocol_name(5, 1), "");
    EXPECT_EQ(cfg.card_parameter(6, 1), 0);
    EXPECT_EQ(cfg.master_full_scale(5), 0);
    EXPECT_EQ(cfg.playback_full_scale(0), 0);
    EXPECT_EQ(cfg.dmx_card_choice(5), 0);
    EXPECT_EQ(cfg.u16(runtime::kConsoleConfigSize - 1), 0);
}

TEST_F(ConfigRecords, CardParameterByteZeroIsReadAs176) {
    std::vector<uint8_t> record = rig::demo_config_record();
    record[0x0D4] = 0;
    load_record(record);
    EXPECT_EQ(runtime::console_config.card_parameter_byte(), 176);
    record[0x0D4] = 42;
    load_record(record);
    EXPECT_EQ(runtime::console_config.card_parameter_byte(), 42);
}

TEST_F(ConfigRecords, ThresholdIsTheSettingLessTenFrom10To18Else5) {
    struct Case {
        uint8_t setting;
        uint8_t threshold;
    };
    std::vector<uint8_t> record = rig::demo_config_record();
    for (const Case& c : {Case{9, 5}, Case{10, 0}, Case{11, 1}, Case{18, 8}, Case{19, 5}, Case{0, 5}, Case{255, 5}}) {
        record[0x101] = c.setting;
        load_record(record);
        EXPECT_EQ(runtime::analogue_threshold, c.threshold) << "setting " << int{c.setting};
    }
}

// --- key layout ------------------------------------------------------------

// A keyboard.cfg line with fields at bytes 1, 33, 49 and 65.
std::string fields(const std::string& a, const std::string& b, const std::string& c = "", const std::string& d = "") {
    auto pad = [](std::string s, size_t width) {
        s.resize(std::max(s.size(), width), ' ');
        return s;
    };
    return " " + pad(a, 32) + pad(b, 16) + pad(c, 16) + d;
}

// A layout file: twelve lines of text, line 13 the offsets, four more lines
// of text, then the given lines from line 18 on.
std::string layout_file(const std::string& offsets, const std::vector<std::string>& lines_from_18) {
    std::string text;
    for (int line = 1; line <= 12; ++line) text += "header " + std::to_string(line) + "\r\n";
    text += offsets + "\r\n";
    for (int line = 14; line <= 17; ++line) text += fields("1", "0", "0", "1") + "\r\n";  // free text, never read
    for (const std::string& line : lines_from_18) text += line + "\r\n";
    return text;
}

TEST_F(ConfigRecords, KeyLinesSetMatrixLedsAndExternalCodesAndSkipWhatIsOutOfRange) {
    const std::vector<std::string> lines = {
        fields("5", "100", "0", "7"),  // 18: column out of range, external code still set
        "  a comment",                 // 19
        fields("6", "2", "16", "8"),   // 20: row out of range
        fields("99", "9", "9", "99"),  // 21: odd line, ignored
        fields("7", "4", "3"),         // 22: no external code
        "",                            // 23
        fields("9", "4", "3", "12"),   // 24: the same cell, later wins
        "",                            // 25
        fields("520", "5", "5", "9"),  // 26: key code out of range
        "",                            // 27
        fields("0", "5", "6", "10"),   // 28: key code 0
        "",                            // 29
        "  no numbers at all",         // 30
        "",                            // 31
        fields("11", "60", "15", "200"),  // 32: high column and row; external code out of range
        "",                               // 33
        fields("12", "1", "2", "0"),      // 34: external code 0 is a valid index
    };
    dir.write_text("keyboard.cfg", layout_file(fields("3", "-2"), lines));
    runtime::key_matrix[47][7] = 77;
    runtime::key_down_table[5] = 1;
    runtime::key_led_cache[5] = 3;
    load(runtime::load_keyboard_config);

    EXPECT_EQ(runtime::second_led_offsets.column, 3);
    EXPECT_EQ(runtime::second_led_offsets.row, -2);
    EXPECT_EQ(runtime::external_key_table[7], 5);
    EXPECT_EQ(runtime::key_led_column[5], runtime::kNoLed);
    EXPECT_EQ(runtime::key_led_row[5], runtime::kNoLed);
    EXPECT_EQ(runtime::external_key_table[8], 6);
    EXPECT_EQ(runtime::key_led_column[6], runtime::kNoLed);
    EXPECT_EQ(runtime::key_matrix[2][0], 0);
    EXPECT_EQ(runtime::key_led_column[99], runtime::kNoLed);
    EXPECT_EQ(runtime::external_key_table[99], 0);
    EXPECT_EQ(runtime::key_matrix[4][3], 9);
    EXPECT_EQ(runtime::key_led_column[7], 4);  // the overwritten key keeps its LED
    EXPECT_EQ(runtime::key_led_row[7], 3);
    EXPECT_EQ(runtime::external_key_table[12], 9);
    EXPECT_EQ(runtime::key_matrix[5][5], 0);
    EXPECT_EQ(runtime::external_key_table[9], 0);
    EXPECT_EQ(runtime::key_matrix[5][6], 0);
    EXPECT_EQ(runtime::external_key_table[10], 0);
    EXPECT_EQ(runtime::key_matrix[60][15], 11);
    EXPECT_EQ(runtime::key_led_column[11], 60);
    EXPECT_EQ(runtime::key_led_row[11], 15);
    EXPECT_EQ(runtime::external_key_table[0], 12);
    // Loading starts from cleared tables.
    EXPECT_EQ(runtime::key_matrix[47][7], 0);
    EXPECT_EQ(runtime::key_down_table[5], 0);
    EXPECT_EQ(runtime::key_led_cache[5], 0);
    EXPECT_EQ(runtime::key_led_column[1], runtime::kNoLed);  // free-text lines 14-17 are not read
}

TEST_F(ConfigRecords, KeyLayoutReadsLinesOfLfAndKeepsCountingPastLongLines) {
    const std::vector<std::string> lines = {
        fields("20", "1", "1", "20"),              // 18
        "  " + std::string(150, '-'),              // 19: one line, however long
        fields("21", "2", "1", "21"),              // 20
    };
    std::string text = layout_file(fields("0", "8"), lines);
    std::string lf;
    for (char c : text) {
        if (c != '\r') lf += c;
    }
    dir.write_text("keyboard.cfg", lf);
    load(runtime::load_keyboard_config);
    EXPECT_EQ(runtime::second_led_offsets.row, 8);
    EXPECT_EQ(runtime::key_matrix[1][1], 20);
    EXPECT_EQ(runtime::key_matrix[2][1], 21);
    EXPECT_EQ(runtime::external_key_table[21], 21);
}

// Every key code the console uses.
std::vector<int> console_key_codes() {
    std::vector<int> codes;
    auto add = [&](int first, int last) {
        for (int code = first; code <= last; ++code) codes.push_back(code);
    };
    add(1, 77), add(81, 96), add(101, 102), add(111, 114), add(121, 139), add(141, 148), add(151, 157);
    add(161, 164), add(171, 186), add(191, 207), add(211, 215), add(221, 250), add(251, 274), add(281, 284);
    add(291, 332), add(374, 400), add(501, 515);
    return codes;
}

TEST_F(ConfigRecords, DemoLayoutGivesEveryKeyAPlaceAndTheMacrosTheirKeys) {
    load(runtime::load_keyboard_config);
    EXPECT_EQ(runtime::second_led_offsets.row, 8);
    EXPECT_EQ(runtime::second_led_offsets.column, 0);

    bool led_at_column_40_or_more = false;
    for (int code : console_key_codes()) {
        const uint16_t column = runtime::key_led_column[static_cast<size_t>(code)];
        const uint16_t row = runtime::key_led_row[static_cast<size_t>(code)];
        ASSERT_LT(column, runtime::kReleaseColumns) << "key " << code;
        ASSERT_LT(row, 8) << "key " << code;
        EXPECT_EQ(runtime::key_matrix[column][row], code);
        led_at_column_40_or_more = led_at_column_40_or_more || column >= 40;
    }
    EXPECT_TRUE(led_at_column_40_or_more);

    // Key macros: CUE, cue page 1, cue key n; macro 15 PLAY, DEL, PLAY.
    EXPECT_EQ(runtime::key_matrix[10][2], 73);
    EXPECT_EQ(runtime::key_matrix[18][1], 81);
    for (int n = 1; n <= 10; ++n) EXPECT_EQ(runtime::key_matrix[static_cast<size_t>(n - 1)][0], n);
    for (int n = 11; n <= 14; ++n) EXPECT_EQ(runtime::key_matrix[static_cast<size_t>(n - 11)][1], n);
    EXPECT_EQ(runtime::key_matrix[23][0], 211);  // PLAY, also for the TIMECODE PLAY start-up setting
    EXPECT_EQ(runtime::key_matrix[32][3], 204);

    // The small console's keys, among them those with LEDs of their own.
    for (int code : {71, 72, 73, 114, 151, 152, 153, 154, 164, 291, 295, 300}) {
        int found = 0;
        for (size_t external = 1; external < runtime::kExternalCodes; ++external) {
            found += runtime::external_key_table[external] == code;
        }
        EXPECT_EQ(found, 1) << "key " << code;
    }
    EXPECT_EQ(runtime::external_key_table[0], 0);
}

// --- ini file ----------------------------------------------------------------

TEST_F(ConfigRecords, IniKeysAndValuesAreReadInAnyCase) {
    struct Case {
        const char* text;
        const char* list;
        bool autoplay;
    };
    for (const Case& c : {
             Case{"LIST LOAD\r\nAUTOPLAY NO\r\n", "LOAD", false},
             Case{"list show\nAutoPlay yes\n", "SHOW", true},
             Case{"LIST abcdefghijkl\n", "ABCDEFGH", false},      // cut to 8 characters
             Case{"AUTOPLAY YES\nAUTOPLAY maybe\n", "LOAD", false},  // the later line wins
             Case{"COLOUR RED\nLIST\n", "LOAD", false},            // unknown key, key without value
             Case{"  LIST   first  \nLIST second", "SECOND", false},
         }) {
        dir.write_text("bravinox.ini", c.text);
        load(runtime::load_ini_file);
        EXPECT_EQ(runtime::current_list_name, c.list) << c.text;
        EXPECT_EQ(runtime::autoplay_flag, c.autoplay) << c.text;
    }
}

TEST_F(ConfigRecords, MissingIniGivesTheDefaults) {
    runtime::current_list_name = "OTHER";
    runtime::autoplay_flag = true;
    dir.remove_file("bravinox.ini");
    load(runtime::load_ini_file);
    EXPECT_EQ(runtime::current_list_name, "LOAD");
    EXPECT_FALSE(runtime::autoplay_flag);
    EXPECT_FALSE(dir.has_file("bravinox.ini"));
}

TEST_F(ConfigRecords, SavedIniIsWrittenInCapitalsWithCrLf) {
    dir.write_text("bravinox.ini", "list show\nautoplay yes\n");
    load(runtime::load_ini_file);
    runtime::save_ini_file();
    EXPECT_EQ(dir.read_text("bravinox.ini"), "LIST SHOW\r\nAUTOPLAY YES\r\n");
    runtime::autoplay_flag = false;
    runtime::current_list_name = "TOUR";
    runtime::save_ini_file();
    EXPECT_EQ(dir.read_text("bravinox.ini"), "LIST TOUR\r\nAUTOPLAY NO\r\n");
    load(runtime::load_ini_file);
    EXPECT_EQ(runtime::current_list_name, "TOUR");
}

TEST_F(ConfigRecords, IniThatCannotBeWrittenIsLeftAlone) {
    dir.remove_file("bravinox.ini");
    std::filesystem::create_directory(dir.folder() / "bravinox.ini");
    runtime::save_ini_file();
    EXPECT_TRUE(std::filesystem::is_directory(dir.folder() / "bravinox.ini"));
}

}  // namespace
