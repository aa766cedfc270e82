#include "demo_rig/demo_rig_gen.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <system_error>

#include "programdir/description.h"
#include "programdir/program_dir_gen.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace demo_rig {

namespace fs = std::filesystem;
using progdir::DescriptionLine;
using progdir::Token;

namespace {

constexpr double kPi = 3.14159265358979323846;

// ------------------------------------------------------------------ sources

struct Entry {
    std::string text;
    int value = 0;
    int symbol = 0;
    int flag = 0;
};

struct Function {
    std::string name;
    int default_value = 0;
    bool dimmer = false;
    bool invert = false;
    bool fade = false;
    uint8_t kind = 0;
    int link = 0;
    int channel = -1;  // -1: the identity map
    std::vector<std::pair<int, int>> ranges;
    std::vector<Entry> entries;  // entries 1.. (entry 0 is the name)
};

struct TypeSource {
    std::string file;
    std::string name;
    std::string manufacturer;
    std::string info;
    std::string symbol = "spot";
    std::array<std::string, 5> protocols{};
    int address_step = 0;
    int dimmer_closed = 0;
    int dimmer_open = 255;
    int pan_degrees = 0;
    int tilt_degrees = 0;
    int softpatch = 0;
    int dip_count = 0;
    int dip_base = 0;
    std::vector<Function> functions;  // function k at k - 1
    std::map<int, int> slots;         // named slot -> function
};

struct FixtureSource {
    int number = 0;
    std::string type;
    int card = 0;
    int address = 0;
    int x = 0;
    int y = 0;
    int colour = 0;
    int orientation = 0;
};

struct StageItem {
    std::string kind;          // ellipse, line, rect, text
    std::vector<long> values;  // in the record's field order after the page
    std::string text;
};

struct SetupSource {
    int colour_library = 1;
    std::vector<std::string> types;
    std::vector<std::string> libraries;  // types in lib\ that the rig does not use
    std::vector<FixtureSource> fixtures;
    std::vector<StageItem> stage;
    std::array<int, 5> default_times = {0, 20, 32000, 0, 32000};
};

// Reads the integer of token i, or sets the error.
bool integer(const DescriptionLine& line, size_t i, long low, long high, long& value, std::string& error) {
    if (i >= line.tokens.size()) {
        error = progdir::line_error(line.number, "a number is missing");
        return false;
    }
    const std::optional<long> parsed = progdir::parse_integer(line.tokens[i]);
    if (!parsed || *parsed < low || *parsed > high) {
        error = progdir::line_error(line.number, "'" + line.tokens[i].text + "' is not a number from " +
                                                     std::to_string(low) + " to " + std::to_string(high));
        return false;
    }
    value = *parsed;
    return true;
}

bool text_token(const DescriptionLine& line, size_t i, size_t max_chars, std::string& value, std::string& error) {
    if (i >= line.tokens.size() || line.tokens[i].text.size() > max_chars) {
        error = progdir::line_error(line.number, "a text of at most " + std::to_string(max_chars) + " characters is missing");
        return false;
    }
    value = line.tokens[i].text;
    return true;
}

std::optional<int> named_slot(const std::string& keyword) {
    for (int i = 0; i < setup::kNamedFunctions; ++i) {
        if (keyword == setup::named_function_keyword(static_cast<setup::NamedFunction>(i))) return i;
    }
    return std::nullopt;
}

Function* function_at(TypeSource& type, long k) {
    if (k < 1 || k > static_cast<long>(type.functions.size())) return nullptr;
    return &type.functions[static_cast<size_t>(k - 1)];
}

bool parse_function(const DescriptionLine& line, TypeSource& type, std::string& error) {
    long k = 0;
    if (!integer(line, 1, 1, setup::kMaxTypeChannels, k, error)) return false;
    if (k != static_cast<long>(type.functions.size()) + 1) {
        error = progdir::line_error(line.number, "functions are numbered 1, 2, 3 ... in order");
        return false;
    }
    Function f;
    if (!text_token(line, 2, setup::kEntryTextBytes - 1, f.name, error)) return false;
    for (size_t i = 3; i < line.tokens.size(); ++i) {
        const std::string& word = line.tokens[i].text;
        long value = 0;
        if (word == "default") {
            if (!integer(line, ++i, 0, 255, value, error)) return false;
            f.default_value = static_cast<int>(value);
        } else if (word == "dimmer") {
            f.dimmer = true;
        } else if (word == "invert") {
            f.invert = true;
        } else if (word == "fade") {
            f.fade = true;
        } else if (word == "coarse" || word == "fine") {
            if (!integer(line, ++i, 1, setup::kMaxTypeChannels, value, error)) return false;
            f.kind = word == "coarse" ? setup::kKindCoarse : setup::kKindFine;
            f.link = static_cast<int>(value);
        } else if (word == "channel") {
            if (!integer(line, ++i, 1, setup::kMaxTypeChannels, value, error)) return false;
            f.channel = static_cast<int>(value - 1);
        } else {
            error = progdir::line_error(line.number, "unknown function item '" + word + "'");
            return false;
        }
    }
    type.functions.push_back(f);
    return true;
}

bool parse_type(const std::string& source, TypeSource& type, std::string& error) {
    std::vector<DescriptionLine> lines;
    if (!progdir::split_description(source, lines, error)) return false;
    for (const DescriptionLine& line : lines) {
        const std::string& key = line.tokens[0].text;
        long a = 0;
        long b = 0;
        bool ok = true;
        if (key == "file") {
            ok = text_token(line, 1, setup::kTypeFileNameBytes - 1, type.file, error);
        } else if (key == "name") {
            ok = text_token(line, 1, setup::kTypeNameBytes - 1, type.name, error);
        } else if (key == "manufacturer") {
            ok = text_token(line, 1, setup::kTypeNameBytes - 1, type.manufacturer, error);
        } else if (key == "info") {
            ok = text_token(line, 1, 79, type.info, error);
        } else if (key == "symbol") {
            ok = text_token(line, 1, 16, type.symbol, error);
        } else if (key == "protocol") {
            ok = integer(line, 1, 1, 4, a, error) &&
                 text_token(line, 2, setup::kProtocolNameBytes - 1, type.protocols[static_cast<size_t>(a)], error);
        } else if (key == "address_step") {
            ok = integer(line, 1, 0, 512, a, error);
            type.address_step = static_cast<int>(a);
        } else if (key == "dimmer") {
            ok = integer(line, 1, 0, 255, a, error) && integer(line, 2, 0, 255, b, error);
            type.dimmer_closed = static_cast<int>(a);
            type.dimmer_open = static_cast<int>(b);
        } else if (key == "pantilt") {
            ok = integer(line, 1, 0, 65535, a, error) && integer(line, 2, 0, 65535, b, error);
            type.pan_degrees = static_cast<int>(a);
            type.tilt_degrees = static_cast<int>(b);
        } else if (key == "softpatch") {
            ok = integer(line, 1, 0, 2, a, error);
            type.softpatch = static_cast<int>(a);
        } else if (key == "dip") {
            ok = integer(line, 1, 0, 12, a, error) && integer(line, 2, 0, 511, b, error);
            type.dip_count = static_cast<int>(a);
            type.dip_base = static_cast<int>(b);
        } else if (key == "function") {
            ok = parse_function(line, type, error);
        } else if (key == "slot") {
            const std::optional<int> slot = line.tokens.size() > 1 ? named_slot(line.tokens[1].text) : std::nullopt;
            if (!slot) {
                error = progdir::line_error(line.number, "unknown named slot");
                return false;
            }
            ok = integer(line, 2, 1, static_cast<long>(type.functions.size()), a, error);
            type.slots[*slot] = static_cast<int>(a);
        } else if (key == "range") {
            ok = integer(line, 1, 1, static_cast<long>(type.functions.size()), a, error);
            long from = 0;
            long to = 0;
            ok = ok && integer(line, 2, 0, 255, from, error) && integer(line, 3, from, 255, to, error);
            if (ok) {
                Function& f = *function_at(type, a);
                if (f.ranges.size() >= setup::kSubFunctions || (!f.ranges.empty() && from <= f.ranges.back().second)) {
                    error = progdir::line_error(line.number, "at most 10 ranges, in rising order");
                    return false;
                }
                f.ranges.emplace_back(static_cast<int>(from), static_cast<int>(to));
            }
        } else if (key == "entry") {
            Entry e;
            ok = integer(line, 1, 1, static_cast<long>(type.functions.size()), a, error) &&
                 text_token(line, 2, setup::kEntryTextBytes - 1, e.text, error) && integer(line, 3, 1, 255, b, error);
            e.value = static_cast<int>(b);
            for (size_t i = 4; ok && i < line.tokens.size(); ++i) {
                long v = 0;
                if (line.tokens[i].text == "symbol") {
                    ok = integer(line, ++i, 0, 999, v, error);
                    e.symbol = static_cast<int>(v);
                } else if (line.tokens[i].text == "flag") {
                    ok = integer(line, ++i, 0, 2, v, error);
                    e.flag = static_cast<int>(v);
                } else {
                    error = progdir::line_error(line.number, "unknown entry item '" + line.tokens[i].text + "'");
                    return false;
                }
            }
            if (ok) {
                Function& f = *function_at(type, a);
                if (f.entries.size() + 1 >= static_cast<size_t>(setup::kPredefinedEntries)) {
                    error = progdir::line_error(line.number, "at most 34 entries");
                    return false;
                }
                f.entries.push_back(e);
            }
        } else {
            error = progdir::line_error(line.number, "unknown item '" + key + "'");
            return false;
        }
        if (!ok) return false;
    }
    if (type.file.empty() || type.name.empty() || type.functions.empty()) {
        error = "a type needs its file, name and at least one function";
        return false;
    }
    return true;
}

bool parse_setup(const std::string& source, SetupSource& rig, std::string& error) {
    std::vector<DescriptionLine> lines;
    if (!progdir::split_description(source, lines, error)) return false;
    for (const DescriptionLine& line : lines) {
        const std::string& key = line.tokens[0].text;
        long v = 0;
        if (key == "colour_library") {
            if (!integer(line, 1, 1, 3, v, error)) return false;
            rig.colour_library = static_cast<int>(v);
        } else if (key == "type") {
            std::string file;
            if (!text_token(line, 1, setup::kTypeFileNameBytes - 1, file, error)) return false;
            rig.types.push_back(file);
        } else if (key == "library") {
            std::string file;
            if (!text_token(line, 1, setup::kTypeFileNameBytes - 1, file, error)) return false;
            rig.libraries.push_back(file);
        } else if (key == "fixture") {
            FixtureSource f;
            std::array<long, 7> n{};
            if (!integer(line, 1, 1, setup::kMaxFixtures, v, error)) return false;
            f.number = static_cast<int>(v);
            if (!text_token(line, 2, setup::kTypeFileNameBytes - 1, f.type, error)) return false;
            const std::array<std::pair<long, long>, 6> limits = {{{1, 4}, {1, 512}, {-32768, 32767}, {-32768, 32767}, {0, 15}, {0, 7}}};
            for (size_t i = 0; i < limits.size(); ++i) {
                if (!integer(line, 3 + i, limits[i].first, limits[i].second, n[i], error)) return false;
            }
            f.card = static_cast<int>(n[0]);
            f.address = static_cast<int>(n[1]);
            f.x = static_cast<int>(n[2]);
            f.y = static_cast<int>(n[3]);
            f.colour = static_cast<int>(n[4]);
            f.orientation = static_cast<int>(n[5]);
            rig.fixtures.push_back(f);
        } else if (key == "stage") {
            StageItem item;
            if (!text_token(line, 1, 8, item.kind, error)) return false;
            const size_t numbers = item.kind == "ellipse" ? 8 : item.kind == "text" ? 4 : 6;
            if (item.kind != "ellipse" && item.kind != "line" && item.kind != "rect" && item.kind != "text") {
                error = progdir::line_error(line.number, "stage items are ellipse, line, rect or text");
                return false;
            }
            for (size_t i = 0; i < numbers; ++i) {
                if (!integer(line, 2 + i, -32768, 32767, v, error)) return false;
                item.values.push_back(v);
            }
            if (item.kind == "text" && !text_token(line, 2 + numbers, 20, item.text, error)) return false;
            rig.stage.push_back(item);
        } else if (key == "default_times") {
            for (size_t i = 0; i < rig.default_times.size(); ++i) {
                if (!integer(line, 1 + i, 0, 32000, v, error)) return false;
                rig.default_times[i] = static_cast<int>(v);
            }
        } else {
            error = progdir::line_error(line.number, "unknown item '" + key + "'");
            return false;
        }
    }
    return true;
}

// ------------------------------------------------------------------ byte helpers

void put_u8(std::vector<uint8_t>& bytes, size_t at, int value) { bytes.at(at) = static_cast<uint8_t>(value); }
void put_u16(std::vector<uint8_t>& bytes, size_t at, int value) {
    bytes.at(at) = static_cast<uint8_t>(value);
    bytes.at(at + 1) = static_cast<uint8_t>(static_cast<unsigned>(value) >> 8);
}
void put_text(std::vector<uint8_t>& bytes, size_t at, size_t size, const std::string& text) {
    for (size_t i = 0; i + 1 < size && i < text.size(); ++i) bytes.at(at + i) = static_cast<uint8_t>(text[i]);
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// ------------------------------------------------------------------ pictures

// A picture of colour indices, 0 the background.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w * h), 0) {}
    void set(int x, int y, int colour) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y * width + x)] = static_cast<uint8_t>(colour);
    }
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && pixels[static_cast<size_t>(y * width + x)] != 0;
    }
    void disc(double cx, double cy, double r, int colour) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (std::hypot(x - cx, y - cy) <= r) set(x, y, colour);
            }
        }
    }
    void ring(double cx, double cy, double r, double thickness, int colour) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const double d = std::hypot(x - cx, y - cy);
                if (d <= r && d > r - thickness) set(x, y, colour);
            }
        }
    }
    void line(double x1, double y1, double x2, double y2, int colour) {
        const int steps = static_cast<int>(std::max(std::abs(x2 - x1), std::abs(y2 - y1))) + 1;
        for (int i = 0; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            set(static_cast<int>(std::lround(x1 + (x2 - x1) * t)), static_cast<int>(std::lround(y1 + (y2 - y1) * t)), colour);
        }
    }
};

