#include "platform/text_screen.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace {

using platform::Machine;

class TextScreenTest : public testing::Test {
protected:
    void SetUp() override { platform::install_machine(m.get()); }
    void TearDown() override { platform::install_machine(nullptr); }
    platform::TextScreen& screen() { return m->text; }

    std::unique_ptr<Machine> m = std::make_unique<Machine>();
};

// The framed failure screen of a missing configuration record: hidden cursor,
// screen cleared in black, yellow on red at column 15, rows 10 to 14.
TEST_F(TextScreenTest, FramedFailureMessageShowsInRowsAndAttributes) {
    const std::vector<std::string> lines = {
        " --------------- CHECKING CONFIGURATION ------------- ",
        " HIDDEN FILE 'BRAVINOX.CFG' COULD NOT BE OPENED !     ",
        " PLEASE RUN 'CONFIG.EXE' TO CONFIGURE BRAVINOX .      ",
        " PRESS ANY KEY TO RETURN TO DOS ...                   ",
        " ---------------------------------------------------- ",
    };
    platform::_setcursortype(platform::kCursorHidden);
    platform::textbackground(0);
    platform::clrscr();
    platform::textbackground(4);
    platform::textcolor(14);
    for (int i = 0; i < 5; ++i) {
        platform::gotoxy(15, 10 + i);
        platform::cprintf("%s", lines[static_cast<size_t>(i)].c_str());
    }

    for (int i = 0; i < 5; ++i) {
        const int row = 10 + i;
        const std::string text = screen().row_text(row, true);
        ASSERT_EQ(text.size(), 80u);
        EXPECT_EQ(text.substr(0, 14), std::string(14, ' ')) << "row " << row;
        EXPECT_EQ(text.substr(14, 54), lines[static_cast<size_t>(i)]) << "row " << row;
        EXPECT_EQ(text.substr(68), std::string(12, ' ')) << "row " << row;
        EXPECT_EQ(screen().attribute_at(14, row), 0x07) << "row " << row;
        EXPECT_EQ(screen().attribute_at(15, row), 0x4E) << "row " << row;
        EXPECT_EQ(screen().attribute_at(68, row), 0x4E) << "row " << row;
        EXPECT_EQ(screen().attribute_at(69, row), 0x07) << "row " << row;
    }
    EXPECT_EQ(screen().row_text(10), std::string(14, ' ') + " --------------- CHECKING CONFIGURATION -------------");
    EXPECT_EQ(screen().row_text(9), "");
    EXPECT_EQ(screen().row_text(15), "");
    EXPECT_EQ(screen().cursor_shape, platform::kCursorHidden);
    EXPECT_EQ(platform::wherex(), 69);
    EXPECT_EQ(platform::wherey(), 14);
}

// The data-file check: a question with intensity on, then the blue
// information box, and the page number formatted into the text.
TEST_F(TextScreenTest, QuestionAndInformationBoxesOfTheDataFileCheck) {
    platform::highvideo();
    platform::textbackground(4);
    platform::textcolor(14);
    platform::gotoxy(15, 11);
    platform::cprintf(" FILE 'GEN-%04d.DAT' NOT FOUND !                      ", 250);
    EXPECT_EQ(screen().row_text(11), std::string(14, ' ') + " FILE 'GEN-0250.DAT' NOT FOUND !");
    EXPECT_EQ(screen().attribute_at(15, 11), 0x4E);

    platform::textbackground(0);
    platform::clrscr();
    platform::textbackground(1);
    platform::textcolor(15);
    platform::gotoxy(15, 12);
    platform::cputs(" PLEASE WAIT ...                                     ");
    EXPECT_EQ(screen().row_text(11), "");
    EXPECT_EQ(screen().row_text(12), std::string(14, ' ') + " PLEASE WAIT ...");
    EXPECT_EQ(screen().attribute_at(15, 12), 0x1F);
    EXPECT_EQ(screen().attribute_at(1, 12), 0x0E);  // cleared with the black background and yellow
}

