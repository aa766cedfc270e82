#include "host/surface.h"

#include <algorithm>
#include <cstdio>

#include "host/belt_keys.h"
#include "platform/key_layout_file.h"
#include "platform/key_leds.h"

namespace host {

namespace {

// --- where everything lies, in layout pixels ---------------------------------------------

constexpr int kPanelX = 648;  // the column right of the screen

constexpr int kDisplays = platform::kLcdDisplays;
constexpr int kDisplayLines = platform::kLcdLines;
constexpr int kDisplayColumns = platform::kLcdColumns;
constexpr int kDisplayPitchX = 176;
constexpr int kDisplayPitchY = 58;
constexpr int kDisplayTop = 2;
constexpr int kCaptionPx = 10;  // a caption line above a display or a row of faders
constexpr int kDisplayPadding = 4;
constexpr int kDisplayLinePx = 9;
constexpr int kDisplaysPerRow = 3;

constexpr int kFaderRowTop = 178;     // masters and playbacks 1..10
constexpr int kWingRowTop = 294;      // playbacks 11..42
constexpr int kFaderTrackPx = 88;
constexpr int kFirstRowFaders = 10;
constexpr int kMainFaderPitch = 40;
constexpr int kMainFaderWidth = 12;
constexpr int kPlaybackGroupGap = 8;
constexpr int kWingFaderPitch = 18;
constexpr int kWingFaderWidth = 10;
constexpr int kTrackHitMargin = 4;

constexpr int kBeltRowTop = 408;
constexpr int kBeltTrackPx = 50;
constexpr int kBeltPitch = 20;
constexpr int kBeltWidth = 12;
constexpr int kSequenceGroupGap = 6;  // between the belts of two sequences
constexpr int kBeltsPerSequence = 3;
constexpr int kFunctionBeltsX = kPanelX + platform::kSequenceBelts * kBeltPitch +
                                (platform::kSequenceBelts / kBeltsPerSequence - 1) * kSequenceGroupGap + 16;

constexpr int kKeyGridTop = 488;
constexpr int kKeyGridLeft = 8;
constexpr int kKeyPitchX = 26;
constexpr int kKeyPitchY = 30;
constexpr int kKeyCellWidth = 24;
constexpr int kKeyCellHeight = 28;
constexpr int kKeyGridColumns = 48;
constexpr int kKeyGridMaxRows = 16;
constexpr int kLayoutWidth = kKeyGridLeft * 2 + kKeyGridColumns * kKeyPitchX - (kKeyPitchX - kKeyCellWidth);
constexpr int kInfoLinePx = 12;

constexpr uint32_t kBackground = 0xFF101418u;
constexpr uint32_t kCaption = 0xFF9098A0u;
constexpr uint32_t kLabelOnDark = 0xFFC8C8C8u;
constexpr uint32_t kLabelOnLit = 0xFF000000u;
constexpr uint32_t kHeldFrame = 0xFFFFFFFFu;
constexpr uint32_t kDisplayGlass = 0xFF253818u;
constexpr uint32_t kDisplayInk = 0xFFC8F060u;
constexpr uint32_t kTrack = 0xFF282828u;
constexpr uint32_t kTrackFrame = 0xFF606060u;
constexpr uint32_t kLevel = 0xFFE0C020u;
constexpr uint32_t kInfoInk = 0xFFE0E0E0u;

constexpr std::array<std::string_view, kSurfaceMasters> kMasterNames = {"GRAND MASTER", "FLASH MASTER",
                                                                        "SUB MASTER 1", "SUB MASTER 2"};
constexpr std::array<std::string_view, kSurfaceMasters> kMasterLabels = {"GM", "FM", "S1", "S2"};

Rect display_rect(int display) {
    const int column = (display - 1) % kDisplaysPerRow;
    const int row = (display - 1) / kDisplaysPerRow;
    return {kPanelX + column * kDisplayPitchX, kDisplayTop + row * kDisplayPitchY + kCaptionPx,
            kDisplayColumns * kCanvasCharPx + 2 * kDisplayPadding, kDisplayLines * kDisplayLinePx + 2 * kDisplayPadding};
}

Rect master_track(int master) {
    return {kPanelX + (master - 1) * kMainFaderPitch + (kMainFaderPitch - kMainFaderWidth) / 2,
            kFaderRowTop + kCaptionPx + 2, kMainFaderWidth, kFaderTrackPx};
}

Rect playback_track(int playback) {
    if (playback <= kFirstRowFaders) {
        return {kPanelX + kPlaybackGroupGap + (kSurfaceMasters + playback - 1) * kMainFaderPitch +
                    (kMainFaderPitch - kMainFaderWidth) / 2,
                kFaderRowTop + kCaptionPx + 2, kMainFaderWidth, kFaderTrackPx};
    }
    return {kPanelX + (playback - kFirstRowFaders - 1) * kWingFaderPitch + (kWingFaderPitch - kWingFaderWidth) / 2,
            kWingRowTop + kCaptionPx + 2, kWingFaderWidth, kFaderTrackPx};
}

Rect sequence_belt_track(int belt) {
    return {kPanelX + (belt - 1) * kBeltPitch + ((belt - 1) / kBeltsPerSequence) * kSequenceGroupGap,
            kBeltRowTop + kCaptionPx + 2, kBeltWidth, kBeltTrackPx};
}

Rect function_belt_track(int belt) {
    return {kFunctionBeltsX + (belt - 1) * kBeltPitch, kBeltRowTop + kCaptionPx + 2, kBeltWidth, kBeltTrackPx};
}

Rect grown(const Rect& r, int margin) { return {r.x - margin, r.y - margin, r.width + 2 * margin, r.height + 2 * margin}; }

bool lit(platform::LedState state, bool blink_on) {
    return state == platform::LedState::lit || (state == platform::LedState::blinking && blink_on);
}

// The level of a fader for a pointer at height y of its track.
int track_level(const Rect& track, int y) {
    const int from_bottom = track.y + track.height - 1 - y;
    return std::clamp(from_bottom * kSurfaceRawTop / (track.height - 1), 0, kSurfaceRawTop);
}

uint8_t fader_value(const platform::CardBus& cards, int slot, const SurfaceItem& item) {
    return item.kind == SurfaceItemKind::master_fader ? cards.master_fader(slot, item.number)
                                                      : cards.playback_fader(slot, item.number);
}

uint8_t belt_value(const platform::CardBus& cards, int slot, const SurfaceItem& item) {
    return item.kind == SurfaceItemKind::sequence_belt ? cards.sequence_belt(slot, item.number, 0)
                                                       : cards.function_belt(slot, item.number, 0);
}

void turn_belt(platform::CardBus& cards, const SurfaceItem& belt, int steps) {
    if (steps == 0) return;
    turn_console_belt(cards, BeltTurn{belt.number, steps,
                                      belt.kind == SurfaceItemKind::sequence_belt ? BeltBank::sequence
                                                                                  : BeltBank::function});
}

// A track with its level filled from the bottom.
void draw_track(Canvas& canvas, const Rect& track, int value) {
    canvas.fill(track, kTrack);
    const int inner = track.height - 2;
    const int level_px = value * inner / kSurfaceRawTop;
    canvas.fill({track.x + 1, track.y + 1 + inner - level_px, track.width - 2, level_px}, kLevel);
    canvas.frame(track, kTrackFrame);
}

// Text centred over a column of the given width.
void centred_text(Canvas& canvas, int x, int width, int y, std::string_view text, uint32_t ink) {
    canvas.text(x + (width - static_cast<int>(text.size()) * kCanvasCharPx) / 2, y, text, ink);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

uint32_t led_cell_colour(platform::LedState first, platform::LedState second, bool first_is_green, bool blink_on) {
    const bool first_lit = lit(first, blink_on);
    const bool red = first_lit && !first_is_green;
    const bool green = lit(second, blink_on) || (first_lit && first_is_green);
    if (red && green) return kCellRedAndGreen;
    if (red) return kCellRed;
    if (green) return kCellGreen;
    return kCellDark;
}

std::array<std::string, 2> key_label(std::string_view name) {
    // "GROUP 1 / CUE PAGE 1": the first meaning names the cell.
    if (const size_t slash = name.find(" / "); slash != std::string_view::npos) name = name.substr(0, slash);
    std::vector<std::string_view> words;
    size_t start = 0;
    while (start < name.size()) {
        const size_t end = std::min(name.find_first_of(" /", start), name.size());
        if (end > start) words.push_back(name.substr(start, end - start));
        start = end + 1;
    }
    const auto cut = [](std::string_view word, size_t from = 0) {
        return std::string(word.substr(std::min(from, word.size()), kKeyLabelChars));
    };
    if (words.empty()) return {};
    if (words.size() == 1) return {cut(words[0]), cut(words[0], kKeyLabelChars)};
    if (words.size() == 2) return {cut(words[0]), cut(words[1])};
    // Three words or more: the initial of the first and two letters of the
    // second, then the last ("SEQUENCE A RUN": "SA", "RUN").
    std::string first(1, words[0][0]);
    first += words[1].substr(0, kKeyLabelChars - 1);
    return {first, cut(words.back())};
}

ConsoleSurface::ConsoleSurface() { read_layout(""); }

void ConsoleSurface::read_layout(std::string_view keyboard_cfg) {
    keys_.clear();
    led_column_offset_ = 0;
    led_row_offset_ = 0;
    std::string_view previous_line;
    platform::for_each_key_layout_line(keyboard_cfg, [&](int line_number, std::string_view line) {
        if (line_number == platform::kKeyLayoutLedOffsetLine) {
            led_column_offset_ = platform::key_layout_number(line, platform::kKeyLayoutLedColumnOffsetPosition).value_or(0);
            led_row_offset_ = platform::key_layout_number(line, platform::kKeyLayoutLedRowOffsetPosition).value_or(0);
        }
        if (platform::is_key_layout_key_line(line_number)) {
            const auto code = platform::key_layout_number(line, platform::kKeyLayoutCodePosition);
            const auto column = platform::key_layout_number(line, platform::kKeyLayoutColumnPosition);
            const auto row = platform::key_layout_number(line, platform::kKeyLayoutRowPosition);
            if (code && column && row && *code >= 1 && *code <= INT16_MAX && *column >= 0 &&
                *column < kKeyGridColumns && *row >= 0 && *row < kKeyGridMaxRows) {
                SurfaceKeyCell cell;
                cell.code = static_cast<int16_t>(*code);
                cell.column = *column;
                cell.row = *row;
                // The line above a key names it.
                cell.name = std::string(trimmed(previous_line));
                if (cell.name.empty()) cell.name = "KEY " + std::to_string(*code);
                cell.label = key_label(cell.name);
                // A later line for the same place replaces the earlier one.
                std::erase_if(keys_, [&](const SurfaceKeyCell& k) { return k.column == cell.column && k.row == cell.row; });
                keys_.push_back(std::move(cell));
            }
        }
        previous_line = line;
    });
    place_keys();
}

void ConsoleSurface::load_layout(const std::filesystem::path& keyboard_cfg) {
    read_layout(platform::read_key_layout_file(keyboard_cfg));
}

void ConsoleSurface::place_keys() {
    int rows = 1;
    for (SurfaceKeyCell& key : keys_) {
        key.rect = {kKeyGridLeft + key.column * kKeyPitchX, kKeyGridTop + key.row * kKeyPitchY, kKeyCellWidth,
                    kKeyCellHeight};
        rows = std::max(rows, key.row + 1);
    }
    info_line_ = {kKeyGridLeft, kKeyGridTop + rows * kKeyPitchY + 2, kLayoutWidth - 2 * kKeyGridLeft, kInfoLinePx};
    size_ = {kLayoutWidth, info_line_.y + info_line_.height};
}

Rect ConsoleSurface::rect_of(const SurfaceItem& item) const {
    switch (item.kind) {
        case SurfaceItemKind::screen: return kScreenRect;
        case SurfaceItemKind::key:
            for (const SurfaceKeyCell& key : keys_) {
                if (key.code == item.number) return key.rect;
            }
            return {};
        case SurfaceItemKind::master_fader: return master_track(item.number);
        case SurfaceItemKind::playback_fader: return playback_track(item.number);
        case SurfaceItemKind::sequence_belt: return sequence_belt_track(item.number);
        case SurfaceItemKind::function_belt: return function_belt_track(item.number);
        case SurfaceItemKind::display: return display_rect(item.number);
        case SurfaceItemKind::none: return {};
    }
    return {};
}

SurfaceItem ConsoleSurface::item_at(Point p) const {
    if (kScreenRect.contains(p)) return {SurfaceItemKind::screen, 0};
    for (const SurfaceKeyCell& key : keys_) {
        if (key.rect.contains(p)) return {SurfaceItemKind::key, key.code};
    }
    for (int m = 1; m <= kSurfaceMasters; ++m) {
        if (grown(master_track(m), kTrackHitMargin).contains(p)) return {SurfaceItemKind::master_fader, m};
    }
    for (int f = 1; f <= kSurfacePlaybacks; ++f) {
        if (grown(playback_track(f), kTrackHitMargin).contains(p)) return {SurfaceItemKind::playback_fader, f};
    }
    for (int b = 1; b <= platform::kSequenceBelts; ++b) {
        if (grown(sequence_belt_track(b), kTrackHitMargin).contains(p)) return {SurfaceItemKind::sequence_belt, b};
    }
    for (int b = 1; b <= platform::kFunctionBelts; ++b) {
        if (grown(function_belt_track(b), kTrackHitMargin).contains(p)) return {SurfaceItemKind::function_belt, b};
    }
    for (int d = 1; d <= kDisplays; ++d) {
        if (display_rect(d).contains(p)) return {SurfaceItemKind::display, d};
    }
    return {};
}

void ConsoleSurface::set_fader(platform::CardBus& cards, const SurfaceItem& fader, int y) const {
    const int slot = console_surface_slot(cards);
    if (slot < 0) return;
    const auto level = static_cast<uint8_t>(track_level(rect_of(fader), y));
    if (fader.kind == SurfaceItemKind::master_fader) {
        cards.set_master_fader(slot, fader.number, level);
    } else {
        cards.set_playback_fader(slot, fader.number, level);
    }
}

void ConsoleSurface::pointer_down(platform::CardBus& cards, Point p) {
    pointer_up(cards);
    hovered_ = item_at(p);
    const SurfaceItem item = hovered_;
    const int slot = console_surface_slot(cards);
    if (slot < 0) return;
    switch (item.kind) {
        case SurfaceItemKind::key:
            for (const SurfaceKeyCell& key : keys_) {
                if (key.code == item.number && cards.press(slot, key.row, key.column)) captured_ = item;
            }
            break;
        case SurfaceItemKind::master_fader:
        case SurfaceItemKind::playback_fader:
            set_fader(cards, item, p.y);
            captured_ = item;
            break;
        case SurfaceItemKind::sequence_belt:
        case SurfaceItemKind::function_belt:
            last_belt_y_ = p.y;
            captured_ = item;
            break;
        default: break;
    }
}

void ConsoleSurface::pointer_move(platform::CardBus& cards, Point p) {
    hovered_ = item_at(p);
    switch (captured_.kind) {
        case SurfaceItemKind::master_fader:
        case SurfaceItemKind::playback_fader: set_fader(cards, captured_, p.y); break;
        case SurfaceItemKind::sequence_belt:
        case SurfaceItemKind::function_belt:
            // Up the window is up the belt.
            turn_belt(cards, captured_, (last_belt_y_ - p.y) * kBeltStepsPerPixel);
            last_belt_y_ = p.y;
            break;
        default: break;
    }
}

void ConsoleSurface::pointer_up(platform::CardBus& cards) {
    const int slot = console_surface_slot(cards);
    if (captured_.kind == SurfaceItemKind::key && slot >= 0) {
        for (const SurfaceKeyCell& key : keys_) {
            if (key.code == captured_.number) cards.release(slot, key.row, key.column);
        }
    }
    captured_ = {};
}

void ConsoleSurface::wheel(platform::CardBus& cards, Point p, int notches) {
    const SurfaceItem item = item_at(p);
    const int slot = console_surface_slot(cards);
    if (slot < 0 || notches == 0) return;
    if (item.kind == SurfaceItemKind::sequence_belt || item.kind == SurfaceItemKind::function_belt) {
        turn_belt(cards, item, notches * kBeltStepsPerWheelNotch);
    } else if (item.kind == SurfaceItemKind::master_fader || item.kind == SurfaceItemKind::playback_fader) {
        const int level =
            std::clamp(fader_value(cards, slot, item) + notches * kBeltStepsPerWheelNotch, 0, kSurfaceRawTop);
        if (item.kind == SurfaceItemKind::master_fader) {
            cards.set_master_fader(slot, item.number, static_cast<uint8_t>(level));
        } else {
            cards.set_playback_fader(slot, item.number, static_cast<uint8_t>(level));
        }
    }
}

int16_t ConsoleSurface::held_key() const {
    return captured_.kind == SurfaceItemKind::key ? static_cast<int16_t>(captured_.number) : 0;
}

std::string ConsoleSurface::hover_text(const platform::Machine& machine) const {
    const int slot = console_surface_slot(machine.cards);
    std::array<char, 96> text{};
    const SurfaceItem& item = hovered_;
    switch (item.kind) {
        case SurfaceItemKind::key:
            for (const SurfaceKeyCell& key : keys_) {
                if (key.code == item.number) std::snprintf(text.data(), text.size(), "KEY %d: %s", key.code, key.name.c_str());
            }
            break;
        case SurfaceItemKind::master_fader:
            std::snprintf(text.data(), text.size(), "%s: %d", kMasterNames[static_cast<size_t>(item.number - 1)].data(),
                          fader_value(machine.cards, slot, item));
            break;
        case SurfaceItemKind::playback_fader:
            std::snprintf(text.data(), text.size(), "PLAYBACK FADER %d: %d", item.number,
                          fader_value(machine.cards, slot, item));
            break;
        case SurfaceItemKind::sequence_belt:
        case SurfaceItemKind::function_belt:
            std::snprintf(text.data(), text.size(), "%s BELT %d: %d",
                          item.kind == SurfaceItemKind::sequence_belt ? "SEQUENCE" : "FUNCTION", item.number,
                          belt_value(machine.cards, slot, item));
            break;
        case SurfaceItemKind::display: std::snprintf(text.data(), text.size(), "DISPLAY %d", item.number); break;
        default:
            return "CLICK A KEY TO PRESS IT; DRAG A FADER OR A BELT, OR TURN THE WHEEL OVER IT";
    }
    return text.data();
}

void ConsoleSurface::capture_look(const platform::Machine& machine, std::vector<uint8_t>& look) const {
    look.clear();
    const platform::CardBus& cards = machine.cards;
    const int slot = console_surface_slot(cards);
    look.push_back(led_blink_on(machine.clock.now_ms) ? 1 : 0);
    look.push_back(static_cast<uint8_t>(hovered_.kind));
    look.push_back(static_cast<uint8_t>(hovered_.number));
    look.push_back(static_cast<uint8_t>(captured_.kind));
    look.push_back(static_cast<uint8_t>(captured_.number));
    if (slot < 0) return;
    for (const SurfaceKeyCell& key : keys_) {
        look.push_back(static_cast<uint8_t>(cards.led(slot, key.row, key.column)));
        look.push_back(static_cast<uint8_t>(cards.led(slot, key.row + led_row_offset_, key.column + led_column_offset_)));
    }
    for (int d = 0; d < kDisplays; ++d) {
        for (int l = 0; l < kDisplayLines; ++l) {
            for (const char c : cards.lcd_line(slot, d, l)) look.push_back(static_cast<uint8_t>(c));
        }
    }
    for (int m = 1; m <= kSurfaceMasters; ++m) look.push_back(cards.master_fader(slot, m));
    for (int f = 1; f <= kSurfacePlaybacks; ++f) look.push_back(cards.playback_fader(slot, f));
    for (int b = 1; b <= platform::kSequenceBelts; ++b) look.push_back(cards.sequence_belt(slot, b, 0));
    for (int b = 1; b <= platform::kFunctionBelts; ++b) look.push_back(cards.function_belt(slot, b, 0));
}

bool ConsoleSurface::look_changed(const platform::Machine& machine) {
    capture_look(machine, new_look_);
    if (new_look_ == look_) return false;
    look_.swap(new_look_);
    return true;
}

void ConsoleSurface::draw(const platform::Machine& machine, Canvas& canvas) const {
    const platform::CardBus& cards = machine.cards;
    const int slot = console_surface_slot(cards);
    const bool blink_on = led_blink_on(machine.clock.now_ms);
    const Size size = canvas.size();
    canvas.fill({kScreenRect.width, 0, size.width - kScreenRect.width, kScreenRect.height}, kBackground);
    canvas.fill({0, kScreenRect.height, size.width, size.height - kScreenRect.height}, kBackground);

    std::array<char, 24> number{};
    for (int d = 1; d <= kDisplays; ++d) {
        const Rect glass = display_rect(d);
        std::snprintf(number.data(), number.size(), "DISPLAY %d", d);
        canvas.text(glass.x, glass.y - kCaptionPx, number.data(), kCaption);
        canvas.fill(glass, kDisplayGlass);
        for (int l = 0; l < kDisplayLines && slot >= 0; ++l) {
            canvas.text(glass.x + kDisplayPadding, glass.y + kDisplayPadding + l * kDisplayLinePx,
                        cards.lcd_line(slot, d - 1, l), kDisplayInk);
        }
    }

    canvas.text(kPanelX, kFaderRowTop, "MASTERS", kCaption);
    canvas.text(playback_track(1).x - (kMainFaderPitch - kMainFaderWidth) / 2, kFaderRowTop, "PLAYBACKS", kCaption);
    canvas.text(kPanelX, kWingRowTop, "PLAYBACKS 11-42", kCaption);
    for (int m = 1; m <= kSurfaceMasters; ++m) {
        const Rect track = master_track(m);
        draw_track(canvas, track, slot >= 0 ? cards.master_fader(slot, m) : 0);
        centred_text(canvas, track.x - 10, track.width + 20, track.y + track.height + 2,
                     kMasterLabels[static_cast<size_t>(m - 1)], kLabelOnDark);
    }
    for (int f = 1; f <= kSurfacePlaybacks; ++f) {
        const Rect track = playback_track(f);
        draw_track(canvas, track, slot >= 0 ? cards.playback_fader(slot, f) : 0);
        std::snprintf(number.data(), number.size(), "%d", f);
        centred_text(canvas, track.x - 10, track.width + 20, track.y + track.height + 2, number.data(), kLabelOnDark);
    }

    canvas.text(kPanelX, kBeltRowTop, "SEQUENCE BELTS", kCaption);
    canvas.text(kFunctionBeltsX, kBeltRowTop, "FUNCTION BELTS", kCaption);
    for (int b = 1; b <= platform::kSequenceBelts; ++b) {
        draw_track(canvas, sequence_belt_track(b), slot >= 0 ? cards.sequence_belt(slot, b, 0) : 0);
    }
    for (int b = 1; b <= platform::kFunctionBelts; ++b) {
        draw_track(canvas, function_belt_track(b), slot >= 0 ? cards.function_belt(slot, b, 0) : 0);
    }

    for (const SurfaceKeyCell& key : keys_) {
        const platform::LedState first = slot >= 0 ? cards.led(slot, key.row, key.column) : platform::LedState::off;
        const platform::LedState second =
            slot >= 0 ? cards.led(slot, key.row + led_row_offset_, key.column + led_column_offset_)
                      : platform::LedState::off;
        const uint32_t colour = led_cell_colour(first, second, platform::is_single_green_led_key(key.code), blink_on);
        canvas.fill(key.rect, colour);
        if (held_key() == key.code) canvas.frame(key.rect, kHeldFrame);
        const uint32_t ink = colour == kCellDark ? kLabelOnDark : kLabelOnLit;
        centred_text(canvas, key.rect.x, key.rect.width, key.rect.y + 4, key.label[0], ink);
        centred_text(canvas, key.rect.x, key.rect.width, key.rect.y + 15, key.label[1], ink);
    }

    canvas.text(info_line_.x, info_line_.y + 2, hover_text(machine), kInfoInk);
}

}  // namespace host
