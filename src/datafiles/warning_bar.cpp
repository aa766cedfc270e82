#include "datafiles/warning_bar.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics.h"
#include "ui/helpers.h"

namespace datafiles {

std::vector<std::string> warning_bar_texts;

void reset_warning_bar_globals() { warning_bar_texts.clear(); }

namespace {

constexpr int kBarTop = 460;
constexpr int kBarBottom = 480;
constexpr int kScreenWidth = 640;
constexpr int16_t kTextY = 466;
constexpr int kCharWidth = 8;  // the 8 x 8 bitmap font of the loading screen
constexpr int kRed = 4;
constexpr int kBlack = 0;
constexpr int16_t kYellow = 14;
constexpr int32_t kBeepHz = 400;

}  // namespace

void fill_warning_bar(int colour) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(0, kBarTop, kScreenWidth, kBarBottom);
}

void show_warning_bar(const char* text, uint32_t beep_ms, BarEnd end) {
    warning_bar_texts.emplace_back(text);
    fill_warning_bar(kRed);
    const int width = kCharWidth * static_cast<int>(std::strlen(text));
    const int x = std::max(0, (kScreenWidth - width) / 2 + 1);
    ui::draw_bitmap_text(static_cast<int16_t>(x), kTextY, kYellow, text);
    ui::beep(kBeepHz, beep_ms);
    if (end == BarEnd::black) {
        fill_warning_bar(kBlack);
        platform::_setcolor(kRed);
    }
}

}  // namespace datafiles
