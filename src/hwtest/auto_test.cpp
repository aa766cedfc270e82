#include "hwtest/auto_test.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "hwtest/card_scan.h"
#include "hwtest/cdrom_test.h"
#include "hwtest/fader_tests.h"
#include "hwtest/panel_tests.h"
#include "hwtest/smpte_test.h"
#include "hwtest/storage_tests.h"
#include "hwtest/test_menu.h"
#include "platform/graphics.h"

namespace hwtest {

ConsoleKind console_kind;

void reset_auto_test_globals() {
    console_kind = {};
}

namespace {

// --- automatic procedure -------------------------------------------------------------

enum class StepCondition { always, panel, belts, smpte_card, cdrom_drive };

struct AutomaticStep {
    StepCondition runs_when = StepCondition::always;
    bool (*test)() = nullptr;
};

constexpr std::array<AutomaticStep, 12> kAutomaticSteps = {{
    {StepCondition::always, &test_configuration},
    {StepCondition::panel, &test_leds},
    {StepCondition::panel, &test_keys},
    {StepCondition::panel, &test_analogue_faders},
    {StepCondition::belts, &test_digital_faders},
    {StepCondition::panel, &test_displays},
    {StepCondition::panel, &test_trackerball},
    {StepCondition::smpte_card, &test_smpte},
    {StepCondition::cdrom_drive, &test_cdrom},
    {StepCondition::always, &test_ram},
    {StepCondition::always, &test_harddisk},
    {StepCondition::always, &test_diskdrive},
}};

bool step_applies(StepCondition condition) {
    switch (condition) {
        case StepCondition::always: return true;
        case StepCondition::panel: return console_kind.expects_panel;
        case StepCondition::belts: return console_kind.expects_belts;
        case StepCondition::smpte_card: return smpte_card_selector != 0;
        case StepCondition::cdrom_drive: return synchro::cd_state.drive != synchro::kNoCdDrive;
    }
    return false;
}

// --- configuration test ------------------------------------------------------------------

constexpr int kTitleX = 230;
constexpr int kLabelX = 210;
constexpr int kLinkcardsY = 135;
constexpr int kLinkcardsValueX = 305;
constexpr int kEpromsY = 155;
constexpr int kEpromRowStepY = 20;
constexpr int kWindowLabelX = 280;
constexpr int kVersionX = 353;
constexpr int kConsoleMarkX = 400;
constexpr int kPointerTableMarkX = 412;
constexpr int kFirstOptionY = 235;
constexpr int kOptionStepY = 20;
constexpr int kOptionValueGap = 8;
constexpr int kChannelsPerCard = 512;

constexpr int kQuestionLeft = 170;
constexpr int kQuestionTop = 340;
constexpr int kQuestionRight = 470;
constexpr int kQuestionBottom = 360;
constexpr int kQuestionTextX = 180;
constexpr int kQuestionTextY = 348;
constexpr int kQuestionBeepHz = 800;
constexpr uint32_t kQuestionBeepMs = 200;

constexpr std::array<std::string_view, kCardWindows> kWindowLabels = {"- C800 =", "- CC00 =", "- D000 =",
                                                                      "- D400 ="};
constexpr std::string_view kQuestionStatus =
    "++++ CHECK THE LINKCARDS AND ANSWER QUESTION WITH [Y]ES OR [N]O (ESC=CANCEL) ++++";

void draw_label(int x, int y, std::string_view text) {
    platform::_setcolor(kCyan);
    platform::_outtextxy(x, y, text);
}

void draw_value(int x, int y, std::string_view text) {
    platform::_setcolor(kYellow);
    platform::_outtextxy(x, y, text);
}

int count_link_cards() {
    int count = 0;
    for (const uint16_t version : eprom_versions) {
        if (version != 0) ++count;
    }
    return count;
}

void draw_link_cards(int cards) {
    draw_label(kLabelX, kLinkcardsY, "LINKCARDS :");
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(), "%d (%d CHANNELS)", cards, cards * kChannelsPerCard);
    draw_value(kLinkcardsValueX, kLinkcardsY, text.data());
}

void draw_eprom_versions() {
    draw_label(kLabelX, kEpromsY, "EPROMS :");
    for (size_t i = 0; i < kCardWindows; ++i) {
        const int y = kEpromsY + kEpromRowStepY * static_cast<int>(i);
        draw_label(kWindowLabelX, y, kWindowLabels[i]);
        std::array<char, 8> version{};
        std::snprintf(version.data(), version.size(), "%d", eprom_versions[i]);
        draw_value(kVersionX, y, version.data());
        // The console card is also the card whose pointer table was read.
        const bool console_card = card_window_selectors[i] != 0 && card_window_selectors[i] == console_card_selector;
        if (console_card) {
            draw_value(kConsoleMarkX, y, "M");
            draw_value(kPointerTableMarkX, y, "T");
        }
    }
}

void draw_option(int row, std::string_view label, bool enabled) {
    const int y = kFirstOptionY + kOptionStepY * row;
    draw_label(kLabelX, y, label);
    draw_value(kLabelX + platform::_textwidth(label) + kOptionValueGap, y, enabled ? "ENABLED" : "DISABLED");
}

void draw_configuration(int cards) {
    draw_link_cards(cards);
    draw_eprom_versions();
    const ConsoleOptionFlags& options = console_option_flags;
    draw_option(0, "ANALOGUE FADERS :", options.analogue_faders);
    draw_option(1, "DIGITAL BELTS FUNCTIONS :", options.function_belts);
    draw_option(2, "DIGITAL BELTS SEQUENCES :", options.sequence_belts);
    draw_option(3, "DISPLAYS :", options.displays);
    draw_option(4, "KEYS :", options.hardware_keys);
}

// The first check that applies; empty when none does.
std::string_view configuration_fault(int cards) {
    const ConsoleOptionFlags& options = console_option_flags;
    if (console_kind.expects_panel && !options.hardware_keys) return "ERROR : HARDWARE-KEYS NOT FOUND!";
    if (console_kind.expects_panel && !options.analogue_faders) return "ERROR : ANALOGUE FADERS NOT FOUND!";
    if (cards == 0) return "ERROR : LINKCARDS NOT FOUND!";
    if (console_kind.expects_panel && !options.displays) return "ERROR : DISPLAYS NOT FOUND!";
    if (console_kind.expects_belts && !options.sequence_belts) return "ERROR : DIGITAL BELTS SEQUENCES NOT FOUND!";
    if (console_kind.expects_belts && !options.function_belts) return "ERROR : DIGITAL BELTS FUNCTIONS NOT FOUND!";
    return {};
}

// Asks whether the cards found are all the cards fitted; the answer's result text.
std::string ask_link_card_count(int cards) {
    beep_tone(kQuestionBeepHz, kQuestionBeepMs);
    draw_status_line(kQuestionStatus);
    platform::_setfillstyle(platform::kSolidFill, kLightGreen);
    platform::_bar(kQuestionLeft, kQuestionTop, kQuestionRight, kQuestionBottom);
    std::array<char, 64> question{};
    if (cards == 1) {
        std::snprintf(question.data(), question.size(), "IS ONLY 1 LINKCARD INSTALLED? (Y/N)");
    } else {
        std::snprintf(question.data(), question.size(), "ARE ONLY %d LINKCARDS INSTALLED? (Y/N)", cards);
    }
    platform::_setcolor(kRed);
    platform::_outtextxy(kQuestionTextX, kQuestionTextY, question.data());

    int key = 0;
    do {
        key = read_answer_key();
    } while (key != 'Y' && key != 'N' && key != kEscKey);

    platform::_setfillstyle(platform::kHatchFill, kBlue);
    platform::_bar(kQuestionLeft, kQuestionTop, kQuestionRight, kQuestionBottom);
    if (key == 'N') return "ERROR : MISSING LINKCARDS!";
    if (key == kEscKey) return "ERROR : CONFIGURATION-TEST NOT COMPLETED!";
    return std::string(kTestOk);
}

}  // namespace

void determine_console_kind() {
    const ConsoleOptionFlags& options = console_option_flags;
    console_kind.expects_panel = options.hardware_keys || options.analogue_faders || options.displays;
    console_kind.expects_belts = options.function_belts || options.sequence_belts;
    console_kind.has_wing = options.playback_wing;
}

void run_automatic_test() {
    for (const AutomaticStep& step : kAutomaticSteps) {
        if (!step_applies(step.runs_when)) continue;
        if (!step.test()) return;
    }
}

bool test_configuration() {
    begin_test(kTestConfiguration);
    const int cards = count_link_cards();
    draw_test_frame("CHECKING CONFIGURATION", kTitleX, "");
    draw_configuration(cards);
    const std::string_view fault = configuration_fault(cards);
    const std::string result = fault.empty() ? ask_link_card_count(cards) : std::string(fault);
    return finish_test(kTestConfiguration, result);
}

}  // namespace hwtest
