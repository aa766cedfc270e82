#include "hwtest/test_menu.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <new>
#include <span>

#include "hwtest/auto_test.h"
#include "hwtest/card_scan.h"
#include "hwtest/cdrom_test.h"
#include "hwtest/fader_tests.h"
#include "hwtest/panel_tests.h"
#include "hwtest/smpte_test.h"
#include "hwtest/storage_tests.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "platform/interrupts.h"
#include "platform/machine.h"
#include "platform/speaker.h"
#include "platform/text_screen.h"

namespace hwtest {

std::string program_directory;
std::array<uint8_t, kTestItems> test_pass_flags{};
uint16_t trackerball_present = 0;

void reset_test_menu_globals() {
    program_directory.clear();
    test_pass_flags = {};
    trackerball_present = 0;
}

namespace {

constexpr int kExitCode = 1;

// Screen layout.
constexpr int kScreenRight = 640;
constexpr int kScreenBottom = 480;
constexpr int kPanelLeft = 150;
constexpr int kPanelTop = 100;
constexpr int kPanelRight = 490;
constexpr int kPanelBottom = 400;
constexpr int kTitleBarBottom = 120;
constexpr int kTitleY = 107;
constexpr int kMenuTitleX = 280;
constexpr int kStatusTop = 460;
constexpr int kStatusTextY = 466;
constexpr int kHeaderLeft = 17;
constexpr int kHeaderTop = 20;
constexpr int kHeaderRight = 623;
constexpr int kHeaderBottom = 70;
constexpr int kHeaderTextX = 18;
constexpr std::array<int, 3> kHeaderTextY = {25, 40, 55};
constexpr int kItemX = 210;
constexpr int kFirstItemY = 127;
constexpr int kItemStepY = 20;
constexpr int kOkBoxLeft = 183;
constexpr int kOkBoxRight = 202;
constexpr int kOkBoxAbove = 3;
constexpr int kOkBoxBelow = 9;
constexpr int kOkTextX = 185;

// Result box.
constexpr int kResultBoxMargin = 20;
constexpr int kResultBoxHeight = 50;
constexpr int kResultBandHeight = 10;
constexpr int kResultTextOffsetY = 20;
constexpr int kPassBeepHz = 800;
constexpr int kFailBeepHz = 400;
constexpr uint32_t kResultBeepMs = 50;
constexpr int kNotPossibleBeepHz = 400;
constexpr uint32_t kNotPossibleBeepMs = 2000;
constexpr std::string_view kLogNotSavedStatus =
    "+++++ ERROR : RESULTS NOT SAVED - QUANDRIX.LOG CANNOT BE WRITTEN (ANY KEY) +++++";

// Results log: a line is read 79 characters at a time.
constexpr size_t kLogReadChars = 79;

constexpr std::string_view kHeaderRule =
    "----------------------------------------------------------------------------";
constexpr std::string_view kBanner = "-- VORTANEX ---------- TEST ZELK-CONSOLES ---------- VERSION 3.2 --";
constexpr std::string_view kMenuStatus =
    "++++++++++++++++++++++++ A..N=SELECT TEST  --  Q=QUIT ++++++++++++++++++++++++++";
constexpr std::string_view kPressAnyKeyStatus =
    "+++++++++++++++++++++++++ PRESS ANY KEY TO CONTINUE... +++++++++++++++++++++++++++++++";

constexpr int kMenuItems = 13;
constexpr std::array<std::string_view, kMenuItems> kMenuItemTexts = {
    "A> AUTOMATIC TEST-PROCEDURE", "C> CHECKING CONFIGURATION", "D> CHECKING LEDS",
    "E> CHECKING KEYS",            "F> CHECKING ANALOGUE FADERS", "G> CHECKING DIGITAL FADERS",
    "H> CHECKING DISPLAYS",        "I> CHECKING TRACKERBALL",   "J> CHECKING SMPTE",
    "K> CHECKING CDROM",           "L> CHECKING RAM",           "M> CHECKING HARDDISK",
    "N> CHECKING DISKDRIVE",
};

constexpr std::array<const char*, kTestItems> kTestLogNames = {
    "CONFIGURATION", "LEDS",  "KEYS",  "ANALOGUE FADERS", "DIGITAL FADERS", "DISPLAYS",
    "TRACKERBALL",   "SMPTE", "CDROM", "RAM",             "HARDDISK",       "DISKDRIVE",
};

std::string test_log_path() { return program_directory + "\\quandrix.log"; }

// --- drawing ---------------------------------------------------------------------

void fill_bar(int pattern, int colour, int left, int top, int right, int bottom) {
    platform::_setfillstyle(pattern, colour);
    platform::_bar(left, top, right, bottom);
}

void draw_text(int colour, int x, int y, std::string_view text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void draw_panel_with_title(std::string_view title, int title_x) {
    fill_bar(platform::kHatchFill, kBlue, kPanelLeft, kPanelTop, kPanelRight, kPanelBottom);
    fill_bar(platform::kSolidFill, kWhite, kPanelLeft, kPanelTop, kPanelRight, kTitleBarBottom);
    draw_text(kBlack, title_x, kTitleY, title);
}

void draw_menu_background() {
    fill_bar(platform::kSolidFill, kLightGrey, 0, 0, kScreenRight, kScreenBottom);
    fill_bar(platform::kSolidFill, kLightCyan, kHeaderLeft, kHeaderTop, kHeaderRight, kHeaderBottom);
    draw_text(kMagenta, kHeaderTextX, kHeaderTextY[0], kHeaderRule);
    draw_text(kMagenta, kHeaderTextX, kHeaderTextY[1], kBanner);
    draw_text(kMagenta, kHeaderTextX, kHeaderTextY[2], kHeaderRule);
}

int menu_row_y(int row) { return kFirstItemY + kItemStepY * row; }

// Test item C..N is menu row 1..12 (row 0 is A).
void draw_pass_mark(int item) {
    const int y = menu_row_y(item + 1);
    fill_bar(platform::kSolidFill, kLightGreen, kOkBoxLeft, y - kOkBoxAbove, kOkBoxRight, y + kOkBoxBelow);
    draw_text(kRed, kOkTextX, y, "OK");
}

void draw_main_menu() {
    draw_panel_with_title("MAIN-MENU", kMenuTitleX);
    for (int row = 0; row < kMenuItems; ++row) {
        draw_text(kCyan, kItemX, menu_row_y(row), kMenuItemTexts[static_cast<size_t>(row)]);
    }
    draw_status_line(kMenuStatus);
    for (int item = 0; item < kTestItems; ++item) {
        if (test_pass_flags[static_cast<size_t>(item)] != 0) draw_pass_mark(item);
    }
}

// --- menu keys -----------------------------------------------------------------------

bool is_menu_key(int key) { return key == 'A' || key == 'Q' || (key >= 'C' && key <= 'N'); }

void run_menu_test(int key) {
    switch (key) {
        case 'A': run_automatic_test(); break;
        case 'C': test_configuration(); break;
        case 'D': test_leds(); break;
        case 'E': test_keys(); break;
        case 'F': test_analogue_faders(); break;
        case 'G': test_digital_faders(); break;
        case 'H': test_displays(); break;
        case 'I': test_trackerball(); break;
        case 'J': test_smpte(); break;
        case 'K': test_cdrom(); break;
        case 'L': test_ram(); break;
        case 'M': test_harddisk(); break;
        case 'N': test_diskdrive(); break;
        default: break;
    }
}

// --- files ---------------------------------------------------------------------------

// One read of at most kLogReadChars characters, ending after a line feed; false
// at the end of the file.
bool read_log_chunk(FILE* file, std::string& chunk) {
    chunk.clear();
    while (chunk.size() < kLogReadChars) {
        const int c = std::fgetc(file);
        if (c == EOF) break;
        chunk.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !chunk.empty();
}

// The results of this run are lost: the technician is told so before the
// program ends (the screen goes with it), and a key lets it end.
void report_log_not_saved() {
    draw_status_line(kLogNotSavedStatus);
    beep_tone(kNotPossibleBeepHz, kNotPossibleBeepMs);
    read_answer_key();
}

// Drive and directory of a DOS path, without the trailing backslash.
std::string directory_of(std::string_view path) {
    size_t end = 0;
    if (path.size() >= 2 && path[1] == ':') end = 2;
    const size_t last_separator = path.find_last_of("\\/");
    if (last_separator != std::string_view::npos && last_separator + 1 > end) end = last_separator + 1;
    std::string directory(path.substr(0, end));
    if (!directory.empty() && (directory.back() == '\\' || directory.back() == '/')) directory.pop_back();
    return directory;
}

}  // namespace

// --- start-up and shut-down ---------------------------------------------------------------

void quandrix_main(int argument_count, const char* const* arguments) {
    const bool has_path = argument_count > 0 && arguments != nullptr && arguments[0] != nullptr;
    get_program_dir(has_path ? arguments[0] : "");
    load_keyboard_config_for_test();
    discover_cards_for_test();
    read_card_memory_map_for_test();
    detect_smpte_driver();
    read_eprom_versions_for_test();
    read_console_options_for_test();
    determine_console_kind();
    init_cdrom_for_test();
    init_graphics();
    reset_mouse();
    reset_console_outputs();
    run_main_menu();
    reset_console_outputs();
    synchro::free_dos_buffer(synchro::cd_state.buffer_selector);
    platform::_closegraph();
    platform::exit_program(kExitCode);
}

void get_program_dir(std::string_view program_path) { program_directory = directory_of(program_path); }

void init_graphics() {
    int driver = platform::kVgaDriver;
    int mode = platform::kVgaHiMode;
    platform::_initgraph(driver, mode, "");
}

void reset_mouse() {
    platform::Regs regs;
    regs.set_ax(0);
    platform::int386(0x33, regs);
    trackerball_present = regs.ax();
}

void reset_console_outputs() {
    all_leds_off_for_test();
    flush_console_keys_for_test();
    if (console_option_flags.sequence_belts) {
        for (int n = 1; n <= kSequenceBelts; ++n) {
            write_sequence_belt(n, 0, 0);
            write_sequence_belt(n, 1, 0);
        }
    }
    if (console_option_flags.function_belts) {
        for (int n = 1; n <= kFunctionBelts; ++n) {
            write_function_belt(n, 0, 0);
            write_function_belt(n, 1, 0);
        }
    }
}

// --- main menu ------------------------------------------------------------------------

void run_main_menu() {
    load_test_log();
    draw_menu_background();
    for (;;) {
        draw_main_menu();
        int key = 0;
        do {
            key = read_answer_key();
        } while (!is_menu_key(key));
        if (key == 'Q') {
            save_test_log();
            return;
        }
        run_menu_test(key);
    }
}

void load_test_log() {
    test_pass_flags.fill(0);
    FILE* file = platform::dos_fopen(test_log_path().c_str(), "rt");
    if (file == nullptr) return;
    std::string chunk;
    for (size_t i = 0; i < test_pass_flags.size() && read_log_chunk(file, chunk); ++i) {
        test_pass_flags[i] = chunk.find(kTestOk) != std::string::npos ? 1 : 0;
    }
    std::fclose(file);
}

void save_test_log() {
    const std::string path = test_log_path();
    platform::dos_setfileattr(path.c_str(), 0);
    FILE* file = platform::dos_fopen(path.c_str(), "wt");
    if (file == nullptr) {
        report_log_not_saved();
        return;
    }
    for (size_t i = 0; i < test_pass_flags.size(); ++i) {
        if (test_pass_flags[i] != 0) {
            std::fprintf(file, "%s : TEST OK\n", kTestLogNames[i]);
        } else {
            std::fprintf(file, "%s : NOT TESTED OR ERROR\n", kTestLogNames[i]);
        }
    }
    const bool written = std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    platform::dos_setfileattr(path.c_str(), platform::kDosAttrHidden);
    if (!written || !closed) report_log_not_saved();
}

// --- shared by the tests ------------------------------------------------------------------

void beep_tone(int freq_hz, uint32_t duration_ms) {
    platform::sound(freq_hz);
    platform::delay_ms(duration_ms);
    platform::nosound();
}

int read_answer_key() {
    const int key = platform::getch();
    if (key == 0) {
        platform::getch();  // the code of an extended key
        return 0;
    }
    return std::toupper(key);
}

void draw_status_line(std::string_view text) {
    fill_bar(platform::kSolidFill, kRed, 0, kStatusTop, kScreenRight, kScreenBottom);
    draw_text(kYellow, 0, kStatusTextY, text);
}

void draw_test_frame(std::string_view title, int title_x, std::string_view status_line) {
    draw_panel_with_title(title, title_x);
    draw_status_line(status_line);
}

void report_test_not_possible(std::string_view status_line) {
    draw_status_line(status_line);
    beep_tone(kNotPossibleBeepHz, kNotPossibleBeepMs);
}

void show_test_result(std::string_view text, int y) {
    const int w = platform::_textwidth(text) + kResultBoxMargin;
    const int x = (kScreenRight - w) / 2;
    const int right = x + w;
    const int bottom = y + kResultBoxHeight;

    // The screen under the box comes back afterwards; without memory for it
    // the box stays until the caller redraws.
    const uint32_t image_bytes = platform::_imagesize(x, y, right, bottom);
    std::unique_ptr<uint8_t[]> image(image_bytes > 0 ? new (std::nothrow) uint8_t[image_bytes] : nullptr);
    const std::span<uint8_t> saved_area(image.get(), image ? image_bytes : 0);
    const bool saved = image != nullptr && platform::_getimage(x, y, right, bottom, saved_area);

    draw_status_line(kPressAnyKeyStatus);
    fill_bar(platform::kSolidFill, kYellow, x, y, right, bottom);
    fill_bar(platform::kSolidFill, kRed, x, y, right, y + kResultBandHeight);
    fill_bar(platform::kSolidFill, kRed, x, bottom - kResultBandHeight, right, bottom);
    draw_text(kRed, x + (w - platform::_textwidth(text)) / 2, y + kResultTextOffsetY, text);
    beep_tone(text == kTestOk ? kPassBeepHz : kFailBeepHz, kResultBeepMs);

    read_answer_key();
    if (saved) platform::_putimage(x, y, saved_area, platform::kCopyPut);
}

void begin_test(TestItem item) {
    if (item >= 0 && item < kTestItems) test_pass_flags[static_cast<size_t>(item)] = 0;
}

bool finish_test(TestItem item, std::string_view result, int y) {
    show_test_result(result, y);
    const bool passed = result == kTestOk;
    if (passed && item >= 0 && item < kTestItems) test_pass_flags[static_cast<size_t>(item)] = 1;
    return passed;
}

}  // namespace hwtest
