#include "setup/setup_screen.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <string>

#include "datafiles/whole_files.h"
#include "platform/dos_files.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/fixture_editing.h"
#include "setup/setup_colours.h"
#include "setup/patch_conflicts.h"
#include "setup/stage_plan.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace setup {

namespace {

constexpr int16_t kTextSize = 4;
constexpr uint32_t kRefusal_ms = 800;
constexpr int kVersionChars = 9;
constexpr int kToolbarButtons = 9;
constexpr int kPageKeys = 70;

struct Box {
    int16_t x1, y1, x2, y2;
};

// The status box, its inside and where its lines go.
constexpr Box kStatusFrame = {445, 430, 630, 460};
constexpr Box kStatusInside = {446, 431, 629, 459};
constexpr int16_t kStatusCentredY = 441;
constexpr int16_t kStatusLineX = 448;
constexpr int16_t kStatusFirstY = 435;
constexpr int16_t kStatusSecondY = 447;
constexpr int16_t kStatusWidth = 183;

constexpr Box kLampOffBox = {1, 71, 72, 81};
constexpr Box kLampOnBox = {2, 72, 71, 80};
constexpr int16_t kLampTextX = 10;
constexpr int16_t kLampTextY = 73;

// Card buttons 29 pixels wide from x 1; the four protocol buttons.
constexpr int16_t kCardButtonWidth = 29;
constexpr std::array<Box, 5> kProtocolButtons = {{{0, 0, 0, 0}, {1, 41, 57, 54}, {60, 41, 115, 54}, {1, 56, 57, 69}, {59, 56, 115, 69}}};
constexpr std::array<std::array<int16_t, 2>, 5> kProtocolCells = {{{0, 0}, {1, 41}, {59, 41}, {1, 56}, {59, 56}}};
constexpr int16_t kProtocolCellWidth = 56;
constexpr int16_t kProtocolCellHeight = 13;

struct ToolbarLabel {
    const char* first;
    const char* second;  // nullptr: one label at y 445
};
constexpr std::array<ToolbarLabel, kToolbarButtons> kToolbarLabels = {{
    {"PATCH", "FIXTURE"}, {"PATCH", "FUNCT."}, {"PATCH", "LINK"}, {"CHANGE", "ADDRESS"}, {"CHANGE", "RGB-LIB"},
    {"ERASE", "FIXTURE"}, {"ERASE", "ALL"}, {"REDRAW", nullptr}, {"EXIT", nullptr},
}};

void set_small_text() { ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize); }

void frame(const Box& b, int16_t colour) {
    platform::_setcolor(colour);
    platform::_rectangle(b.x1, b.y1, b.x2, b.y2);
}

void line(int x1, int y1, int x2, int y2, int16_t colour) {
    platform::_setcolor(colour);
    platform::_line(x1, y1, x2, y2);
}

void title_bar(const Box& b, const char* text) { ui::draw_text_button(b.x1, b.y1, b.x2, b.y2, kSetupRed, text, kSetupYellow); }

// A scroll arrow: a blue box with a triangle outlined in grey and a line
// under (up) or over (down) it.
void scroll_arrow(const Box& b, bool up) {
    ui::fill_box(b.x1, b.y1, b.x2, b.y2, kSetupBlue);
    const int mid = (b.x1 + b.x2) / 2;
    const int tip = up ? b.y1 + 4 : b.y2 - 4;
    const int base = up ? b.y2 - 4 : b.y1 + 4;
    platform::_setcolor(kSetupLightGrey);
    platform::_line(mid, tip, b.x1 + 3, base);
    platform::_line(mid, tip, b.x2 - 3, base);
    platform::_line(b.x1 + 3, base, b.x2 - 3, base);
    line(b.x1, up ? b.y2 + 1 : b.y1 - 1, b.x2, up ? b.y2 + 1 : b.y1 - 1, kSetupLightGrey);
}

// The first line of lib\version.ini, at most 9 characters; empty without one.
std::string library_version() {
    const std::string path = datafiles::program_path("LIB\\version.ini");
    FILE* file = platform::dos_fopen(path.c_str(), "r");
    if (file == nullptr) return {};
    std::array<char, 80> text{};
    const bool read = std::fgets(text.data(), static_cast<int>(text.size()), file) != nullptr;
    std::fclose(file);
    if (!read) return {};
    std::string version(text.data());
    while (!version.empty() && (version.back() == '\n' || version.back() == '\r')) version.pop_back();
    return version.substr(0, kVersionChars);
}


