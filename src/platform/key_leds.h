// Which LEDs the console's keys carry: most keys one red LED, some keys a red
// and a green one (the green one at the offsets of the key layout), a few
// keys a single green LED at the key's own LED place. The hardware test asks
// about these colours, and the window's console surface shows them.
#pragma once
#include <array>

namespace platform {

struct KeyCodeRange {
    int first = 0;
    int last = 0;
};

inline constexpr std::array<KeyCodeRange, 10> kTwoLedKeyRanges = {{
    {1, 70}, {81, 96}, {121, 136}, {221, 225}, {251, 251},
    {257, 257}, {263, 263}, {269, 269}, {281, 284}, {291, 332},
}};
inline constexpr std::array<int, 15> kSingleGreenLedKeys = {71,  72,  148, 227, 242, 253, 256, 259,
                                                            262, 265, 268, 271, 274, 374, 375};

constexpr bool is_two_led_key(int key) {
    for (const KeyCodeRange& range : kTwoLedKeyRanges) {
        if (key >= range.first && key <= range.last) return true;
    }
    return false;
}

constexpr bool is_single_green_led_key(int key) {
    for (const int k : kSingleGreenLedKeys) {
        if (k == key) return true;
    }
    return false;
}

}  // namespace platform
