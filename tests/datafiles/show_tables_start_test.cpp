// A console started on the demo program directory: the show start reads the
// definition files once, writes the small tables, the groupings and the
// library index it did not find, and a second start trusts what the first
// wrote and changes none of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafiles/definition_files.h"
#include "datafiles/small_tables.h"
#include "datafiles/warning_bar.h"
#include "programmer/fixture_groups.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/startup.h"
#include "setup/setup_data.h"
#include "sync/midi_events.h"
#include "sync/sync_services.h"

namespace {

class ShowTablesStart : public ::testing::Test {
protected:
    void start() { rig::start_console(rig_, dir_); }
    // Runs a second show cycle and waits until it is through.
    void restart() {
        runtime::restart_requested = 1;
        rig_.type("5");
        rig_.run_ms(2000);
    }
    size_t size_of(const std::string& name) const { return dir_.has_file(name) ? dir_.read_file(name).size() : 0; }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
};

TEST_F(ShowTablesStart, TheFirstStartWritesTheTablesAndReadsTheDemoDefinitions) {
    dir_.write_file("lib/xu3/FW1.XU3", std::vector<uint8_t>{1});
    start();
    ASSERT_FALSE(rig_.finished());

    EXPECT_EQ(size_of("data/transp.dat"), 22402u);
    EXPECT_EQ(size_of("data/mshow.dat"), 2304u);
    EXPECT_EQ(size_of("data/soft.dat"), 14336u);
    EXPECT_EQ(size_of("data/groupa.dat"), 29200u);
    EXPECT_EQ(size_of("lib/fulllib.dat"), 2u + 51u);
    const std::vector<uint8_t> setup = dir_.read_file("data/setup.dat");
    ASSERT_EQ(setup.size(), 115207u);
    for (size_t flag : {setup::kSetupTransparencySaved, setup::kSetupMidiShowSaved, setup::kSetupSoftPatchSaved,
                        setup::kSetupGroupingsSaved}) {
        EXPECT_EQ(setup[12 + flag], 1) << "flag at " << flag;
    }

    // The demo's definitions: no warning, the macros, statuses and tuning read.
    EXPECT_EQ(datafiles::warning_bar_texts, std::vector<std::string>{"LIBRARY CHANGE DETECTED! PLEASE WAIT..."});
    EXPECT_STREQ(datafiles::effect_macro_table[3].name_line1.data(), "COLOR");
    EXPECT_EQ(datafiles::effect_macro_table[3].defined_blocks, 3);
    EXPECT_EQ(datafiles::effect_macro_table[3].loop_effect, 1);
    EXPECT_EQ(synchro::midi_status_class[0xB0], 2);
    EXPECT_EQ(synchro::midi_status_words[0xC0], 2);
    EXPECT_EQ(synchro::audio_input_setup[3], 200);
    EXPECT_TRUE(datafiles::definition_messages.empty());
    EXPECT_EQ(datafiles::transp_table[11201], (std::array<uint8_t, 2>{1, 1}));
}

TEST_F(ShowTablesStart, ASecondStartTrustsWhatTheFirstWrote) {
    start();
    ASSERT_FALSE(rig_.finished());
    std::vector<uint8_t> transp = dir_.read_file("data/transp.dat");
    transp[2 * 99] = 0;  // cue slot 100: playbacks OFF, as if the editor had stored it
    dir_.write_file("data/transp.dat", transp);
    programmer::grouping_table[1].subgroup_count = 1;  // edited, not saved
    datafiles::reset_warning_bar_globals();
    dir_.remove_file("macro.def");  // read once per run: not missed

    restart();
    EXPECT_EQ(runtime::restart_requested, 0);
    EXPECT_EQ(datafiles::transp_table[100][0], 0);
    EXPECT_EQ(dir_.read_file("data/transp.dat"), transp);
    EXPECT_EQ(programmer::grouping_table[1].subgroup_count, 0);  // back as on file
    EXPECT_TRUE(datafiles::warning_bar_texts.empty());
    EXPECT_EQ(datafiles::effect_macro_table[1].figure[2], 60);
}

}  // namespace