TEST_F(TextScreenTest, AttributeCalls) {
    struct Case {
        const char* what;
        std::function<void()> calls;
        uint8_t expected;
    };
    const std::vector<Case> cases = {
        {"start", [] {}, 0x07},
        {"highvideo on grey", [] { platform::highvideo(); }, 0x0F},
        {"yellow on red", [] { platform::textbackground(4); platform::textcolor(14); }, 0x4E},
        {"highvideo keeps the background", [] { platform::textbackground(1); platform::highvideo(); }, 0x1F},
        {"normvideo", [] { platform::textbackground(4); platform::textcolor(14); platform::normvideo(); }, 0x07},
        {"foreground 16 ignored", [] { platform::textcolor(2); platform::textcolor(16); }, 0x02},
        {"negative foreground ignored", [] { platform::textcolor(-1); }, 0x07},
        {"background 8 ignored", [] { platform::textbackground(3); platform::textbackground(8); }, 0x37},
    };
    for (const Case& c : cases) {
        screen().attribute = platform::kNormalTextAttribute;
        c.calls();
        EXPECT_EQ(screen().attribute, c.expected) << c.what;
    }
}

TEST_F(TextScreenTest, ConioTextWrapsAtColumn80) {
    platform::gotoxy(75, 3);
    platform::cputs("ABCDEFGHIJ");
    EXPECT_EQ(screen().row_text(3), std::string(74, ' ') + "ABCDEF");
    EXPECT_EQ(screen().row_text(4), "GHIJ");
    EXPECT_EQ(platform::wherex(), 5);
    EXPECT_EQ(platform::wherey(), 4);
}

TEST_F(TextScreenTest, ConioLineFeedKeepsTheColumnAndCarriageReturnGoesToColumn1) {
    platform::gotoxy(10, 5);
    platform::cputs("AB\nCD\r\nEF");
    EXPECT_EQ(screen().row_text(5), std::string(9, ' ') + "AB");
    EXPECT_EQ(screen().row_text(6), std::string(11, ' ') + "CD");
    EXPECT_EQ(screen().row_text(7), "EF");
    platform::putch('\b');
    platform::putch('X');
    EXPECT_EQ(screen().row_text(7), "EX");
}

TEST_F(TextScreenTest, ConioScrollsAtRow25WithTheCurrentAttribute) {
    for (int row = 1; row <= 25; ++row) {
        platform::gotoxy(1, row);
        platform::cprintf("ROW%02d", row);
    }
    platform::textbackground(1);
    platform::cputs("\r\nNEW");
    EXPECT_EQ(screen().row_text(1), "ROW02");
    EXPECT_EQ(screen().row_text(24), "ROW25");
    EXPECT_EQ(screen().row_text(25), "NEW");
    EXPECT_EQ(screen().attribute_at(80, 25), 0x17);  // the new row is blanked in the current attribute
    EXPECT_EQ(screen().attribute_at(80, 24), 0x07);
    EXPECT_EQ(platform::wherey(), 25);
}

TEST_F(TextScreenTest, WritingTheLastCellScrollsAtOnce) {
    platform::gotoxy(1, 1);
    platform::cputs("TOP");
    platform::gotoxy(80, 25);
    platform::putch('X');
    EXPECT_EQ(screen().row_text(1), "");
    EXPECT_EQ(screen().row_text(24), std::string(79, ' ') + "X");
    EXPECT_EQ(screen().row_text(25), "");
    EXPECT_EQ(platform::wherex(), 1);
    EXPECT_EQ(platform::wherey(), 25);
}

TEST_F(TextScreenTest, GotoxyOffTheScreenIsIgnored) {
    platform::gotoxy(7, 8);
    const int bad[][2] = {{0, 5}, {81, 5}, {5, 0}, {5, 26}, {-1, -1}};
    for (const auto& p : bad) {
        platform::gotoxy(p[0], p[1]);
        EXPECT_EQ(platform::wherex(), 7) << p[0] << "," << p[1];
        EXPECT_EQ(platform::wherey(), 8) << p[0] << "," << p[1];
    }
    platform::gotoxy(80, 25);
    EXPECT_EQ(platform::wherex(), 80);
    EXPECT_EQ(platform::wherey(), 25);
}

