// The machine description: what each line fits, read by both programs
// through the rig, and the messages for descriptions that do not fit.
#include "platform/machine_description.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hwtest/card_scan.h"
#include "hwtest/cdrom_test.h"
#include "hwtest/smpte_test.h"
#include "hwtest/test_menu.h"
#include "platform/machine.h"
#include "platform/ports.h"
#include "platform/registers.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/card_discovery.h"
#include "runtime/mouse_input.h"
#include "sync/cd_requests.h"

namespace {

// A console unlike the demo's: the console card at CC00h with keys and
// displays only, a plain DMX card at D400h with older firmware, the SMPTE/MIDI
// card with its sound inputs, a CD-ROM drive and no trackerball.
constexpr const char* kFixture =
    "# fixture console\r\n"
    "card CC00h firmware 334 keys displays   # the console card\r\n"
    "card 0xd400 firmware 331\r\n"
    "\r\n"
    "smpte_midi_card yes sound_inputs\r\n"
    "cdrom_drive yes\r\n"
    "trackerball no\r\n";

constexpr int kSlotCC00 = 1;
constexpr int kSlotD400 = 3;

// Configuration record cells that place the fixture's cards.
constexpr size_t kCfgSegments = 0x008;
constexpr size_t kCfgConsoleSlot = 0x010;
constexpr size_t kCfgDmxChoices = 0x0FC;

platform::MachineDescription parsed(const char* text) {
    platform::MachineDescription description;
    std::string error;
    EXPECT_TRUE(platform::parse_machine_description(text, description, error)) << error;
    return description;
}

void put_u16(std::vector<uint8_t>& record, size_t at, uint16_t value) {
    record[at] = static_cast<uint8_t>(value & 0xFF);
    record[at + 1] = static_cast<uint8_t>(value >> 8);
}

// The demo record with the cards where the fixture has them: configuration
// slot 2 is CC00h and carries the console, slot 4 is D400h; DMX card 1 is
// CC00h's first half, DMX card 2 D400h's second half.
std::vector<uint8_t> fixture_config_record() {
    std::vector<uint8_t> record = rig::demo_config_record();
    put_u16(record, kCfgSegments, 0);
    put_u16(record, kCfgSegments + 2, 0xCC00);
    put_u16(record, kCfgSegments + 4, 0);
    put_u16(record, kCfgSegments + 6, 0xD400);
    put_u16(record, kCfgConsoleSlot, 2);
    record[kCfgDmxChoices] = 3;
    record[kCfgDmxChoices + 1] = 8;
    record[kCfgDmxChoices + 2] = 0;
    record[kCfgDmxChoices + 3] = 0;
    return record;
}

TEST(MachineDescription, EachLineFitsWhatItSays) {
    const platform::MachineDescription d = parsed(kFixture);
    EXPECT_FALSE(d.cards[0].has_value());
    EXPECT_FALSE(d.cards[2].has_value());
    ASSERT_TRUE(d.cards[kSlotCC00].has_value());
    EXPECT_EQ(d.cards[kSlotCC00]->firmware_version, (std::array<uint8_t, 3>{'3', '3', '4'}));
    EXPECT_EQ(d.cards[kSlotCC00]->options, 0x18);  // displays and keys
    EXPECT_EQ(d.cards[kSlotCC00]->options_2, 0);
    ASSERT_TRUE(d.cards[kSlotD400].has_value());
    EXPECT_EQ(d.cards[kSlotD400]->firmware_version, (std::array<uint8_t, 3>{'3', '3', '1'}));
    EXPECT_EQ(d.cards[kSlotD400]->options, 0);
    EXPECT_TRUE(d.smpte_midi_card);
    EXPECT_TRUE(d.sound_inputs);
    EXPECT_TRUE(d.cdrom_drive);
    EXPECT_FALSE(d.trackerball);
}

TEST(MachineDescription, EveryCardOptionSetsItsBit) {
    const platform::MachineDescription d =
        parsed("card C800 firmware 338 faders function_belts sequence_belts displays keys wing\n");
    ASSERT_TRUE(d.cards[0].has_value());
    EXPECT_EQ(d.cards[0]->options, 0x1F);
    EXPECT_EQ(d.cards[0]->options_2, 0x40);
}

TEST(MachineDescription, MasterFadersStandOnTheFirstCardWithFaders) {
    // The card at C800 has no faders: the readings go to the one at D000.
    const platform::MachineDescription d = parsed(
        "card C800 firmware 338 keys\ncard D000 firmware 338 faders\nmaster_faders 255 128 7 0\n");
    EXPECT_EQ(d.master_faders, (std::array<uint8_t, 4>{255, 128, 7, 0}));
    platform::Machine machine;
    platform::fit_machine(machine, d);
    for (int master = 1; master <= 4; ++master) EXPECT_EQ(machine.cards.master_fader(0, master), 0) << master;
    EXPECT_EQ(machine.cards.master_fader(2, 1), 255);
    EXPECT_EQ(machine.cards.master_fader(2, 2), 128);
    EXPECT_EQ(machine.cards.master_fader(2, 3), 7);
    EXPECT_EQ(machine.cards.master_fader(2, 4), 0);
}

TEST(MachineDescription, AnEmptyDescriptionIsABarePc) {
    platform::Machine machine;
    platform::fit_machine(machine, parsed(kFixture));
    platform::fit_machine(machine, parsed("# nothing\n"));
    for (int slot = 0; slot < platform::kCardSlots; ++slot) EXPECT_FALSE(machine.cards.fitted(slot)) << slot;
    EXPECT_FALSE(machine.sync.fitted);
    EXPECT_FALSE(machine.cdrom.installed);
    EXPECT_FALSE(machine.mouse.installed);
}

TEST(MachineDescription, ALineThatDoesNotFitIsNamedWithWhatIsWrong) {
    struct Case {
        const char* text;
        const char* message;
    };
    for (const Case& c : {
             Case{"card C900 firmware 338\n", "line 1: unknown card segment 'C900' (C800, CC00, D000 or D400)"},
             Case{"# x\ncard C800 firmware 33A\n", "line 2: the firmware version must be three digits, as 338, not '33A'"},
             Case{"card C800 firmware 3380\n", "line 1: the firmware version must be three digits, as 338, not '3380'"},
             Case{"card C800 firmware 338\n\ncard 0xC800 firmware 338 keys\n",
                  "line 3: the card at C800 is already described on line 1"},
             Case{"card D000 338\n",
                  "line 1: a card needs its firmware version after the segment: firmware and three digits, as 338"},
             Case{"card\n", "line 1: 'card' needs its segment: C800, CC00, D000 or D400"},
             Case{"card CC00 firmware 338 belts\n",
                  "line 1: unknown card option 'belts' (faders, function_belts, sequence_belts, displays, keys or wing)"},
             Case{"trackerball maybe\n", "line 1: 'trackerball' takes yes or no"},
             Case{"cdrom_drive yes\ncdrom_drive no\n", "line 2: 'cdrom_drive' is already given on line 1"},
             Case{"smpte_midi_card no sound_inputs\n",
                  "line 1: 'smpte_midi_card' takes yes or no, then sound_inputs when they are there"},
             Case{"floppy yes\n",
                  "line 1: unknown item 'floppy' (card, smpte_midi_card, cdrom_drive, cdrom_disc, trackerball, master_faders, sound_pulse or smpte_in)"},
             Case{"sound_pulse 6 120\n", "line 1: 'sound_pulse' takes a sound band 1 to 5 and beats a minute 30 to 300"},
             Case{"sound_pulse 1 20\n", "line 1: 'sound_pulse' takes a sound band 1 to 5 and beats a minute 30 to 300"},
             Case{"sound_pulse 1\n", "line 1: 'sound_pulse' takes a sound band 1 to 5 and beats a minute 30 to 300"},
             Case{"sound_pulse 2 120\nsound_pulse 2 90\n", "line 2: sound band 2 has its pulse on line 1"},
             Case{"master_faders 255 0 0\n",
                  "line 1: 'master_faders' takes four readings 0 to 255: GRAND, FLASH, SUB 1 and SUB 2"},
             Case{"master_faders 256 0 0 0\n",
                  "line 1: 'master_faders' takes four readings 0 to 255: GRAND, FLASH, SUB 1 and SUB 2"},
             Case{"master_faders 1 2 3 -4\n",
                  "line 1: 'master_faders' takes four readings 0 to 255: GRAND, FLASH, SUB 1 and SUB 2"},
             Case{"smpte_in generator 29 00:00:00:00\n", "line 1: 'smpte_in' takes loop, or generator with its rate (24, 25, 30 or 30D) and start time hh:mm:ss:ff"},
             Case{"smpte_in generator 25 00:00:00:25\n", "line 1: 'smpte_in' takes loop, or generator with its rate (24, 25, 30 or 30D) and start time hh:mm:ss:ff"},
             Case{"smpte_in generator 25 24:00:00:00\n", "line 1: 'smpte_in' takes loop, or generator with its rate (24, 25, 30 or 30D) and start time hh:mm:ss:ff"},
             Case{"smpte_in generator 25 1:00:00:00\n", "line 1: 'smpte_in' takes loop, or generator with its rate (24, 25, 30 or 30D) and start time hh:mm:ss:ff"},
             Case{"smpte_in cable\n", "line 1: 'smpte_in' takes loop, or generator with its rate (24, 25, 30 or 30D) and start time hh:mm:ss:ff"},
             Case{"smpte_in loop\nsmpte_in loop\n", "line 2: 'smpte_in' is already given on line 1"},
             Case{"master_faders 0 0 0 0\nmaster_faders 1 1 1 1\n",
                  "line 2: 'master_faders' is already given on line 1"},
             Case{"cdrom_drive yes\ncdrom_disc\n", "line 2: 'cdrom_disc' takes the track lengths in seconds, 1 to 99 tracks of 1 s or more and at most 99 minutes in all, after 'data' when track 1 is a data track"},
             Case{"cdrom_drive yes\ncdrom_disc data\n", "line 2: 'cdrom_disc' takes the track lengths in seconds, 1 to 99 tracks of 1 s or more and at most 99 minutes in all, after 'data' when track 1 is a data track"},
             Case{"cdrom_drive yes\ncdrom_disc 60 0 60\n", "line 2: 'cdrom_disc' takes the track lengths in seconds, 1 to 99 tracks of 1 s or more and at most 99 minutes in all, after 'data' when track 1 is a data track, not '0'"},
             Case{"cdrom_drive yes\ncdrom_disc 60 3m\n", "line 2: 'cdrom_disc' takes the track lengths in seconds, 1 to 99 tracks of 1 s or more and at most 99 minutes in all, after 'data' when track 1 is a data track, not '3m'"},
             Case{"cdrom_drive yes\ncdrom_disc 5900 38 1\n", "line 2: 'cdrom_disc' takes the track lengths in seconds, 1 to 99 tracks of 1 s or more and at most 99 minutes in all, after 'data' when track 1 is a data track, not '1'"},  // 99:00:01 with the lead-in
             Case{"cdrom_disc 60\ncdrom_drive no\n", "line 1: 'cdrom_disc' needs a drive: 'cdrom_drive yes'"},
             Case{"cdrom_drive yes\ncdrom_disc 60\ncdrom_disc 70\n", "line 3: 'cdrom_disc' is already given on line 2"},
         }) {
        platform::MachineDescription description;
        std::string error;
        EXPECT_FALSE(platform::parse_machine_description(c.text, description, error)) << c.text;
        EXPECT_EQ(error, c.message) << c.text;
    }
}

TEST(MachineDescription, SmpteInIsTheLoopCableOrAnOutsideGenerator) {
    platform::MachineDescription description;
    std::string error;
    ASSERT_TRUE(platform::parse_machine_description("smpte_midi_card yes\n", description, error)) << error;
    EXPECT_FALSE(description.smpte_in.outside);
    ASSERT_TRUE(platform::parse_machine_description("smpte_in generator 30D 01:02:03:29\n", description, error))
        << error;
    EXPECT_TRUE(description.smpte_in.outside);
    EXPECT_EQ(description.smpte_in.rate_code, 3);
    EXPECT_EQ(description.smpte_in.start_frame, ((1u * 60 + 2) * 60 + 3) * 30 + 29);
}

// The disc line puts a disc in the drive that plays along the machine's clock.
TEST(MachineDescription, TheDiscLinePutsAPlayableDiscInTheDrive) {
    const platform::MachineDescription d = parsed("cdrom_drive yes\ncdrom_disc 245 198 312  # three tracks\n");
    EXPECT_EQ(d.cd_track_seconds, (std::vector<uint32_t>{245, 198, 312}));
    EXPECT_FALSE(d.cd_first_track_data);
    platform::Machine machine;
    platform::install_machine(&machine);
    platform::fit_machine(machine, d);
    synchro::init_cdrom();
    ASSERT_EQ(synchro::cd_state.disc_ready, 1);
    EXPECT_EQ(synchro::cd_state.track_count, 3);
    EXPECT_EQ(synchro::cd_state.track_start[2], 150 + 245 * 75);
    synchro::play_cd_audio(0, 2, 0);
    machine.advance_ms(10000);
    int track = 0;
    int m = -1;
    int s = -1;
    int f = -1;
    ASSERT_TRUE(synchro::get_cd_position(track, m, s, f));
    EXPECT_EQ(track, 1);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(s, 12);
    EXPECT_EQ(f, 0);

    // "data" first: track 1 is a data track, which no audio player takes.
    platform::fit_machine(machine, parsed("cdrom_drive yes\ncdrom_disc data 600 245\n"));
    EXPECT_TRUE(machine.cd_drive.disc.first_track_data);
    synchro::init_cdrom();
    EXPECT_EQ(synchro::cd_state.disc_ready, 0);
    // Without the line the tray is empty.
    platform::fit_machine(machine, parsed("cdrom_drive yes\n"));
    EXPECT_FALSE(machine.cd_drive.disc_loaded);
    platform::install_machine(nullptr);
}

// A steady pulse on a sound band: high for the first quarter of each beat.
TEST(MachineDescription, SoundPulseDrivesItsBand) {
    platform::MachineDescription description;
    std::string error;
    ASSERT_TRUE(platform::parse_machine_description("smpte_midi_card yes sound_inputs\nsound_pulse 3 120\n",
                                                    description, error))
        << error;
    EXPECT_EQ(description.sound_pulse_bpm, (std::array<uint16_t, platform::kSoundBands>{0, 0, 120, 0, 0}));
    platform::Machine machine;
    platform::fit_machine(machine, description);
    platform::install_machine(&machine);
    // Command 15h switches the sound inputs on.
    const std::span<uint8_t> window = machine.sync.window();
    window[platform::kSyncCommandRegister] = platform::kSyncCommandSoundOn;
    platform::Regs regs;
    regs.set_ax(0);
    platform::sync_driver_interrupt(regs);
    const uint16_t base = machine.sync.peek_word(platform::kSoundPortBaseRegister);
    std::vector<int> band3;
    for (int i = 0; i < 10; ++i) {
        machine.advance_ms(100);
        band3.push_back(platform::inportb(static_cast<uint16_t>(base + 6)));
        EXPECT_EQ(platform::inportb(static_cast<uint16_t>(base + 4)), 0) << "band 1 has no pulse";
    }
    platform::install_machine(nullptr);
    // 500 ms a beat, the first 125 ms of it high.
    EXPECT_EQ(band3, (std::vector<int>{220, 30, 30, 30, 220, 220, 30, 30, 30, 220}));
}

TEST(MachineDescription, AMissingFileIsNamed) {
    rig::TempDir dir;
    platform::MachineDescription description;
    std::string error;
    EXPECT_FALSE(platform::read_machine_description(dir.path() / "machine.txt", description, error));
    EXPECT_EQ(error, (dir.path() / "machine.txt").string() + ": the machine description is missing");

    rig::ProgramDir program;
    program.write_text("machine.txt", "card C800 firmware 338\ncard D000 firmware x\n");
    EXPECT_FALSE(platform::read_machine_description(program.folder() / "machine.txt", description, error));
    EXPECT_EQ(error, (program.folder() / "machine.txt").string() +
                         ", line 2: the firmware version must be three digits, as 338, not 'x'");
}

// The console finds in the fixture machine what each line put there.
TEST(MachineDescription, TheConsoleFindsTheDescribedHardware) {
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    dir.write_file("bravinox.cfg", fixture_config_record());
    platform::fit_machine(rig.machine(), parsed(kFixture));
    rig::start_console(rig, dir, false);

    // card CC00h firmware 334 keys displays
    EXPECT_EQ(runtime::console_card_number, 2);
    EXPECT_NE(runtime::dmx_card_selectors[1], 0);
    EXPECT_EQ(runtime::dmx_card_half[1], 1);
    EXPECT_EQ(runtime::card_firmware_versions[0], 334);
    EXPECT_EQ(runtime::hw_option_flags.hardware_keys, 1);
    EXPECT_EQ(runtime::hw_option_flags.displays, 1);
    EXPECT_EQ(runtime::hw_option_flags.analogue_section, 0);
    EXPECT_EQ(runtime::hw_option_flags.function_belts, 0);
    EXPECT_EQ(runtime::hw_option_flags.playback_wing, 0);
    // card 0xd400 firmware 331
    EXPECT_NE(runtime::dmx_card_selectors[2], 0);
    EXPECT_EQ(runtime::dmx_card_half[2], 2);
    EXPECT_EQ(runtime::card_firmware_versions[2], 331);
    // smpte_midi_card yes sound_inputs
    EXPECT_NE(runtime::sync_interface_selector, 0);
    EXPECT_EQ(runtime::sound_input_present, 1);
    // trackerball no
    EXPECT_EQ(runtime::mouse_present, 0);
    // cdrom_drive yes: the driver reports one drive
    platform::Regs regs;
    regs.set_ax(0x1500);
    platform::int386(0x2F, regs);
    EXPECT_EQ(regs.bx(), 1);
}

// The test program, which finds everything from the cards themselves, sees the same.
TEST(MachineDescription, TheTestProgramFindsTheDescribedHardware) {
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    dir.map_drive(rig.machine());
    platform::fit_machine(rig.machine(), parsed(kFixture));
    rig.start([] {
        const char* const arguments[] = {"C:\\BRAVINOX\\QUANDRIX.EXE", nullptr};
        hwtest::quandrix_main(1, arguments);
    });
    rig.run_ms(50);
    ASSERT_FALSE(rig.finished());

    EXPECT_EQ(hwtest::eprom_versions, (std::array<uint16_t, 4>{0, 334, 0, 331}));
    EXPECT_EQ(hwtest::console_card_selector, hwtest::card_window_selectors[kSlotCC00]);
    EXPECT_TRUE(hwtest::console_option_flags.hardware_keys);
    EXPECT_TRUE(hwtest::console_option_flags.displays);
    EXPECT_FALSE(hwtest::console_option_flags.analogue_faders);
    EXPECT_NE(hwtest::smpte_card_selector, 0);
    EXPECT_EQ(hwtest::trackerball_present, 0);
    EXPECT_NE(synchro::cd_state.drive, synchro::kNoCdDrive);
}

// The demo console's description fits the demo configuration record: the
// card it names carries the console surface and both DMX universes.
TEST(MachineDescription, TheDemoDescriptionMakesAFullyEquippedConsole) {
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    platform::MachineDescription description;
    std::string error;
    ASSERT_TRUE(platform::read_machine_description(std::filesystem::path(BRAVINOX_TEST_DATA) / ".." / ".." /
                                                       "programdir" / "machine.txt",
                                                   description, error))
        << error;
    platform::fit_machine(rig.machine(), description);
    rig::start_console(rig, dir, false);

    EXPECT_EQ(runtime::console_card_number, 1);
    EXPECT_NE(runtime::dmx_card_selectors[1], 0);
    EXPECT_NE(runtime::dmx_card_selectors[2], 0);
    const runtime::HwOptionFlags& o = runtime::hw_option_flags;
    EXPECT_EQ(o.analogue_section + o.analogue_masters + o.analogue_playbacks + o.playback_wing + o.function_belts +
                  o.sequence_belts + o.displays + o.hardware_keys + o.wing_port,
              9);
    EXPECT_NE(runtime::sync_interface_selector, 0);
    EXPECT_NE(runtime::mouse_present, 0);
    // GRAND stands at full, so that the stage shows what the programmer sets.
    EXPECT_EQ(rig.machine().cards.master_fader(0, 1), 255);
    // The console's start-up read the demo's disc: 12 audio tracks.
    EXPECT_EQ(synchro::cd_state.disc_ready, 1);
    EXPECT_EQ(synchro::cd_state.track_count, 12);
}

}  // namespace
