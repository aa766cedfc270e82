// A fixture type definition (FixtureTypeDef): the 47097 bytes of a library
// file "%s\lib\set\%s.set", kept as its bytes and read field by field.
//
// Layout (offsets from the first byte; little-endian):
//
//   0      char[21]   type name
//   21     char[9]x4  protocol names 1..4
//   57     u8         channel count (a library is valid with 1..32)
//   58     u8[32]     default value of library function 1..32
//   90     3 bytes    reserved
//   93     u8[32]     dimmer flag of library function 1..32
//   125    u8         dimmer closed value; 126 u8 dimmer open value
//   127    u8[38]     named-function slots, each a library function 1..32
//                     (0 none), in the order of NamedFunction below
//   165    3 bytes    reserved
//   168    u8         soft-patch rule (0 none, 1 multipatch allowed, 2 soft patch)
//   169    u8         pan/tilt mode (2: pan and tilt ranges in degrees)
//   170    u16        pan degrees; 172 u16 tilt degrees
//   174    12 bytes   reserved
//   186    char[21]   manufacturer
//   207    5 bytes    reserved
//   212    u8         DIP switch count; 213 i16 DIP base value
//   215    i16        address step (also the DIP step)
//   217    char[160]  information text
//   377    32 x FunctionDef (1435 bytes each), library function f at 377 + 1435 (f - 1):
//            +0    i16[35]      symbol drawing number of entry e (0 none)
//            +70   char[35][36] entry texts (entry 0 is the function's name)
//            +1330 u8[35]       entry value (the DMX value; 0 ends the list after entry 0)
//            +1365 u8[35]       not read
//            +1400 u8[35]       entry flag (1 not offered by the picker, 2 current fixture only)
//   46297  32 x SubFunctionTable (25 bytes each), function f at 46297 + 25 (f - 1):
//            +0 count 0..10; +1 from[10]; +11 to[10]; +21 invert; +22 channel kind
//            (1 fine half, 2 coarse half of a 16-bit pair); +23 linked function;
//            +24 fade permission (the "last flag byte", also the info flag)
//
// The offsets 0, 21, 57, 58, 93, 125, 127 (PAN), 168, 186, 212..217, 377,
// 447 and 46297 are those of the library files the console reads. The order
// of the named slots after PAN and the places of the pan/tilt mode and
// degrees are this project's choice, recorded here; every reader goes
// through this header.
//
// Every value read from a file is bounded here before it can index a table:
// a function number outside 1..32 reads as 0 (none), a sub-function count
// above 10 as 10, the channel count is returned as stored (the loader
// refuses a type outside 1..32).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/setup_data.h"

namespace setup {

constexpr size_t kFixtureTypeDefBytes = 47097;
constexpr int kPredefinedEntries = 35;
constexpr int kSubFunctions = 10;
constexpr size_t kEntryTextBytes = 36;

constexpr size_t kTypeName = 0;
constexpr size_t kTypeProtocolNames = 21;
constexpr size_t kTypeChannelCount = 57;
constexpr size_t kTypeDefaultValues = 58;
constexpr size_t kTypeDimmerFlags = 93;
constexpr size_t kTypeDimmerClosed = 125;
constexpr size_t kTypeDimmerOpen = 126;
constexpr size_t kTypeNamedSlots = 127;
constexpr size_t kTypeSoftPatchRule = 168;
constexpr size_t kTypePanTiltMode = 169;
constexpr size_t kTypePanDegrees = 170;
constexpr size_t kTypeTiltDegrees = 172;
constexpr size_t kTypeManufacturer = 186;
constexpr size_t kTypeDipCount = 212;
constexpr size_t kTypeDipBase = 213;
constexpr size_t kTypeAddressStep = 215;
constexpr size_t kTypeInfoText = 217;
constexpr size_t kTypeInfoTextBytes = 160;
constexpr size_t kTypeFunctionDefs = 377;
constexpr size_t kFunctionDefBytes = 1435;
constexpr size_t kFunctionSymbols = 0;
constexpr size_t kFunctionEntryTexts = 70;
constexpr size_t kFunctionEntryValues = 1330;
constexpr size_t kFunctionEntryFlags = 1400;
constexpr size_t kTypeSubFunctionTables = 46297;
constexpr size_t kSubFunctionTableBytes = 25;
constexpr size_t kSubCount = 0;
constexpr size_t kSubFrom = 1;
constexpr size_t kSubTo = 11;
constexpr size_t kSubInvert = 21;
constexpr size_t kSubKind = 22;
constexpr size_t kSubLinked = 23;
constexpr size_t kSubFade = 24;

constexpr uint8_t kKindFine = 1;
constexpr uint8_t kKindCoarse = 2;

// The named-function slots, in their order on file from offset 127.
enum class NamedFunction : uint8_t {
    pan, tilt, strobo, focus, red, green, blue,
    color1, color2, color3, color4, colorpar,
    gobo1, gobo2, gobo3, gobo4, goboindex1, goboindex2,
    effect1, effect2, effect3, effectpar1, effectpar2,
    prisma1, prisma2, prisma3, iris, zoom, frost,
    knife1, knife2, knife3, knife4, knife5, knife6, knife7, knife8, knifepar,
    count
};
constexpr int kNamedFunctions = static_cast<int>(NamedFunction::count);  // 38
static_assert(kTypeNamedSlots + kNamedFunctions <= kTypeSoftPatchRule);

// The slot's keyword as the library sources and the effect macros spell it.
const char* named_function_keyword(NamedFunction slot);

struct FixtureTypeDef {
    std::array<uint8_t, kFixtureTypeDefBytes> bytes{};

