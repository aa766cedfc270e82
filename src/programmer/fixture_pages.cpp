#include "programmer/fixture_pages.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>

#include "memcheck/memcheck.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_selection.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "setup/commands.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/value_table.h"

namespace programmer {

std::array<uint8_t*, runtime::kFixturePages + 1> fixture_page_images{};
std::array<uint8_t*, runtime::kFixturePages + 1> stage_page_images{};
int16_t framed_fixture = 0;

void reset_fixture_pages_globals() {
    free_fixture_page_images();
    framed_fixture = 0;
}

namespace {

constexpr int kKeysPerRow = 10;
constexpr int kCellWidth_px = 22;
constexpr int kCellHeight_px = 18;
constexpr int16_t kPanelRight = 221;
constexpr int16_t kPanelBottom = 220;
// The stage plan in the lower right of the main screen.
constexpr int16_t kStageLeft = 230;
constexpr int16_t kStageTop = 250;
constexpr int16_t kStageRight = 630;
constexpr int16_t kStageBottom = 475;
constexpr int kEvenOddGroupCount = 7;  // rows of the grid
constexpr int kPollEveryKeys = 10;

// BGI colours.
constexpr int16_t kBlack = 0;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kLightBlue = 9;
constexpr int16_t kGreen = 2;
constexpr int16_t kBlue = 1;
constexpr int16_t kLightRed = 12;
constexpr int16_t kYellow = 14;

constexpr int kSmallTextSize = 4;

bool flag(uint32_t word, uint32_t bits) { return (word & bits) != 0; }

bool page_valid(int page) { return page >= 1 && page <= runtime::kFixturePages; }

int page_count(int page) { return page_valid(page) ? runtime::fixture_bank_counts[static_cast<size_t>(page)] : 0; }

// Patch index on key k of page p (1-based), 0 none.
int16_t fixture_on(int page, int key) {
    if (key < 1 || key > page_count(page) || key > runtime::kFixtureKeys) return 0;
    const int n = runtime::fixture_bank_keys[static_cast<size_t>(page)][static_cast<size_t>(key)] + 1;
    return n >= 1 && n <= setup::fixture_count && n <= kFixtures ? static_cast<int16_t>(n) : 0;
}

int key_row(int key) { return (key - 1) / kKeysPerRow + 1; }
int key_column(int key) { return (key - 1) % kKeysPerRow + 1; }

void frame_key(int key, int16_t colour) {
    const int col = key_column(key);
    const int row = key_row(key);
    platform::_setcolor(colour);
    platform::_rectangle(col * kCellWidth_px - 21, row * kCellHeight_px - 8, col * kCellWidth_px + 1,
                         row * kCellHeight_px + 10);
}

void write_key_number(int key, int16_t colour) {
    char text[8]{};
    std::snprintf(text, sizeof text, "%2d", key);
    const int col = key_column(key);
    const int row = key_row(key);
    ui::draw_bitmap_text(static_cast<int16_t>(col * kCellWidth_px - 18), static_cast<int16_t>(row * kCellHeight_px),
                         colour, text);
}

int16_t stage_colour(int fixture) {
    return static_cast<int16_t>(setup::setup_data.u16(setup::SetupData::fixture_field(fixture, setup::kFixtureStageColour)));
}

void fill_key_cell(int key, int16_t colour) {
    const int col = key_column(key);
    const int row = key_row(key);
    ui::fill_box(static_cast<int16_t>(col * kCellWidth_px - 20), static_cast<int16_t>(row * kCellHeight_px - 7),
                 static_cast<int16_t>(col * kCellWidth_px), static_cast<int16_t>(row * kCellHeight_px + 9), colour);
}

// True when the programmer holds a value, generator byte or figure byte for
// the fixture.
bool programmer_holds(int fixture) {
    if (runtime::programmer_values == nullptr) return false;
    const int first = setup::setup_data.u16(setup::SetupData::fixture_field(fixture, setup::kFixtureFirstRecord));
    const int channels = setup::setup_data.u8(setup::SetupData::fixture_field(fixture, setup::kFixtureChannelCount));
    for (int c = 0; c < channels; ++c) {
        const int r = first + c;
        if (r < 1 || r > runtime::function_record_count) break;
        if (runtime::programmer_values[r] != runtime::kValueNotSet) return true;
        for (size_t k = 1; k <= runtime::kGeneratorBytesPerRecord; ++k) {
            if (runtime::programmer_generators[static_cast<size_t>(r - 1) * runtime::kGeneratorBytesPerRecord + k] !=
                runtime::kByteNotSet) {
                return true;
            }
        }
    }
    for (size_t k = 1; k <= runtime::kFigureBytesPerFixture; ++k) {
        if (runtime::programmer_figures[static_cast<size_t>(fixture - 1) * runtime::kFigureBytesPerFixture + k] !=
            runtime::kByteNotSet) {
            return true;
        }
    }
    return false;
}

bool leds_held_by_a_dialog() {
    return flag(runtime::run_flags, runtime::RUN_FREEZE_SWITCHES | runtime::RUN_MASTER_KEYS_TAKEN |
                                         runtime::RUN_COPY_MEMORY_DIALOG);
}

uint32_t panel_image_size() { return platform::_imagesize(0, 0, kPanelRight, kPanelBottom); }
uint32_t stage_image_size() { return platform::_imagesize(kStageLeft, kStageTop, kStageRight, kStageBottom); }

void draw_page_title() {
    char text[24]{};
    std::snprintf(text, sizeof text, "FIXTURE-PAGE %d", runtime::fixture_page);
    ui::fill_box(2, 0, 220, 9, kBlack);
    ui::draw_bitmap_text(57, 0, runtime::display_mode == 1 ? kYellow : kLightBlue, text);
}

// The empty panel of the current page: grid, group area, occupied cells.
void draw_page_from_scratch(int page) {
    ui::fill_box(0, 0, kPanelRight, kPanelBottom, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(1, 10, kPanelRight, kPanelBottom);
    for (int i = 0; i <= kKeysPerRow; ++i) platform::_line(1 + kCellWidth_px * i, 10, 1 + kCellWidth_px * i, 136);
    for (int i = 0; i <= kEvenOddGroupCount; ++i) platform::_line(1, 10 + kCellHeight_px * i, kPanelRight, 10 + kCellHeight_px * i);
    for (int y = 138; y <= 218; y += 10) platform::_line(1, y, kPanelRight, y);
    for (const int x : {13, 30, 117, 134}) platform::_line(x, 138, x, 218);
    const char* letters = "GROUPS";
    for (int i = 0; letters[i] != '\0'; ++i) {
        const char letter[2] = {letters[i], '\0'};
        ui::draw_bitmap_text(3, static_cast<int16_t>(140 + 10 * i), kLightGrey, letter);
    }
    for (int key = 1; key <= page_count(page); ++key) {
        const int16_t n = fixture_on(page, key);
        if (n == 0) continue;
        fill_key_cell(key, stage_colour(n));
        write_key_number(key, kLightBlue);
    }
    draw_page_title();
}

// Takes a picture of a screen area into a new heap block; none stays when the
// allocation or the picture fails (the area is drawn again next time).
void keep_picture(uint8_t*& picture, int16_t left, int16_t top, int16_t right, int16_t bottom, uint32_t size) {
    if (size == 0) return;
    auto* image = static_cast<uint8_t*>(memcheck::mc_malloc_at(size, __FILE__, __LINE__));
    if (image == nullptr) return;
    if (!platform::_getimage(left, top, right, bottom, std::span<uint8_t>(image, size))) {
        memcheck::mc_free_at(image, __FILE__, __LINE__);
        return;
    }
    picture = image;
}

void keep_page_picture(int page) {
    keep_picture(fixture_page_images[static_cast<size_t>(page)], 0, 0, kPanelRight, kPanelBottom, panel_image_size());
}

void set_bank_leds() {
    const bool first = runtime::fixture_page == 1;
    runtime::set_key_led(runtime::KEY_BANK_DOWN, first ? runtime::LED_ON : runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_BANK_UP, first ? runtime::LED_OFF : runtime::LED_ON);
    runtime::set_key_led(runtime::KEY_CUE, runtime::LED_OFF);
}

// The LEDs of the direct page choice: keys 1..10 blink both colours, the
// current page's key blinks red, keys 11..70 are off.
void show_page_choice_leds() {
    for (int key = 1; key <= runtime::kFixtureKeys; ++key) {
        uint8_t state = key <= runtime::kFixturePages ? runtime::LED_BLINK_BOTH : runtime::LED_OFF;
        if (key == runtime::fixture_page) state = runtime::LED_BLINK;
        runtime::set_key_led(runtime::fixture_key(key), state);
    }
}

bool cue_screen() { return flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN); }

void redraw_after_page_choice() {
    if (cue_screen()) {
        draw_fixture_screen();
    } else {
        set_fixture_page(runtime::fixture_page);
    }
}

}  // namespace

bool fixture_key_of(int16_t fixture, int& page, int& key) {
    for (int p = 1; p <= runtime::kFixturePages; ++p) {
        for (int k = 1; k <= page_count(p); ++k) {
            if (fixture_on(p, k) == fixture && fixture != 0) {
                page = p;
                key = k;
                return true;
            }
        }
    }
    return false;
}

void free_fixture_page_images() {
    for (uint8_t*& image : fixture_page_images) {
        if (image != nullptr) memcheck::mc_free_at(image, __FILE__, __LINE__);
        image = nullptr;
    }
    for (uint8_t*& image : stage_page_images) {
        if (image != nullptr) memcheck::mc_free_at(image, __FILE__, __LINE__);
        image = nullptr;
    }
}

void move_fixture_frame(int16_t fixture) {
    int page = 0;
    int key = 0;
    if (flag(runtime::option_flags, runtime::OPT_FIXTURE_PANEL) && framed_fixture != 0 &&
        fixture_key_of(framed_fixture, page, key) && page == runtime::fixture_page) {
        frame_key(key, kLightGrey);
    }
    framed_fixture = fixture;
    if (flag(runtime::option_flags, runtime::OPT_FIXTURE_PANEL) && fixture != 0 && fixture_key_of(fixture, page, key) &&
        page == runtime::fixture_page) {
        frame_key(key, kYellow);
    }
}

void draw_fixture_screen() {
    runtime::option_flags |= runtime::OPT_FIXTURE_PANEL;
    runtime::option_flags &= ~(runtime::OPT_POINTCUE_PANEL | runtime::OPT_PANTILT_PRESET_PANEL |
                               runtime::OPT_THRESHOLD_GRID | runtime::OPT_PICKER_OPEN);
    const int page = runtime::fixture_page;
    if (!page_valid(page)) return;
    uint8_t* image = fixture_page_images[static_cast<size_t>(page)];
    if (image == nullptr) {
        draw_page_from_scratch(page);
        keep_page_picture(page);
    } else {
        platform::_putimage(0, 0, std::span<const uint8_t>(image, panel_image_size()), platform::kCopyPut);
        draw_page_title();
    }
    draw_fixture_info();
    update_fixture_key_leds();
    update_group_leds();
    int current_page = 0;
    int key = 0;
    framed_fixture = runtime::current_fixture > 0 ? runtime::current_fixture : 0;
    if (framed_fixture != 0 && fixture_key_of(framed_fixture, current_page, key) && current_page == page) {
        frame_key(key, kYellow);
    }
}

void set_fixture_page(int16_t page) {
    if (!page_valid(page)) return;
    const bool was_cue_screen = cue_screen();
    runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
    const bool changed = page != runtime::fixture_page;
    runtime::fixture_page = page;
    if (changed && flag(runtime::option_flags, runtime::OPT_FIXTURE_PANEL_RESTORED)) redraw_fixture_panel();
    draw_fixture_screen();
    set_bank_leds();
    ui::redraw_table_view();
    if (was_cue_screen) {
        update_group_leds();
        if (!flag(runtime::run_flags, runtime::RUN_THRESHOLD_MODE | runtime::RUN_LIVE_EDIT)) refresh_faders();
    }
}

void draw_fixture_info() {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(runtime::current_fixture_type);
    if (flag(runtime::option_flags, runtime::OPT_FIXTURE_PANEL)) {
        platform::_setcolor(kLightGrey);
        platform::_rectangle(1, 220, kPanelRight, 235);
        ui::fill_box(2, 221, 220, 234, kRed);
        if (type == nullptr) {
            const char* none = "NO FIXTURES SELECTED";
            ui::draw_bitmap_text(static_cast<int16_t>(111 - 4 * 20), 224, kYellow, none);
        } else {
            platform::_setcolor(kLightGrey);
            platform::_line(155, 221, 155, 234);
            ui::draw_bitmap_text(5, 224, kYellow, type->name().c_str());
            int patched = 0;
            for (int n = 1; n <= setup::fixture_count && n <= kFixtures; ++n) {
                if (setup::setup_data.u16(setup::SetupData::fixture_field(n, setup::kFixtureTypeIndex)) ==
                    runtime::current_fixture_type) {
                    ++patched;
                }
            }
            char count[12]{};  // any int
            std::snprintf(count, sizeof count, "%d", patched);
            ui::draw_bitmap_text(180, 224, kYellow, count);
        }
    }
    ui::fill_box(230, 15, 269, 100, kGreen);
    ui::fill_box(235, 3, 405, 9, kBlue);
    const int f = runtime::current_fixture;
    if (type == nullptr || f < 1 || f > setup::fixture_count) return;
    ui::draw_small_text(237, 3, kYellow, type->name().c_str());
    const setup::FixtureRecord record = setup::read_fixture(setup::setup_data, f);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kSmallTextSize);
    char text[16]{};
    if (record.protocol == "MARTIN  " || record.protocol == "MARTIN") {
        const int block = (record.address - 1) / 16 + 1;
        if (record.channel_count >= 17) {
            std::snprintf(text, sizeof text, "%2d+%2d", block, block + 1);
            platform::_setcolor(kYellow);
            platform::_outtextxy(235, 70, text);
        } else {
            std::snprintf(text, sizeof text, "%3d", block);
            platform::_setcolor(kYellow);
            platform::_outtextxy(241, 70, text);
        }
    } else {
        std::snprintf(text, sizeof text, "%3d", record.address);
        platform::_setcolor(kYellow);
        platform::_outtextxy(241, 70, text);
    }
    std::string protocol = record.protocol.substr(0, 6);
    if (protocol == "DMX OU") protocol = "DMXOUT";
    platform::_outtextxy(232, 90, protocol);
    std::snprintf(text, sizeof text, "%1d", record.card);
    platform::_outtextxy(262, 80, text);
    platform::_setcolor(kLightRed);
    platform::_outtextxy(238, 60, "ADDR");
    platform::_outtextxy(235, 80, "LINE");
}

