// COPY off the cue screen on the demo rig: COPY held to choose fixtures and
// functions or classes, then a memory, the next memory, a cue or other
// fixtures as the destination.
#include "memories/copy_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "../programmer/programmer_test_rig.h"
#include "../ui/cue_tools_fixture.h"
#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_store.h"
#include "memories/presets.h"
#include "playback/cue_tables.h"
#include "programmer/commands.h"
#include "programmer/fixture_selection.h"
#include "programmer/programmer_values.h"
#include "programmer/value_mapping.h"
#include "setup/fixture_type.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"

namespace {

using namespace runtime;

constexpr uint16_t kNotSet = 65535;
constexpr uint8_t kByteNotSet = 255;
// Fixture 3 and 4 are SPOT16 (records 33..48 and 49..64), fixture 5 a
// WASHCMY (records 65..76). SPOT16: 1 pan, 3 tilt, 5 colour wheel, 6 gobo
// wheel, 10 zoom (no sub-functions); WASHCMY: 8 CTO (its COLOR1), 9 zoom.
constexpr int kPan3 = 33, kColour3 = 37, kGobo3 = 38, kZoom3 = 42;
constexpr int kPan4 = 49, kColour4 = 53, kGobo4 = 54;
constexpr int kCto5 = 72, kZoom5 = 73;
constexpr int kSpotType = 0, kWashType = 1;

size_t generator(int record, int p) { return static_cast<size_t>((record - 1) * 6 + p); }
size_t figure(int fixture, int p) { return static_cast<size_t>((fixture - 1) * 10 + p); }
size_t slot(int record, int s) { return static_cast<size_t>((record - 1) * 15 + s); }

// The value of the first item of a list with this kind and index.
std::optional<uint16_t> find_item(const datafiles::MemoryItem* items, int32_t count, int kind, int index) {
    for (int32_t i = 0; items != nullptr && i < count; ++i) {
        if (items[i].kind == kind && items[i].index == index) return items[i].value;
    }
    return std::nullopt;
}
std::optional<uint16_t> memory_item(int memory, int kind, int index) {
    return find_item(memories::memory_items[static_cast<size_t>(memory)],
                     memories::memory_index[static_cast<size_t>(memory)].count, kind, index);
}
std::optional<uint16_t> work_buffer_item(int kind, int index) {
    return find_item(memories::pack_buffer, memories::pack_count, kind, index);
}

class CopyCommand : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        // The show's default times 1.1 s to 1.5 s.
        for (int k = 1; k <= 5; ++k) {
            setup::setup_data.set_u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1),
                                      static_cast<uint16_t>(10 + k));
        }
        ui::default_times = {0, 11, 12, 13, 14, 15};
        std::fill_n(programmer_values, kShowRecords + 1, kNotSet);
        std::fill_n(programmer_generators, kShowGeneratorBytes + 1, kByteNotSet);
        std::fill_n(programmer_figures, kShowFigureBytes + 1, kByteNotSet);
        for (size_t s = 1; s <= kShowTimeSlots; ++s) {
            programmer_times[s] = ui::default_times[(s - 1) % 5 + 1];
            programmer_time_set[s] = 0;
        }
        memories::current_memory = 20;
    }
    // The cue work buffer is the point-cue store's to take; no store took it here.
    void TearDown() override {
        if (memories::pack_buffer != nullptr) memcheck::mc_free_at(memories::pack_buffer, __FILE__, __LINE__);
        memories::pack_buffer = nullptr;
        memories::pack_count = 0;
    }

    // Fixture 3's programmer: pan 120, colour wheel 15, gobo SWING 40 and
    // SPEED 175 (above its limit), X-SWING 60, pan's FADE IN 7.7 s (set)
    // and DELAY OUT 1.3 s (set, the default), the colour's DELAY IN 9.9 s
    // (not set by hand).
    static void program_fixture_3() {
        programmer_values[kPan3] = 120;
        programmer_values[kColour3] = 15;
        programmer_generators[generator(kGobo3, 1)] = 40;
        programmer_generators[generator(kGobo3, 2)] = 175;
        programmer_figures[figure(3, 1)] = 60;
        programmer_times[slot(kPan3, 2)] = 77;
        programmer_time_set[slot(kPan3, 2)] = 1;
        programmer_times[slot(kPan3, 3)] = 13;
        programmer_time_set[slot(kPan3, 3)] = 1;
        programmer_times[slot(kColour3, 1)] = 99;
    }

    // Memory m holding only the given values (and nothing else).
    static void store_values(int16_t memory, std::initializer_list<std::pair<int, uint16_t>> values) {
        std::vector<uint16_t> v(kShowRecords + 1, kNotSet);
        std::vector<uint8_t> g(kShowGeneratorBytes + 1, kByteNotSet);
        std::vector<uint8_t> f(kShowFigureBytes + 1, kByteNotSet);
        std::vector<uint16_t> t(kShowTimeSlots + 1, 0);
        std::vector<uint8_t> flags(kShowTimeSlots + 1, 0);
        for (const auto& [record, value] : values) v[static_cast<size_t>(record)] = value;
        ASSERT_TRUE(memories::pack_memory(memory, v.data(), g.data(), f.data(), t.data(), flags.data()));
    }

    void tap(int16_t key) {
        rig_.press(key);
        rig_.run_ms(60);
    }
    // COPY held while the keys are pressed, then let go.
    void copy_from(std::initializer_list<int16_t> keys) {
        rig_.hold(KEY_COPY, 300);
        for (int16_t key : keys) tap(key);
        rig_.release(KEY_COPY, 300);
    }
    // TO-MEM pressed and let go alone: the memory number typed and ENTER
    // (held until a refusal's beep has run out).
    void to_memory(int number) {
        rig_.press(KEY_TO_MEM, 50);
        rig_.run_ms(200);
        for (char digit : std::to_string(number)) tap(digit_key(digit - '0'));
        rig_.hold(KEY_ENTER, 900);
        rig_.release(KEY_ENTER, 100);
    }
    // A tone of its full length (an interruptible one ends on the tick after).
    bool heard(int32_t freq_hz, uint64_t duration_ms) const {
        const auto tones = rig_.tones();
        return std::any_of(tones.begin(), tones.end(), [&](const platform::Tone& tone) {
            return tone.freq_hz == freq_hz && tone.duration_ms >= duration_ms && tone.duration_ms <= duration_ms + 1;
        });
    }
};

