// Console keys that work only while held (MODE with a digit, CUE, BLIND,
// SETUP, SAVE, LOAD, SHIFT, TO-MEM, GET MEMORY and the hold-down edit keys), latched from the PC keyboard.
//
// A PC key is a tap: the key reader delivers its release at once, so it can
// never hold a console key. Ctrl with one of the letters below presses the
// console key on the console surface instead, as a finger would, and the same
// Ctrl+letter again lets it go; in between, other keys are typed as usual.
// Where the key sits on the surface comes from the key layout (keyboard.cfg
// of the program directory). Letters are chosen so that a terminal in raw
// mode passes them through (not Ctrl-C, H, I, J, M, Q, S, V, Z or \). The
// letters are all taken: further held keys are latched with Ctrl and a
// function key, in the window only.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/card_bus.h"
#include "runtime/key_codes.h"

namespace host {

struct SurfaceKey {
    char letter;   // with Ctrl; '\0' for a function key's entry
    int8_t fkey;   // F1..F12 with Ctrl; 0 for a letter's entry
    int16_t code;  // console key
};

inline constexpr std::array<SurfaceKey, 27> kSurfaceKeys = {{
    {'o', 0, runtime::KEY_MODE},
    {'u', 0, runtime::KEY_CUE},
    {'b', 0, runtime::KEY_BLIND_TOGGLE},
    {'p', 0, runtime::KEY_SETUP},
    {'a', 0, runtime::KEY_SHIFT},
    {'f', 0, runtime::KEY_FREEZE},
    {'l', 0, runtime::KEY_CLR},
    {'e', 0, runtime::KEY_EDIT_ITEM},
    {'t', 0, runtime::KEY_TEXT},
    {'d', 0, runtime::KEY_LOAD},
    {'w', 0, runtime::KEY_SAVE},
    {'k', 0, runtime::KEY_TO_MEM},
    {'g', 0, runtime::KEY_GET_MEMORY},
    {'x', 0, runtime::KEY_CLEAR},
    {'r', 0, runtime::KEY_GROUP_STORE},
    {'n', 0, runtime::KEY_TAKE_OUTPUT},
    {'y', 0, runtime::KEY_UNDO},
    {'\0', 1, runtime::KEY_COPY},
    {'\0', 2, runtime::KEY_TO_ITEM},
    {'\0', 3, runtime::KEY_PRESET_STORE},
    {'\0', 4, runtime::KEY_PRESET_MODIFY},
    {'\0', 5, runtime::KEY_PRESET_CLEAR},
    {'\0', 6, runtime::KEY_LIVE_EDIT},
    {'\0', 7, runtime::KEY_PRESET_1},
    {'\0', 8, runtime::KEY_PRESET_2},
    {'\0', 9, runtime::KEY_PRESET_3},
    {'\0', 10, runtime::KEY_PRESET_4},
}};

class SurfaceKeys {
public:
    // Positions of the latched keys from the text of a keyboard.cfg.
    void read_layout(std::string_view keyboard_cfg);
    // The same from the file; a missing file leaves every key unplaced.
    void load_layout(const std::filesystem::path& keyboard_cfg);

    // Ctrl with a letter (either case): presses or releases its console key
    // on the first card fitted. False when the letter latches no key.
    bool toggle(platform::CardBus& cards, char letter);
    // True while the letter's console key is held down.
    bool held(char letter) const;
    // Ctrl with function key F1..F12: the same for the function key's entry.
    bool toggle_function_key(platform::CardBus& cards, int fkey);
    bool function_key_held(int fkey) const;

private:
    bool toggle_at(platform::CardBus& cards, int index);
    struct Place {
        int column = -1;
        int row = -1;
        bool down = false;
    };
    std::array<Place, kSurfaceKeys.size()> places_{};
};

}  // namespace host
