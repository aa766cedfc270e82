// The colour screen of the COLOR command on the demo rig: its catalogue of
// 20 filters, the CMY wash that mixes them, the list keys, GET COLOR and TO
// COLOR, and the selection keys.
#include "programmer/colour_mixing.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datafiles/library_files.h"
#include "programmer/library_values.h"
#include "programmer_edit_rig.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/message_line.h"

namespace {

using Mix = std::array<uint16_t, 3>;
constexpr int16_t kCyan = 5, kMagenta = 6, kYellow = 7;
constexpr int kWashType = 2;

class ColourScreen : public programmer_test::EditRig {
protected:
    void open() {
        rig_.press(5);
        ASSERT_EQ(runtime::current_fixture_type, 1);
        rig_.press(runtime::KEY_COLOR);
        ASSERT_EQ(runtime::key_led_cache[runtime::KEY_COLOR], runtime::LED_ON);
    }
    static Mix mix_of(int16_t fixture) {
        return {value(record(fixture, kCyan)), value(record(fixture, kMagenta)), value(record(fixture, kYellow))};
    }
    // The mix the wash's table holds for catalogue colour n.
    static Mix table_mix(int n) {
        const datafiles::ColorMixEntry& e = datafiles::color_library_mixes[kWashType][static_cast<size_t>(n - 1)];
        return {e.red, e.green, e.blue};
    }
    static int16_t current() { return programmer::last_color[kWashType]; }
    void type_number(const std::string& digits) {
        for (char d : digits) rig_.press(runtime::digit_key(d - '0'));
        rig_.press(runtime::KEY_ENTER);
    }
    bool tone_heard(int32_t freq_hz, uint32_t duration_ms) const {
        for (const platform::Tone& t : rig_.tones()) {
            if (t.freq_hz == freq_hz && t.duration_ms == duration_ms) return true;
        }
        return false;
    }
    // The wash's colour file, whatever the case of its name.
    std::vector<uint8_t> colour_file() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir_.folder() / "lib" / "rgb")) {
            std::string name = entry.path().filename().string();
            for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (name != "WASHCMY.LEE") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        }
        return {};
    }
};

TEST_F(ColourScreen, ListKeysMoveWithinTheCatalogueAndApplyEachColourReached) {
    open();
    EXPECT_EQ(current(), 1);
    EXPECT_EQ(mix_of(5), table_mix(1));
    EXPECT_EQ(mix_of(5), (Mix{0, 40, 20}));
    EXPECT_EQ(std::string(ui::current_message()), "PROGRAM RGB-COLORS (ESC=CANCEL)");
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_PAGE_DOWN], runtime::LED_BLINK);
    struct Step {
        int16_t key;
        int16_t colour;
    };
    const Step steps[] = {
        {runtime::KEY_DOWN, 2},       {runtime::KEY_PAGE_DOWN, 12}, {runtime::KEY_PAGE_DOWN, 20},
        {runtime::KEY_DOWN, 20},      {runtime::KEY_PAGE_UP, 10},   {runtime::KEY_UP, 9},
        {runtime::KEY_PAGE_UP, 1},    {runtime::KEY_UP, 1},
    };
    for (const Step& s : steps) {
        rig_.press(s.key);
        EXPECT_EQ(current(), s.colour) << "key " << s.key;
        EXPECT_EQ(mix_of(5), table_mix(s.colour)) << "key " << s.key;
    }
    // The middle row shows the current colour on yellow; rows before the
    // first colour are grey.
    EXPECT_EQ(rig_.pixel(445, 15 * 7 + 268), 14);
    EXPECT_EQ(rig_.pixel(445, 15 * 1 + 268), 7);
    rig_.press(runtime::KEY_ESC);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_COLOR], runtime::LED_OFF);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_DOWN], runtime::LED_OFF);
}