TEST_F(CopyCommand, TheNextMemoryTakesTheChosenFixtureAndTheSelectionComesBack) {
    program_fixture_3();
    programmer::select_fixture(5);
    copy_from({fixture_key(3)});
    EXPECT_EQ(ui::current_message(), "TO-MEM/ITEM=DEST. ESC=CANCEL");
    tap(KEY_STORE_NEXT);
    rig_.run_ms(100);
    EXPECT_EQ(memory_item(21, 0, kPan3), 120);
    EXPECT_EQ(memory_item(21, 0, kColour3), 15);
    EXPECT_EQ(memory_item(21, 10, kGobo3), 40);
    EXPECT_EQ(memory_item(21, 20, kGobo3), 175) << "a memory keeps what the programmer holds";
    EXPECT_EQ(memory_item(21, 100, 3), 60) << "pan chosen: the figures go along";
    EXPECT_EQ(memory_item(21, 202, kPan3), 77);
    EXPECT_EQ(memory_item(21, 203, kPan3), std::nullopt) << "a time equal to its default is not stored";
    EXPECT_EQ(memory_item(21, 201, kColour3), std::nullopt) << "a time not set by hand stays behind";
    EXPECT_EQ(memories::current_memory, 20) << "the current memory stays";
    EXPECT_EQ(programmer::fixture_selected[5], 1);
    EXPECT_EQ(programmer::fixture_selected[3], 0);
    EXPECT_EQ(current_fixture, 5);
    EXPECT_EQ(run_flags & RUN_COPY_MEMORY_DIALOG, 0u);
}

