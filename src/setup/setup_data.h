// The setup data block (SetupData, 115195 bytes): the whole rig of a show in
// one fixed record, kept as its bytes. It is the body of setup.dat behind the
// text "VERSION 7.01" (datafiles/setup_file.h reads and writes the file).
//
// Fields are read and written little-endian at their offsets through the
// accessors below; an offset out of the block reads 0 and writes nothing.
// Arrays of the block are 1-based: fixture f (1..700) is the record at
// kSetupFixtures + 93 (f - 1); type t (1..40) of the type tables is a
// fixture's 0-based type index + 1.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace setup {

constexpr size_t kSetupDataBytes = 115195;
constexpr int kMaxFixtures = 700;
constexpr int kMaxFixtureTypes = 40;
constexpr int kMaxTypeChannels = 32;     // channels (and library functions) of a type
constexpr int kMaxCards = 4;             // DMX cards 1..4 a fixture may be patched to
constexpr int kCardAddresses = 512;      // DMX addresses of one card
constexpr int kStageItems = 100;         // room for each kind of stage item
constexpr int kCuePages = 16;
constexpr int kDefaultTimes = 5;
constexpr int kGlobalSettings = 20;

constexpr size_t kTypeFileNameBytes = 9;    // 8 characters and the NUL
constexpr size_t kTypeNameBytes = 21;       // 20 characters and the NUL
constexpr size_t kProtocolNameBytes = 9;    // 8 characters and the NUL
constexpr size_t kFixtureDrawingBytes = 992;
constexpr size_t kFixtureRecordBytes = 93;
constexpr size_t kStageEllipseBytes = 15;
constexpr size_t kStageLineBytes = 11;
constexpr size_t kStageRectBytes = 11;
constexpr size_t kStageTextBytes = 28;

// Offsets in the block.
constexpr size_t kSetupColourLibrary = 0;          // u8: 1 LEE, 2 ROSCO, 3 GAM
constexpr size_t kSetupEllipseCount = 1;           // u8
constexpr size_t kSetupEllipses = 2;
constexpr size_t kSetupLineCount = 0x5DE;          // 1502
constexpr size_t kSetupLines = 0x5DF;
constexpr size_t kSetupRectCount = 0xA2B;          // 2603
constexpr size_t kSetupRects = 0xA2C;
constexpr size_t kSetupTextCount = 0xE78;          // 3704
constexpr size_t kSetupTexts = 0xE79;
constexpr size_t kSetupTypeCount = 0x1969;         // 6505, u8
constexpr size_t kSetupTypeFileNames = 0x196A;     // 40 x char[9]
constexpr size_t kSetupTypeNames = 0x1AD2;         // 40 x char[21]
constexpr size_t kSetupTypeDrawings = 0x1E1A;      // 40 x 992
constexpr size_t kSetupTypeChannelCounts = 0xB91A; // 40 x u8
constexpr size_t kSetupTypeFunctionMaps = 0xB942;  // 40 x u8[32]
constexpr size_t kSetupTypeFunctionFlags = 0xBE42; // 40 x u8[32]
constexpr size_t kSetupFixtureCount = 0xC342;      // 49986, i16
constexpr size_t kSetupDmxIn1Enabled = 0xC344;
constexpr size_t kSetupDmxIn1Mode = 0xC345;
constexpr size_t kSetupDmxIn1Start = 0xC346;       // i16
constexpr size_t kSetupAutoManual = 0xC348;        // 3 x u8
constexpr size_t kSetupSoloMemory = 0xC34B;        // i16
constexpr size_t kSetupGroupingsSaved = 0xC34D;
constexpr size_t kSetupGroupKeyOption = 0xC363;
constexpr size_t kSetupTimecodeOption = 0xC364;
constexpr size_t kSetupPatchCompiled = 0xC368;     // 50024
constexpr size_t kSetupCuePageTracing = 0xC369;    // 16 x u8, page 1 first
constexpr size_t kSetupCuePagePreparation = 0xC379;
constexpr size_t kSetupDefaultTimes = 0xC389;      // 5 x u16, tenths
constexpr size_t kSetupSoftPatchSaved = 0xC393;
constexpr size_t kSetupGlobalSettings = 0xC394;    // 20 x u8, item 1 first
constexpr size_t kSetupMidiShowSaved = 0xC3A8;
constexpr size_t kSetupDmxIn2Enabled = 0xC3A9;
constexpr size_t kSetupDmxIn2Mode = 0xC3AA;
constexpr size_t kSetupDmxIn2Start = 0xC3AB;       // i16
constexpr size_t kSetupTransparencySaved = 0xC3AD;
constexpr size_t kSetupDefaultValuesSaved = 0xC3AE;
constexpr size_t kSetupFixtures = 0xC3AF;          // 50095, 700 x FixtureRecord

// Global settings items the show start reads (item n at kSetupGlobalSettings + n - 1).
constexpr size_t kSetupConvertedMark = 0xC39A;     // item 7: 1 after a conversion of an older setup
constexpr size_t kSetupAutoprepare = 0xC39E;       // item 11: 1 prepares cues automatically
constexpr size_t kSetupAutotrace = 0xC39F;         // item 12: 1 traces cues automatically
constexpr size_t kSetupStartDefaults = 0xC3A0;     // items 13..17; 0 in item 13: not initialised
constexpr size_t kSetupQuickStorePlaybacks = 0xC3A0;  // item 13: block a quick store onto a playback searches from
constexpr size_t kSetupQuickStoreSequences = 0xC3A1;  // item 14: the same for a sequence
constexpr size_t kSetupAskMemoryName = 0xC3A2;     // item 15: 1 asks an unnamed memory's name after a store
constexpr size_t kSetupAskCueName = 0xC3A3;        // item 16: the same for a cue
constexpr size_t kSetupAskPresetName = 0xC3A4;     // item 17: the same for a preset

