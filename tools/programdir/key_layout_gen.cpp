#include "programdir/key_layout_gen.h"

#include <array>
#include <optional>

#include "programdir/description.h"

namespace progdir {

namespace {

// Byte offsets of the fields of line 13 and of the key lines.
constexpr size_t kFieldWidthFirst = 32;  // from byte 1 to byte 33
constexpr size_t kFieldWidth = 16;       // from 33 to 49 and from 49 to 65
constexpr size_t kMaxNameChars = 60;     // keeps the name lines short of the 99 the console reads

constexpr std::array<const char*, 12> kHeaderLines = {
    "BRAVINOX KEY LAYOUT",
    "Key matrix positions, key LEDs and small-console codes of the console.",
    "",
    "Lines 1 to 12 and 14 to 17 are free text. Line 13 holds the offsets from",
    "a key's first-colour LED to its second-colour LED: the column offset at",
    "byte 1, the row offset at byte 33.",
    "From line 18 every even line is a key: key code at byte 1, matrix and LED",
    "column at byte 33, row at byte 49, small-console code at byte 65. The odd",
    "lines between the keys name them.",
    "",
    "",
    " LED COLUMN OFFSET               LED ROW OFFSET",
};
constexpr std::array<const char*, 3> kKeyHeadingLines = {
    "",
    " KEY                             COLUMN          ROW             EXTERNAL",
    "",
};

std::string pad(const std::string& text, size_t width) {
    std::string out = text;
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

std::string trim_right(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string fields_line(const std::string& first, const std::string& second, const std::string& third,
                        const std::string& fourth) {
    return trim_right(" " + pad(first, kFieldWidthFirst) + pad(second, kFieldWidth) + pad(third, kFieldWidth) + fourth);
}

std::optional<long> number_in(const std::vector<Token>& tokens, size_t i) {
    return i < tokens.size() ? parse_integer(tokens[i]) : std::nullopt;
}

std::string parse_offsets(const DescriptionLine& line, KeyLayout& layout) {
    const std::vector<Token>& t = line.tokens;
    if (t.size() != 5 || t[1].text != "column" || t[3].text != "row") {
        return "write the offsets as: second_led column <n> row <n>";
    }
    const std::optional<long> column = number_in(t, 2);
    const std::optional<long> row = number_in(t, 4);
    if (!column || !row || *column < -kLayoutColumns || *column > kLayoutColumns || *row < -kLayoutRows ||
        *row > kLayoutRows) {
        return "an LED offset must be a small number";
    }
    layout.led_column_offset = static_cast<int>(*column);
    layout.led_row_offset = static_cast<int>(*row);
    return {};
}

struct Taken {
    std::array<bool, kLayoutKeyCodes> codes{};
    std::array<std::array<bool, kLayoutRows>, kLayoutColumns> positions{};
    std::array<bool, kLayoutExternalCodes> externals{};
};

std::string parse_key(const DescriptionLine& line, KeyLayout& layout, Taken& taken) {
    const std::vector<Token>& t = line.tokens;
    if (t.size() < 5) return "a key takes a code, a column, a row, an external code and a name";
    const std::optional<long> code = number_in(t, 0);
    const std::optional<long> column = number_in(t, 1);
    const std::optional<long> row = number_in(t, 2);
    if (!code || *code < 1 || *code >= kLayoutKeyCodes) return "a key code must be 1 to 519";
    if (!column || *column < 0 || *column >= kLayoutColumns) return "a column must be 0 to 99";
    if (!row || *row < 0 || *row >= kLayoutRows) return "a row must be 0 to 15";
    long external = 0;
    if (t[3].text != "-" || t[3].quoted) {
        const std::optional<long> value = number_in(t, 3);
        if (!value || *value < 1 || *value >= kLayoutExternalCodes) return "an external code must be 1 to 199 or -";
        external = *value;
    }
    if (taken.codes[static_cast<size_t>(*code)]) return "key " + std::to_string(*code) + " is given twice";
    if (taken.positions[static_cast<size_t>(*column)][static_cast<size_t>(*row)]) {
        return "column " + std::to_string(*column) + " row " + std::to_string(*row) + " holds two keys";
    }
    if (external != 0 && taken.externals[static_cast<size_t>(external)]) {
        return "external code " + std::to_string(external) + " is given twice";
    }
    taken.codes[static_cast<size_t>(*code)] = true;
    taken.positions[static_cast<size_t>(*column)][static_cast<size_t>(*row)] = true;
    if (external != 0) taken.externals[static_cast<size_t>(external)] = true;

    KeyEntry key;
    key.code = static_cast<int>(*code);
    key.column = static_cast<int>(*column);
    key.row = static_cast<int>(*row);
    key.external = static_cast<int>(external);
    for (size_t i = 4; i < t.size(); ++i) {
        if (!key.name.empty()) key.name += ' ';
        key.name += t[i].text;
    }
    if (key.name.size() > kMaxNameChars) return "a key name holds at most " + std::to_string(kMaxNameChars) + " characters";
    layout.keys.push_back(std::move(key));
    return {};
}

}  // namespace

bool parse_key_layout(std::string_view description, KeyLayout& layout, std::string& error) {
    std::vector<DescriptionLine> lines;
    if (!split_description(description, lines, error)) return false;
    KeyLayout out;
    Taken taken;
    bool offsets_given = false;
    for (const DescriptionLine& line : lines) {
        std::string problem;
        if (line.tokens.front().text == "second_led" && !line.tokens.front().quoted) {
            problem = offsets_given ? "the LED offsets are given twice" : parse_offsets(line, out);
            offsets_given = true;
        } else {
            problem = parse_key(line, out, taken);
        }
        if (!problem.empty()) {
            error = line_error(line.number, problem);
            return false;
        }
    }
    layout = std::move(out);
    return true;
}

std::string format_keyboard_config(const KeyLayout& layout) {
    std::vector<std::string> lines(kHeaderLines.begin(), kHeaderLines.end());
    lines.push_back(fields_line(std::to_string(layout.led_column_offset), std::to_string(layout.led_row_offset), "", ""));
    lines.insert(lines.end(), kKeyHeadingLines.begin(), kKeyHeadingLines.end());
    // Each key: its name on an odd line, its fields on the even line below.
    for (const KeyEntry& key : layout.keys) {
        lines.push_back("  " + key.name);
        lines.push_back(fields_line(std::to_string(key.code), std::to_string(key.column), std::to_string(key.row),
                                    key.external != 0 ? std::to_string(key.external) : ""));
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

bool build_keyboard_config(std::string_view description, std::string& text, std::string& error) {
    KeyLayout layout;
    if (!parse_key_layout(description, layout, error)) return false;
    text = format_keyboard_config(layout);
    return true;
}

}  // namespace progdir