TEST_F(CopyCommand, InFixtureStepModeChoosingFixturesLeavesTheStage) {
    // Fixture 11 (a dimmer, record 145, universe 2 channel 57) selected at 200.
    programmer::select_fixture(11);
    programmer_values[145] = 200;
    programmer::set_function_value(145, 200);
    mode_flags |= MODE_FIXTURE_STEP;
    rig_.run_ms(100);
    ASSERT_EQ(rig_.dmx(2, 57), 200);
    rig_.hold(KEY_COPY, 300);
    rig_.set_master_fader(1, 254);  // every dimmer scaled again meanwhile
    rig_.run_ms(100);
    EXPECT_GE(rig_.dmx(2, 57), 190) << "not held closed for being deselected";
    rig_.release(KEY_COPY, 300);
    EXPECT_EQ(programmer::fixture_selected[11], 1);
}

TEST_F(CopyCommand, AFaderKeyDropsAFunctionAndAClassKeyChoosesByClassOnly) {
    program_fixture_3();
    copy_from({fixture_key(3), fader_key(5)});  // colour wheel dropped
    to_memory(30);
    EXPECT_EQ(memory_item(30, 0, kPan3), 120);
    EXPECT_EQ(memory_item(30, 0, kColour3), std::nullopt);

    copy_from({fixture_key(3), KEY_PRESET_3});  // colours only
    to_memory(31);
    EXPECT_EQ(memory_item(31, 0, kColour3), 15);
    EXPECT_EQ(memory_item(31, 0, kPan3), std::nullopt);
    EXPECT_EQ(memory_item(31, 10, kGobo3), std::nullopt);
    EXPECT_EQ(memory_item(31, 100, 3), std::nullopt);

    copy_from({fixture_key(3), KEY_PRESET_1, fader_key(6)});  // the function clears the class
    to_memory(32);
    EXPECT_EQ(memory_item(32, 10, kGobo3), 40);
    EXPECT_EQ(memory_item(32, 0, kPan3), std::nullopt);
}