constexpr int kDrawingWidth = 44;
constexpr int kDrawingHeight = 53;
static_assert(4 + kDrawingWidth * kDrawingHeight == 2336);

// The graphics stand-in's image: u16 width, u16 height, one byte per pixel.
std::vector<uint8_t> image_bytes(const Canvas& canvas) {
    std::vector<uint8_t> bytes(4 + canvas.pixels.size());
    put_u16(bytes, 0, canvas.width);
    put_u16(bytes, 2, canvas.height);
    std::copy(canvas.pixels.begin(), canvas.pixels.end(), bytes.begin() + 4);
    return bytes;
}

bool draw_shape(const std::string& shape, int count, int colour, Canvas& c, std::string& error) {
    const double cx = (kDrawingWidth - 1) / 2.0;
    const double cy = (kDrawingHeight - 1) / 2.0;
    const double r = 20.0;
    if (shape == "disc") {
        c.disc(cx, cy, r, colour);
    } else if (shape == "half") {
        c.disc(cx, cy, r, colour);
        for (int y = 0; y < kDrawingHeight; ++y) {
            for (int x = static_cast<int>(cx) + 1; x < kDrawingWidth; ++x) c.set(x, y, 0);
        }
        c.ring(cx, cy, r, 1.5, colour);
    } else if (shape == "ring") {
        c.ring(cx, cy, r, 3.0, colour);
    } else if (shape == "dots") {
        c.ring(cx, cy, r, 1.5, colour);
        for (int i = 0; i < count; ++i) {
            const double a = 2 * kPi * i / count;
            c.disc(cx + 11 * std::cos(a), cy + 11 * std::sin(a), 3.5, colour);
        }
    } else if (shape == "bars") {
        c.ring(cx, cy, r, 1.5, colour);
        for (int i = 0; i < count; ++i) {
            const double x = cx - 12 + 24.0 * (i + 0.5) / count;
            for (double dx = -1.5; dx <= 1.5; dx += 0.5) c.line(x + dx, cy - 14, x + dx, cy + 14, colour);
        }
    } else if (shape == "star") {
        c.ring(cx, cy, r, 1.5, colour);
        for (int i = 0; i < count; ++i) {
            const double a = 2 * kPi * i / count;
            c.line(cx, cy, cx + 17 * std::cos(a), cy + 17 * std::sin(a), colour);
        }
        c.disc(cx, cy, 3, colour);
    } else if (shape == "spiral") {
        c.ring(cx, cy, r, 1.5, colour);
        for (double t = 0; t < 4 * kPi; t += 0.02) {
            c.disc(cx + 1.3 * t * std::cos(t), cy + 1.3 * t * std::sin(t), 1.0, colour);
        }
    } else if (shape == "prism") {
        const int n = std::max(count, 3);
        for (int i = 0; i < n; ++i) {
            const double a1 = 2 * kPi * i / n - kPi / 2;
            const double a2 = 2 * kPi * (i + 1) / n - kPi / 2;
            c.line(cx + r * std::cos(a1), cy + r * std::sin(a1), cx + r * std::cos(a2), cy + r * std::sin(a2), colour);
            c.line(cx, cy, cx + r * std::cos(a1), cy + r * std::sin(a1), colour);
        }
    } else {
        error = "unknown drawing shape '" + shape + "'";
        return false;
    }
    return true;
}

