// The PC text screen and the PC keyboard as the C library's console calls
// see them.
//
// An 80 x 25 screen of cells (character and attribute byte), a cursor with a
// position and a shape, the current text attribute, and a queue of the
// characters the PC keyboard has delivered. The console's text-mode screens
// (start-up failures, the data-file check) write here through the conio
// stand-ins; the program's standard output lands here too. The host prints
// the screen whenever `revision` moves and pushes the keys it reads; tests do
// the same through the members below.
//
// Attribute byte: bits 0-3 foreground (0-15, bit 3 is high intensity),
// bits 4-6 background (0-7). Coordinates of the stand-in calls are 1-based,
// column first, as the console calls take them.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace platform {

constexpr int kTextColumns = 80;
constexpr int kTextRows = 25;
constexpr uint8_t kNormalTextAttribute = 0x07;  // light grey on black
constexpr int kKeyQueueSize = 256;

// Cursor shapes of _setcursortype.
constexpr int kCursorHidden = 0;
constexpr int kCursorSolid = 1;
constexpr int kCursorNormal = 2;

// Text modes of textmode: the 80-column modes are the ones this screen has.
constexpr int kTextModeLast = -1;
constexpr int kTextModeBw80 = 2;
constexpr int kTextModeColour80 = 3;

struct TextCell {
    uint8_t character = ' ';
    uint8_t attribute = kNormalTextAttribute;
};

struct TextScreen {
    std::array<TextCell, kTextColumns * kTextRows> cells{};
    int cursor_x = 1;  // 1-based column
    int cursor_y = 1;  // 1-based row
    int cursor_shape = kCursorNormal;
    int mode = kTextModeColour80;
    uint8_t attribute = kNormalTextAttribute;  // used by the next conio write
    uint64_t revision = 0;                     // moves on every change the host would show

    // Keyboard queue: characters in the order getch returns them.
    std::array<uint8_t, kKeyQueueSize> keys{};
    int key_head = 0;
    int key_count = 0;

    // Host and test side. A key that does not fit is dropped (false); an
    // extended key goes in as 0 then its code, both or neither.
    bool push_key(uint8_t character);
    bool push_extended_key(uint8_t code);
    int pending_keys() const { return key_count; }

    // Text of a row (1..25), trailing blanks cut unless asked to keep them;
    // "" for a row out of range.
    std::string row_text(int row, bool keep_trailing_blanks = false) const;
    // Cell contents at (column 1..80, row 1..25); 0 out of range.
    uint8_t character_at(int column, int row) const;
    uint8_t attribute_at(int column, int row) const;
    // The whole screen as ANSI terminal text: home, 25 rows with colours,
    // then the cursor placed and shown or hidden.
    std::string render_ansi() const;
};

// Stand-ins of the C library's console calls, on the installed machine.
void clrscr();                      // blanks in the current attribute, cursor to 1,1
void gotoxy(int x, int y);          // a position off the screen is ignored
void textcolor(int colour);         // 0..15; other values ignored
void textbackground(int colour);    // 0..7; other values ignored
void highvideo();                   // sets the intensity bit of the foreground
void normvideo();                   // back to the attribute the program started with
void _setcursortype(int shape);     // kCursorHidden / kCursorSolid / kCursorNormal
void textmode(int mode);            // an 80-column mode: cleared screen, normal attribute and cursor
int cprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int cputs(const char* text);        // returns the last character written
int putch(int character);
int kbhit();                        // nonzero when a key is waiting
int getch();                        // next key without echo; waits through idle_poll
int wherex();
int wherey();

// The program's standard output, which reaches the text screen through the
// DOS console device: "\n" starts a new line at column 1, the characters keep
// the attributes of the cells they land on.
int stdout_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int stdout_puts(const char* text);  // the text and a new line

}  // namespace platform