TEST_F(ColourScreen, GetColorFindsACatalogueNumber) {
    open();
    rig_.press(runtime::KEY_GET_MEMORY);
    EXPECT_EQ(std::string(ui::current_message()), "GIVE NUMBER COLOR");
    type_number("31");
    EXPECT_EQ(current(), 12) << "filter 31 is the twelfth";
    EXPECT_EQ(mix_of(5), (Mix{150, 0, 0}));

    // ENTER alone finds the current colour again.
    rig_.press(runtime::KEY_GET_MEMORY);
    type_number("");
    EXPECT_EQ(current(), 12);

    // A number the catalogue lacks.
    std::string during;
    rig_.press(runtime::KEY_GET_MEMORY);
    rig_.press(runtime::digit_key(9));
    rig_.press(runtime::digit_key(9));
    rig_.at(400, [&during] { during = std::string(ui::current_message()); });
    rig_.press(runtime::KEY_ENTER);
    rig_.run_ms(1000);
    EXPECT_EQ(during, "COLOR NOT FOUND");
    EXPECT_TRUE(tone_heard(400, 800));
    EXPECT_EQ(current(), 12);
    EXPECT_EQ(std::string(ui::current_message()), "PROGRAM RGB-COLORS (ESC=CANCEL)");
    rig_.press(runtime::KEY_ESC);
}

TEST_F(ColourScreen, ToColorWithShiftStoresTheFaderMixWithoutAsking) {
    open();
    rig_.press(runtime::KEY_DOWN);
    ASSERT_EQ(current(), 2);
    fader(kCyan).value = 11;
    fader(kMagenta).value = 22;
    fader(kYellow).value = 33;
    rig_.hold(runtime::KEY_SHIFT, 50);
    rig_.press(runtime::KEY_TO_MEM);
    rig_.release(runtime::KEY_SHIFT, 50);
    EXPECT_EQ(table_mix(2), (Mix{11, 22, 33}));
    const std::vector<uint8_t> file = colour_file();
    ASSERT_GE(file.size(), 10u);
    EXPECT_EQ(file[5], 2) << "filter number of entry 2";
    EXPECT_EQ(file[7], 11);
    EXPECT_EQ(file[8], 22);
    EXPECT_EQ(file[9], 33);

    // The stored mix is what the colour gives the next time it is reached.
    rig_.press(runtime::KEY_DOWN);
    EXPECT_EQ(mix_of(5), table_mix(3));
    rig_.press(runtime::KEY_UP);
    EXPECT_EQ(mix_of(5), (Mix{11, 22, 33}));
    rig_.press(runtime::KEY_ESC);
}

TEST_F(ColourScreen, ToColorAsksBeforeReplacing) {
    open();
    struct Case {
        const char* what;
        int16_t answer;
        Mix stored;
    };
    const Case cases[] = {
        {"ESC keeps the colour", runtime::KEY_ESC, Mix{0, 140, 255}},
        {"ENTER replaces it", runtime::KEY_ENTER, Mix{1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fader(kCyan).value = 1;
        fader(kMagenta).value = 2;
        fader(kYellow).value = 3;
        rig_.press(runtime::KEY_TO_MEM);
        EXPECT_EQ(std::string(ui::current_message()), "GIVE DESTINATION COLOR");
        type_number("4");
        EXPECT_EQ(current(), 4);
        EXPECT_EQ(std::string(ui::current_message()), "REPLACE COLOR:ENTER=Y ESC=N");
        rig_.press(c.answer);
        EXPECT_EQ(table_mix(4), c.stored);
    }
    rig_.press(runtime::KEY_ESC);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_COLOR], runtime::LED_OFF);
}

TEST_F(ColourScreen, SelectingATypeWithoutATableEndsTheScreen) {
    open();
    rig_.press(6);  // another wash: the screen stays
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_COLOR], runtime::LED_ON);
    rig_.press(runtime::KEY_DOWN);
    EXPECT_EQ(mix_of(6), table_mix(2));
    rig_.press(1);  // a spot
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_COLOR], runtime::LED_OFF);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_DOWN], runtime::LED_OFF);
}

}  // namespace
