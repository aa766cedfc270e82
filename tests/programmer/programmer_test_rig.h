// The console with the demo rig, for the programmer's tests.
//
// The demo rig (programdir/rig/setup.txt): fixtures 1-4 SPOT16 on universe 1
// at 1, 17, 33, 49; 5-6 WASHCMY at 65, 77; 7-8 SPOT16 on universe 2 at 1,
// 17; 9-10 WASHCMY at 33, 45; 11-12 DIMMER at 57, 58. First function
// records 1, 17, 33, 49, 65, 77, 89, 105, 121, 133, 145, 146. A SPOT16 has
// 16-bit pan on channels 1 (coarse) and 2 (fine), tilt on 3 and 4.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>

#include "../setup/demo_rig_files.h"
#include "playback/playback_loading.h"
#include "playback/playback_record.h"
#include "playback/playback_state.h"
#include "programmer/commands.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/console_state.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace programmer_test {

class DemoRig : public ::testing::Test {
protected:
    void SetUp() override {
        setup_test::lay_out_demo_rig(dir_);
        rig::start_console(rig_, dir_);
        ASSERT_EQ(setup::fixture_count, 12);
        // The selection and the sequences' run states are not part of the
        // show start's reset; every test starts with none.
        programmer::fixture_selected.fill(0);
        for (auto& sequence : playback::sequence_table) sequence.mode = 0;
        // The grand master full, so that dimmer levels go out as they are.
        rig_.set_master_fader(1, 255);
        rig_.run_ms(10);
    }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
};

// An empty programmer and the show's default times 1.1 s to 1.5 s, as a
// memory unpack leaves them.
inline void empty_programmer_with_default_times() {
    for (int k = 1; k <= 5; ++k) {
        setup::setup_data.set_u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1),
                                  static_cast<uint16_t>(10 + k));
    }
    ui::default_times = {0, 11, 12, 13, 14, 15};
    std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
    std::fill_n(runtime::programmer_generators, runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
    std::fill_n(runtime::programmer_figures, runtime::kShowFigureBytes + 1, runtime::kByteNotSet);
    std::fill_n(runtime::programmer_time_set, runtime::kShowTimeSlots + 1, uint8_t{0});
}

// Playback p loaded with memory m: programmed, no times, as a cue's record
// loads it.
inline void load_playback_with_memory(int p, int16_t memory) {
    playback::PlaybackRecord record{};
    record.flags = playback::kProgrammed;
    record.memory = memory;
    playback::playback_table[playback::kPlaybackEditRecord] = record;
    playback::load_playback_from_record(static_cast<int16_t>(p));
}

}  // namespace programmer_test