TEST_F(CopyCommand, DecliningTheFirstReplaceWritesNothingAtAll) {
    program_fixture_3();
    store_values(21, {{kColour3, 5}});
    copy_from({fixture_key(3)});
    tap(KEY_STORE_NEXT);
    rig_.run_ms(300);
    EXPECT_EQ(ui::current_message(), "REPLACE MEMORY:ENTER=Y ESC=N");
    rig_.hold(KEY_ESC, 100);
    EXPECT_EQ(ui::current_message(), "CANCELLED");
    rig_.run_ms(800);
    rig_.release(KEY_ESC, 100);
    EXPECT_TRUE(heard(400, 800));
    EXPECT_EQ(memory_item(21, 0, kPan3), std::nullopt) << "merged before the question, still not written";
    EXPECT_EQ(memory_item(21, 0, kColour3), 5);

    copy_from({fixture_key(3)});
    tap(KEY_STORE_NEXT);
    rig_.run_ms(300);
    tap(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(memory_item(21, 0, kPan3), 120);
    EXPECT_EQ(memory_item(21, 0, kColour3), 15);
}

TEST_F(CopyCommand, TimesGoByTheirSetFlagsAndOnlyASetTimeIsAskedAbout) {
    // 25.5 s set by hand goes along; a destination time that is only its
    // default is replaced without a question.
    programmer_times[slot(kPan3, 2)] = 255;
    programmer_time_set[slot(kPan3, 2)] = 1;
    copy_from({fixture_key(3)});
    tap(KEY_STORE_NEXT);
    rig_.run_ms(300);
    EXPECT_NE(ui::current_message(), "REPLACE MEMORY:ENTER=Y ESC=N");
    EXPECT_EQ(memory_item(21, 202, kPan3), 255);

    // The destination's own time asks.
    programmer_times[slot(kPan3, 2)] = 40;
    copy_from({fixture_key(3)});
    tap(KEY_STORE_NEXT);
    rig_.run_ms(300);
    EXPECT_EQ(ui::current_message(), "REPLACE MEMORY:ENTER=Y ESC=N");
    tap(KEY_ENTER);
    rig_.run_ms(100);
    EXPECT_EQ(memory_item(21, 202, kPan3), 40);
}

TEST_F(CopyCommand, RefusalsWriteNothing) {
    program_fixture_3();
    struct Case {
        const char* what;
        std::vector<int16_t> from;
        int16_t current;
        std::vector<int16_t> then;
        const char* message;  // shown after `then`; null: not looked at
        std::vector<int16_t> after;
    };
    const Case cases[] = {
        {"no fixture chosen", {}, 20, {}, nullptr, {}},
        {"functions cleared", {fixture_key(3), KEY_CLEAR}, 20, {}, "NO FUNCTIONS SELECTED", {}},
        {"197 after memory 4000", {fixture_key(3)}, 4000, {KEY_STORE_NEXT}, "TO-MEM/ITEM=DEST. ESC=CANCEL", {}},
        {"TO-ITEM with two fixtures", {fixture_key(3), fixture_key(4)}, 20, {KEY_TO_ITEM},
         "TO-MEM=DESTINATION ESC=CANCEL", {KEY_ESC}},
        {"ESC", {fixture_key(3)}, 20, {}, "TO-MEM/ITEM=DEST. ESC=CANCEL", {KEY_ESC}},
    };
    const uint16_t used = memories::memory_used_count;
    for (const Case& c : cases) {
        memories::current_memory = c.current;
        rig_.hold(KEY_COPY, 300);
        for (int16_t key : c.from) tap(key);
        rig_.release(KEY_COPY, 300);
        for (int16_t key : c.then) rig_.hold(key, 100);
        if (c.message != nullptr) {
            EXPECT_EQ(ui::current_message(), c.message) << c.what;
        }
        rig_.run_ms(900);
        for (int16_t key : c.then) rig_.release(key, 50);
        for (int16_t key : c.after) tap(key);
        rig_.run_ms(100);
        EXPECT_EQ(run_flags & RUN_COPY_MEMORY_DIALOG, 0u) << c.what;
        EXPECT_EQ(memories::memory_used_count, used) << c.what;
        EXPECT_EQ(programmer_values[kPan4], kNotSet) << c.what;
    }
    EXPECT_TRUE(heard(400, 800));
    // A typed memory beyond 4000.
    copy_from({fixture_key(3)});
    to_memory(4001);
    EXPECT_EQ(memories::memory_used_count, used);
    EXPECT_TRUE(heard(400, 800));
}

TEST_F(CopyCommand, ToACueWithoutCueMemoryTheMergedLookGoesToThePointCueStore) {
    program_fixture_3();
    cue_screen_page = 2;
    copy_from({fixture_key(3)});
    rig_.hold(KEY_TO_MEM, 200);
    EXPECT_EQ(ui::current_message(), "TO CUE / TO MEM");
    tap(KEY_CUE);
    rig_.release(KEY_TO_MEM, 100);
    EXPECT_EQ(ui::current_message(), "GIVE DESTINATION CUE");
    runtime::clear_step_log();
    tap(fixture_key(7));
    tap(KEY_POINT);
    tap(digit_key(2));
    tap(KEY_ENTER);
    rig_.run_ms(300);
    EXPECT_EQ(work_buffer_item(0, kPan3), 120);
    EXPECT_EQ(work_buffer_item(202, kPan3), 77);
    EXPECT_EQ(work_buffer_item(10, kGobo3), 40);
    const int slot = playback::cue_slot_of(2, 7, 3);  // shown as 2.7.2: digit 2 is point 3
    EXPECT_EQ(ui::current_message(), "PROGRAM POINTCUE (ESC=CANCEL)") << "cue 2.7.2 opened as a new point cue";
    EXPECT_EQ(playback::pointcue_edit_cue, slot - 1);
    tap(KEY_ENTER);  // stored
    rig_.run_ms(300);
    const playback::PointcueRecord* stored = playback::programmed_pointcue(slot);
    ASSERT_NE(stored, nullptr);
    EXPECT_GE(stored->point_memory, 1) << "the merged look in a cue memory of its own";
}

TEST_F(CopyCommand, ToACueWithACueMemoryItsLookIsMerged) {
    program_fixture_3();
    // Cue 1.4 holds cue memory 9: fixture 3's tilt 10 and colour wheel 5.
    const int cue4 = playback::cue_slot_of(1, 4, 1);
    auto& record = cue_tools_test::put_record(playback::cue_pointcue_table[static_cast<size_t>(cue4)]);
    record.point_memory = 9;
    auto* items = static_cast<datafiles::MemoryItem*>(
        memcheck::mc_malloc_at(2 * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
    items[0] = {0, 35, 10};
    items[1] = {0, kColour3, 5};
    datafiles::memcue_items[9] = items;
    datafiles::memcue_index[9].count = 2;
    datafiles::memcue_used[9] = 1;
    cue_screen_page = 1;

    copy_from({fixture_key(3), fader_key(5)});  // all but the colour wheel
    rig_.hold(KEY_TO_MEM, 200);
    tap(KEY_CUE);
    rig_.release(KEY_TO_MEM, 100);
    tap(fixture_key(4));
    tap(KEY_ENTER);
    rig_.run_ms(300);
    EXPECT_EQ(work_buffer_item(0, 35), 10);
    EXPECT_EQ(work_buffer_item(0, kColour3), 5);
    EXPECT_EQ(work_buffer_item(0, kPan3), 120);
}

TEST_F(CopyCommand, EnterWithoutACueMeansTheLowBeepAndNothingStored) {
    program_fixture_3();
    copy_from({fixture_key(3)});
    rig_.hold(KEY_TO_MEM, 200);
    tap(KEY_CUE);
    rig_.release(KEY_TO_MEM, 100);
    runtime::clear_step_log();
    rig_.hold(KEY_ENTER, 700);
    rig_.release(KEY_ENTER, 100);
    EXPECT_TRUE(heard(400, 600));
    EXPECT_FALSE(heard(400, 800)) << "the picker itself stays silent";
    EXPECT_EQ(memories::pack_count, 0);
    const auto calls = runtime::logged_calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("playback::program_pointcue", 0) == 0; }),
              0);
}

