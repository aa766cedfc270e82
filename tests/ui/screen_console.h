// The started console for tests of the main screen's panels: the drawing
// call log and the step log empty at the start, with helpers to look for
// drawing calls in the log.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/step_log.h"

namespace screen_test {

inline bool contains(const std::vector<std::string>& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

// The log line of a text drawn at (x, y).
inline std::string text_call(int x, int y, const std::string& text) {
    return "_outtextxy(" + std::to_string(x) + "," + std::to_string(y) + ",\"" + text + "\")";
}

inline void set_flag(uint32_t& word, uint32_t bit, bool on) { word = on ? (word | bit) : (word & ~bit); }

class ScreenConsole : public ::testing::Test {
protected:
    void SetUp() override {
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
        runtime::clear_step_log();
        graphics().clear_call_log();
    }

    platform::Graphics& graphics() { return rig_.machine().graphics; }
    std::vector<std::string> calls() { return graphics().call_log(); }

    // A key's LED once the card has taken the commands sent to it.
    platform::LedState led_after_sending(int16_t key) {
        rig_.run_ms(20);
        return rig_.key_led(key);
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

}  // namespace screen_test