// Fields of a FixtureRecord.
constexpr size_t kFixtureX = 0x00;             // i16
constexpr size_t kFixtureY = 0x02;             // i16
constexpr size_t kFixtureStageColour = 0x04;   // i16
constexpr size_t kFixtureOrientation = 0x06;   // u8 0..7
constexpr size_t kFixtureTypeIndex = 0x07;     // u16, 0-based
constexpr size_t kFixtureNumber = 0x09;        // u16, (page - 1) * 70 + key
constexpr size_t kFixtureCard = 0x0B;          // u8, 1..4
constexpr size_t kFixtureAddress = 0x0C;       // i16: 1..512, 0 multipatch, -1 soft patch
constexpr size_t kFixtureInputAddress = 0x0E;  // i16
constexpr size_t kFixtureProtocol = 0x10;      // char[9]
constexpr size_t kFixtureFirstRecord = 0x19;   // u16, first function record
constexpr size_t kFixtureChannelCount = 0x1B;  // u8, 1..32
constexpr size_t kFixtureReserved = 0x1C;      // u8, kept from older files
constexpr size_t kFixtureFunctionSettings = 0x1D;  // 32 x u8: low nibble curve, 0x10 dimmer not counted

constexpr int16_t kMultipatchAddress = 0;
constexpr int16_t kSoftPatchAddress = -1;
constexpr uint8_t kDimmerNotCounted = 0x10;

struct SetupData {
    std::array<uint8_t, kSetupDataBytes> bytes{};

    uint8_t u8(size_t offset) const;
    uint16_t u16(size_t offset) const;
    int16_t i16(size_t offset) const { return static_cast<int16_t>(u16(offset)); }
    void set_u8(size_t offset, uint8_t value);
    void set_u16(size_t offset, uint16_t value);
    void set_i16(size_t offset, int16_t value) { set_u16(offset, static_cast<uint16_t>(value)); }
    // A text field of `size` bytes: the characters up to the first NUL, at
    // most size - 1 of them (a field without NUL is cut, never overrun).
    std::string text(size_t offset, size_t size) const;
    // Writes the text cut to size - 1 characters and pads with NUL.
    void set_text(size_t offset, size_t size, const std::string& text);

    // Offset of a field of fixture record f (1..700) in the block.
    static size_t fixture_field(int f, size_t field);
    // Offsets of type t's (1..40) entries in the type tables.
    static size_t type_file_name_field(int t) { return kSetupTypeFileNames + kTypeFileNameBytes * static_cast<size_t>(t - 1); }
    static size_t type_name_field(int t) { return kSetupTypeNames + kTypeNameBytes * static_cast<size_t>(t - 1); }
    static size_t type_drawing_field(int t) { return kSetupTypeDrawings + kFixtureDrawingBytes * static_cast<size_t>(t - 1); }
    static size_t type_channel_count_field(int t) { return kSetupTypeChannelCounts + static_cast<size_t>(t - 1); }
    // Entry k (0-based function slot) of type t's function map and flag map.
    static size_t type_function_map_field(int t, int k) {
        return kSetupTypeFunctionMaps + kMaxTypeChannels * static_cast<size_t>(t - 1) + static_cast<size_t>(k);
    }
    static size_t type_function_flag_field(int t, int k) {
        return kSetupTypeFunctionFlags + kMaxTypeChannels * static_cast<size_t>(t - 1) + static_cast<size_t>(k);
    }

    // The counts as stored (not checked; the loader checks them before use).
    int16_t stored_fixture_count() const { return i16(kSetupFixtureCount); }
    uint8_t stored_type_count() const { return u8(kSetupTypeCount); }
};

// One fixture record decoded, for readers that want its fields at once.
struct FixtureRecord {
    int16_t x = 0;
    int16_t y = 0;
    int16_t stage_colour = 0;
    uint8_t orientation = 0;
    uint16_t type_index = 0;
    uint16_t number = 0;
    uint8_t card = 0;
    int16_t address = 0;
    int16_t input_address = 0;
    std::string protocol;
    uint16_t first_record = 0;
    uint8_t channel_count = 0;
    std::array<uint8_t, kMaxTypeChannels> function_settings{};
};

FixtureRecord read_fixture(const SetupData& data, int f);
// Writes the named fields; the rest of the 93 bytes stay as they were.
void write_fixture(SetupData& data, int f, const FixtureRecord& record);

// The live block, which every subsystem reads while a show plays, and the
// fixture setup's working copy.
extern SetupData setup_data;
extern SetupData setup_edit_copy;

// Copies the block field by field: the destination is zeroed and names are
// copied as strings (bytes behind a name's NUL arrive as 0); every other
// field is carried, the solo memory and the reserved bytes too.
void copy_setup_data(SetupData& destination, const SetupData& source);

// Counts of the live setup that the show start checked: fixtures 0..700 and
// types 0..40. Every table indexed by a fixture or a type is bounded by them.
extern int16_t fixture_count;
extern int16_t fixture_type_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_setup_data_globals();

// Fixture count and type count of the live setup as checked, and type t's
// library file name (1..fixture_type_count; "" for any other number).
int16_t setup_type_count();
std::string setup_type_file_name(int16_t type);

// Empties the live setup (byte +0 = 1, the first catalogue) and both counts;
// the working copy is left alone.
void reset_setup_data();

}  // namespace setup
