// The hardware of a real run, described in a plain-text file.
//
// The program directory holds machine.txt, which says which interface cards
// sit at which segments (firmware version, what their option bytes report),
// whether the SMPTE/MIDI card and its driver are there, whether there is a
// CD-ROM drive and whether there is a trackerball. Both programs read it at
// start and fit their Machine from it; tests fit theirs from a text of their
// own. One item a line, words separated by blanks, '#' to the end of the
// line a comment:
//
//   card C800 firmware 338 faders function_belts sequence_belts displays keys wing
//   smpte_midi_card yes sound_inputs
//   smpte_in generator 25 10:00:00:00
//   cdrom_drive yes
//   cdrom_disc 245 198 312          # or: cdrom_disc data 600 245 ...
//   trackerball yes
//   master_faders 255 255 0 0
//   sound_pulse 1 120
//
// A card's option words set the bits of its option byte (faders: the analogue
// section, bit 0; function_belts 1; sequence_belts 2; displays 3; keys: the
// hardware keys, 4) and wing sets bit 6 of its second option byte (the
// playback wing plugged in). An item that is not given is not there.
// cdrom_disc puts a disc in the drive's tray at power-on: the lengths of its
// tracks in whole seconds (1 to 99 tracks, the disc at most 99 minutes),
// laid out from 00:02:00; "data" first makes track 1 a data track. It needs
// "cdrom_drive yes". The disc is silent: the drive only keeps its play head.
// master_faders gives where the GRAND, FLASH, SUB 1 and SUB 2 faders stand at
// power-on (raw readings 0..255) on the first card with faders: a surface's
// faders stay where they were left; not given, they stand at 0.
// smpte_in says what feeds the SMPTE/MIDI card's SMPTE IN: "loop" (a cable
// from its own SMPTE OUT, the default) or "generator", a rate (24, 25, 30 or
// 30D) and the time it showed at power-on (hh:mm:ss:ff).
// sound_pulse puts a steady pulse of that many beats a minute on a sound
// band of the SMPTE/MIDI card (one line a band); bands without one read 0.
#pragma once
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/card_bus.h"
#include "platform/sync_card.h"

namespace platform {

struct Machine;

// The name of the description in the program directory.
constexpr const char* kMachineDescriptionName = "machine.txt";

struct MachineDescription {
    std::array<std::optional<CardSettings>, kCardSlots> cards{};  // by slot (segment C800h first)
    bool smpte_midi_card = false;  // the card and its driver (interrupt 68h)
    bool sound_inputs = false;     // the SMPTE/MIDI card's sound inputs
    SmpteInput smpte_in;           // what feeds its SMPTE IN
    bool cdrom_drive = false;      // the CD-ROM driver with one drive, no disc in it
    bool trackerball = false;      // the mouse driver with the trackerball behind it
    std::vector<uint32_t> cd_track_seconds;  // the disc in the drive; empty: none
    bool cd_first_track_data = false;
    std::array<uint8_t, kMasterFaders> master_faders{};  // GRAND, FLASH, SUB 1, SUB 2 at power-on
    std::array<uint16_t, kSoundBands> sound_pulse_bpm{};   // per sound band, 0 none
};

// Reads a description. False with "line N: what is wrong" when a line does
// not fit.
bool parse_machine_description(std::string_view text, MachineDescription& description, std::string& error);
// Reads the file; the message starts with the file's path.
bool read_machine_description(const std::filesystem::path& path, MachineDescription& description,
                              std::string& error);

// Fits the machine as described: the cards are switched on, what is not
// described is taken out.
void fit_machine(Machine& machine, const MachineDescription& description);

}  // namespace platform
