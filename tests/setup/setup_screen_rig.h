// The fixture setup opened on the demo rig through the console (SETUP held,
// then 1), with what its tests read: the texts drawn, the tones, the status
// line and the working setup's fixtures.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "demo_rig_files.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "setup/setup_screen.h"
#include "ui/message_line.h"

namespace setup_test {

constexpr uint32_t kLongHold_ms = 1500;  // past the 1000 ms SETUP must be held
constexpr uint16_t kLeft = 1;
constexpr uint16_t kRight = 2;

// A text drawn since the graphics call log was last cleared.
inline bool drawn(const std::string& text) {
    for (const std::string& line : platform::machine().graphics.call_log()) {
        if (line.find("\"" + text + "\"") != std::string::npos) return true;
    }
    return false;
}

// A status text drawn on the setup's status line (a long one on two lines).
inline bool status_drawn(const std::string& text) {
    const setup::StatusLines lines = setup::split_status_text(text);
    return drawn(lines.first) && (lines.second.empty() || drawn(lines.second));
}

// How often a least body was called since the step log was cleared.
inline int call_count(const std::string& call) {
    const std::vector<std::string> calls = runtime::logged_calls();
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

inline int tone_count(const rig::Rig& rig, int32_t freq_hz, uint64_t duration_ms) {
    const std::vector<platform::Tone> all = rig.tones();
    return static_cast<int>(std::count_if(all.begin(), all.end(), [&](const platform::Tone& t) {
        return t.freq_hz == freq_hz && t.duration_ms == duration_ms;
    }));
}

class SetupScreen : public ::testing::Test {
protected:
    void SetUp() override {
        lay_out_demo_rig(dir_);
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
    }
    void open() {
        rig_.press(runtime::KEY_SETUP, kLongHold_ms);
        rig_.press(runtime::KEY_DIGIT_1, 20);
        rig_.run_ms(50);
        ASSERT_NE(runtime::mode_flags & runtime::MODE_IN_SETUP, 0u);
        runtime::clear_step_log();
        platform::machine().graphics.clear_call_log();
    }
    void click(int16_t x, int16_t y, uint16_t buttons = kLeft) { rig_.click_at(x, y, buttons); }
    // The pointer to (x, y) without a button, for a pass or two.
    void hover(int16_t x, int16_t y) {
        platform::machine().mouse.x = x;
        platform::machine().mouse.y = y;
        rig_.run_ms(20);
    }
    static std::string status() { return std::string(ui::last_message_text.data()); }
    int tones(int32_t freq_hz, uint64_t duration_ms) const { return tone_count(rig_, freq_hz, duration_ms); }
    static setup::FixtureRecord fixture(int f) { return setup::read_fixture(setup::setup_edit_copy, f); }
    static int fixture_count() { return setup::setup_edit_copy.i16(setup::kSetupFixtureCount); }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

}  // namespace setup_test
