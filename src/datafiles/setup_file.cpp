#include "datafiles/setup_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <span>
#include <utility>

#include "datafiles/patch_files.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "platform/dos_files.h"
#include "platform/machine.h"
#include "platform/text_screen.h"
#include "runtime/card_discovery.h"
#include "runtime/show_tables.h"
#include "setup/dmx_inputs.h"
#include "setup/fixture_type.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"

namespace datafiles {

SetupFileState setup_file_state = SetupFileState::missing;
bool setup_file_kept = false;
std::vector<std::string> setup_load_messages;

void reset_setup_file_globals() {
    free_fixture_type_defs();
    setup_file_state = SetupFileState::missing;
    setup_file_kept = false;
    setup_load_messages.clear();
}

namespace {

using setup::SetupData;

constexpr int16_t kBlack = 0;
constexpr int16_t kRed = 4;
constexpr int16_t kYellow = 14;
constexpr int16_t kScreenRight = 639;
constexpr int16_t kScreenBottom = 479;
constexpr int16_t kCharWidth = 8;
constexpr int32_t kBeepHz = 400;
constexpr uint32_t kUpdateBeep_ms = 300;
constexpr uint32_t kLibraryBeep_ms = 2000;
constexpr uint32_t kRefusalBeep_ms = 4000;

constexpr const char* kUpdatingText = "UPDATING DATA-FORMAT OF SETUP! PLEASE WAIT...";
constexpr const char* kAddressesText = "SETUP CAN NOT BE LOADED : SOME FIXTURE-ADDRESSES ARE INVALID!";
constexpr const char* kChannelsText = "MAKE A NEW SETUP OR RUN 'CONFIG.EXE' TO CHANGE THE NUMBER OF CHANNELS!";
constexpr const char* kInvalidText = "SETUP CAN NOT BE LOADED : THE SETUP-DATA IS OUT OF RANGE!";
constexpr const char* kNewSetupText = "PLEASE MAKE A NEW SETUP!";
constexpr const char* kUnknownText = "SETUP CAN NOT BE LOADED : UNKNOWN FORMAT OF SETUP.DAT!";
constexpr const char* kKeptText = "SETUP.DAT IS KEPT UNCHANGED - THE SHOW STARTS WITH AN EMPTY RIG!";
constexpr const char* kSetupErrorText = "ERROR IN SETUP-DATA : PLEASE CLEAR THE SETUP AND MAKE A NEW ONE!";

constexpr int kOldFixtureCapacity = 140;    // 6.03 and unversioned layouts
constexpr int kOldTypeCapacity = 20;        // unversioned layout
constexpr size_t kOldRecordBytes = 30;      // 6.30 and 6.03
constexpr size_t kUnversionedRecordBytes = 28;

// ------------------------------------------------------------------ messages

struct BarLine {
    int16_t y = 0;
    std::string text;
};

// A red bar from `top` to the foot of the screen with yellow lines centred
// in it, a tone, then the bar black again.
void show_bar(int16_t top, std::initializer_list<BarLine> lines, uint32_t beep_ms) {
    ui::fill_box(0, top, kScreenRight, kScreenBottom, kRed);
    for (const BarLine& line : lines) {
        const int width = kCharWidth * static_cast<int>(line.text.size());
        ui::draw_bitmap_text(static_cast<int16_t>(std::max(0, (640 - width) / 2)), line.y, kYellow, line.text.c_str());
        setup_load_messages.push_back(line.text);
    }
    ui::beep(kBeepHz, beep_ms);
    ui::fill_box(0, top, kScreenRight, kScreenBottom, kBlack);
}

void show_updating() { show_bar(460, {{466, kUpdatingText}}, kUpdateBeep_ms); }

void show_library_error(const char* format, const std::string& name) {
    std::array<char, 96> text{};
    std::snprintf(text.data(), text.size(), format, name.c_str());
    show_bar(460, {{466, text.data()}}, kLibraryBeep_ms);
}

// ------------------------------------------------------------------ reading the file

std::string setup_path() { return data_path("setup.dat"); }

enum class Layout : uint8_t { current, v630, v603, unversioned };

struct LayoutInfo {
    Layout layout;
    size_t file_bytes;
    const char* version;  // nullptr: no version text
};

constexpr std::array<LayoutInfo, 4> kLayouts = {{
    {Layout::current, kSetupFileBytes, "VERSION 7.01"},
    {Layout::v630, kSetup630FileBytes, "VERSION 6.30"},
    {Layout::v603, kSetup603FileBytes, "VERSION 6.03"},
    {Layout::unversioned, kSetupUnversionedFileBytes, nullptr},
}};

bool read_file_bytes(const std::string& path, std::vector<uint8_t>& bytes) {
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return got == bytes.size();
}

// The layout of a file of this size and text: the version text decides when
// there is one, else the unversioned layout (which only its size allows).
const LayoutInfo* find_layout(const std::vector<uint8_t>& file) {
    for (const LayoutInfo& info : kLayouts) {
        if (info.version == nullptr) continue;
        if (file.size() >= kVersionTextChars && std::memcmp(file.data(), info.version, kVersionTextChars) == 0) {
            return file.size() == info.file_bytes ? &info : nullptr;
        }
    }
    return file.size() == kSetupUnversionedFileBytes ? &kLayouts[3] : nullptr;
}

// ------------------------------------------------------------------ conversion of the older layouts

struct OldBlock {
    std::span<const uint8_t> bytes;
    uint8_t u8(size_t at) const { return at < bytes.size() ? bytes[at] : 0; }
    uint16_t u16(size_t at) const { return static_cast<uint16_t>(u8(at) | u8(at + 1) << 8); }
    void copy(SetupData& to, size_t to_at, size_t from_at, size_t length) const {
        for (size_t i = 0; i < length; ++i) to.set_u8(to_at + i, u8(from_at + i));
    }
};

// The current fixture record f from a 30-byte record (the fields +0..+0x1c
// in place).
void copy_30_byte_record(const OldBlock& old, size_t records, int f, SetupData& to) {
    const size_t from = records + kOldRecordBytes * static_cast<size_t>(f - 1);
    old.copy(to, SetupData::fixture_field(f, 0), from, setup::kFixtureReserved + 1);
}

// The current fixture record f from a 28-byte unversioned record.
void copy_28_byte_record(const OldBlock& old, int f, SetupData& to) {
    constexpr size_t kRecords = 0x68B6;
    constexpr size_t kTypeColours = 0x6365;
    const size_t from = kRecords + kUnversionedRecordBytes * static_cast<size_t>(f - 1);
    const auto at = [f](size_t field) { return SetupData::fixture_field(f, field); };
    to.set_u16(at(setup::kFixtureX), old.u16(from + 0x0));
    to.set_u16(at(setup::kFixtureY), old.u16(from + 0x2));
    to.set_u8(at(setup::kFixtureOrientation), old.u8(from + 0x4));
    const uint16_t type = old.u16(from + 0x5);
    to.set_u16(at(setup::kFixtureTypeIndex), type);
    to.set_u16(at(setup::kFixtureNumber), old.u16(from + 0x7));
    to.set_u8(at(setup::kFixtureCard), old.u8(from + 0x9));
    to.set_u16(at(setup::kFixtureAddress), old.u16(from + 0xA));
    to.set_u16(at(setup::kFixtureInputAddress), old.u16(from + 0xC));
    std::string protocol;
    for (size_t i = 0; i + 1 < setup::kProtocolNameBytes && old.u8(from + 0xE + i) != 0; ++i) {
        protocol.push_back(static_cast<char>(old.u8(from + 0xE + i)));
    }
    to.set_text(at(setup::kFixtureProtocol), setup::kProtocolNameBytes, protocol);
    to.set_u16(at(setup::kFixtureFirstRecord), old.u16(from + 0x17));
    to.set_u8(at(setup::kFixtureChannelCount), old.u8(from + 0x19));
    // The stage colour of the fixture's type; a type beyond the table has none.
    if (type < kOldTypeCapacity) to.set_u16(at(setup::kFixtureStageColour), old.u16(kTypeColours + 2u * type));
}

// Converts an older block into the current one (zeroed, byte +0 = 1 first).
// False when the old fixture or type count does not fit the old layout.
bool convert_block(Layout layout, const OldBlock& old, SetupData& to) {
    to.bytes.fill(0);
    to.set_u8(setup::kSetupColourLibrary, 1);
    old.copy(to, 0, 0, 1);
    if (layout == Layout::v630 || layout == Layout::v603) {
        // Stage items and type tables at the same offsets.
        old.copy(to, setup::kSetupEllipseCount, setup::kSetupEllipseCount, setup::kSetupTypeFileNames - setup::kSetupEllipseCount);
        old.copy(to, setup::kSetupTypeFileNames, setup::kSetupTypeFileNames, setup::kSetupFixtureCount - setup::kSetupTypeFileNames);
    } else {
        old.copy(to, setup::kSetupLineCount, 0x1, 1 + 1100);
        old.copy(to, setup::kSetupRectCount, 0x44E, 1 + 1100);
        old.copy(to, setup::kSetupTextCount, 0x89B, 1 + 2800);
        old.copy(to, setup::kSetupTypeCount, 0x138C, 1);
        old.copy(to, setup::kSetupTypeFileNames, 0x138D, 180);
        old.copy(to, setup::kSetupTypeNames, 0x1441, 420);
        old.copy(to, setup::kSetupTypeDrawings, 0x15E5, 19840);
        old.copy(to, setup::kSetupTypeChannelCounts, 0x638D, 20);
        old.copy(to, setup::kSetupTypeFunctionMaps, 0x63A1, 640);
        old.copy(to, setup::kSetupTypeFunctionFlags, 0x6621, 640);
        if (to.u8(setup::kSetupTypeCount) > kOldTypeCapacity) return false;
    }
    int count = 0;
    switch (layout) {
        case Layout::v630:
            count = static_cast<int16_t>(old.u16(0xC342));
            old.copy(to, 0xC344, 0xC344, 7);  // DMX input 1 and the follow modes
            old.copy(to, setup::kSetupDefaultValuesSaved, 0xC3AE, 1);
            old.copy(to, setup::kSetupSoftPatchSaved, 0xC393, 1);
            old.copy(to, setup::kSetupGlobalSettings, 0xC394, setup::kGlobalSettings);
            old.copy(to, setup::kSetupMidiShowSaved, 0xC3A8, 6);  // MIDI flag, DMX input 2, transparency flag
            if (count < 0 || count > setup::kMaxFixtures) return false;
            for (int f = 1; f <= count; ++f) copy_30_byte_record(old, 0xC3AF, f, to);
            break;
        case Layout::v603:
            count = old.u8(0xC342);
            old.copy(to, 0xC344, 0xC343, 1);
            old.copy(to, 0xC345, 0xC344, 1);
            old.copy(to, 0xC346, 0xC345, 2);
            old.copy(to, 0xC348, 0xC347, 3);
            old.copy(to, setup::kSetupDefaultValuesSaved, 0xC3AD, 1);
            if (count > kOldFixtureCapacity) return false;
            for (int f = 1; f <= count; ++f) copy_30_byte_record(old, 0xC3AE, f, to);
            break;
        case Layout::unversioned:
            count = old.u8(0x68A1);
            old.copy(to, 0xC344, 0x68A2, 1);
            old.copy(to, 0xC345, 0x68A3, 1);
            old.copy(to, 0xC346, 0x68A4, 2);
            old.copy(to, 0xC348, 0x68A6, 3);
            if (count > kOldFixtureCapacity) return false;
            for (int f = 1; f <= count; ++f) copy_28_byte_record(old, f, to);
            break;
        case Layout::current: return false;
    }
    to.set_u16(setup::kSetupFixtureCount, static_cast<uint16_t>(count));
    // A conversion marks the block and leaves the start defaults to be set.
    to.set_u8(setup::kSetupConvertedMark, 1);
    to.set_u8(setup::kSetupStartDefaults, 0);
    return true;
}

// ------------------------------------------------------------------ checks

enum class Check : uint8_t { ok, addresses, out_of_range };

// Every count and index the show uses from the block, and the check that
// each fixture's records and addresses stay within the show's capacity and
// its interface card's 512 addresses.
Check check_block(const SetupData& data) {
    const int capacity = std::clamp<int>(runtime::function_record_capacity, 0, runtime::kFunctionRecordCapacity);
    const int fixtures = data.stored_fixture_count();
    const int types = data.stored_type_count();
    if (fixtures < 0 || fixtures > setup::kMaxFixtures || types > setup::kMaxFixtureTypes) return Check::out_of_range;
    for (int t = 1; t <= types; ++t) {
        if (data.u8(SetupData::type_channel_count_field(t)) > setup::kMaxTypeChannels) return Check::out_of_range;
    }
    Check result = Check::ok;
    for (int f = 1; f <= fixtures; ++f) {
        const setup::FixtureRecord r = setup::read_fixture(data, f);
        if (r.type_index >= types) return Check::out_of_range;
        if (r.channel_count < 1 || r.channel_count > setup::kMaxTypeChannels) return Check::out_of_range;
        if (r.first_record < 1) return Check::out_of_range;
        if (r.address < setup::kSoftPatchAddress) return Check::out_of_range;
        const int last_record = r.first_record + r.channel_count - 1;
        const int last_address = r.address + r.channel_count - 1;
        if (last_record > capacity || last_address > capacity) result = Check::addresses;
        if (r.address >= 1) {
            if (r.card < 1 || r.card > setup::kMaxCards) return Check::out_of_range;
            if (last_address > setup::kCardAddresses) result = Check::addresses;
        }
    }
    return result;
}

// ------------------------------------------------------------------ writing

bool write_setup_file() { return replace_file(setup_path(), setup_file_bytes()); }

// The start settings of a setup that has none.
bool set_start_defaults() {
    SetupData& d = setup::setup_data;
    if (d.u8(setup::kSetupStartDefaults) != 0) return false;
    constexpr std::array<uint8_t, 5> kSettings = {6, 7, 0, 0, 1};
    for (size_t i = 0; i < kSettings.size(); ++i) d.set_u8(setup::kSetupStartDefaults + i, kSettings[i]);
    constexpr std::array<uint16_t, setup::kDefaultTimes> kTimes = {0, 20, 32000, 0, 32000};
    for (size_t i = 0; i < kTimes.size(); ++i) d.set_u16(setup::kSetupDefaultTimes + 2 * i, kTimes[i]);
    d.set_u8(setup::kSetupGroupKeyOption, 0);
    d.set_u8(setup::kSetupTimecodeOption, 1);
    return true;
}

// ------------------------------------------------------------------ libraries

// A library file name as the setup stores it: 1..8 letters, digits, '_'
// or '-'; anything else (a path, say) names no library.
bool valid_file_name(const std::string& name) {
    if (name.empty() || name.size() >= setup::kTypeFileNameBytes) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-';
    });
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

[[noreturn]] void library_memory_failure(const std::string& name) {
    show_library_error("ERROR : NOT ENOUGH MEMORY TO LOAD LIBRARY '%s.SET' !", name);
    platform::textmode(platform::kTextModeColour80);
    platform::exit_program(1);
    for (;;) {}
}

void load_type_drawing(int t, const std::string& name) {
    const std::string path = program_path(("lib\\drw\\" + name + ".drw").c_str());
    uint32_t size_bytes = 0;
    if (!lookup_file_size(path, size_bytes) || size_bytes != setup::kFixtureDrawingBytes) return;
    std::vector<uint8_t> bytes(setup::kFixtureDrawingBytes);
    if (!read_file_bytes(path, bytes)) return;
    const size_t at = SetupData::type_drawing_field(t);
    for (size_t i = 0; i < bytes.size(); ++i) setup::setup_data.set_u8(at + i, bytes[i]);
}

// The library file names the loaded type definitions came from, [1..40].
std::array<std::string, setup::kMaxFixtureTypes + 1> loaded_type_names;

enum class LibraryRead : uint8_t { loaded, not_found, invalid };

// Reads the library of this name into the type; the symbol into the setup.
LibraryRead read_type_library(int t, const std::string& name, setup::FixtureTypeDef& type) {
    const std::string path = program_path(("lib\\set\\" + name + ".set").c_str());
    uint32_t size_bytes = 0;
    if (!valid_file_name(name) || !lookup_file_size(path, size_bytes)) return LibraryRead::not_found;
    std::vector<uint8_t> bytes(setup::kFixtureTypeDefBytes);
    const bool read = size_bytes == setup::kFixtureTypeDefBytes && read_file_bytes(path, bytes);
    const uint8_t channels = bytes[setup::kTypeChannelCount];
    if (!read || channels < 1 || channels > setup::kMaxTypeChannels) return LibraryRead::invalid;
    std::copy(bytes.begin(), bytes.end(), type.bytes.begin());
    const std::string type_name = upper(type.name());
    for (size_t i = 0; i < setup::kTypeNameBytes; ++i) {
        type.bytes[setup::kTypeName + i] = i < type_name.size() ? static_cast<uint8_t>(type_name[i]) : 0;
    }
    setup::setup_data.set_text(SetupData::type_name_field(t), setup::kTypeNameBytes, type_name);
    load_type_drawing(t, name);
    return LibraryRead::loaded;
}

void show_library_read_error(LibraryRead result, const std::string& name) {
    show_library_error(result == LibraryRead::not_found ? "ERROR : LIBRARY '%s.SET' NOT FOUND!"
                                                        : "ERROR : FORMAT OF LIBRARY '%s.SET' IS INVALID!",
                       name);
}

setup::FixtureTypeDef* allocate_type() {
    void* block = runtime::show_table_allocator(sizeof(setup::FixtureTypeDef), __FILE__, __LINE__);
    return block == nullptr ? nullptr : new (block) setup::FixtureTypeDef{};
}

void free_type(setup::FixtureTypeDef* type) {
    if (type == nullptr) return;
    type->~FixtureTypeDef();
    memcheck::mc_free_at(type, __FILE__, __LINE__);
}

void load_type_library(int t) {
    const std::string name = setup::setup_data.text(SetupData::type_file_name_field(t), setup::kTypeFileNameBytes);
    setup::FixtureTypeDef* type = allocate_type();
    if (type == nullptr) library_memory_failure(name);
    setup::fixture_type_defs[static_cast<size_t>(t)] = type;
    loaded_type_names[static_cast<size_t>(t)] = name;
    const LibraryRead result = read_type_library(t, name, *type);
    if (result != LibraryRead::loaded) show_library_read_error(result, name);
}

// A type takes the channel count of its fixtures.
void check_channel_counts() {
    bool differs = false;
    for (int f = 1; f <= setup::fixture_count; ++f) {
        const setup::FixtureRecord r = setup::read_fixture(setup::setup_data, f);
        setup::FixtureTypeDef* type = setup::fixture_type_defs[static_cast<size_t>(r.type_index) + 1];
        if (type == nullptr || type->channel_count() == r.channel_count) continue;
        type->bytes[setup::kTypeChannelCount] = r.channel_count;
        differs = true;
    }
    if (differs) show_bar(460, {{466, kSetupErrorText}}, kRefusalBeep_ms);
}

}  // namespace

