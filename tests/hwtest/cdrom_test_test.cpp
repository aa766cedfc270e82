// The CD-ROM test (menu item K), against a simulated drive and disc.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "hwtest/cdrom_test.h"
#include "hwtest/test_menu.h"
#include "platform/cd_drive.h"
#include "quandrix_rig.h"

namespace {

using quandrix_rig::card_with;
using quandrix_rig::Quandrix;
using quandrix_rig::text_at;

constexpr int kLightGreen = 10;
constexpr std::array<uint32_t, 3> kThreeMinutes = {60, 60, 60};  // tracks at 150, 4650, 9150; lead-out 13650

struct CdRig {
    explicit CdRig(const platform::CdDisc& disc, bool data = false) {
        platform::CdDisc d = disc;
        d.first_track_data = data;
        platform::insert_cd(drive, d);
        q.write_layout();
        q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
        platform::install_machine(&q.machine());
        platform::plug_in_cd_drive(&drive);
        q.start();
    }
    std::string track_line() { return text_at(q.machine(), 230, 239); }

    platform::CdDrive drive;  // outlives the program's thread
    Quandrix q;
};

TEST(CdromTest, WithoutADriverTheTestIsNotPossible) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
    q.machine().cdrom.installed = false;
    q.start();
    q.type("K", 1000);
    EXPECT_EQ(q.status_text(), "++++++++++++++++++++++++ ERROR : CDROM-DRIVER NOT FOUND +++++++++++++++++++++++++");
    q.rig.run_ms(1500);
    EXPECT_EQ(q.result_text(), "");
}

TEST(CdromTest, PlaysTheDiscToItsEndAndPassesWhileTheTimeRuns) {
    CdRig r(platform::audio_disc(kThreeMinutes));
    r.q.type("K", 300);
    EXPECT_EQ(text_at(r.q.machine(), 270, 107), "CHECKING CDROM");
    EXPECT_EQ(r.track_line(), "TRACKS:3 - CUR.TRACK:1");
    EXPECT_EQ(r.q.status_text(), "+++++++++++++++++++++ +/-=TRACK-SELECTION --- ESC=STOP TEST ++++++++++++++++++++");
    // From track 1's start (00:02:00) to the end of the last track.
    EXPECT_TRUE(r.drive.playing);
    EXPECT_EQ(r.drive.play_from, 150u);
    EXPECT_EQ(r.drive.play_end, 13650u);

    r.q.rig.run_ms(3000);
    EXPECT_EQ(text_at(r.q.machine(), 170, 287), "");
    r.q.type("\x1b", 300);
    EXPECT_FALSE(r.drive.playing);
    EXPECT_EQ(r.q.result_text(), "TEST OK");
    r.q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestCdrom], 1);
}

TEST(CdromTest, MinusGoesBackATrackOnlyEarlyInTheTrack) {
    struct Case {
        const char* keys;
        uint32_t wait_ms;
        int track;
    };
    const Case cases[] = {
        {"+", 3000, 2},   // later in track 2: its own start
        {"++", 500, 2},   // early in track 3: back to track 2
        {"", 500, 3},     // early in track 1: the last track
        {"+++", 500, 3},  // three on from track 1 wraps to track 1, then back to track 3
    };
    for (const Case& c : cases) {
        CdRig r(platform::audio_disc(kThreeMinutes));
        r.q.type("K", 300);
        for (const char* k = c.keys; *k != '\0'; ++k) r.q.type(std::string(1, *k), 50);
        r.q.rig.run_ms(c.wait_ms);
        r.q.type("-", 50);
        EXPECT_EQ(synchro::cd_state.current_track, c.track) << c.keys;
        EXPECT_EQ(r.track_line(), "TRACKS:3 - CUR.TRACK:" + std::to_string(c.track)) << c.keys;
        EXPECT_EQ(r.drive.play_from, 150u + 4500u * static_cast<uint32_t>(c.track - 1)) << c.keys;
        // A track step is no jump.
        r.q.rig.run_ms(1000);
        r.q.type("\x1b", 300);
        EXPECT_EQ(r.q.result_text(), "TEST OK") << c.keys;
    }
}

TEST(CdromTest, TheEndOfTheDiscStartsItAgainFromTrack1) {
    const std::array<uint32_t, 2> seconds = {3, 3};  // disc end 00:07:74
    CdRig r(platform::audio_disc(seconds));
    r.q.type("K", 300);
    r.q.type("+", 50);
    EXPECT_EQ(r.drive.play_from, 375u);
    r.q.rig.run_ms(3500);
    EXPECT_EQ(synchro::cd_state.current_track, 1);
    EXPECT_EQ(r.drive.play_from, 150u);
    EXPECT_TRUE(r.drive.playing);
}

TEST(CdromTest, ADataDiscAfterThePromptLeavesTheTimeStill) {
    CdRig r(platform::audio_disc(kThreeMinutes), true);
    r.q.type("K", 200);
    EXPECT_TRUE(r.drive.tray_open);
    EXPECT_EQ(text_at(r.q.machine(), 180, 138), "PLEASE INSERT AN AUDIO-CD ...");
    EXPECT_EQ(r.q.status_text(),
              "++++++ INSERT AN AUDIO-CD AND PRESS ANY KEY TO CONTINUE... (ESC=CANCEL) ++++++");
    r.q.type(" ", 300);
    EXPECT_FALSE(r.drive.tray_open);
    EXPECT_FALSE(r.drive.playing);
    EXPECT_NE(r.q.rig.pixel(300, 140), kLightGreen);  // the prompt is painted over

    r.q.rig.run_ms(4400);
    EXPECT_EQ(text_at(r.q.machine(), 170, 287), "");
    r.q.rig.run_ms(700);
    EXPECT_EQ(text_at(r.q.machine(), 170, 287), "TIMECODE DOESN'T CHANGE --> TESTING...");
    r.q.rig.run_ms(600);
    r.q.type("+\x1b", 300);
    EXPECT_EQ(r.q.result_text(), "ERROR : CDROM DOESN'T WORK!");
}

TEST(CdromTest, EscAtThePromptEndsTheTestWithoutAResult) {
    CdRig r(platform::audio_disc(kThreeMinutes));
    platform::remove_cd(r.drive);
    r.q.type("K", 200);
    r.q.type("\x1b", 300);
    EXPECT_FALSE(r.drive.tray_open);  // the tray is closed again
    EXPECT_EQ(r.q.result_text(), "");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestCdrom], 0);
}

}  // namespace

namespace {

// A driver that answers no request leaves the buffer as it was sent: a table
// of one track ending before it begins, which is no audio disc.
TEST(CdromTest, ADriverWithoutADriveAsksForADisc) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
    q.start();
    q.type("K", 200);
    EXPECT_EQ(synchro::cd_state.disc_ready, 0);
    EXPECT_EQ(text_at(q.machine(), 180, 138), "PLEASE INSERT AN AUDIO-CD ...");
}

}  // namespace
