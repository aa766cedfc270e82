// Console keys that work only while held (MODE with a digit, CUE, BLIND,
// SETUP, SAVE, LOAD, SHIFT, TO-MEM, GET MEMORY and the hold-down edit keys), latched from the PC keyboard.
//
// A PC key is a tap: the key reader delivers its release at once, so it can
// never hold a console key. Ctrl with one of the letters below presses the
// console key on the console surface instead, as a finger would, and the same
// Ctrl+letter again lets it go; in between, other keys are typed as usual.
// Where the key sits on the surface comes from the key layout (keyboard.cfg
// of the program directory). Letters are chosen so that a terminal in raw
// mode passes them through (not Ctrl-C, H, I, J, M, Q, S, V, Z or \).
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/card_bus.h"
#include "runtime/key_codes.h"

namespace host {

struct SurfaceKey {
    char letter;   // with Ctrl
    int16_t code;  // console key
};

inline constexpr std::array<SurfaceKey, 17> kSurfaceKeys = {{
    {'o', runtime::KEY_MODE},
    {'u', runtime::KEY_CUE},
    {'b', runtime::KEY_BLIND_TOGGLE},
    {'p', runtime::KEY_SETUP},
    {'a', runtime::KEY_SHIFT},
    {'f', runtime::KEY_FREEZE},
    {'l', runtime::KEY_CLR},
    {'e', runtime::KEY_EDIT_ITEM},
    {'t', runtime::KEY_TEXT},
    {'d', runtime::KEY_LOAD},
    {'w', runtime::KEY_SAVE},
    {'k', runtime::KEY_TO_MEM},
    {'g', runtime::KEY_GET_MEMORY},
    {'x', runtime::KEY_CLEAR},
    {'r', runtime::KEY_GROUP_STORE},
    {'n', runtime::KEY_TAKE_OUTPUT},
    {'y', runtime::KEY_UNDO},
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

private:
    struct Place {
        int column = -1;
        int row = -1;
        bool down = false;
    };
    std::array<Place, kSurfaceKeys.size()> places_{};
};

}  // namespace host