TEST_F(TextScreenTest, StandardOutputStartsNewLinesAndKeepsCellAttributes) {
    platform::textbackground(4);
    platform::clrscr();
    platform::textcolor(14);
    platform::gotoxy(5, 2);
    platform::stdout_printf("%d:%d ", 3, 255);
    platform::stdout_printf("\n");
    platform::stdout_puts("ERROR");
    EXPECT_EQ(screen().row_text(2), "    3:255");
    EXPECT_EQ(screen().row_text(3), "ERROR");
    EXPECT_EQ(screen().attribute_at(5, 2), 0x47);
    EXPECT_EQ(screen().attribute_at(1, 3), 0x47);
    EXPECT_EQ(platform::wherex(), 1);
    EXPECT_EQ(platform::wherey(), 4);
}

TEST_F(TextScreenTest, FormattedTextLongerThanTheScreenIsWrittenWhole) {
    const std::string long_text(2100, 'Z');
    platform::cprintf("%sEND", long_text.c_str());
    // 2103 characters from 1,1: 2000 fill the screen, 80 more a scrolled row,
    // the last 23 start the bottom row.
    EXPECT_EQ(screen().row_text(25), std::string(20, 'Z') + "END");
    EXPECT_EQ(screen().row_text(1), std::string(80, 'Z'));
}

struct PollCounter {
    Machine* machine = nullptr;
    int calls = 0;
    int push_after = 0;
    bool key_waiting_while_polled = false;
};

void poll_pushing_a_key(void* context) {
    auto* p = static_cast<PollCounter*>(context);
    ++p->calls;
    if (platform::kbhit()) p->key_waiting_while_polled = true;
    if (p->calls == p->push_after) p->machine->text.push_key('y');
}

TEST_F(TextScreenTest, GetchOnAnEmptyQueuePollsUntilAKeyArrives) {
    PollCounter counter{m.get(), 0, 7, false};
    m->hooks.context = &counter;
    m->hooks.poll = &poll_pushing_a_key;
    platform::gotoxy(3, 3);
    const uint64_t revision = screen().revision;

    EXPECT_EQ(platform::getch(), 'y');
    EXPECT_EQ(counter.calls, 7);
    EXPECT_FALSE(counter.key_waiting_while_polled);
    EXPECT_EQ(screen().revision, revision);  // no echo
    EXPECT_EQ(screen().row_text(3), "");
    EXPECT_EQ(platform::kbhit(), 0);
}

TEST_F(TextScreenTest, GetchWithAKeyWaitingDoesNotPoll) {
    PollCounter counter{m.get(), 0, 1, false};
    m->hooks.context = &counter;
    m->hooks.poll = &poll_pushing_a_key;
    screen().push_key('N');
    EXPECT_EQ(platform::getch(), 'N');
    EXPECT_EQ(counter.calls, 0);
}

TEST_F(TextScreenTest, ExtendedKeysGiveZeroThenTheCode) {
    EXPECT_EQ(platform::kbhit(), 0);
    screen().push_extended_key(0x3B);  // F1
    screen().push_key('A');
    EXPECT_NE(platform::kbhit(), 0);
    EXPECT_EQ(platform::getch(), 0);
    EXPECT_EQ(platform::getch(), 0x3B);
    EXPECT_EQ(platform::getch(), 'A');
    EXPECT_EQ(platform::kbhit(), 0);
}