// Polygon figure n (1..13): a regular polygon of n + 2 corners.
std::vector<uint8_t> polygon_drawing(int n) {
    Canvas c(kDrawingWidth, kDrawingHeight);
    const int corners = n + 2;
    const double cx = (kDrawingWidth - 1) / 2.0;
    const double cy = (kDrawingHeight - 1) / 2.0;
    for (int i = 0; i < corners; ++i) {
        const double a1 = 2 * kPi * i / corners - kPi / 2;
        const double a2 = 2 * kPi * (i + 1) / corners - kPi / 2;
        c.line(cx + 19 * std::cos(a1), cy + 19 * std::sin(a1), cx + 19 * std::cos(a2), cy + 19 * std::sin(a2), 14);
    }
    return image_bytes(c);
}

// Lissajous figure n (1..36) from its two figure codes:
// the first gives the phase, the second the frequency ratio.
std::vector<uint8_t> lissajous_drawing(int first_code, int second_code) {
    Canvas c(kDrawingWidth, kDrawingHeight);
    constexpr std::array<int, 8> kRatios = {0, 31, 50, 68, 93, 112, 131, 150};
    const auto ratio_at = std::find(kRatios.begin(), kRatios.end(), second_code);
    const double ratio = 1.0 + static_cast<double>(ratio_at - kRatios.begin()) / 2.0;
    const double phase = first_code * kPi / 86.0;
    const double cx = (kDrawingWidth - 1) / 2.0;
    const double cy = (kDrawingHeight - 1) / 2.0;
    for (double t = 0; t < 4 * kPi; t += 0.005) {
        c.set(static_cast<int>(std::lround(cx + 19 * std::sin(t + phase))),
              static_cast<int>(std::lround(cy + 23 * std::sin(ratio * t))), 14);
    }
    return image_bytes(c);
}