void free_fixture_type_defs() {
    for (setup::FixtureTypeDef*& type : setup::fixture_type_defs) {
        free_type(type);
        type = nullptr;
    }
    for (std::string& name : loaded_type_names) name.clear();
}

void reload_type_libraries() {
    std::array<setup::FixtureTypeDef*, setup::kMaxFixtureTypes + 1> previous{};
    std::array<std::string, setup::kMaxFixtureTypes + 1> previous_names = loaded_type_names;
    std::swap(previous, setup::fixture_type_defs);
    for (std::string& name : loaded_type_names) name.clear();
    // The definition loaded before under this file name, taken out of the old set.
    const auto take_previous = [&](const std::string& name) -> setup::FixtureTypeDef* {
        for (size_t t = 1; t < previous.size(); ++t) {
            if (previous[t] != nullptr && previous_names[t] == name) return std::exchange(previous[t], nullptr);
        }
        return nullptr;
    };
    for (int t = 1; t <= setup::fixture_type_count; ++t) {
        const std::string name = setup::setup_data.text(SetupData::type_file_name_field(t), setup::kTypeFileNameBytes);
        loaded_type_names[static_cast<size_t>(t)] = name;
        setup::FixtureTypeDef* type = allocate_type();
        LibraryRead result = LibraryRead::invalid;
        if (type == nullptr) {
            show_library_error("ERROR : NOT ENOUGH MEMORY TO LOAD LIBRARY '%s.SET' !", name);
        } else {
            result = read_type_library(t, name, *type);
            if (result != LibraryRead::loaded) show_library_read_error(result, name);
        }
        if (result == LibraryRead::loaded) {
            setup::fixture_type_defs[static_cast<size_t>(t)] = type;
            continue;
        }
        // Never an empty type: the one loaded before, else one that at
        // least has the setup's channel count.
        setup::FixtureTypeDef* kept = take_previous(name);
        if (kept != nullptr) {
            free_type(type);
            type = kept;
        } else if (type != nullptr) {
            type->bytes[setup::kTypeChannelCount] = setup::setup_data.u8(SetupData::type_channel_count_field(t));
        }
        setup::fixture_type_defs[static_cast<size_t>(t)] = type;
    }
    for (setup::FixtureTypeDef* type : previous) free_type(type);
}

