// The console on the demo program directory with the SMPTE/MIDI card
// fitted, for the tests that play MIDI into it.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/machine.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"

namespace sync_test {

class MidiConsole : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    void SetUp() override {
        rig.machine().sync.fit();
        rig::start_console(rig, dir);
        rig.run_ms(10);
    }
    // Bytes arriving at the card's MIDI IN.
    void feed(const std::vector<uint8_t>& bytes) { rig.machine().sync.feed_midi_bytes(bytes); }
};

}  // namespace sync_test