void update_fixture_key_leds() {
    if (!flag(runtime::option_flags, runtime::OPT_FIXTURE_PANEL) ||
        flag(runtime::run_flags, runtime::RUN_SHOW_FILE_BUSY)) {
        return;
    }
    const int page = runtime::fixture_page;
    const int count = page_count(page);
    const bool leds_held = leds_held_by_a_dialog();
    for (int key = 1; key <= count; ++key) {
        const int16_t n = fixture_on(page, key);
        if (n == 0) continue;
        const bool selected = fixture_selected[static_cast<size_t>(n)] == 1;
        const int16_t colour = selected ? kYellow : programmer_holds(n) ? kRed : kLightBlue;
        write_key_number(key, colour);
        if (flag(runtime::option_flags, runtime::OPT_FIXTURE_PANEL_RESTORED)) {
            setup::draw_fixture_number(static_cast<int16_t>(n - 1), selected ? kYellow : stage_colour(n));
        }
        if (!leds_held) runtime::set_key_led(runtime::fixture_key(key), selected ? runtime::LED_ON_2 : runtime::LED_OFF);
        if (key % kPollEveryKeys == 0) runtime::run_background();
    }
    if (leds_held) return;
    for (int key = count + 1; key <= runtime::kFixtureKeys; ++key) {
        runtime::set_key_led(runtime::fixture_key(key), runtime::LED_OFF);
    }
}

