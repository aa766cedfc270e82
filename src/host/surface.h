// The console surface in the window, for a person without the hardware.
//
// Beside the 640 x 480 screen: the nine LCDs with their text, the four master
// faders and the 42 playback faders, the 12 sequence belts and 16 function
// belts with their positions; below it every key of the key layout
// (keyboard.cfg) as a small labelled cell in the colour of its LEDs (red,
// green, both, off; a blinking LED lit every other quarter second). A line
// at the foot names the key, fader or belt under the pointer.
//
// The left button pressed on a key cell presses the key on the console card
// and lets it go when the button comes up; pressed on a fader it sets the
// fader to the place under the pointer and the fader follows while the button
// is held; dragged up or down on a belt (or the wheel turned over it) it turns
// the belt as the card reports a real belt. All of it acts on the first card
// fitted, the card of the console surface.
//
// The surface is a picture model: positions in layout pixels (the layout is
// the whole window picture before scaling, the screen at its top-left), the
// cards read and written through the card stand-in. No window library here.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "host/canvas.h"
#include "host/console_card.h"
#include "platform/machine.h"

namespace host {

enum class SurfaceItemKind : uint8_t {
    none,
    screen,
    key,
    master_fader,
    playback_fader,
    sequence_belt,
    function_belt,
    display,
};

struct SurfaceItem {
    SurfaceItemKind kind = SurfaceItemKind::none;
    int number = 0;  // key code, fader, belt or display number (1-based)

    bool operator==(const SurfaceItem&) const = default;
};

struct SurfaceKeyCell {
    int16_t code = 0;
    int column = 0;  // matrix column and row: also the key's first LED
    int row = 0;
    std::string name;
    std::array<std::string, 2> label;  // two lines of at most kKeyLabelChars
    Rect rect;
};

constexpr int kKeyLabelChars = 3;
constexpr int kSurfaceMasters = platform::kMasterFaders;
constexpr int kSurfacePlaybacks = platform::kPlaybackFaders;
constexpr int kSurfaceRawTop = 255;
constexpr int kBeltStepsPerPixel = 4;
constexpr int kBeltStepsPerWheelNotch = 8;
constexpr uint64_t kLedBlinkHalfPeriod_ms = 250;

constexpr Rect kScreenRect = {0, 0, 640, 480};

// Cell colours (0xAARRGGBB) by what the key's LEDs show.
constexpr uint32_t kCellDark = 0xFF383838u;
constexpr uint32_t kCellRed = 0xFFD02020u;
constexpr uint32_t kCellGreen = 0xFF20B030u;
constexpr uint32_t kCellRedAndGreen = 0xFFE0C020u;

// The colour of a key cell: the first LED red (green on a key whose single
// LED is green), the second LED green; a blinking LED counts as lit only
// while blink_on.
uint32_t led_cell_colour(platform::LedState first, platform::LedState second, bool first_is_green, bool blink_on);
// The blink phase at a time of the machine's clock.
constexpr bool led_blink_on(uint64_t now_ms) { return (now_ms / kLedBlinkHalfPeriod_ms) % 2 == 0; }
// The two label lines of a key name ("FIXTURE 12": "FIX", "12").
std::array<std::string, 2> key_label(std::string_view name);

class ConsoleSurface {
public:
    ConsoleSurface();
    // The keys and their names from the text of a keyboard.cfg; the layout
    // grows to the rows the keys use.
    void read_layout(std::string_view keyboard_cfg);
    // The same from the file; a missing file leaves no keys.
    void load_layout(const std::filesystem::path& keyboard_cfg);

    Size layout_size() const { return size_; }
    const std::vector<SurfaceKeyCell>& keys() const { return keys_; }
    SurfaceItem item_at(Point p) const;
    // Where an item is drawn (a fader's or belt's track); empty when it is not.
    Rect rect_of(const SurfaceItem& item) const;

    // The left button, in layout pixels.
    void pointer_down(platform::CardBus& cards, Point p);
    void pointer_move(platform::CardBus& cards, Point p);
    void pointer_up(platform::CardBus& cards);
    void wheel(platform::CardBus& cards, Point p, int notches);
    // True from a press on a key, fader or belt until the button comes up.
    bool captured() const { return captured_.kind != SurfaceItemKind::none; }
    int16_t held_key() const;
    // The item under the pointer, named in the foot line.
    void hover(Point p) { hovered_ = item_at(p); }
    std::string hover_text(const platform::Machine& machine) const;

    // True when the surface would look otherwise than when last asked.
    bool look_changed(const platform::Machine& machine);
    // Draws everything but the screen.
    void draw(const platform::Machine& machine, Canvas& canvas) const;

private:
    void capture_look(const platform::Machine& machine, std::vector<uint8_t>& look) const;
    void set_fader(platform::CardBus& cards, const SurfaceItem& fader, int y) const;
    void place_keys();

    Size size_;
    std::vector<SurfaceKeyCell> keys_;
    int led_column_offset_ = 0;
    int led_row_offset_ = 0;
    Rect info_line_;
    SurfaceItem captured_;
    SurfaceItem hovered_;
    int last_belt_y_ = 0;
    std::vector<uint8_t> look_;
    std::vector<uint8_t> new_look_;
};

}  // namespace host
