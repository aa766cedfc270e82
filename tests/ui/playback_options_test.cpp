// The option byte of a playback record: three fields in one byte.
#include "ui/playback_options.h"

#include <gtest/gtest.h>

namespace {

TEST(PlaybackOptions, SoundBandFiveOnFlashModeTwoAndLevelTrigger) {
    const uint8_t modes = ui::set_playback_sound_band(0x22, 5);
    EXPECT_EQ(modes, 0x36);
    EXPECT_EQ(ui::get_playback_sound_band(modes), 5);
    EXPECT_EQ(ui::get_playback_flash_mode(modes), 2);
    EXPECT_EQ(ui::get_playback_trigger_mode(modes), 1);
}

TEST(PlaybackOptions, EachSetterKeepsEveryOtherBit) {
    struct Case {
        uint8_t modes;
        uint8_t flash, band, trigger;
    };
    const Case cases[] = {{0x00, 1, 3, 1}, {0xFF, 0, 0, 0}, {0xC0, 2, 5, 1}, {0x3F, 1, 1, 0}};
    for (const Case& c : cases) {
        const uint8_t flash = ui::set_playback_flash_mode(c.modes, c.flash);
        EXPECT_EQ(flash & ~ui::kFlashModeMask, c.modes & ~ui::kFlashModeMask) << int{c.modes};
        EXPECT_EQ(ui::get_playback_flash_mode(flash), c.flash);
        const uint8_t band = ui::set_playback_sound_band(c.modes, c.band);
        EXPECT_EQ(band & ~ui::kSoundBandMask, c.modes & ~ui::kSoundBandMask) << int{c.modes};
        EXPECT_EQ(ui::get_playback_sound_band(band), c.band);
        const uint8_t trigger = ui::set_playback_trigger_mode(c.modes, c.trigger);
        EXPECT_EQ(trigger & ~ui::kTriggerModeMask, c.modes & ~ui::kTriggerModeMask) << int{c.modes};
        EXPECT_EQ(ui::get_playback_trigger_mode(trigger), c.trigger);
    }
}

TEST(PlaybackOptions, AValueTooWideForItsFieldStaysInTheField) {
    EXPECT_EQ(ui::set_playback_flash_mode(0x20, 7), 0x23);       // the trigger bit is kept
    EXPECT_EQ(ui::set_playback_sound_band(0x01, 0xFF), 0x1D);   // flash mode and trigger kept
    EXPECT_EQ(ui::set_playback_trigger_mode(0x80, 3), 0xA0);    // bit 7 kept, bit 6 untouched
}

}  // namespace