constexpr std::array<std::array<int, 2>, 36> kLissajousCodes = {{
    {0, 0},    {20, 0},   {42, 0},   {63, 0},   {86, 0},   {65, 31},  {53, 31},  {42, 31},  {30, 31},
    {22, 31},  {86, 50},  {20, 50},  {42, 50},  {63, 50},  {0, 50},   {43, 68},  {49, 68},  {0, 68},
    {63, 68},  {72, 68},  {33, 93},  {29, 93},  {42, 93},  {57, 93},  {54, 93},  {86, 112}, {22, 112},
    {42, 112}, {63, 112}, {0, 112},  {60, 131}, {21, 131}, {0, 131},  {13, 131}, {43, 131}, {22, 150},
}};

std::string drawing_folder(int d) {
    if (d <= 199) return "gobos1";
    if (d <= 399) return "gobos2";
    if (d <= 599) return "gobos3";
    if (d <= 774) return "colors";
    if (d <= 799) return "prismas";
    return "specials";
}

std::string three_digits(int n) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%03d", n);
    return text.data();
}

bool build_drawings(const std::string& source, std::vector<RigFile>& files, std::string& error) {
    std::vector<DescriptionLine> lines;
    if (!progdir::split_description(source, lines, error)) return false;
    for (const DescriptionLine& line : lines) {
        long number = 0;
        long count = 0;
        long colour = 0;
        if (line.tokens[0].text != "drawing" || line.tokens.size() != 5) {
            error = progdir::line_error(line.number, "expected: drawing NUMBER SHAPE COUNT COLOUR");
            return false;
        }
        if (!integer(line, 1, 1, 999, number, error) || !integer(line, 3, 0, 32, count, error) ||
            !integer(line, 4, 1, 15, colour, error)) {
            return false;
        }
        Canvas canvas(kDrawingWidth, kDrawingHeight);
        if (!draw_shape(line.tokens[2].text, static_cast<int>(count), static_cast<int>(colour), canvas, error)) {
            error = progdir::line_error(line.number, error);
            return false;
        }
        const int d = static_cast<int>(number);
        files.push_back({"drawings/" + drawing_folder(d) + "/DRAWING." + three_digits(d), image_bytes(canvas), false});
    }
    for (int n = 1; n <= 13; ++n) files.push_back({"drawings/figures/POLYGON." + three_digits(n), polygon_drawing(n), false});
    for (int n = 1; n <= 36; ++n) {
        const auto& codes = kLissajousCodes[static_cast<size_t>(n - 1)];
        files.push_back({"drawings/figures/LISJOUS." + three_digits(n), lissajous_drawing(codes[0], codes[1]), false});
    }
    return true;
}

