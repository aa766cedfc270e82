#include "programdir/logo_gen.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "platform/fonts.h"

namespace progdir {

namespace {

// Colour numbers of the console's palette.
constexpr uint8_t kBlack = 0;
constexpr uint8_t kBrown = 6;
constexpr uint8_t kLightGrey = 7;
constexpr uint8_t kDarkGrey = 8;
constexpr uint8_t kLightCyan = 11;
constexpr uint8_t kYellow = 14;
constexpr uint8_t kWhite = 15;

constexpr std::string_view kLogoName = "BRAVINOX";
constexpr int kNameCellPx = 8;  // the name is written in the 8 x 8 font

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    void set(int x, int y, uint8_t colour) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = colour;
    }
    void fill(int x1, int y1, int x2, int y2, uint8_t colour) {
        for (int y = y1; y <= y2; ++y) {
            for (int x = x1; x <= x2; ++x) set(x, y, colour);
        }
    }
    void frame(int x1, int y1, int x2, int y2, uint8_t colour) {
        for (int x = x1; x <= x2; ++x) set(x, y1, colour), set(x, y2, colour);
        for (int y = y1; y <= y2; ++y) set(x1, y, colour), set(x2, y, colour);
    }
};

// A fraction of a length, rounded down.
int part(int length, int per_mille) { return length * per_mille / 1000; }

// Whether (x, y) lies inside the ellipse of centre (cx, cy) and radii rx, ry.
bool inside_ellipse(int x, int y, int cx, int cy, int rx, int ry) {
    if (rx <= 0 || ry <= 0) return false;
    const long dx = x - cx;
    const long dy = y - cy;
    return dx * dx * ry * ry + dy * dy * rx * rx < static_cast<long>(rx) * rx * ry * ry;
}

// The lamp hangs from a short bar: a dark body with a light rim and a lens
// along its lower edge. Returns the row below the lens, where the beam starts.
int draw_lamp(Canvas& c, int cx) {
    const int bar_half = std::max(2, part(c.width, 70));
    const int body_half = std::max(3, part(c.width, 160));
    const int body_top = std::max(2, part(c.height, 50));
    const int body_bottom = std::max(body_top + 3, part(c.height, 170));
    c.fill(cx - bar_half, 0, cx + bar_half, 0, kLightGrey);
    c.fill(cx - 1, 1, cx + 1, body_top - 1, kLightGrey);
    c.fill(cx - body_half, body_top, cx + body_half, body_bottom, kDarkGrey);
    c.frame(cx - body_half, body_top, cx + body_half, body_bottom, kLightGrey);
    for (int x = cx - body_half + 3; x <= cx + body_half - 3; x += 3) {  // cooling fins
        c.fill(x, body_top + 2, x, body_bottom - 2, kLightGrey);
    }
    const int lens_half = std::max(2, body_half - 2);
    c.fill(cx - lens_half, body_bottom + 1, cx + lens_half, body_bottom + 1, kWhite);
    c.fill(cx - lens_half + 1, body_bottom + 2, cx + lens_half - 1, body_bottom + 2, kLightCyan);
    return body_bottom + 3;
}

// The beam widens from the lens to the floor: a white core, yellow around it
// and dithered brown edges that fade into the black.
void draw_beam(Canvas& c, int cx, int top, int floor, int top_half, int floor_half) {
    const int depth = std::max(1, floor - top);
    for (int y = top; y <= floor; ++y) {
        const int d = y - top;
        const int half = top_half + (floor_half - top_half) * d / depth;
        if (half <= 0) continue;
        for (int x = cx - half; x <= cx + half; ++x) {
            const int t = std::abs(x - cx) * 1000 / half;
            const bool even = ((x + y) & 1) == 0;
            uint8_t colour = kBlack;
            if (t < 300) {
                colour = kWhite;
            } else if (t < 620) {
                colour = kYellow;
            } else if (t < 850) {
                colour = even ? kBrown : kYellow;
            } else {
                colour = even ? kBlack : kBrown;
            }
            c.set(x, y, colour);
        }
    }
}