// TO-ITEM held with one source: the fixture keys choose the targets.
class CopyToFixtures : public CopyCommand {
protected:
    void copy_3_to(std::initializer_list<int16_t> targets, std::initializer_list<int16_t> choice = {}) {
        rig_.hold(KEY_COPY, 300);
        tap(fixture_key(3));
        for (int16_t key : choice) tap(key);
        rig_.release(KEY_COPY, 300);
        rig_.hold(KEY_TO_ITEM, 100);
        for (int16_t key : targets) tap(key);
        rig_.release(KEY_TO_ITEM, 300);
    }
};

TEST_F(CopyToFixtures, SameTypeValuesReferencesEffectBytesAndUnsetTimes) {
    program_fixture_3();
    // Value preset 71 (a colour slot) holds 25 for fixture 4's colour wheel.
    memories::value_preset_table[71] = static_cast<uint16_t*>(
        memcheck::mc_malloc_at((kShowRecords + 1) * sizeof(uint16_t), __FILE__, __LINE__));
    std::fill_n(memories::value_preset_table[71], kShowRecords + 1, kNotSet);
    memories::value_preset_table[71][kColour4] = 25;
    programmer_values[kColour3] = 1071;
    // Fixture 4 set its own DELAY OUT of the pan.
    programmer_times[slot(kPan4, 3)] = 50;
    programmer_time_set[slot(kPan4, 3)] = 1;

    copy_3_to({fixture_key(4)});
    EXPECT_EQ(programmer_values[kPan4], 120);
    EXPECT_EQ(programmer_values[kColour4], 1071) << "the reference itself";
    EXPECT_EQ(programmer_generators[generator(kGobo4, 1)], 40);
    EXPECT_EQ(programmer_generators[generator(kGobo4, 2)], kByteNotSet) << "SPEED 175 is not copied";
    EXPECT_EQ(programmer_figures[figure(4, 1)], 60);
    EXPECT_EQ(programmer_times[slot(kPan4, 2)], 77);
    EXPECT_EQ(programmer_time_set[slot(kPan4, 2)], 1);
    EXPECT_EQ(programmer_time_set[slot(kPan4, 3)], 1);
    EXPECT_EQ(programmer_times[slot(kPan4, 3)], 50) << "a time fixture 4 set itself stays";
    rig_.run_ms(100);
    EXPECT_EQ(rig_.dmx(1, 49 + 4), 25) << "the preset's colour for fixture 4 goes out";
    EXPECT_TRUE(heard(800, 100));
    EXPECT_EQ(programmer::fixture_selected[4], 0) << "the selection from before comes back";
}

