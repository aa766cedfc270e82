// Memory names: the 16-character cut, a forced terminator, and the playback
// labels rebuilt in label mode 0 only.
#include "memories/memory_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../programmer/programmer_test_rig.h"
#include "memories/memory_index.h"
#include "playback/playback_wing.h"
#include "runtime/console_flags.h"

namespace {

class MemoryNames : public programmer_test::DemoRig {};

std::string wing(int line) { return playback::wing_lcd_texts[static_cast<size_t>(line)].data(); }

TEST_F(MemoryNames, NamesAreCutAtSixteenAndAlwaysTerminated) {
    ASSERT_TRUE(memories::set_memory_name(5, "SIXTEEN CHARS OK"));
    EXPECT_EQ(memories::memory_name(5), "SIXTEEN CHARS OK");
    ASSERT_TRUE(memories::set_memory_name(5, "SEVENTEEN CHARS!!"));
    EXPECT_EQ(memories::memory_name(5), "SEVENTEEN CHARS!");
    // A text without its terminator within reach is read no further than 16.
    char unterminated[24];
    std::memset(unterminated, 'X', sizeof unterminated);
    ASSERT_TRUE(memories::set_memory_name(6, unterminated));
    EXPECT_EQ(memories::memory_name(6), std::string(16, 'X'));
    for (const int16_t m : {int16_t{0}, int16_t{4001}, int16_t{-1}}) EXPECT_FALSE(memories::set_memory_name(m, "A"));
    EXPECT_FALSE(memories::set_memory_name(5, nullptr));
}

TEST_F(MemoryNames, PlaybackLabelsFollowInLabelModeZeroOnly) {
    playback::playback_table[11].memory = 5;  // on the wing: line 1
    playback::playback_table[12].memory = 6;
    const std::string line2 = wing(2);
    ASSERT_TRUE(memories::set_memory_name(5, ""));
    EXPECT_EQ(wing(1), "11 NO NAME (MEM   5)");
    ASSERT_TRUE(memories::set_memory_name(5, "BLUE WASH"));
    EXPECT_EQ(wing(1), "11 BLUE WASH");
    EXPECT_EQ(wing(2), line2) << "playback 12 runs another memory";
    runtime::mode_flags |= 1u << 5;  // label mode 1
    ASSERT_TRUE(memories::set_memory_name(5, "RED WASH"));
    EXPECT_EQ(wing(1), "11 BLUE WASH");
    EXPECT_EQ(memories::memory_name(5), "RED WASH");
}

}  // namespace