// The page panel's title bar with the current page. (The whole bar is drawn
// again on a page change: with this font the number does not sit in a box
// of its own.)
void draw_page_title() {
    ui::fill_box(451, 1, 629, 11, kSetupRed);
    set_small_text();
    platform::_setcolor(kSetupYellow);
    std::array<char, 24> title{};
    std::snprintf(title.data(), title.size(), "FIXTURE-PAGE %d", runtime::fixture_page);
    platform::_outtextxy(500, 3, title.data());
}

void draw_lamp_box(uint8_t on) {
    set_small_text();
    if (on != 0) {
        ui::fill_box(kLampOffBox.x1, kLampOffBox.y1, kLampOffBox.x2, kLampOffBox.y2, kSetupBlack);
        ui::fill_box(kLampOnBox.x1, kLampOnBox.y1, kLampOnBox.x2, kLampOnBox.y2, kSetupYellow);
        platform::_setcolor(kSetupRed);
    } else {
        ui::fill_box(kLampOffBox.x1, kLampOffBox.y1, kLampOffBox.x2, kLampOffBox.y2, kSetupDarkGrey);
        platform::_setcolor(kSetupYellow);
    }
    platform::_outtextxy(kLampTextX, kLampTextY, "LAMP ON");
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A line of at most kStatusLineChars: a longer one ends before its last
// space among them, or after them when it has none there.
std::string cut_status_line(const std::string& line) {
    if (static_cast<int>(line.size()) <= kStatusLineChars) return line;
    const size_t space = line.substr(0, kStatusLineChars + 1).rfind(' ');
    return line.substr(0, space == std::string::npos || space == 0 ? kStatusLineChars : space);
}

}  // namespace

StatusLines split_status_text(const std::string& text) {
    if (static_cast<int>(text.size()) <= kStatusLineChars) return {text, "", true};
    const size_t space = text.substr(0, kStatusLineChars).rfind(' ');
    if (space == std::string::npos) return {"", cut_status_line(text), false};
    return {text.substr(0, space), cut_status_line(text.substr(space + 1)), false};
}

void show_setup_status(const char* text) {
    std::string shown = text == nullptr ? "" : text;
    shown.resize(std::min<size_t>(shown.size(), ui::kMessageTextBytes - 1));
    if (shown == ui::last_message_text.data()) return;
    ui::last_message_text.fill('\0');
    std::copy(shown.begin(), shown.end(), ui::last_message_text.begin());
    const PointerHidden hidden;
    const int colour = platform::_getcolor();
    ui::fill_box(kStatusInside.x1, kStatusInside.y1, kStatusInside.x2, kStatusInside.y2, kSetupRed);
    frame(kStatusFrame, kSetupLightGrey);
    set_small_text();
    platform::_setcolor(kSetupYellow);
    const StatusLines lines = split_status_text(shown);
    if (lines.centred) {
        platform::_outtextxy(kStatusInside.x1 + (kStatusWidth - platform::_textwidth(lines.first)) / 2, kStatusCentredY,
                             lines.first);
    } else {
        platform::_outtextxy(kStatusLineX, kStatusFirstY, lines.first);
        platform::_outtextxy(kStatusLineX, kStatusSecondY, lines.second);
    }
    platform::_setcolor(colour);
}

void refuse_in_setup(const char* text, uint32_t duration_ms) {
    show_setup_status(text);
    ui::beep(kSetupRefusalHz, duration_ms);
}

void fill_toolbar_button(int16_t n, int16_t colour) {
    if (n < 1 || n > kToolbarButtons) return;
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_floodfill(49 * n - 20, 434, kSetupLightGrey);
    platform::_floodfill(49 * n - 5, 450, kSetupLightGrey);
}

void toggle_setup_blind(const AddressState& state) {
    if ((runtime::run_flags & runtime::RUN_BLIND) == 0) {
        if (ui::wait_key_held(runtime::KEY_BLIND_TOGGLE, ui::kKeyHoldTime_ms)) runtime::run_flags |= runtime::RUN_BLIND;
    } else {
        runtime::run_flags &= ~runtime::RUN_BLIND;
        reset_output_patch_for_setup(state);
    }
    runtime::set_key_led(runtime::KEY_BLIND_TOGGLE,
                         (runtime::run_flags & runtime::RUN_BLIND) != 0 ? runtime::LED_ON : runtime::LED_OFF);
}

void toggle_lamp_on(AddressPanel& panel) {
    const PointerHidden hidden;
    panel.lamp_on = panel.lamp_on == 1 ? 0 : 1;
    draw_lamp_box(panel.lamp_on);
}

