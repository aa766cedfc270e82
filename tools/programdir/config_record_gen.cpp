#include "programdir/config_record_gen.h"

#include <array>
#include <optional>

#include "programdir/description.h"

namespace progdir {

namespace {

enum class FieldKind { u8, u16, text };

constexpr size_t kTextBytes = 9;  // 8 characters and a NUL

// A field of the record; a table field has one or two 1-based indexes.
struct FieldLayout {
    std::string_view name;
    FieldKind kind = FieldKind::u8;
    size_t offset = 0;
    int count1 = 0;  // 0: no index
    size_t stride1 = 0;
    int count2 = 0;
    size_t stride2 = 0;
};

constexpr std::array<FieldLayout, 27> kFields = {{
    {"dmx_channel_count", FieldKind::u16, 0x000},
    {"analogue_masters", FieldKind::u8, 0x002},
    {"analogue_playbacks", FieldKind::u8, 0x003},
    {"function_belts", FieldKind::u8, 0x004},
    {"sequence_belts", FieldKind::u8, 0x005},
    {"displays", FieldKind::u8, 0x006},
    {"hardware_keys", FieldKind::u8, 0x007},
    {"card_segment", FieldKind::u16, 0x008, 4, 2},
    {"console_card_slot", FieldKind::u16, 0x010},
    {"protocol_name", FieldKind::text, 0x012, 4, 36, 4, 9},
    {"card_parameter_a", FieldKind::u16, 0x0A2, 4, 2},
    {"card_parameter_b", FieldKind::u16, 0x0AA, 4, 2},
    {"card_parameter_c", FieldKind::u16, 0x0B2, 4, 2},
    {"card_parameter_d", FieldKind::u16, 0x0BA, 4, 2},
    {"card_parameter_e", FieldKind::u16, 0x0C2, 4, 2},
    {"card_parameter_f", FieldKind::u16, 0x0CA, 4, 2},
    {"small_console_keys", FieldKind::u8, 0x0D2},
    {"beeper", FieldKind::u8, 0x0D3},
    {"card_parameter_byte", FieldKind::u8, 0x0D4},
    {"fader_calibration", FieldKind::u8, 0x0D6},
    {"master_full_scale", FieldKind::u16, 0x0D7, 4, 2},
    {"playback_full_scale", FieldKind::u16, 0x0DF, 10, 2},
    {"timecode_entered_time_current", FieldKind::u8, 0x0F3},
    {"dmx_card_choice", FieldKind::u8, 0x0FC, 4, 1},
    {"threshold_setting", FieldKind::u8, 0x101},
    {"multiselect_playback_snapshots", FieldKind::u8, 0x102},
    {"multiselect_sequence_snapshots", FieldKind::u8, 0x103},
}};

const FieldLayout* find_field(std::string_view name) {
    for (const FieldLayout& field : kFields) {
        if (field.name == name) return &field;
    }
    return nullptr;
}

size_t field_bytes(FieldKind kind) {
    switch (kind) {
        case FieldKind::u8: return 1;
        case FieldKind::u16: return 2;
        case FieldKind::text: return kTextBytes;
    }
    return 1;
}

int index_count(const FieldLayout& field) { return (field.count1 > 0 ? 1 : 0) + (field.count2 > 0 ? 1 : 0); }

// Where one element of the field lies; nothing when an index is out of range.
std::optional<size_t> element_offset(const FieldLayout& field, const std::vector<long>& indexes) {
    size_t offset = field.offset;
    const std::array<int, 2> counts = {field.count1, field.count2};
    const std::array<size_t, 2> strides = {field.stride1, field.stride2};
    for (size_t i = 0; i < indexes.size(); ++i) {
        if (indexes[i] < 1 || indexes[i] > counts[i]) return std::nullopt;
        offset += strides[i] * static_cast<size_t>(indexes[i] - 1);
    }
    return offset;
}

bool is_printable(std::string_view text) {
    for (char c : text) {
        if (c < ' ' || c > '~') return false;
    }
    return true;
}

// Stores the value at offset; a message when it does not fit the field.
std::string store_value(FieldKind kind, const Token& value, size_t offset, std::vector<uint8_t>& record) {
    if (kind == FieldKind::text) {
        if (!value.quoted) return "the value must be a text in double quotes";
        if (value.text.size() > kTextBytes - 1) return "a text holds at most 8 characters";
        if (!is_printable(value.text)) return "the text holds a character that is not printable";
        for (size_t i = 0; i < kTextBytes; ++i) {
            record[offset + i] = i < value.text.size() ? static_cast<uint8_t>(value.text[i]) : 0;
        }
        return {};
    }
    const std::optional<long> number = parse_integer(value);
    if (!number) return "the value must be a number";
    const long limit = kind == FieldKind::u8 ? 0xFF : 0xFFFF;
    if (*number < 0 || *number > limit) return "the value does not fit the field";
    record[offset] = static_cast<uint8_t>(*number & 0xFF);
    if (kind == FieldKind::u16) record[offset + 1] = static_cast<uint8_t>((*number >> 8) & 0xFF);
    return {};
}

std::string apply_line(const DescriptionLine& line, std::vector<uint8_t>& record, std::vector<bool>& written) {
    const Token& name = line.tokens.front();
    const FieldLayout* field = name.quoted ? nullptr : find_field(name.text);
    if (field == nullptr) return "unknown field '" + name.text + "'";
    const int wanted = index_count(*field);
    if (static_cast<int>(line.tokens.size()) != wanted + 2) {
        return "'" + name.text + "' takes " + std::to_string(wanted) + " index(es) and a value";
    }
    std::vector<long> indexes;
    for (int i = 0; i < wanted; ++i) {
        const std::optional<long> index = parse_integer(line.tokens[static_cast<size_t>(1 + i)]);
        if (!index) return "an index must be a number";
        indexes.push_back(*index);
    }
    const std::optional<size_t> offset = element_offset(*field, indexes);
    if (!offset) return "an index of '" + name.text + "' is out of range";
    const size_t size = field_bytes(field->kind);
    for (size_t i = 0; i < size; ++i) {
        if (written[*offset + i]) return "'" + name.text + "' is given twice";
    }
    const std::string problem = store_value(field->kind, line.tokens.back(), *offset, record);
    if (!problem.empty()) return problem;
    for (size_t i = 0; i < size; ++i) written[*offset + i] = true;
    return {};
}

}  // namespace

bool build_config_record(std::string_view description, std::vector<uint8_t>& record, std::string& error) {
    std::vector<DescriptionLine> lines;
    if (!split_description(description, lines, error)) return false;
    std::vector<uint8_t> out(kConfigRecordBytes, 0);
    std::vector<bool> written(kConfigRecordBytes, false);
    for (const DescriptionLine& line : lines) {
        const std::string problem = apply_line(line, out, written);
        if (!problem.empty()) {
            error = line_error(line.number, problem);
            return false;
        }
    }
    record = std::move(out);
    return true;
}

}  // namespace progdir