// ------------------------------------------------------------------ fixture symbol (FixtureDrawing)

constexpr int kSymbolSize = 30;
constexpr size_t kOrientationBlock = 124;

// The symbol in orientation o (0..7, 45 degrees a step): a shape and a beam
// mark pointing the fixture's way.
Canvas symbol_picture(const std::string& shape, int o) {
    Canvas c(kSymbolSize, kSymbolSize);
    const double centre = (kSymbolSize - 1) / 2.0;
    const double a = -kPi / 2 + o * kPi / 4;
    if (shape == "wash") {
        for (int i = 3; i <= 26; ++i) {
            c.set(i, 3, 1), c.set(i, 26, 1), c.set(3, i, 1), c.set(26, i, 1);
        }
        c.disc(centre, centre, 5, 1);
    } else if (shape == "dimmer") {
        c.disc(centre, centre, 8, 1);
        return c;
    } else {
        c.ring(centre, centre, 11, 2, 1);
    }
    c.line(centre, centre, centre + 13 * std::cos(a), centre + 13 * std::sin(a), 1);
    return c;
}

std::vector<uint8_t> fixture_symbol(const std::string& shape) {
    std::vector<uint8_t> bytes(setup::kFixtureDrawingBytes, 0);
    for (int o = 0; o < 8; ++o) {
        const size_t block = kOrientationBlock * static_cast<size_t>(o);
        put_u16(bytes, block, 32);  // the fixture-number label right of the symbol
        put_u16(bytes, block + 2, 10);
        const Canvas c = symbol_picture(shape, o);
        for (int row = 0; row < kSymbolSize; ++row) {
            for (int col = 0; col < kSymbolSize; ++col) {
                if (!c.at(col, row)) continue;
                const size_t at = block + 4 + 4 * static_cast<size_t>(row) + static_cast<size_t>(col / 8);
                bytes[at] = static_cast<uint8_t>(bytes[at] | (1u << (col % 8)));
            }
        }
    }
    return bytes;
}

// ------------------------------------------------------------------ type definition

std::vector<uint8_t> type_definition(const TypeSource& type) {
    std::vector<uint8_t> bytes(setup::kFixtureTypeDefBytes, 0);
    put_text(bytes, setup::kTypeName, setup::kTypeNameBytes, upper(type.name));
    for (size_t q = 1; q <= 4; ++q) {
        put_text(bytes, setup::kTypeProtocolNames + setup::kProtocolNameBytes * (q - 1), setup::kProtocolNameBytes,
                 type.protocols[q]);
    }
    put_u8(bytes, setup::kTypeChannelCount, static_cast<int>(type.functions.size()));
    put_u8(bytes, setup::kTypeDimmerClosed, type.dimmer_closed);
    put_u8(bytes, setup::kTypeDimmerOpen, type.dimmer_open);
    for (const auto& [slot, k] : type.slots) put_u8(bytes, setup::kTypeNamedSlots + static_cast<size_t>(slot), k);
    put_u8(bytes, setup::kTypeSoftPatchRule, type.softpatch);
    put_u8(bytes, setup::kTypePanTiltMode, type.pan_degrees != 0 ? 2 : 0);
    put_u16(bytes, setup::kTypePanDegrees, type.pan_degrees);
    put_u16(bytes, setup::kTypeTiltDegrees, type.tilt_degrees);
    put_text(bytes, setup::kTypeManufacturer, setup::kTypeNameBytes, upper(type.manufacturer));
    put_u16(bytes, setup::kTypeAddressStep, type.address_step);
    put_u8(bytes, setup::kTypeDipCount, type.dip_count);
    put_u16(bytes, setup::kTypeDipBase, type.dip_base);
    put_text(bytes, setup::kTypeInfoText, setup::kTypeInfoTextBytes, type.info);
    for (size_t i = 0; i < type.functions.size(); ++i) {
        const Function& f = type.functions[i];
        const int k = static_cast<int>(i + 1);
        put_u8(bytes, setup::kTypeDefaultValues + i, f.default_value);
        put_u8(bytes, setup::kTypeDimmerFlags + i, f.dimmer ? 1 : 0);
        const size_t def = setup::FixtureTypeDef::function_def(k);
        put_text(bytes, def + setup::kFunctionEntryTexts, setup::kEntryTextBytes, f.name);
        for (size_t e = 0; e < f.entries.size(); ++e) {
            const Entry& entry = f.entries[e];
            put_u16(bytes, def + setup::kFunctionSymbols + 2 * (e + 1), entry.symbol);
            put_text(bytes, def + setup::kFunctionEntryTexts + setup::kEntryTextBytes * (e + 1), setup::kEntryTextBytes,
                     entry.text);
            put_u8(bytes, def + setup::kFunctionEntryValues + e + 1, entry.value);
            put_u8(bytes, def + setup::kFunctionEntryFlags + e + 1, entry.flag);
        }
        const size_t sub = setup::FixtureTypeDef::sub_table(k);
        put_u8(bytes, sub + setup::kSubCount, static_cast<int>(f.ranges.size()));
        for (size_t r = 0; r < f.ranges.size(); ++r) {
            put_u8(bytes, sub + setup::kSubFrom + r, f.ranges[r].first);
            put_u8(bytes, sub + setup::kSubTo + r, f.ranges[r].second);
        }
        put_u8(bytes, sub + setup::kSubInvert, f.invert ? 1 : 0);
        put_u8(bytes, sub + setup::kSubKind, f.kind);
        put_u8(bytes, sub + setup::kSubLinked, f.link);
        put_u8(bytes, sub + setup::kSubFade, f.fade ? 1 : 0);
    }
    return bytes;
}