    uint8_t u8(size_t offset) const { return offset < bytes.size() ? bytes[offset] : 0; }
    uint16_t u16(size_t offset) const;
    std::string text(size_t offset, size_t size) const;

    std::string name() const { return text(kTypeName, kTypeNameBytes); }
    std::string manufacturer() const { return text(kTypeManufacturer, kTypeNameBytes); }
    std::string protocol_name(int protocol) const;  // 1..4
    uint8_t channel_count() const { return u8(kTypeChannelCount); }
    // Library function f, 1..32 (other numbers read 0).
    uint8_t default_value(int f) const { return valid(f) ? u8(kTypeDefaultValues + idx(f)) : 0; }
    bool is_dimmer(int f) const { return valid(f) && u8(kTypeDimmerFlags + idx(f)) != 0; }
    // The library function in a named slot, 0 when the type has none.
    uint8_t named(NamedFunction slot) const;
    uint8_t pantilt_mode() const { return u8(kTypePanTiltMode); }
    uint16_t pan_degrees() const { return u16(kTypePanDegrees); }
    uint16_t tilt_degrees() const { return u16(kTypeTiltDegrees); }
    int16_t address_step() const { return static_cast<int16_t>(u16(kTypeAddressStep)); }

    // Predefined entry e (0..34) of library function f.
    int16_t entry_symbol(int f, int e) const;
    std::string entry_text(int f, int e) const;
    uint8_t entry_value(int f, int e) const;
    uint8_t entry_flag(int f, int e) const;
    std::string function_name(int f) const { return entry_text(f, 0); }

    // Sub-function table of library function f.
    uint8_t sub_count(int f) const;                  // 0..10
    uint8_t sub_from(int f, int k) const;            // k 1..10
    uint8_t sub_to(int f, int k) const;
    uint8_t sub_invert(int f) const { return sub_byte(f, kSubInvert); }
    uint8_t channel_kind(int f) const { return sub_byte(f, kSubKind); }
    uint8_t linked_function(int f) const;            // 1..32, 0 none
    uint8_t fade_flag(int f) const { return sub_byte(f, kSubFade); }

    static bool valid(int f) { return f >= 1 && f <= kMaxTypeChannels; }
    static size_t function_def(int f) { return kTypeFunctionDefs + kFunctionDefBytes * idx(f); }
    static size_t sub_table(int f) { return kTypeSubFunctionTables + kSubFunctionTableBytes * idx(f); }

private:
    static size_t idx(int f) { return static_cast<size_t>(f - 1); }
    uint8_t sub_byte(int f, size_t field) const { return valid(f) ? u8(sub_table(f) + field) : 0; }
};

// Types 1..40 of the live setup (a fixture's 0-based type index t is type
// t + 1); null while a type is not loaded. The setup file's loader fills
// them at every show start (datafiles/setup_file.h).
extern std::array<FixtureTypeDef*, kMaxFixtureTypes + 1> fixture_type_defs;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_fixture_type_globals();

// The type of type index t (0-based), null when not loaded or out of range.
const FixtureTypeDef* type_def_of_index(int type_index);

}  // namespace setup