int16_t fixture_stage_colour(int16_t fixture) { return stage_colour(fixture); }

void paint_fixture_marker(int16_t fixture, int16_t colour, uint8_t led) {
    int page = 0;
    int key = 0;
    if (!fixture_key_of(fixture, page, key) || page != runtime::fixture_page) return;
    const int col = key_column(key);
    const int row = key_row(key);
    ui::fill_box(static_cast<int16_t>(col * kCellWidth_px - 12), static_cast<int16_t>(row * kCellHeight_px - 6),
                 static_cast<int16_t>(col * kCellWidth_px - 7), static_cast<int16_t>(row * kCellHeight_px - 3), colour);
    runtime::set_key_led(runtime::fixture_key(key), led);
}

void paint_fixture_cell(int16_t fixture, int16_t mode) {
    if (fixture < 1 || static_cast<size_t>(fixture) >= fixture_freeze.size()) return;
    const bool frozen = fixture_freeze[static_cast<size_t>(fixture)] == 1;
    int16_t colour = stage_colour(fixture);
    uint8_t led = fixture_selected[static_cast<size_t>(fixture)] == 1 ? runtime::LED_ON_2 : runtime::LED_OFF;
    if (mode == 0) {
        colour = frozen ? kBlack : colour;
        led = frozen ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH;
    }
    paint_fixture_marker(fixture, colour, led);
}

