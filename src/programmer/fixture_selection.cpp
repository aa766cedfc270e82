#include "programmer/fixture_selection.h"

#include <algorithm>

#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "programmer/fixture_groups.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> saved_selection{};
std::array<uint8_t, kFixtures + 1> fixture_freeze{};
std::array<uint8_t, setup::kMaxFixtureTypes + 1> remembered_page{};
std::array<uint8_t, setup::kMaxFixtureTypes + 1> remembered_fader{};

namespace {

constexpr int kFadersPerPage = 16;
constexpr int kFigureFaders = 10;
constexpr int kGeneratorFaders = 7;
constexpr int kMacroFaders = 7;
constexpr int kFigureBank = 2;

bool patched(int n) { return n >= 1 && n <= setup::fixture_count && n <= kFixtures; }

int16_t fixture_type_index(int16_t fixture) {
    const int record = runtime::fixture_channel_record(fixture, 1);
    if (record == 0 || runtime::function_record_table == nullptr) return -1;
    return runtime::function_record_table[record].type;
}

// The patch index on key k of page p, 0 when the key holds none.
int16_t fixture_on_key(int page, int key) {
    if (page < 1 || page > runtime::kFixturePages) return 0;
    if (key < 1 || key > runtime::fixture_bank_counts[page] || key > runtime::kFixtureKeys) return 0;
    const int n = runtime::fixture_bank_keys[page][key] + 1;
    return patched(n) ? static_cast<int16_t>(n) : 0;
}

bool any_selected() {
    for (int n = 1; n <= setup::fixture_count && n <= kFixtures; ++n) {
        if (fixture_selected[n] == 1) return true;
    }
    return false;
}

// One pass of the search for a new current fixture on page p.
int16_t search_page(int page) {
    const int count = page >= 1 && page <= runtime::kFixturePages ? runtime::fixture_bank_counts[page] : 0;
    for (int key = count; key >= 1; --key) {
        const int16_t n = fixture_on_key(page, key);
        if (n != 0 && fixture_selected[n] == 1 && fixture_type_index(n) == runtime::current_fixture_type) return n;
    }
    for (int key = count; key >= 1; --key) {
        const int16_t n = fixture_on_key(page, key);
        if (n != 0 && fixture_selected[n] == 1) return n;
    }
    return 0;
}

bool has_pan_and_tilt(const setup::FixtureTypeDef* type) {
    return type != nullptr && type->named(setup::NamedFunction::pan) != 0 &&
           type->named(setup::NamedFunction::tilt) != 0;
}

}  // namespace

void make_fixture_current(int16_t fixture) {
    if (!patched(fixture)) return;
    runtime::current_fixture = fixture;
    const int16_t type = fixture_type_index(fixture);
    if (type != runtime::current_fixture_type) set_edit_fixture_type(type, 0);
}

void select_fixture_range(int16_t first, int16_t last) {
    const int16_t low = std::max<int16_t>(std::min(first, last), 1);
    const int16_t high = std::min<int16_t>(std::max(first, last), std::min<int16_t>(setup::fixture_count, kFixtures));
    if (low > high) return;
    for (int n = low; n <= high; ++n) fixture_selected[n] = 1;
    const int16_t current = runtime::current_fixture;
    if (!patched(current) || current < low || current > high) make_fixture_current(last >= first ? high : low);
}

void deselect_fixture_range(int16_t first, int16_t last) {
    const int16_t low = std::max<int16_t>(std::min(first, last), 1);
    const int16_t high = std::min<int16_t>(std::max(first, last), kFixtures);
    for (int n = low; n <= high; ++n) fixture_selected[n] = 0;
    follow_deselection();
}

void follow_deselection() {
    if (!any_selected()) {
        runtime::current_fixture = -1;
        runtime::current_fixture_type = -1;
        runtime::function_count = 0;
        return;
    }
    const int16_t current = runtime::current_fixture;
    if (patched(current) && fixture_selected[current] == 1) return;
    const int page = runtime::fixture_page;
    int16_t found = search_page(page);
    if (found == 0) found = search_page(page == 1 ? 2 : 1);
    if (found != 0) make_fixture_current(found);
}

void select_all_fixtures() {
    if (setup::fixture_count <= 0) return;
    select_fixture_range(1, std::min<int16_t>(setup::fixture_count, kFixtures));
}

void deselect_all_fixtures() {
    if (runtime::current_fixture != -1) deselect_fixture_range(1, std::min<int16_t>(setup::fixture_count, kFixtures));
    update_group_leds();
}