// The function map of the type: function k's channel, the identity unless given.
std::array<uint8_t, setup::kMaxTypeChannels> function_map(const TypeSource& type) {
    std::array<uint8_t, setup::kMaxTypeChannels> map{};
    for (size_t i = 0; i < map.size(); ++i) {
        const bool given = i < type.functions.size() && type.functions[i].channel >= 0;
        map[i] = static_cast<uint8_t>(given ? type.functions[i].channel : static_cast<int>(i));
    }
    return map;
}

// ------------------------------------------------------------------ setup

bool setup_block(const SetupSource& rig, const std::map<std::string, TypeSource>& types,
                 const std::map<std::string, std::vector<uint8_t>>& symbols, setup::SetupData& d, std::string& error) {
    using setup::SetupData;
    d.bytes.fill(0);
    d.set_u8(setup::kSetupColourLibrary, static_cast<uint8_t>(rig.colour_library));
    std::map<std::string, int> type_index;
    if (rig.types.size() > static_cast<size_t>(setup::kMaxFixtureTypes)) {
        error = "setup.txt: more than 40 types";
        return false;
    }
    for (size_t i = 0; i < rig.types.size(); ++i) {
        const auto found = types.find(rig.types[i]);
        if (found == types.end()) {
            error = "setup.txt: no type source for '" + rig.types[i] + "'";
            return false;
        }
        const TypeSource& type = found->second;
        const int t = static_cast<int>(i + 1);
        type_index[rig.types[i]] = static_cast<int>(i);
        d.set_text(SetupData::type_file_name_field(t), setup::kTypeFileNameBytes, type.file);
        d.set_text(SetupData::type_name_field(t), setup::kTypeNameBytes, upper(type.name));
        const std::vector<uint8_t>& symbol = symbols.at(type.file);
        for (size_t b = 0; b < symbol.size(); ++b) d.set_u8(SetupData::type_drawing_field(t) + b, symbol[b]);
        d.set_u8(SetupData::type_channel_count_field(t), static_cast<uint8_t>(type.functions.size()));
        const auto map = function_map(type);
        for (int k = 0; k < setup::kMaxTypeChannels; ++k) {
            d.set_u8(SetupData::type_function_map_field(t, k), map[static_cast<size_t>(k)]);
            const bool fade = static_cast<size_t>(k) < type.functions.size() && type.functions[static_cast<size_t>(k)].fade;
            d.set_u8(SetupData::type_function_flag_field(t, k), fade ? 1 : 0);
        }
    }
    d.set_u8(setup::kSetupTypeCount, static_cast<uint8_t>(rig.types.size()));
    if (rig.fixtures.size() > static_cast<size_t>(setup::kMaxFixtures)) {
        error = "setup.txt: more than 700 fixtures";
        return false;
    }
    int first = 1;
    std::vector<bool> numbers(setup::kMaxFixtures + 1, false);
    for (size_t i = 0; i < rig.fixtures.size(); ++i) {
        const FixtureSource& fx = rig.fixtures[i];
        const auto found = type_index.find(fx.type);
        if (found == type_index.end()) {
            error = "setup.txt: fixture " + std::to_string(fx.number) + " has a type not in use: " + fx.type;
            return false;
        }
        const TypeSource& type = types.at(fx.type);
        const int n = static_cast<int>(type.functions.size());
        if (fx.address + n - 1 > setup::kCardAddresses || numbers[static_cast<size_t>(fx.number)]) {
            error = "setup.txt: fixture " + std::to_string(fx.number) + " is numbered twice or reaches past address 512";
            return false;
        }
        numbers[static_cast<size_t>(fx.number)] = true;
        setup::FixtureRecord r;
        r.x = static_cast<int16_t>(fx.x);
        r.y = static_cast<int16_t>(fx.y);
        r.stage_colour = static_cast<int16_t>(fx.colour);
        r.orientation = static_cast<uint8_t>(fx.orientation);
        r.type_index = static_cast<uint16_t>(found->second);
        r.number = static_cast<uint16_t>(fx.number);
        r.card = static_cast<uint8_t>(fx.card);
        r.address = static_cast<int16_t>(fx.address);
        r.input_address = static_cast<int16_t>(fx.address);
        r.protocol = type.protocols[1].empty() ? "DMX OUT " : type.protocols[1];
        r.first_record = static_cast<uint16_t>(first);
        r.channel_count = static_cast<uint8_t>(n);
        setup::write_fixture(d, static_cast<int>(i + 1), r);
        first += n;
    }
    d.set_u16(setup::kSetupFixtureCount, static_cast<uint16_t>(rig.fixtures.size()));
    std::map<std::string, std::pair<size_t, size_t>> stage_tables = {
        {"ellipse", {setup::kSetupEllipseCount, setup::kStageEllipseBytes}},
        {"line", {setup::kSetupLineCount, setup::kStageLineBytes}},
        {"rect", {setup::kSetupRectCount, setup::kStageRectBytes}},
        {"text", {setup::kSetupTextCount, setup::kStageTextBytes}},
    };
    for (const StageItem& item : rig.stage) {
        const auto [count_at, size] = stage_tables.at(item.kind);
        const uint8_t count = d.u8(count_at);
        const size_t at = count_at + 1 + size * count;
        d.set_u8(at, static_cast<uint8_t>(item.values[0]));  // the page
        std::vector<long> fields = item.values;
        // An ellipse is stored with a rim point: the centre plus each radius.
        if (item.kind == "ellipse") {
            fields[5] += fields[1];
            fields[6] += fields[2];
        }
        for (size_t v = 1; v < fields.size(); ++v) d.set_u16(at + 1 + 2 * (v - 1), static_cast<uint16_t>(fields[v]));
        if (item.kind == "text") d.set_text(at + 7, setup::kTypeNameBytes, item.text);
        d.set_u8(count_at, static_cast<uint8_t>(count + 1));
    }
    // The start settings the show start would otherwise fill in.
    constexpr std::array<uint8_t, 5> kStart = {6, 7, 0, 0, 1};
    for (size_t i = 0; i < kStart.size(); ++i) d.set_u8(setup::kSetupStartDefaults + i, kStart[i]);
    for (size_t i = 0; i < rig.default_times.size(); ++i) {
        d.set_u16(setup::kSetupDefaultTimes + 2 * i, static_cast<uint16_t>(rig.default_times[i]));
    }
    d.set_u8(setup::kSetupTimecodeOption, 1);
    return true;
}

