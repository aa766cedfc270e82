// The texts of timecode events: the table's event column with memory and cue
// names, the short texts of the LAST/NEXT fields, and the time column.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "../programmer/programmer_test_rig.h"
#include "memories/memory_index.h"
#include "playback/cue_tables.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_texts.h"

namespace {

void name(datafiles::EntryName& entry, std::string_view text) {
    entry.fill('\0');
    std::copy(text.begin(), text.end(), entry.begin());
}

class TimecodeTexts : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
        synchro::timecode_frame_rate = 2;  // "25"
        name(memories::memory_index[5].name, "INTRO");
        name(playback::cue_header_table[static_cast<size_t>(playback::cue_slot_of(2, 7, 1))].name, "VERSE");
        name(playback::cue_header_table[static_cast<size_t>(playback::cue_slot_of(2, 7, 3))].name, "DROP");
    }
};

TEST_F(TimecodeTexts, EveryLetterInTheTableAndInTheTransportFields) {
    struct Case {
        const char* text;
        const char* row;
        const char* short_text;
    };
    constexpr const char* kError = "!! ERROR !!";
    const Case cases[] = {
        {"M 5", "MEMORY 5 [INTRO]", "MEMORY 5"},
        {"M 6", "MEMORY 6", "MEMORY 6"},
        {"m 5", "MEMORY 5 [INTRO]", kError},  // small letters: a memory in the table only
        {"C 2 7", "PAGE 02 - CUE 07 [VERSE]", "PAGE 02  CUE 07"},
        {"C 3 1", "PAGE 03 - CUE 01", "PAGE 03  CUE 01"},
        {"P 2 7 3", "PAGE 02 - CUE 07.2 [DROP]", "PAGE 02  CUE 07.2"},
        {"P 2 7 1", "PAGE 02 - CUE 07.0 [VERSE]", "PAGE 02  CUE 07.0"},
        {"R 0", "REPLACE-ALL MODE - OFF", "REPLACE-ALL OFF"},
        {"R 1", "REPLACE-ALL MODE - ON", "REPLACE-ALL ON"},
        {"S 0 1 1", "SEQ A,B,C,D - START", "SEQ A,B,C,D - START"},
        {"S 1 1 0", "SEQ A - STOP", "SEQ A - STOP"},
        {"S 2 2 1", "SEQ B - LEFT", "SEQ B - LEFT"},
        {"S 2 2 3", "SEQ B - RANDOM", "SEQ B - RANDOM"},
        {"S 3 3 0", "SEQ C - ASYNCHRONIC", "SEQ C - ASYNC"},
        {"S 3 3 1", "SEQ C - SYNCHRONIC", "SEQ C - SYNC"},
        {"S 4 4 0", "SEQ D - AUTOMATIC", "SEQ D - AUTO"},
        {"S 4 4 1", "SEQ D - MANUAL", "SEQ D - MAN"},
        {"S 1 5 0", "SEQ A - AUTO-TRIGGER MODE", "SEQ A - AUTO-TRIGGER MODE"},
        {"S 0 5 1", "SEQ A,B,C,D - MAN. TRIGGER", "SEQ A,B,C,D - MAN. TRIGGER"},  // GO as recorded
        {"S 1 5", "SEQ A - TRIGGER", "SEQ A - TRIGGER"},                        // GO as the player reads it
        {"F 1 3661.200", "GRANDMASTER - 01/01/01/05", "GRANDMASTER"},
        {"F 2 0000.500", "FLASHMASTER - 00/00/00/12", "FLASHMASTER"},
        {"F 4 0002.000", "SUBMASTER 2 - 00/00/02/00", "SUBMASTER 2"},
        {"F 107 0002.000", "PLAYBACK 07 - 00/00/02/00", "PLAYBACK 7"},
        {"F 50 0001.000", "", ""},
        {"G 00000.000", "GOTO TIME - 00/00/00/00", "GOTO"},
        {"G 00090.040", "GOTO TIME - 00/01/30/01", "GOTO"},
        {"END", "END", "END"},
        {"end", "END", "END"},
        // numbers missing, or naming nothing there is
        {"", kError, kError},
        {"X 1", kError, kError},
        {"ENDE", kError, kError},
        {"M", kError, kError},
        {"M 0", kError, kError},
        {"M 4001", kError, kError},
        {"C 1", kError, kError},
        {"C 17 1", kError, kError},
        {"P 1 71 1", kError, kError},
        {"P 1 1 11", kError, kError},
        {"R 2", kError, kError},
        {"S 5 1 1", kError, kError},
        {"S 1 6 0", kError, kError},
        {"S 1 1 2", kError, kError},
        {"S 1 2", kError, kError},
        {"F 1", kError, kError},
        {"G", kError, kError},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(synchro::format_event_row_text(c.text).data(), c.row) << '"' << c.text << '"';
        EXPECT_STREQ(synchro::format_event_short_text(c.text).data(), c.short_text) << '"' << c.text << '"';
    }
}

// A text of all 20 bytes, without a terminator, is read no further.
TEST_F(TimecodeTexts, AFullTextWithoutTerminatorIsReadToItsEnd) {
    const std::string text = "M 5                 ";
    ASSERT_EQ(text.size(), 20u);
    EXPECT_STREQ(synchro::format_event_row_text(text).data(), "MEMORY 5 [INTRO]");
    EXPECT_STREQ(synchro::format_event_short_text(std::string(20, 'x')).data(), "!! ERROR !!");
}

TEST_F(TimecodeTexts, TheTimeColumnSplitsAtTheSelectedRate) {
    struct Case {
        uint8_t rate;
        double t;
        const char* text;
    };
    for (const Case& c : {Case{1, 3599.5, "00/59/59/12"}, Case{2, 36000.96, "10/00/00/24"},
                          Case{3, 61.5, "00/01/01/15"}, Case{4, 0.0, "00/00/00/00"}}) {
        synchro::timecode_frame_rate = c.rate;
        EXPECT_STREQ(synchro::format_event_time(c.t).data(), c.text) << int{c.rate} << ' ' << c.t;
    }
}

}  // namespace