void draw_setup_fixture_page_panel() {
    ui::fill_box(451, 1, 629, 187, kSetupBlack);
    frame({450, 0, 630, 188}, kSetupLightGrey);
    draw_page_title();
    for (int k = 0; k <= 10; ++k) line(450 + 18 * k, 12, 450 + 18 * k, 188, kSetupLightGrey);
    for (const int y : {12, 38, 63, 88, 113, 138, 163, 188}) line(450, y, 630, y, kSetupLightGrey);
    for (int16_t k = 1; k <= kPageKeys; ++k) draw_page_fixture_key(k, 0);
}

void draw_stage_toolbar() {
    if (patch_conflict_count != 0) return;
    const PointerHidden hidden;
    ui::fill_box(465, 189, 629, 424, kSetupBlack);
    frame({464, 188, 630, 425}, kSetupWhite);
    set_small_text();
    title_bar({465, 189, 629, 199}, "FUNCTION PATCHING");
    line(464, 200, 630, 200, kSetupWhite);
    for (const int x : {464, 492, 524, 546, 568, 586, 608}) line(x, 200, x, 425, kSetupWhite);
    line(524, 200, 630, 200, kSetupWhite);
    for (int r = 1; r <= 15; ++r) {
        line(525, 201 + 14 * r, 567, 201 + 14 * r, kSetupYellow);
        line(587, 201 + 14 * r, 629, 201 + 14 * r, kSetupYellow);
    }
    ui::draw_text_button(493, 201, 523, 223, kSetupRed, "COLOR", kSetupYellow);
    ui::fill_box(465, 201, 491, 424, kSetupBlack);
    for (const auto& [top, bottom] : {std::pair{202, 233}, {237, 253}, {257, 288}, {292, 308}, {312, 343}, {347, 363},
                                      {367, 398}, {402, 423}}) {
        ui::fill_box(466, static_cast<int16_t>(top), 490, static_cast<int16_t>(bottom), kSetupDarkGrey);
    }
    platform::_setlinestyle(platform::kDottedLine, 0, platform::kNormalWidth);
    for (const int y : {235, 290, 345, 400}) line(465, y, 491, y, kSetupLightGrey);
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
    for (const int y : {255, 310, 365}) line(465, y, 491, y, kSetupLightGrey);
    platform::_setcolor(kSetupLightCyan);
    platform::_circle(478, 219, 10);
    platform::_rectangle(470, 265, 486, 280);
    platform::_line(470, 315, 486, 340);
    platform::_outtextxy(467, 380, "TEXT");
    for (const int y : {243, 298, 353, 410}) platform::_outtextxy(467, y, "EDIT");
    platform::_outtextxy(497, 410, "EDIT");
}

void draw_toolbar() {
    set_small_text();
    for (int n = 1; n <= kToolbarButtons; ++n) {
        const int x1 = 49 * (n - 1);
        platform::_setfillstyle(platform::kSolidFill, kSetupDarkGrey);
        platform::_setcolor(kSetupLightGrey);
        platform::_bar3d(x1, 435, x1 + 43, 460, 3, 1);
        const ToolbarLabel& label = kToolbarLabels[static_cast<size_t>(n - 1)];
        platform::_setcolor(kSetupLightCyan);
        const auto centred = [x1](const char* text) { return x1 + (43 - platform::_textwidth(text)) / 2; };
        if (label.second == nullptr) {
            platform::_outtextxy(centred(label.first), 445, label.first);
        } else {
            platform::_outtextxy(centred(label.first), 440, label.first);
            platform::_outtextxy(centred(label.second), 450, label.second);
        }
    }
}

int installed_cards() {
    int cards = 0;
    for (int c = 1; c <= kMaxCards; ++c) {
        if (runtime::dmx_card_selectors[static_cast<size_t>(c)] != 0) cards = c;
    }
    return cards;
}