TEST_F(TextScreenTest, FullQueueDropsKeysAndNeverSplitsAnExtendedKey) {
    for (int i = 0; i < platform::kKeyQueueSize - 1; ++i) {
        ASSERT_TRUE(screen().push_key(static_cast<uint8_t>('a' + i % 26)));
    }
    EXPECT_FALSE(screen().push_extended_key(0x48));
    EXPECT_EQ(screen().pending_keys(), platform::kKeyQueueSize - 1);
    EXPECT_TRUE(screen().push_key('!'));
    EXPECT_FALSE(screen().push_key('?'));

    // The queue wraps: take two, an extended key fits again, order is kept.
    EXPECT_EQ(platform::getch(), 'a');
    EXPECT_EQ(platform::getch(), 'b');
    EXPECT_TRUE(screen().push_extended_key(0x48));
    for (int i = 2; i < platform::kKeyQueueSize - 1; ++i) platform::getch();
    EXPECT_EQ(platform::getch(), '!');
    EXPECT_EQ(platform::getch(), 0);
    EXPECT_EQ(platform::getch(), 0x48);
    EXPECT_EQ(platform::kbhit(), 0);
}

TEST_F(TextScreenTest, RevisionMovesOnVisibleChangesOnly) {
    uint64_t last = screen().revision;
    auto moved = [&] {
        const bool changed = screen().revision != last;
        last = screen().revision;
        return changed;
    };
    platform::textcolor(4);
    platform::textbackground(2);
    platform::highvideo();
    EXPECT_FALSE(moved());
    platform::putch('A');
    EXPECT_TRUE(moved());
    platform::gotoxy(10, 10);
    EXPECT_TRUE(moved());
    platform::_setcursortype(platform::kCursorHidden);
    EXPECT_TRUE(moved());
    platform::clrscr();
    EXPECT_TRUE(moved());
    screen().push_key('k');
    platform::getch();
    EXPECT_FALSE(moved());
}

TEST_F(TextScreenTest, TextModeResetsTheScreenAndRefusesOtherModes) {
    platform::_setcursortype(platform::kCursorHidden);
    platform::textbackground(4);
    platform::textcolor(14);
    platform::gotoxy(15, 10);
    platform::cputs("BOX");

    platform::textmode(1);  // 40 columns: not this screen
    EXPECT_EQ(screen().row_text(10), std::string(14, ' ') + "BOX");

    platform::textmode(platform::kTextModeColour80);
    EXPECT_EQ(screen().row_text(10), "");
    EXPECT_EQ(screen().attribute_at(15, 10), 0x07);
    EXPECT_EQ(screen().attribute, 0x07);
    EXPECT_EQ(screen().cursor_shape, platform::kCursorNormal);
    EXPECT_EQ(platform::wherex(), 1);
    EXPECT_EQ(platform::wherey(), 1);
}

TEST_F(TextScreenTest, ReadersRefuseCellsOffTheScreen) {
    platform::cputs("Q");
    EXPECT_EQ(screen().character_at(1, 1), 'Q');
    EXPECT_EQ(screen().character_at(0, 1), 0);
    EXPECT_EQ(screen().character_at(81, 1), 0);
    EXPECT_EQ(screen().attribute_at(1, 26), 0);
    EXPECT_EQ(screen().row_text(0), "");
    EXPECT_EQ(screen().row_text(26), "");
}

TEST_F(TextScreenTest, AnsiRenderingCarriesColoursAndCursor) {
    platform::_setcursortype(platform::kCursorHidden);
    platform::textbackground(4);
    platform::textcolor(14);
    platform::gotoxy(15, 10);
    platform::cputs("HELLO");
    std::string ansi = screen().render_ansi();
    EXPECT_NE(ansi.find("\x1b[0;93;41mHELLO\x1b[0;37;40m"), std::string::npos);  // yellow on red, then grey on black
    EXPECT_NE(ansi.find("\x1b[10;20H"), std::string::npos);
    EXPECT_EQ(ansi.find("\x1b[?25h"), std::string::npos);
    size_t rows = 1;
    for (size_t at = ansi.find("\r\n"); at != std::string::npos; at = ansi.find("\r\n", at + 2)) ++rows;
    EXPECT_EQ(rows, 25u);

    platform::_setcursortype(platform::kCursorNormal);
    ansi = screen().render_ansi();
    EXPECT_NE(ansi.find("\x1b[?25h"), std::string::npos);
}

}  // namespace