// ------------------------------------------------------------------ files

bool read_source(const fs::path& path, std::string& text, std::string& error) {
    return progdir::read_text_file(path, text, error);
}

std::vector<uint8_t> crlf_bytes(const std::string& text) {
    std::vector<uint8_t> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line += "\r\n";
        out.insert(out.end(), line.begin(), line.end());
        start = end + 1;
    }
    return out;
}

bool colour_mixes(const std::string& source, std::vector<uint8_t>& bytes, std::string& error) {
    std::vector<DescriptionLine> lines;
    if (!progdir::split_description(source, lines, error)) return false;
    for (const DescriptionLine& line : lines) {
        std::array<long, 4> v{};
        for (size_t i = 0; i < v.size(); ++i) {
            if (!integer(line, i, 0, i == 0 ? 1999 : 255, v[i], error)) return false;
        }
        const size_t at = bytes.size();
        bytes.resize(at + 5);
        put_u16(bytes, at, static_cast<int>(v[0]));
        for (size_t i = 1; i < 4; ++i) bytes[at + 1 + i] = static_cast<uint8_t>(v[i]);
    }
    return true;
}

void put_u32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    put_u16(bytes, at, static_cast<int>(value & 0xFFFF));
    put_u16(bytes, at + 2, static_cast<int>(value >> 16));
}

// An upload file: the header of 4131 bytes with the title, then the block
// table, the start record, the description and the blocks' bytes.
bool upload_file(const std::string& source, std::vector<uint8_t>& bytes, std::string& error) {
    constexpr size_t kHeader = 4131;
    std::vector<DescriptionLine> lines;
    if (!progdir::split_description(source, lines, error)) return false;
    std::string title;
    std::array<uint32_t, 17> start{};
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> blocks;  // pause, bytes
    std::string description;
    for (const DescriptionLine& line : lines) {
        const std::string& key = line.tokens[0].text;
        long v = 0;
        if (key == "title") {
            if (!text_token(line, 1, 19, title, error)) return false;
        } else if (key == "start") {
            for (size_t i = 0; i < start.size(); ++i) {
                if (!integer(line, 1 + i, 0, 255, v, error)) return false;
                start[i] = static_cast<uint32_t>(v);
            }
        } else if (key == "block") {
            if (!integer(line, 1, 0, 60000, v, error)) return false;
            std::vector<uint8_t> data;
            for (size_t i = 2; i < line.tokens.size(); ++i) {
                long b = 0;
                if (!integer(line, i, 0, 255, b, error)) return false;
                data.push_back(static_cast<uint8_t>(b));
            }
            if (data.empty()) {
                error = progdir::line_error(line.number, "a block needs a byte");
                return false;
            }
            blocks.emplace_back(static_cast<uint32_t>(v), data);
        } else if (key == "text") {
            std::string row;
            if (!text_token(line, 1, 200, row, error)) return false;
            description += row + "\r\n";
        } else {
            error = progdir::line_error(line.number, "unknown item '" + key + "'");
            return false;
        }
    }
    bytes.assign(kHeader, 0);
    put_u8(bytes, 2, static_cast<int>(title.size()));
    std::copy(title.begin(), title.end(), bytes.begin() + 3);
    const size_t table = bytes.size();
    put_u32(bytes, 26, static_cast<uint32_t>(blocks.size()));
    put_u32(bytes, 30, static_cast<uint32_t>(table));
    bytes.resize(table + 32 * blocks.size());
    const size_t record = bytes.size();
    put_u32(bytes, 50, static_cast<uint32_t>(record - 16));
    bytes.resize(record + 69);
    for (size_t i = 0; i < start.size(); ++i) put_u32(bytes, record + 1 + 4 * i, start[i]);
    put_u32(bytes, 83, static_cast<uint32_t>(bytes.size()));
    put_u32(bytes, 87, static_cast<uint32_t>(description.size()));
    bytes.insert(bytes.end(), description.begin(), description.end());
    for (size_t b = 0; b < blocks.size(); ++b) {
        const size_t first = bytes.size();
        bytes.insert(bytes.end(), blocks[b].second.begin(), blocks[b].second.end());
        put_u32(bytes, table + 32 * b, static_cast<uint32_t>(first));
        put_u32(bytes, table + 32 * b + 4, static_cast<uint32_t>(bytes.size() - 1));
        put_u32(bytes, table + 32 * b + 8, blocks[b].first);
    }
    return true;
}

}  // namespace