void draw_setup_screen() {
    platform::_cleardevice();
    platform::_setcolor(kSetupLightGrey);
    set_small_text();
    frame(kStatusFrame, kSetupLightGrey);
    frame({116, 188, 464, 425}, kSetupLightGrey);
    title_bar({117, 189, 463, 199}, "STAGE LAYOUT");
    line(116, 200, 464, 200, kSetupLightGrey);

    const std::string version = library_version();
    const std::string libraries = version.empty() ? "AVAILABLE LIBRARIES" : "AVAILABLE LIBRARIES " + version;
    title_bar({117, 1, 299, 11}, libraries.c_str());
    frame({116, 0, 300, 188}, kSetupLightGrey);
    line(116, 12, 300, 12, kSetupLightGrey);
    line(285, 12, 285, 188, kSetupLightGrey);
    ui::fill_box(286, 13, 299, 187, kSetupDarkGrey);
    title_bar({117, 81, 299, 91}, "AVAILABLE TYPES");
    line(116, 80, 300, 80, kSetupLightGrey);
    line(116, 92, 300, 92, kSetupLightGrey);

    draw_setup_fixture_page_panel();

    frame({300, 0, 450, 188}, kSetupLightGrey);
    line(300, 12, 450, 12, kSetupLightGrey);
    title_bar({301, 1, 449, 11}, "FIXTURE INFORMATION");

    frame({0, 0, 116, 28}, kSetupLightGrey);
    line(0, 12, 116, 12, kSetupLightGrey);
    for (const int x : {29, 58, 87}) line(x, 12, x, 28, kSetupLightGrey);
    title_bar({1, 1, 115, 11}, "ZELK-INTERFACE");
    frame({0, 28, 116, 70}, kSetupLightGrey);
    line(0, 40, 116, 40, kSetupLightGrey);
    line(58, 41, 58, 70, kSetupLightGrey);
    line(0, 55, 116, 55, kSetupLightGrey);
    title_bar({1, 29, 115, 39}, "PROTOCOL");
    frame({0, 70, 116, 425}, kSetupLightGrey);
    draw_lamp_box(0);
    line(0, 82, 116, 82, kSetupWhite);
    ui::fill_box(102, 83, 115, 424, kSetupDarkGrey);
    line(101, 82, 101, 425, kSetupLightGrey);

    draw_stage_toolbar();

    scroll_arrow({286, 13, 299, 32}, true);
    scroll_arrow({286, 60, 299, 79}, false);
    scroll_arrow({286, 93, 299, 112}, true);
    scroll_arrow({286, 168, 299, 187}, false);
    scroll_arrow({102, 83, 115, 102}, true);
    scroll_arrow({102, 405, 115, 424}, false);

    draw_toolbar();
    show_setup_status(kSetupTitle);
}

void draw_card_buttons(const AddressState& state) {
    const PointerHidden hidden;
    set_small_text();
    const int cards = installed_cards();
    for (int n = 1; n <= kMaxCards; ++n) {
        const std::string text = std::to_string(n);
        const bool installed = n <= cards;
        const int16_t fill = !installed ? kSetupBlack : (n == state.selected_card ? kSetupYellow : kSetupDarkGrey);
        ui::draw_text_button(static_cast<int16_t>(29 * n - 28), 13, static_cast<int16_t>(29 * n - 1), 27, fill,
                             text.c_str(), installed ? kSetupRed : kSetupLightGrey);
    }
}

void draw_protocol_list(const AddressState& state) {
    const PointerHidden hidden;
    set_small_text();
    const auto card = static_cast<size_t>(state.selected_card >= 1 && state.selected_card <= kMaxCards ? state.selected_card : 1);
    for (int p = 1; p <= kCardProtocols; ++p) {
        const auto& cell = kProtocolCells[static_cast<size_t>(p)];
        const bool usable = state.protocol_usable[static_cast<size_t>(p)] != 0;
        const int16_t fill = !usable ? kSetupBlack : (p == state.selected_protocol ? kSetupYellow : kSetupDarkGrey);
        ui::draw_text_button(cell[0], cell[1], static_cast<int16_t>(cell[0] + kProtocolCellWidth),
                             static_cast<int16_t>(cell[1] + kProtocolCellHeight), fill,
                             state.protocol_names[card][static_cast<size_t>(p)].c_str(), usable ? kSetupRed : kSetupLightGrey);
    }
}

void select_interface_card(AddressState& state, LibraryList& list, AddressPanel& panel) {
    const int card = (runtime::mouse_x - 1) / kCardButtonWidth + 1;
    if (card < 1 || card > kMaxCards) return;
    if (card > installed_cards()) {
        show_setup_status("SELECTED CARD NOT INSTALLED");
        ui::beep(kSetupRefusalHz, kRefusal_ms);
        return;
    }
    if (card == state.selected_card) return;
    state.selected_card = static_cast<int16_t>(card);
    select_fixture_protocol(state, list);
    draw_protocol_list(state);
    draw_card_buttons(state);
    compute_address_slots(panel, state, list);
    draw_scroll_list(panel, state, list);
}