void apply_fixture_key_range(int16_t key_a, int16_t key_b) {
    const int page = runtime::fixture_page;
    if (page < 1 || page > runtime::kFixturePages) return;
    const int count = runtime::fixture_bank_counts[page];
    if (count == 0) return;
    const int a = std::clamp<int>(key_a, 1, count);
    const int b = std::clamp<int>(key_b, 1, count);
    const int low = std::min(a, b);
    const int high = std::max(a, b);
    bool all_selected = true;
    for (int key = low; key <= high; ++key) {
        const int16_t n = fixture_on_key(page, key);
        if (n == 0 || fixture_selected[n] != 1) all_selected = false;
    }
    for (int key = low; key <= high; ++key) {
        const int16_t n = fixture_on_key(page, key);
        if (n != 0) fixture_selected[n] = all_selected ? 0 : 1;
    }
    if (all_selected) {
        follow_deselection();
        return;
    }
    // The higher key's fixture becomes current unless the current one is
    // among the keyed fixtures.
    const int16_t current = runtime::current_fixture;
    for (int key = low; key <= high; ++key) {
        if (current != 0 && fixture_on_key(page, key) == current) return;
    }
    make_fixture_current(fixture_on_key(page, high));
}

void set_edit_fixture_type(int16_t type_index, int16_t flag) {
    (void)flag;  // the value-table reopening rule reads it once the table is built
    const setup::FixtureTypeDef* type = setup::type_def_of_index(type_index);
    if (type == nullptr) return;
    const int16_t old_type = runtime::current_fixture_type;
    int mapped = 0;
    const int selected = runtime::selected_function;
    if ((runtime::run_flags & runtime::RUN_THRESHOLD_MODE) == 0 && selected >= 1 &&
        selected <= runtime::kTypeChannels && old_type >= 0 && old_type < runtime::kTypes) {
        mapped = runtime::type_function_map[old_type + 1][selected][type_index + 1];
    }
    runtime::current_fixture_type = type_index;
    runtime::function_count = std::min<int16_t>(type->channel_count(), runtime::kTypeChannels);

    if (!has_pan_and_tilt(type)) {
        if (runtime::fader_bank == kFigureBank) runtime::fader_bank = 0;
        runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    }
    int page = 0;
    int fader = 0;
    if (mapped == 0) {
        if (runtime::fader_bank == 0 && has_pan_and_tilt(type)) runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
        page = remembered_page[type_index + 1];
        fader = remembered_fader[type_index + 1];
    } else {
        if (runtime::fader_bank == 0) runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
        page = (mapped - 1) / kFadersPerPage + 1;
        fader = (mapped - 1) % kFadersPerPage + 1;
    }
    if (page == 0) page = 1;
    if (fader == 0) fader = 1;
    if (page * kFadersPerPage + fader - kFadersPerPage > runtime::function_count) page = fader = 1;
    runtime::function_page = static_cast<int16_t>(page);
    runtime::selected_fader_bank0 = static_cast<int16_t>(fader);
    auto clamp_fader = [](int16_t& value, int last) {
        if (value < 1 || value > last) value = 1;
    };
    clamp_fader(runtime::selected_fader_bank2, kFigureFaders);
    clamp_fader(runtime::selected_fader_bank1, kGeneratorFaders);
    clamp_fader(runtime::macro_fader, kMacroFaders);
}

void apply_fixture_freeze_flags() {
    if (runtime::channel_flags == nullptr || runtime::generator_flags == nullptr) return;
    for (int n = 1; n <= setup::fixture_count && n <= kFixtures; ++n) {
        const bool frozen = fixture_freeze[n] == 1;
        auto apply = [frozen](uint16_t& word) {
            word = frozen ? static_cast<uint16_t>(word | runtime::FLAG_FROZEN)
                          : static_cast<uint16_t>(word & ~runtime::FLAG_FROZEN);
        };
        for (int c = 1; c <= runtime::kTypeChannels; ++c) {
            const int record = runtime::fixture_channel_record(n, c);
            if (record == 0 || runtime::function_record_table[record].fixture != n) break;
            apply(runtime::channel_flags[record]);
            for (size_t k = 1; k <= runtime::kGeneratorBytesPerRecord; ++k) {
                apply(runtime::generator_flags[(static_cast<size_t>(record) - 1) * runtime::kGeneratorBytesPerRecord + k]);
            }
        }
        for (int k = 1; k <= runtime::kFigureFlagsPerFixture; ++k) {
            apply(runtime::figure_flags[static_cast<size_t>(n - 1) * runtime::kFigureFlagsPerFixture + k]);
        }
    }
}

}  // namespace programmer
