#include "host/surface_keys.h"

#include <cctype>
#include <string>

#include "platform/key_layout_file.h"

namespace host {

namespace {

int surface_index(char letter) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (lower == '\0') return -1;
    for (size_t i = 0; i < kSurfaceKeys.size(); ++i) {
        if (kSurfaceKeys[i].letter == lower) return static_cast<int>(i);
    }
    return -1;
}

int function_key_index(int fkey) {
    if (fkey == 0) return -1;
    for (size_t i = 0; i < kSurfaceKeys.size(); ++i) {
        if (kSurfaceKeys[i].fkey == fkey) return static_cast<int>(i);
    }
    return -1;
}

int surface_index(int code) {
    for (size_t i = 0; i < kSurfaceKeys.size(); ++i) {
        if (kSurfaceKeys[i].code == code) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

void SurfaceKeys::read_layout(std::string_view keyboard_cfg) {
    places_ = {};
    platform::for_each_key_layout_line(keyboard_cfg, [&](int line_number, std::string_view line) {
        if (!platform::is_key_layout_key_line(line_number)) return;
        const auto code = platform::key_layout_number(line, platform::kKeyLayoutCodePosition);
        const auto column = platform::key_layout_number(line, platform::kKeyLayoutColumnPosition);
        const auto row = platform::key_layout_number(line, platform::kKeyLayoutRowPosition);
        if (!code || !column || !row) return;
        if (*column < 0 || *row < 0) return;  // the card refuses other places itself
        const int index = surface_index(*code);
        if (index < 0) return;
        places_[static_cast<size_t>(index)] = Place{*column, *row, false};
    });
}

void SurfaceKeys::load_layout(const std::filesystem::path& keyboard_cfg) {
    read_layout(platform::read_key_layout_file(keyboard_cfg));
}

bool SurfaceKeys::toggle(platform::CardBus& cards, char letter) { return toggle_at(cards, surface_index(letter)); }

bool SurfaceKeys::toggle_function_key(platform::CardBus& cards, int fkey) {
    return toggle_at(cards, function_key_index(fkey));
}

bool SurfaceKeys::toggle_at(platform::CardBus& cards, int index) {
    if (index < 0) return false;
    Place& place = places_[static_cast<size_t>(index)];
    if (place.column < 0) return true;  // not on this surface: the key types nothing
    for (int slot = 0; slot < platform::kCardSlots; ++slot) {
        if (!cards.fitted(slot)) continue;
        const bool pushed = place.down ? cards.release(slot, place.row, place.column)
                                       : cards.press(slot, place.row, place.column);
        if (pushed) place.down = !place.down;
        break;
    }
    return true;
}

bool SurfaceKeys::held(char letter) const {
    const int index = surface_index(letter);
    return index >= 0 && places_[static_cast<size_t>(index)].down;
}

bool SurfaceKeys::function_key_held(int fkey) const {
    const int index = function_key_index(fkey);
    return index >= 0 && places_[static_cast<size_t>(index)].down;
}

}  // namespace host
