// The test program's start-up, main menu, shared test screens and results log.
//
// quandrix_main runs the start-up (program directory, keyboard.cfg, cards,
// SMPTE driver, firmware versions, options, CD-ROM, graphics, trackerball,
// console outputs), then the main menu until Q, then shuts down with exit
// code 1. Every test draws the same frame, shows its result in the same box
// and keeps its pass flag here; the flags are loaded from and saved to the
// hidden results log "quandrix.log" of the program directory.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace hwtest {

// Colours of the 16-colour screen.
constexpr int kBlack = 0;
constexpr int kBlue = 1;
constexpr int kCyan = 3;
constexpr int kRed = 4;
constexpr int kMagenta = 5;
constexpr int kLightGrey = 7;
constexpr int kDarkGrey = 8;
constexpr int kLightGreen = 10;
constexpr int kLightCyan = 11;
constexpr int kYellow = 14;
constexpr int kWhite = 15;

constexpr int kEscKey = 27;

// The menu's tests C..N, in the order of the menu and of the results log.
enum TestItem : int {
    kTestConfiguration = 0,  // C
    kTestLeds,               // D
    kTestKeys,               // E
    kTestAnalogueFaders,     // F
    kTestDigitalFaders,      // G
    kTestDisplays,           // H
    kTestTrackerball,        // I
    kTestSmpte,              // J
    kTestCdrom,              // K
    kTestRam,                // L
    kTestHarddisk,           // M
    kTestDiskdrive,          // N
    kTestItems,
};

// Top edge of the result box; the analogue-fader test uses 250.
constexpr int kResultBoxY = 405;
constexpr int kFaderResultBoxY = 250;
constexpr std::string_view kTestOk = "TEST OK";

extern std::string program_directory;                  // drive and directory, no trailing backslash
extern std::array<uint8_t, kTestItems> test_pass_flags;  // 1 = passed
extern uint16_t trackerball_present;                   // mouse reset's AX; 0 = no driver

// Every global of this module back to its value at program load (a clean start for each test).
void reset_test_menu_globals();

// The program: start-up, menu, shut-down; always ends with exit code 1.
[[noreturn]] void quandrix_main(int argument_count, const char* const* arguments);

void get_program_dir(std::string_view program_path);
void init_graphics();
void reset_mouse();
void reset_console_outputs();

void run_main_menu();  // returns when Q is pressed
void load_test_log();
// A log that cannot be written is reported on the status bar with the error
// beep, and a key ends the report.
void save_test_log();

// Shared by the tests.
void beep_tone(int freq_hz, uint32_t duration_ms);
// One key from the PC keyboard, in capitals. An extended key (0, then its
// code) is read whole and gives 0, so that an arrow key is never a letter.
int read_answer_key();
// The frame every test draws at its start: the panel, the title bar with the
// title in black at (title_x, 107), the status bar with the instruction line.
void draw_test_frame(std::string_view title, int title_x, std::string_view status_line);
// The red status bar with a yellow line.
void draw_status_line(std::string_view text);
// For a test whose hardware or driver is missing: its error line, a long low
// beep; the test then returns false without a result box.
void report_test_not_possible(std::string_view status_line);
// The result box at top edge y; waits for a key and restores the screen.
void show_test_result(std::string_view text, int y);
// A test clears its pass flag when it starts; finish_test shows its result
// box and sets the flag only for "TEST OK", which it returns as true.
void begin_test(TestItem item);
bool finish_test(TestItem item, std::string_view result, int y = kResultBoxY);

}  // namespace hwtest
