// The setup file data\setup.dat and the fixture type libraries it names.
//
// setup.dat is taken only at one of four sizes:
//
//   115207  "VERSION 7.01" + SetupData (115195), the current layout
//    71107  "VERSION 6.30" + 71095-byte block, 700 fixture records of 30 bytes
//    54306  "VERSION 6.03" + 54294-byte block, 140 fixture records of 30 bytes
//    30726  unversioned block, 20 types, 140 fixture records of 28 bytes
//
// The older layouts are converted to the current one and written back. Then
// every count and index of the block is checked before anything uses it:
// fixture count 0..700 (0..140 in the older layouts), type count 0..40
// (0..20 unversioned), per fixture a type index below the type count, a
// channel count 1..32, a first function record and a block address whose
// channels all lie within the console's channels (a block address also on a
// card 1..4 and within its 512 addresses). A setup that fails is refused:
// the show starts with an empty rig and a message says so.
//
// A refused setup.dat, or one of an unknown size or that cannot be read, is
// never overwritten: the file stays
// as it is, and save_setup_file leaves it alone for the rest of the show
// unless the fixture setup saves a new rig on purpose
// (save_setup_file_replacing_kept). Only a missing setup.dat is replaced by
// the empty setup with its defaults.
//
// Then each type's library "%s\lib\set\%s.set" (47097 bytes, channel count
// 1..32) is loaded into setup::fixture_type_defs with its symbol
// "%s\lib\drw\%s.drw" (992 bytes). A library that is missing or fails its
// checks gives its message and a zeroed type; the rest of the rig loads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace datafiles {

constexpr size_t kSetupFileBytes = 115207;
constexpr size_t kSetup630FileBytes = 71107;
constexpr size_t kSetup603FileBytes = 54306;
constexpr size_t kSetupUnversionedFileBytes = 30726;
constexpr const char* kSetupVersionText = "VERSION 7.01";

// How the last load found setup.dat.
enum class SetupFileState : uint8_t {
    missing,       // none: the empty setup was written
    loaded,        // the current layout, taken
    converted,     // an older layout, converted and written back
    refused,       // counts, indexes or addresses out of range: kept, empty rig
    unrecognised,  // of no known size or unreadable: kept, empty rig
};

extern SetupFileState setup_file_state;
// True while setup.dat on disk holds a rig the show could not take; the
// automatic writers (defaults, default values, patch compile) then leave it.
extern bool setup_file_kept;
// False while setup.dat is kept: the files derived from the rig (patch,
// groupings, default values, soft patch) and the start's rebuilds of the
// transparency and MIDI tables stay in memory then, so that the kept
// setup's "already written" flags still vouch for the files on disk.
bool rig_files_writable();
// The texts of the messages the last load showed, in order (for the
// start-up log and the tests).
extern std::vector<std::string> setup_load_messages;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_setup_file_globals();

// Show start: reads setup.dat into setup::setup_data, checks it, and loads
// the type libraries and their symbols.
void load_setup_file();
// Writes "VERSION 7.01" and the live setup to setup.dat (115207 bytes),
// through a replacing write, touching no flag of the record; nothing while
// setup_file_kept is set. True when the file was written whole.
bool save_setup_file();
// The fixture setup's save of a rig the operator made: replaces a kept file too.
void save_setup_file_replacing_kept();
// Releases the loaded type definitions (show restart and program end).
void free_fixture_type_defs();

// The fixture setup's reload of the live setup's type libraries. A library
// that can't be loaded gives its message and keeps the definition loaded
// before under the same file name; a new type without one gets an empty
// definition with the setup's channel count, never a count of 0.
void reload_type_libraries();
// setup.dat's image of the live setup, and its path (the fixture setup's
// save writes it together with the patch files, last).
std::vector<uint8_t> setup_file_bytes();
std::string setup_file_path();
// The fixture setup's save wrote setup.dat: it holds the operator's rig.
void note_setup_file_written();

}  // namespace datafiles