void select_protocol(AddressState& state, LibraryList& list, AddressPanel& panel) {
    int hit = 0;
    for (int p = 1; p <= kCardProtocols && hit == 0; ++p) {
        const Box& b = kProtocolButtons[static_cast<size_t>(p)];
        if (runtime::is_point_in_rect(b.x1, b.y1, b.x2, b.y2, runtime::mouse_x, runtime::mouse_y)) hit = p;
    }
    if (hit == 0 || hit == state.selected_protocol) return;
    if (state.protocol_usable[static_cast<size_t>(hit)] != 1) {
        show_setup_status("THIS PROTOCOL MAY NOT BE SELECTED");
        ui::beep(kSetupRefusalHz, kRefusal_ms);
        return;
    }
    state.selected_protocol = static_cast<int16_t>(hit);
    select_fixture_protocol(state, list);
    draw_protocol_list(state);
    compute_address_slots(panel, state, list);
    draw_scroll_list(panel, state, list);
}

void show_fixture_info(int16_t x, int16_t y, int16_t index, const SetupData& setup) {
    if (index < 0 || index >= kMaxFixtures) return;
    const FixtureRecord r = read_fixture(setup, index + 1);
    ui::fill_box(x, y, static_cast<int16_t>(x + 130), static_cast<int16_t>(y + 90), kSetupDarkGrey);
    frame({x, y, static_cast<int16_t>(x + 130), static_cast<int16_t>(y + 90)}, kSetupLightGrey);
    for (int row = 3; row <= 6; ++row) {
        ui::fill_box(static_cast<int16_t>(x + 2), static_cast<int16_t>(y + 15 * row - 15), static_cast<int16_t>(x + 128),
                     static_cast<int16_t>(y + 15 * row - 2), kSetupBlack);
    }
    for (const int dy : {15, 30, 45, 60, 75}) line(x, y + dy, x + 130, y + dy, kSetupLightGrey);
    set_small_text();
    std::array<char, 40> text{};
    const int number = r.number;
    std::snprintf(text.data(), text.size(), "FIXTURE : %d.%d", (number - 1) % 70 + 1, (number - 1) / 70 + 1);
    ui::draw_text_button(static_cast<int16_t>(x + 2), static_cast<int16_t>(y + 2), static_cast<int16_t>(x + 128),
                         static_cast<int16_t>(y + 13), kSetupRed, text.data(), kSetupYellow);
    // The name is shown in capitals; the setup keeps it as it is.
    const std::string name = upper(setup.text(SetupData::type_name_field(r.type_index + 1), kTypeNameBytes));
    ui::draw_text_button(static_cast<int16_t>(x + 2), static_cast<int16_t>(y + 17), static_cast<int16_t>(x + 128),
                         static_cast<int16_t>(y + 28), kSetupYellow, name.c_str(), kSetupRed);
    platform::_setcolor(kSetupLightCyan);
    std::snprintf(text.data(), text.size(), "ZELK-INTERFACE : %d", r.card);
    platform::_outtextxy(x + 4, y + 34, text.data());
    std::snprintf(text.data(), text.size(), "PROTOCOL : %s", r.protocol.c_str());
    platform::_outtextxy(x + 4, y + 49, text.data());
    if (r.protocol == kProtocolMartin) {
        std::snprintf(text.data(), text.size(), "OUTPUT-ADDRESS : %d", (r.address - 1) / 16 + 1);
    } else if (r.address == kMultipatchAddress) {
        std::snprintf(text.data(), text.size(), "OUTPUT-ADDRESS:MULTI");
    } else if (r.address == kSoftPatchAddress) {
        std::snprintf(text.data(), text.size(), "OUTPUT-ADDRESS:SOFT");
    } else {
        std::snprintf(text.data(), text.size(), "OUTPUT-ADDRESS : %d", r.address);
    }
    platform::_outtextxy(x + 4, y + 64, text.data());
    const bool dmx_out = r.protocol == kProtocolDmxOut;
    if (dmx_out && r.address >= 1) {
        std::snprintf(text.data(), text.size(), "INPUT-ADDRESS : %d", r.input_address);
    } else {
        std::snprintf(text.data(), text.size(), "INPUT-ADDRESS : /");
    }
    platform::_setcolor(dmx_out ? kSetupLightCyan : kSetupLightGrey);
    platform::_outtextxy(x + 4, y + 79, text.data());
}

void change_fixture_page(SetupData& setup, int16_t page, LibraryList& list) {
    runtime::fixture_page = page;
    runtime::set_key_led(runtime::KEY_BANK_DOWN, runtime::LED_ON);
    runtime::set_key_led(runtime::KEY_BANK_UP, runtime::LED_ON);
    const PointerHidden hidden;
    draw_page_title();
    redraw_page_fixture_keys(setup);
    draw_stage_page(setup);
    compute_patch_conflicts(setup, list);
}

}  // namespace setup
