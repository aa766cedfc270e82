// The key layout keyboard.cfg built from a readable description.
//
// Description: one line gives the offsets from a key's first-colour LED to
// its second-colour LED, every other line one key:
//
//   second_led  column 0  row 8
//   # code  column  row  external  name
//   73      10      2    73        CUE
//   211     23      0    -         PLAY
//
// The column and row are the key's matrix position and its LED; the external
// code is what the small console sends for the key ('-' for none).
//
// keyboard.cfg is fixed-column text with CR LF line ends: lines 1 to 12 and
// 14 to 17 free text, line 13 the LED offsets (column at byte 1, row at byte
// 33), and from line 18 every even line a key (code at byte 1, column at 33,
// row at 49, external code at 65), the odd lines between them naming the
// keys.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace progdir {

constexpr int kLayoutKeyCodes = 520;       // key codes 1..519
constexpr int kLayoutColumns = 100;
constexpr int kLayoutRows = 16;
constexpr int kLayoutExternalCodes = 200;  // external codes 1..199

struct KeyEntry {
    int code = 0;
    int column = 0;
    int row = 0;
    int external = 0;  // 0: none
    std::string name;
};

struct KeyLayout {
    int led_column_offset = 0;
    int led_row_offset = 0;
    std::vector<KeyEntry> keys;  // in the order of the description
};

// Refuses a key code, position or external code out of range or given
// twice, and a key without a name. False with a message naming the line.
bool parse_key_layout(std::string_view description, KeyLayout& layout, std::string& error);
std::string format_keyboard_config(const KeyLayout& layout);
bool build_keyboard_config(std::string_view description, std::string& text, std::string& error);

}  // namespace progdir
