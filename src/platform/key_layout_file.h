// keyboard.cfg: the key layout of the console surface, one text file with
// fixed character positions on fixed lines. Line 13 holds the second-colour
// LED offsets; from line 18 every even line is one key: its console key code,
// its matrix column and row, and the code the small console sends for it.
//
// The console, the hardware test program and the host's surface keys each
// read the layout; they share these positions and the number reader.
#pragma once
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

constexpr int kKeyLayoutLedOffsetLine = 13;
constexpr int kKeyLayoutFirstKeyLine = 18;
constexpr size_t kKeyLayoutCodePosition = 1;
constexpr size_t kKeyLayoutColumnPosition = 33;
constexpr size_t kKeyLayoutRowPosition = 49;
constexpr size_t kKeyLayoutExternalPosition = 65;
constexpr size_t kKeyLayoutLedColumnOffsetPosition = 1;
constexpr size_t kKeyLayoutLedRowOffsetPosition = 33;

// True for the lines of the file that describe one key.
constexpr bool is_key_layout_key_line(int line_number) {
    return line_number >= kKeyLayoutFirstKeyLine && line_number % 2 == 0;
}

// The decimal number at a character position (leading blanks and a sign
// allowed); nothing when the position lies beyond the line or holds no
// number. Values beyond int are clamped.
std::optional<int> key_layout_number(std::string_view line, size_t position);

// Calls fn(line_number, line) for every line of the layout text, numbered
// from 1, without the line end.
template <typename Fn>
void for_each_key_layout_line(std::string_view text, Fn&& fn) {
    int line_number = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        fn(++line_number, text.substr(start, end - start));
        start = end + 1;
    }
}

// The whole layout file as text; empty when it cannot be read.
std::string read_key_layout_file(const std::filesystem::path& path);

}  // namespace platform