void redraw_fixture_panel() {
    ui::fill_box(kStageLeft, 239, kStageRight, 479, kBlack);
    const int page = runtime::fixture_page;
    if (page_valid(page)) {
        uint8_t*& picture = stage_page_images[static_cast<size_t>(page)];
        const uint32_t size = stage_image_size();
        if (picture == nullptr) {
            platform::_setcolor(kLightGrey);
            platform::_rectangle(kStageLeft, kStageTop, kStageRight, kStageBottom);
            setup::draw_stage_fixture();
            keep_picture(picture, kStageLeft, kStageTop, kStageRight, kStageBottom, size);
        } else {
            platform::_putimage(kStageLeft, kStageTop, std::span<const uint8_t>(picture, size), platform::kCopyPut);
        }
        for (int key = 1; key <= page_count(page); ++key) {
            const int16_t n = fixture_on(page, key);
            if (n != 0 && fixture_selected[static_cast<size_t>(n)] == 1) setup::draw_fixture_number(static_cast<int16_t>(n - 1), kYellow);
        }
    }
    runtime::option_flags |= runtime::OPT_FIXTURE_PANEL_RESTORED;
}

void handle_fixture_bank_keys(int16_t key) {
    if (key != runtime::KEY_BANK_DOWN && key != runtime::KEY_BANK_UP) return;
    const int16_t other = key == runtime::KEY_BANK_DOWN ? runtime::KEY_BANK_UP : runtime::KEY_BANK_DOWN;
    for (;;) {
        int16_t event = 0;
        const bool press = runtime::get_key(&event);
        if (!press && event == key) {
            // A press and release of the bank key steps the page.
            int16_t page = runtime::fixture_page;
            if (key == runtime::KEY_BANK_DOWN && page > 1) --page;
            if (key == runtime::KEY_BANK_UP && page < runtime::kFixturePages) ++page;
            set_fixture_page(cue_screen() ? runtime::fixture_page : page);
            return;
        }
        if (press && event == other) break;
    }
    // Both bank keys held: keys 1..10 choose the page until either is let go.
    show_page_choice_leds();
    for (;;) {
        int16_t event = 0;
        const bool press = runtime::get_key(&event);
        if (!press && (event == key || event == other)) break;
        if (press && event >= 1 && event <= runtime::kFixturePages) {
            set_fixture_page(event);
            show_page_choice_leds();
            runtime::wait_key_release(event);
        }
    }
    redraw_after_page_choice();
}


}  // namespace programmer