TEST_F(CopyToFixtures, AnotherTypeTakesTheSameFaderPosition) {
    // The WASHCMY's CTO gets two sub-functions with a gap: 0..100 and 200..255.
    setup::FixtureTypeDef& wash = *setup::fixture_type_defs[kWashType + 1];
    const size_t table = setup::FixtureTypeDef::sub_table(8);
    wash.bytes[table + setup::kSubCount] = 2;
    wash.bytes[table + setup::kSubFrom] = 0;
    wash.bytes[table + setup::kSubTo] = 100;
    wash.bytes[table + setup::kSubFrom + 1] = 200;
    wash.bytes[table + setup::kSubTo + 1] = 255;
    programmer::init_subfunction_ranges();
    programmer_values[kColour3] = 128;  // SPOT16 colour wheel: a scale of eight sub-functions
    programmer_values[kZoom3] = 128;    // SPOT16 zoom: no sub-functions
    copy_3_to({fixture_key(5)});
    const uint16_t cto = programmer_values[kCto5];
    ASSERT_LE(cto, 255);
    EXPECT_NE(cto, 128);
    // Within the one step that the narrower value scale can resolve.
    EXPECT_NEAR(programmer::map_value_to_fader(kWashType, 8, static_cast<uint8_t>(cto)),
                programmer::map_value_to_fader(kSpotType, 5, 128), 1);
    EXPECT_EQ(programmer_values[kZoom5], 128) << "a plain 0..255 scale on one side keeps the value";
    EXPECT_EQ(programmer_values[65], kNotSet) << "pan was not set on the source";
}

TEST_F(CopyToFixtures, WithoutATargetNothingIsCopied) {
    program_fixture_3();
    rig_.hold(KEY_COPY, 300);
    tap(fixture_key(3));
    rig_.release(KEY_COPY, 300);
    rig_.hold(KEY_TO_ITEM, 200);
    EXPECT_EQ(ui::current_message(), "SELECT SCANS TO COPY TO");
    rig_.release(KEY_TO_ITEM, 100);
    EXPECT_EQ(ui::current_message(), "NO SCANS SELECTED");
    rig_.run_ms(800);
    EXPECT_TRUE(heard(400, 800));
    for (int r = kPan4; r <= kPan4 + 15; ++r) EXPECT_EQ(programmer_values[r], kNotSet) << r;
}

}  // namespace
