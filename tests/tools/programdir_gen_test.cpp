#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "programdir/config_record_gen.h"
#include "programdir/key_layout_gen.h"

namespace {

TEST(ConfigRecordGenerator, WritesEachFieldLittleEndianAtItsOffsetAndZeroesTheRest) {
    const char* description =
        "# a comment\n"
        "dmx_channel_count  0x0800\n"
        "card_segment 2     0xCC00   # slot 2\n"
        "protocol_name 2 3  \"AB C\"\n"
        "master_full_scale 1  0x1234\n"
        "playback_full_scale 10  300\n"
        "card_parameter_f 4  0xBEEF\n"
        "threshold_setting  13\n";
    std::vector<uint8_t> record;
    std::string error;
    ASSERT_TRUE(progdir::build_config_record(description, record, error)) << error;
    ASSERT_EQ(record.size(), 319u);

    std::vector<uint8_t> expected(319, 0);
    expected[0x000] = 0x00, expected[0x001] = 0x08;
    expected[0x00A] = 0x00, expected[0x00B] = 0xCC;
    const size_t name = 0x012 + 36 + 18;  // protocol 2, card 3
    expected[name] = 'A', expected[name + 1] = 'B', expected[name + 2] = ' ', expected[name + 3] = 'C';
    expected[0x0D7] = 0x34, expected[0x0D8] = 0x12;
    expected[0x0F1] = 0x2C, expected[0x0F2] = 0x01;
    expected[0x0D0] = 0xEF, expected[0x0D1] = 0xBE;
    expected[0x101] = 13;
    EXPECT_EQ(record, expected);
}

TEST(ConfigRecordGenerator, RefusesWhatDoesNotFitTheRecord) {
    struct Case {
        const char* description;
        const char* message;
    };
    for (const Case& c : {
             Case{"beeper 1\nbeep 1\n", "line 2: unknown field 'beep'"},
             Case{"card_segment 5 0xC800\n", "line 1: an index of 'card_segment' is out of range"},
             Case{"card_segment 0xC800\n", "line 1: 'card_segment' takes 1 index(es) and a value"},
             Case{"beeper 256\n", "line 1: the value does not fit the field"},
             Case{"dmx_channel_count -1\n", "line 1: the value does not fit the field"},
             Case{"protocol_name 1 1 \"DMX OUT 1\"\n", "line 1: a text holds at most 8 characters"},
             Case{"protocol_name 1 1 DMX\n", "line 1: the value must be a text in double quotes"},
             Case{"beeper 1\n\nbeeper 0\n", "line 3: 'beeper' is given twice"},
             Case{"protocol_name 1 1 \"DMX\n", "line 1: a quoted text is not closed"},
         }) {
        std::vector<uint8_t> record;
        std::string error;
        EXPECT_FALSE(progdir::build_config_record(c.description, record, error)) << c.description;
        EXPECT_EQ(error, c.message) << c.description;
    }
}

TEST(KeyLayoutGenerator, WritesFieldsAtFixedColumnsWithTheFirstKeyOnLine18) {
    const char* description =
        "second_led column 0 row 8\n"
        "73   10  2   73  CUE\n"
        "211  23  0   -   PLAY\n";
    std::string text;
    std::string error;
    ASSERT_TRUE(progdir::build_keyboard_config(description, text, error)) << error;

    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends in CR LF";
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[12], " 0" + std::string(31, ' ') + "8");
    EXPECT_EQ(lines[16], "  CUE");
    EXPECT_EQ(lines[17], " 73" + std::string(30, ' ') + "10" + std::string(14, ' ') + "2" + std::string(15, ' ') + "73");
    EXPECT_EQ(lines[18], "  PLAY");
    EXPECT_EQ(lines[19], " 211" + std::string(29, ' ') + "23" + std::string(14, ' ') + "0");
}

TEST(KeyLayoutGenerator, RefusesKeysThatClash) {
    struct Case {
        const char* description;
        const char* message;
    };
    for (const Case& c : {
             Case{"1 0 0 1 A\n2 0 0 2 B\n", "line 2: column 0 row 0 holds two keys"},
             Case{"1 0 0 1 A\n1 0 1 2 B\n", "line 2: key 1 is given twice"},
             Case{"1 0 0 5 A\n2 0 1 5 B\n", "line 2: external code 5 is given twice"},
             Case{"520 0 0 - A\n", "line 1: a key code must be 1 to 519"},
             Case{"1 100 0 - A\n", "line 1: a column must be 0 to 99"},
             Case{"1 0 16 - A\n", "line 1: a row must be 0 to 15"},
             Case{"1 0 0 200 A\n", "line 1: an external code must be 1 to 199 or -"},
             Case{"1 0 0 -\n", "line 1: a key takes a code, a column, a row, an external code and a name"},
         }) {
        std::string text;
        std::string error;
        EXPECT_FALSE(progdir::build_keyboard_config(c.description, text, error)) << c.description;
        EXPECT_EQ(error, c.message) << c.description;
    }
}

}  // namespace
