#include "setup/setup_data.h"

#include <algorithm>

namespace setup {

SetupData setup_data{};
SetupData setup_edit_copy{};
int16_t fixture_count = 0;
int16_t fixture_type_count = 0;

void reset_setup_data_globals() {
    setup_data = {};
    setup_edit_copy = {};
    fixture_count = 0;
    fixture_type_count = 0;
}

uint8_t SetupData::u8(size_t offset) const { return offset < bytes.size() ? bytes[offset] : 0; }

uint16_t SetupData::u16(size_t offset) const {
    if (offset + 1 >= bytes.size()) return 0;
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void SetupData::set_u8(size_t offset, uint8_t value) {
    if (offset < bytes.size()) bytes[offset] = value;
}

void SetupData::set_u16(size_t offset, uint16_t value) {
    if (offset + 1 >= bytes.size()) return;
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

std::string SetupData::text(size_t offset, size_t size) const {
    std::string out;
    for (size_t i = 0; i + 1 < size && offset + i < bytes.size(); ++i) {
        const char c = static_cast<char>(bytes[offset + i]);
        if (c == '\0') break;
        out.push_back(c);
    }
    return out;
}

void SetupData::set_text(size_t offset, size_t size, const std::string& value) {
    if (size == 0 || offset + size > bytes.size()) return;
    const size_t n = std::min(value.size(), size - 1);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), size, uint8_t{0});
    std::copy_n(value.begin(), n, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

size_t SetupData::fixture_field(int f, size_t field) {
    return kSetupFixtures + static_cast<size_t>(f - 1) * kFixtureRecordBytes + field;
}

FixtureRecord read_fixture(const SetupData& data, int f) {
    FixtureRecord r;
    if (f < 1 || f > kMaxFixtures) return r;
    const auto at = [f](size_t field) { return SetupData::fixture_field(f, field); };
    r.x = data.i16(at(kFixtureX));
    r.y = data.i16(at(kFixtureY));
    r.stage_colour = data.i16(at(kFixtureStageColour));
    r.orientation = data.u8(at(kFixtureOrientation));
    r.type_index = data.u16(at(kFixtureTypeIndex));
    r.number = data.u16(at(kFixtureNumber));
    r.card = data.u8(at(kFixtureCard));
    r.address = data.i16(at(kFixtureAddress));
    r.input_address = data.i16(at(kFixtureInputAddress));
    r.protocol = data.text(at(kFixtureProtocol), kProtocolNameBytes);
    r.first_record = data.u16(at(kFixtureFirstRecord));
    r.channel_count = data.u8(at(kFixtureChannelCount));
    for (size_t k = 0; k < r.function_settings.size(); ++k) r.function_settings[k] = data.u8(at(kFixtureFunctionSettings) + k);
    return r;
}

void write_fixture(SetupData& data, int f, const FixtureRecord& r) {
    if (f < 1 || f > kMaxFixtures) return;
    const auto at = [f](size_t field) { return SetupData::fixture_field(f, field); };
    data.set_i16(at(kFixtureX), r.x);
    data.set_i16(at(kFixtureY), r.y);
    data.set_i16(at(kFixtureStageColour), r.stage_colour);
    data.set_u8(at(kFixtureOrientation), r.orientation);
    data.set_u16(at(kFixtureTypeIndex), r.type_index);
    data.set_u16(at(kFixtureNumber), r.number);
    data.set_u8(at(kFixtureCard), r.card);
    data.set_i16(at(kFixtureAddress), r.address);
    data.set_i16(at(kFixtureInputAddress), r.input_address);
    data.set_text(at(kFixtureProtocol), kProtocolNameBytes, r.protocol);
    data.set_u16(at(kFixtureFirstRecord), r.first_record);
    data.set_u8(at(kFixtureChannelCount), r.channel_count);
    for (size_t k = 0; k < r.function_settings.size(); ++k) data.set_u8(at(kFixtureFunctionSettings) + k, r.function_settings[k]);
}

namespace {

void copy_range(SetupData& to, const SetupData& from, size_t offset, size_t length) {
    const auto at = static_cast<std::ptrdiff_t>(offset);
    std::copy_n(from.bytes.begin() + at, length, to.bytes.begin() + at);
}

void copy_names(SetupData& to, const SetupData& from, size_t first, size_t size) {
    for (int t = 0; t < kMaxFixtureTypes; ++t) {
        const size_t at = first + size * static_cast<size_t>(t);
        to.set_text(at, size, from.text(at, size));
    }
}

}  // namespace

void copy_setup_data(SetupData& to, const SetupData& from) {
    if (&to == &from) return;
    to.bytes.fill(0);
    copy_range(to, from, kSetupColourLibrary, 1);
    copy_range(to, from, kSetupEllipseCount, 1 + kStageItems * kStageEllipseBytes);
    copy_range(to, from, kSetupLineCount, 1 + kStageItems * kStageLineBytes);
    copy_range(to, from, kSetupRectCount, 1 + kStageItems * kStageRectBytes);
    copy_range(to, from, kSetupTextCount, 1 + kStageItems * kStageTextBytes);
    copy_range(to, from, kSetupTypeCount, 1);
    copy_names(to, from, kSetupTypeFileNames, kTypeFileNameBytes);
    copy_names(to, from, kSetupTypeNames, kTypeNameBytes);
    copy_range(to, from, kSetupTypeDrawings, kMaxFixtureTypes * kFixtureDrawingBytes);
    copy_range(to, from, kSetupTypeChannelCounts, kMaxFixtureTypes);
    copy_range(to, from, kSetupTypeFunctionMaps, kMaxFixtureTypes * kMaxTypeChannels);
    copy_range(to, from, kSetupTypeFunctionFlags, kMaxFixtureTypes * kMaxTypeChannels);
    copy_range(to, from, kSetupFixtureCount, 2);
    copy_range(to, from, kSetupDmxIn1Enabled, 4);
    copy_range(to, from, kSetupDmxIn2Enabled, 4);
    copy_range(to, from, kSetupTransparencySaved, 1);
    copy_range(to, from, kSetupDefaultValuesSaved, 1);
    copy_range(to, from, kSetupMidiShowSaved, 1);
    copy_range(to, from, kSetupAutoManual, 3);
    // The solo memory, the groupings flag and the reserved bytes after them
    // go along, so that a visit of the fixture setup keeps the show's solo memory.
    copy_range(to, from, kSetupSoloMemory, kSetupGroupKeyOption - kSetupSoloMemory);
    copy_range(to, from, kSetupFixtures, kMaxFixtures * kFixtureRecordBytes);
    copy_range(to, from, kSetupGlobalSettings, kGlobalSettings);
    copy_range(to, from, kSetupPatchCompiled, 1);
    copy_range(to, from, kSetupSoftPatchSaved, 1);
    copy_range(to, from, kSetupCuePageTracing, kCuePages);
    copy_range(to, from, kSetupCuePagePreparation, kCuePages);
    copy_range(to, from, kSetupDefaultTimes, 2 * kDefaultTimes);
    copy_range(to, from, kSetupGroupKeyOption, 5);  // the two options and the 3 bytes after them
}

int16_t setup_type_count() { return std::clamp<int16_t>(fixture_type_count, 0, kMaxFixtureTypes); }

std::string setup_type_file_name(int16_t type) {
    if (type < 1 || type > setup_type_count()) return "";
    return setup_data.text(SetupData::type_file_name_field(type), kTypeFileNameBytes);
}

void reset_setup_data() {
    setup_data.bytes.fill(0);
    setup_data.set_u8(kSetupColourLibrary, 1);
    fixture_count = 0;
    fixture_type_count = 0;
}

}  // namespace setup