// Where the beam lands: a yellow pool with a white middle and a brown rim.
void draw_pool(Canvas& c, int cx, int cy, int rx, int ry) {
    for (int y = cy - ry; y <= cy + ry; ++y) {
        for (int x = cx - rx; x <= cx + rx; ++x) {
            if (!inside_ellipse(x, y, cx, cy, rx, ry)) continue;
            const bool inner = inside_ellipse(x, y, cx, cy, rx / 2, std::max(1, ry / 2));
            const bool rim = !inside_ellipse(x, y, cx, cy, rx - 2, std::max(1, ry - 1));
            c.set(x, y, rim ? kBrown : inner ? kWhite : kYellow);
        }
    }
}

// A small four-pointed spark.
void draw_spark(Canvas& c, int x, int y, uint8_t colour) {
    c.set(x, y, kWhite);
    c.set(x - 1, y, colour);
    c.set(x + 1, y, colour);
    c.set(x, y - 1, colour);
    c.set(x, y + 1, colour);
}

void draw_name(Canvas& c, int top) {
    const int text_width = static_cast<int>(kLogoName.size()) * kNameCellPx;
    const int left = (c.width - text_width) / 2;
    for (size_t i = 0; i < kLogoName.size(); ++i) {
        for (int r = 0; r < kNameCellPx; ++r) {
            const uint8_t bits = platform::default_font_row(static_cast<unsigned char>(kLogoName[i]), r);
            for (int k = 0; k < kNameCellPx; ++k) {
                if (((bits >> (7 - k)) & 1) != 0) c.set(left + static_cast<int>(i) * kNameCellPx + k, top + r, kLightCyan);
            }
        }
    }
}

}  // namespace

bool build_logo(int width, int height, std::vector<uint8_t>& image, std::string& error) {
    if (width < kMinLogoSide || width > kMaxLogoWidth || height < kMinLogoSide || height > kMaxLogoHeight) {
        error = "logo: the size must lie within 16..640 x 16..480";
        return false;
    }
    Canvas c{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * static_cast<size_t>(height), kBlack)};
    const int cx = width / 2;

    // The name takes the foot of the picture when it fits; the pool sits
    // just above it.
    const int name_width = static_cast<int>(kLogoName.size()) * kNameCellPx;
    const bool with_name = width >= name_width + 2 && height >= 48;
    const int name_top = height - kNameCellPx - 1;
    const int pool_rx = std::max(3, part(width, 440));
    const int pool_ry = std::max(1, part(height, 80));
    const int lowest_pool = (with_name ? name_top - 2 : height - 1) - pool_ry;
    const int pool_cy = std::min(part(height, 720), lowest_pool);

    const int beam_top = draw_lamp(c, cx);
    const int lens_half = std::max(2, std::max(3, part(width, 160)) - 2);
    draw_beam(c, cx, beam_top, pool_cy, lens_half, pool_rx - 1);
    draw_pool(c, cx, pool_cy, pool_rx, pool_ry);
    draw_spark(c, part(width, 120), part(height, 140), kLightCyan);
    draw_spark(c, part(width, 860), part(height, 90), kYellow);
    draw_spark(c, part(width, 800), part(height, 300), kLightCyan);
    if (with_name) draw_name(c, name_top);

    image.clear();
    image.reserve(static_cast<size_t>(kLogoHeaderBytes) + c.pixels.size());
    image.push_back(static_cast<uint8_t>(width & 0xFF));
    image.push_back(static_cast<uint8_t>(width >> 8));
    image.push_back(static_cast<uint8_t>(height & 0xFF));
    image.push_back(static_cast<uint8_t>(height >> 8));
    image.insert(image.end(), c.pixels.begin(), c.pixels.end());
    return true;
}

}  // namespace progdir
