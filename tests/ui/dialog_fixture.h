// A dialog under test run by the console's thread while the test works the
// console's keys, trackerball and clock, with helpers to read the field's
// cells on the screen.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "rig/console.h"
#include "runtime/main_loop.h"
#include "ui/entry_dialogs.h"
#include "ui/text_entry.h"

namespace dialog_test {

using platform::Rect;

constexpr int16_t kX = 100;
constexpr int16_t kY = 200;
constexpr uint8_t kBackground = 1;
constexpr uint8_t kForeground = 15;

constexpr int16_t digit_key(int d) { return static_cast<int16_t>(runtime::KEY_DIGIT_0 + d); }

// A dialog run by the console's thread while the test works the console.
class ConsoleDialog : public ::testing::Test {
protected:
    void start(std::function<void()> body) {
        dir_.map_drive(rig_.machine());
        rig_.machine().cards.fit(0, rig::demo_console_card());
        rig_.start([this, body] {
            start_console();
            body_started_ = true;
            body();
            body_done_ = true;
        });
        ASSERT_TRUE(rig_.run_until([this] { return body_started_; }, 60'000));
        rig_.run_ms(20);
    }

    bool run_to_end(uint32_t limit_ms = 2'000) {
        rig_.run_until([this] { return body_done_; }, limit_ms);
        return body_done_;
    }

    void press(int16_t key) {
        rig_.press(key);
        rig_.run_ms(60);
    }
    void press_all(const std::vector<int16_t>& keys) {
        for (const int16_t key : keys) press(key);
    }
    void type(const std::string& text) {
        rig_.type(text);
        rig_.run_ms(30);
    }
    void click(uint16_t button) {
        rig_.set_trackerball_buttons(button);
        rig_.run_ms(20);
        rig_.set_trackerball_buttons(0);
        rig_.run_ms(20);
    }

    // Ink of the foreground colour in cell c of a small field, rows of the
    // character only, without the cell's first column (a glyph's stroke may
    // end on its right neighbour's first column).
    int cell_ink(int16_t cell) const {
        const int left = kX + ui::kEntrySmallCell_px * cell;
        return platform::count_pixels(kForeground, Rect{left + 1, kY - 1, left + ui::kEntrySmallCell_px - 1, kY + 8});
    }
    // Foreground pixels on the cursor row under cell c.
    int cursor_ink(int16_t cell, int shift = 0) const {
        const int left = kX - shift + ui::kEntrySmallCell_px * cell;
        const int row = kY - shift + 9;
        return platform::count_pixels(kForeground, Rect{left + 1, row, left + ui::kEntrySmallCell_px - 1, row});
    }

    // Lets the card take the LED commands the dialog left in the ring.
    static void settle() {
        for (int pass = 0; pass < 100; ++pass) runtime::run_background();
    }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    bool body_started_ = false;
    bool body_done_ = false;

private:
    static void start_console() {
        rig::start_console_parts();
        platform::_setfillstyle(1, kBackground);
        platform::_bar(kX - 10, kY - 10, kX + 100, kY + 30);
    }
};

}  // namespace dialog_test