bool build_type_files(const std::string& source, std::vector<uint8_t>& type_def, std::vector<uint8_t>& drawing,
                      std::string& error) {
    TypeSource type;
    if (!parse_type(source, type, error)) return false;
    type_def = type_definition(type);
    drawing = fixture_symbol(type.symbol);
    return true;
}

bool build_demo_rig(const fs::path& source_dir, std::vector<RigFile>& files, std::string& error) {
    files.clear();
    SetupSource rig;
    std::string text;
    if (!read_source(source_dir / "setup.txt", text, error)) return false;
    if (!parse_setup(text, rig, error)) {
        error = "setup.txt, " + error;
        return false;
    }
    std::map<std::string, TypeSource> types;
    std::map<std::string, std::vector<uint8_t>> symbols;
    std::vector<std::string> library_files = rig.types;
    library_files.insert(library_files.end(), rig.libraries.begin(), rig.libraries.end());
    for (const std::string& file : library_files) {
        const fs::path path = source_dir / "types" / (file + ".txt");
        TypeSource type;
        if (!read_source(path, text, error)) return false;
        if (!parse_type(text, type, error)) {
            error = path.filename().string() + ", " + error;
            return false;
        }
        if (type.file != file) {
            error = path.filename().string() + ": its file item is not " + file;
            return false;
        }
        symbols[file] = fixture_symbol(type.symbol);
        files.push_back({"lib/set/" + file + ".SET", type_definition(type), false});
        files.push_back({"lib/drw/" + file + ".DRW", symbols[file], false});
        std::error_code code;
        const fs::path rst = source_dir / "rst" / (file + ".rst");
        if (fs::exists(rst, code)) {
            if (!read_source(rst, text, error)) return false;
            files.push_back({"lib/rst/" + file + ".RST", crlf_bytes(text), false});
        }
        const fs::path rgb = source_dir / "rgb" / (file + ".lee.txt");
        if (fs::exists(rgb, code)) {
            std::vector<uint8_t> mixes;
            if (!read_source(rgb, text, error)) return false;
            if (!colour_mixes(text, mixes, error)) {
                error = rgb.filename().string() + ", " + error;
                return false;
            }
            files.push_back({"lib/rgb/" + file + ".LEE", mixes, false});
        }
        types[file] = type;
    }
    setup::SetupData block;
    if (!setup_block(rig, types, symbols, block, error)) return false;
    std::vector<uint8_t> setup_file(setup::kSetupDataBytes + 12);
    std::memcpy(setup_file.data(), "VERSION 7.01", 12);
    std::copy(block.bytes.begin(), block.bytes.end(), setup_file.begin() + 12);
    files.push_back({"data/setup.dat", setup_file, true});
    if (!read_source(source_dir / "drawings.txt", text, error)) return false;
    if (!build_drawings(text, files, error)) {
        error = "drawings.txt, " + error;
        return false;
    }
    if (!read_source(source_dir / "lee.def", text, error)) return false;
    files.push_back({"lee.def", crlf_bytes(text), false});
    // The libraries' version, shown in the title of the setup's library box.
    if (!read_source(source_dir / "version.ini", text, error)) return false;
    files.push_back({"lib/version.ini", crlf_bytes(text), false});
    return true;
}

bool build_demo_uploads(const fs::path& source_dir, std::vector<RigFile>& files, std::string& error) {
    std::string text;
    std::error_code code;
    for (const auto& entry : fs::directory_iterator(source_dir / "xu3", code)) {
        const std::string name = entry.path().filename().string();
        const std::string suffix = ".xu3.txt";
        if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
        std::vector<uint8_t> upload;
        if (!read_source(entry.path(), text, error)) return false;
        if (!upload_file(text, upload, error)) {
            error = name + ", " + error;
            return false;
        }
        files.push_back({"lib/xu3/" + name.substr(0, name.size() - suffix.size()) + ".XU3", upload, false});
    }
    return true;
}

bool lay_out_demo_rig(const fs::path& source_dir, const fs::path& target_dir, std::string& error) {
    std::vector<RigFile> files;
    if (!build_demo_rig(source_dir, files, error)) return false;
    if (!build_demo_uploads(source_dir, files, error)) return false;
    for (const RigFile& file : files) {
        const fs::path path = target_dir / file.name;
        std::error_code code;
        fs::create_directories(path.parent_path(), code);
        if (code) {
            error = "cannot create " + path.parent_path().string() + ": " + code.message();
            return false;
        }
        if (file.show_data && fs::exists(path, code)) continue;
        if (!progdir::write_file(path, std::string(file.bytes.begin(), file.bytes.end()), error)) return false;
    }
    return true;
}

}  // namespace demo_rig
