#include "setup/copy_source_question.h"

#include <array>
#include <cstdio>
#include <memory>

#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "setup/setup_colours.h"
#include "setup/setup_screen.h"
#include "setup/stage_plan.h"
#include "ui/helpers.h"

namespace setup {

namespace {

constexpr int32_t kQuestionHz = 800;
constexpr uint32_t kQuestion_ms = 100;
constexpr int32_t kChoiceHz = 600;
constexpr uint32_t kChoice_ms = 50;
constexpr uint32_t kCancel_ms = 50;
// Where the pointer may go while the question is up: the stage plan.
constexpr int16_t kPlanX1 = 117, kPlanY1 = 202, kPlanX2 = 463, kPlanY2 = 424;

constexpr int16_t kNoChoice = -1;
constexpr int16_t kStaysNew = 0;

int fixture_number(const SetupData& setup, int g) { return setup.u16(SetupData::fixture_field(g, kFixtureNumber)); }

bool page_holds_candidate(const SetupData& edited, const FixtureMap& map, int f, int page) {
    const int count = rig_fixture_count(edited);
    for (int g = 1; g <= count; ++g) {
        if (fixture_page_of(fixture_number(edited, g)) == page && copy_candidate(edited, map, f, g)) return true;
    }
    return false;
}

// The shown page's fixtures marked on the stage plan and the fixture keys:
// f white with its key green, its candidates yellow with their keys blinking
// in both colours, the others in their stage colour with both colours lit.
void mark_page_fixtures(const SetupData& edited, const FixtureMap& map, int f) {
    const int count = rig_fixture_count(edited);
    for (int g = 1; g <= count; ++g) {
        const FixtureRecord r = read_fixture(edited, g);
        if (fixture_page_of(r.number) != runtime::fixture_page) continue;
        uint8_t led = runtime::LED_ON_BOTH;
        int16_t colour = r.stage_colour;
        if (g == f) {
            led = runtime::LED_ON_2;
            colour = kSetupWhite;
        } else if (copy_candidate(edited, map, f, g)) {
            led = runtime::LED_BLINK_BOTH;
            colour = kSetupYellow;
        }
        draw_fixture_number(edited, static_cast<int16_t>(g - 1), colour);
        runtime::set_key_led(runtime::fixture_key(fixture_key_of(r.number)), led);
    }
}

// Fixture key k of the shown page as a fixture record, as the question
// counts them: on page 1 only keys up to the page's fixture count.
int16_t keyed_fixture(const PageCounts& pages, int key) {
    const int page = runtime::fixture_page;
    if (page <= 1) return key <= pages[1] ? static_cast<int16_t>(key) : kNoChoice;
    ui::beep(kChoiceHz, kChoice_ms);
    return static_cast<int16_t>(fixtures_before_page(pages, page) + key);
}

void show_page(SetupData& shown, LibraryList& list, const FixtureMap& map, int f, int page) {
    change_fixture_page(shown, static_cast<int16_t>(page), list);
    mark_page_fixtures(shown, map, f);
}

// The left button picks the fixture nearest the pointer on the shown page,
// a candidate or not; the stage plan's search turns to a page with fixtures
// first when the shown one has none, and that page is marked then.
int16_t pointed_fixture(SetupData& shown, LibraryList& list, const FixtureMap& map, int f) {
    const int16_t page = runtime::fixture_page;
    const int16_t picked = find_nearest_stage_fixture(shown, list);
    if (runtime::fixture_page != page) mark_page_fixtures(shown, map, f);
    return picked > 0 ? picked : kNoChoice;
}

// One pass of input: the fixture picked, kStaysNew, or kNoChoice.
int16_t read_choice(SetupData& shown, LibraryList& list, const FixtureMap& map, const PageCounts& pages, int f) {
    int16_t key = 0;
    runtime::run_background();
    if (runtime::is_input_pending() && !runtime::get_key(&key)) key = 0;
    runtime::read_mouse(0);
    if (runtime::mouse_buttons == runtime::kMouseLeft) return pointed_fixture(shown, list, map, f);
    if (runtime::mouse_buttons == runtime::kMouseRight || key == runtime::KEY_ESC) {
        ui::beep(kSetupRefusalHz, kCancel_ms);
        return kStaysNew;
    }
    if (key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70) return keyed_fixture(pages, key);
    if (key == runtime::KEY_BANK_DOWN && runtime::fixture_page > 1) {
        show_page(shown, list, map, f, runtime::fixture_page - 1);
    } else if (key == runtime::KEY_BANK_UP && runtime::fixture_page < kFixturePages) {
        show_page(shown, list, map, f, runtime::fixture_page + 1);
    }
    return kNoChoice;
}

}  // namespace

int16_t ask_copy_source(LibraryList& list, const SetupData& edited, const FixtureMap& map, const PageCounts& pages,
                        int f) {
    const int count = rig_fixture_count(edited);
    int first_page = 0;
    for (int g = 1; g <= count && first_page == 0; ++g) {
        if (copy_candidate(edited, map, f, g)) first_page = fixture_page_of(fixture_number(edited, g));
    }
    if (first_page == 0) return kStaysNew;
    const int number = fixture_number(edited, f);
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "FIXTURE %d (PAGE %d) IS NEW. SELECT FIXTURE TO COPY FROM...",
                  fixture_key_of(number), fixture_page_of(number));
    show_setup_status(text.data());
    // The pages are drawn from a copy: the stage plan's drawing takes a setup it may change.
    const auto shown = std::make_unique<SetupData>(edited);
    if (!page_holds_candidate(edited, map, f, runtime::fixture_page)) {
        change_fixture_page(*shown, static_cast<int16_t>(first_page), list);
    }
    runtime::set_mouse_range(kPlanX1, kPlanY1, kPlanX2, kPlanY2);
    runtime::show_mouse_cursor(1);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    ui::beep(kQuestionHz, kQuestion_ms);
    mark_page_fixtures(edited, map, f);
    int16_t choice = kNoChoice;
    while (choice == kNoChoice) {
        choice = read_choice(*shown, list, map, pages, f);
        if (choice > 0 && !copy_candidate(edited, map, f, choice)) choice = kNoChoice;
    }
    if (choice > 0) ui::beep(kChoiceHz, kChoice_ms);
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    runtime::show_mouse_cursor(0);
    return choice;
}

void end_copy_source_questions(const SetupData& edited) {
    const int count = rig_fixture_count(edited);
    for (int g = 1; g <= count; ++g) {
        const int number = fixture_number(edited, g);
        if (fixture_page_of(number) == runtime::fixture_page) {
            runtime::set_key_led(runtime::fixture_key(fixture_key_of(number)), runtime::LED_ON_BOTH);
        }
    }
    draw_page_fixture_numbers(edited, 1);
}

}  // namespace setup