std::vector<uint8_t> setup_file_bytes() {
    std::vector<uint8_t> file(kSetupFileBytes);
    std::copy_n(kSetupVersionText, kVersionTextChars, file.begin());
    std::copy(setup::setup_data.bytes.begin(), setup::setup_data.bytes.end(), file.begin() + kVersionTextChars);
    return file;
}

std::string setup_file_path() { return setup_path(); }

void note_setup_file_written() { setup_file_kept = false; }

void load_setup_file() {
    free_fixture_type_defs();
    setup_load_messages.clear();
    setup::reset_setup_data();
    setup_file_kept = false;
    setup_file_state = SetupFileState::missing;

    // Steps 2 and 3: the file at one of its sizes, converted when older.
    uint32_t size_bytes = 0;
    if (lookup_file_size(setup_path(), size_bytes)) {
        setup_file_state = SetupFileState::unrecognised;
        const bool known = std::any_of(kLayouts.begin(), kLayouts.end(),
                                       [size_bytes](const LayoutInfo& info) { return info.file_bytes == size_bytes; });
        std::vector<uint8_t> file(known ? size_bytes : 0);
        const LayoutInfo* layout = known && read_file_bytes(setup_path(), file) ? find_layout(file) : nullptr;
        if (layout != nullptr && layout->layout == Layout::current) {
            std::copy(file.begin() + kVersionTextChars, file.end(), setup::setup_data.bytes.begin());
            setup_file_state = SetupFileState::loaded;
        } else if (layout != nullptr) {
            const size_t skip = layout->version != nullptr ? kVersionTextChars : 0;
            const OldBlock old{std::span<const uint8_t>(file).subspan(skip)};
            setup_file_state = convert_block(layout->layout, old, setup::setup_data) ? SetupFileState::converted
                                                                                    : SetupFileState::refused;
        }
    }

    // A setup with anything out of range is refused and kept.
    Check check = Check::ok;
    if (setup_file_state == SetupFileState::loaded || setup_file_state == SetupFileState::converted) {
        check = check_block(setup::setup_data);
        if (check != Check::ok) setup_file_state = SetupFileState::refused;
    }
    if (setup_file_state == SetupFileState::refused || setup_file_state == SetupFileState::unrecognised) {
        setup::reset_setup_data();
        setup_file_kept = true;
        if (setup_file_state == SetupFileState::unrecognised) {
            show_bar(440, {{446, kUnknownText}, {466, kKeptText}}, kRefusalBeep_ms);
        } else if (check == Check::addresses) {
            show_bar(420, {{426, kAddressesText}, {446, kChannelsText}, {466, kKeptText}}, kRefusalBeep_ms);
        } else {
            show_bar(420, {{426, kInvalidText}, {446, kNewSetupText}, {466, kKeptText}}, kRefusalBeep_ms);
        }
    }

    // Steps 3 and 4: a converted setup is written back, the dimmer patch cleared.
    if (setup_file_state == SetupFileState::converted) {
        show_updating();
        write_setup_file();
        setup::clear_dimmer_patch();
        save_dimmer_patch_file();
    }

    // The counts the show runs with.
    setup::fixture_count = setup::setup_data.stored_fixture_count();
    setup::fixture_type_count = setup::setup_data.stored_type_count();
    setup::take_dmx_inputs(setup::setup_data);

    // The start settings, written unless the file on disk is kept.
    if (set_start_defaults() && !setup_file_kept) {
        show_updating();
        write_setup_file();
    }

    // Steps 8 and 9.
    for (int t = 1; t <= setup::fixture_type_count; ++t) load_type_library(t);
    check_channel_counts();
}

bool rig_files_writable() { return !setup_file_kept; }

bool save_setup_file() {
    if (setup_file_kept) return false;
    return write_setup_file();
}

void save_setup_file_replacing_kept() {
    if (write_setup_file()) setup_file_kept = false;
}

}  // namespace datafiles
