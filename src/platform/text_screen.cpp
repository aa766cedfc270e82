#include "platform/text_screen.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/machine.h"

namespace platform {

namespace {

constexpr uint8_t kIntensityBit = 0x08;
constexpr size_t kFormatBufferSize = 2048;  // more than a whole screen

// How a character written to the screen is laid down.
enum class Writer {
    conio,    // current attribute; "\n" moves down only
    console,  // cell attribute kept; "\n" is a new line at column 1
};

TextScreen& screen() { return machine().text; }

bool on_screen(int column, int row) {
    return column >= 1 && column <= kTextColumns && row >= 1 && row <= kTextRows;
}

size_t cell_index(int column, int row) {
    return static_cast<size_t>((row - 1) * kTextColumns + (column - 1));
}

void changed(TextScreen& s) { ++s.revision; }

void fill_cells(TextScreen& s, size_t first, size_t count, uint8_t attribute) {
    for (size_t i = first; i < first + count && i < s.cells.size(); ++i) {
        s.cells[i] = TextCell{' ', attribute};
    }
}

void scroll_up(TextScreen& s, uint8_t attribute) {
    for (size_t i = 0; i + kTextColumns < s.cells.size(); ++i) {
        s.cells[i] = s.cells[i + kTextColumns];
    }
    fill_cells(s, s.cells.size() - kTextColumns, kTextColumns, attribute);
}

void line_feed(TextScreen& s, uint8_t scroll_attribute) {
    if (s.cursor_y < kTextRows) {
        ++s.cursor_y;
    } else {
        scroll_up(s, scroll_attribute);
    }
}

void write_character(TextScreen& s, uint8_t c, Writer writer) {
    if (!on_screen(s.cursor_x, s.cursor_y)) {
        s.cursor_x = 1;
        s.cursor_y = 1;
    }
    const uint8_t scroll_attribute = writer == Writer::conio ? s.attribute : kNormalTextAttribute;
    switch (c) {
        case '\a':
            break;
        case '\b':
            if (s.cursor_x > 1) --s.cursor_x;
            break;
        case '\r':
            s.cursor_x = 1;
            break;
        case '\n':
            if (writer == Writer::console) s.cursor_x = 1;
            line_feed(s, scroll_attribute);
            break;
        default: {
            TextCell& cell = s.cells[cell_index(s.cursor_x, s.cursor_y)];
            cell.character = c;
            if (writer == Writer::conio) cell.attribute = s.attribute;
            if (++s.cursor_x > kTextColumns) {
                s.cursor_x = 1;
                line_feed(s, scroll_attribute);
            }
            break;
        }
    }
    changed(s);
}

int write_text(const char* text, size_t length, Writer writer) {
    TextScreen& s = screen();
    for (size_t i = 0; i < length; ++i) write_character(s, static_cast<uint8_t>(text[i]), writer);
    return static_cast<int>(length);
}

int write_formatted(Writer writer, const char* format, va_list args) {
    if (format == nullptr) return 0;
    std::array<char, kFormatBufferSize> buffer{};
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(buffer.data(), buffer.size(), format, args);
    if (length < 0) {
        va_end(again);
        return -1;
    }
    if (static_cast<size_t>(length) < buffer.size()) {
        va_end(again);
        return write_text(buffer.data(), static_cast<size_t>(length), writer);
    }
    std::string long_text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(long_text.data(), long_text.size(), format, again);
    va_end(again);
    return write_text(long_text.data(), static_cast<size_t>(length), writer);
}

void reset_screen(TextScreen& s) {
    fill_cells(s, 0, s.cells.size(), kNormalTextAttribute);
    s.attribute = kNormalTextAttribute;
    s.cursor_x = 1;
    s.cursor_y = 1;
    s.cursor_shape = kCursorNormal;
    changed(s);
}

// VGA colour order (blue first) to the ANSI order (red first).
constexpr std::array<int, 8> kAnsiColour = {0, 4, 2, 6, 1, 5, 3, 7};

void append_sgr(std::string& out, uint8_t attribute) {
    const int foreground = attribute & 0x0F;
    const int background = (attribute >> 4) & 0x07;
    const int fg_code = (foreground & kIntensityBit ? 90 : 30) + kAnsiColour[foreground & 0x07];
    const int bg_code = 40 + kAnsiColour[background];
    out += "\x1b[0;" + std::to_string(fg_code) + ";" + std::to_string(bg_code) + "m";
}

}  // namespace

bool TextScreen::push_key(uint8_t character) {
    if (key_count >= kKeyQueueSize) return false;
    keys[static_cast<size_t>(key_head + key_count) % keys.size()] = character;
    ++key_count;
    return true;
}

bool TextScreen::push_extended_key(uint8_t code) {
    if (key_count > kKeyQueueSize - 2) return false;
    push_key(0);
    push_key(code);
    return true;
}

std::string TextScreen::row_text(int row, bool keep_trailing_blanks) const {
    if (row < 1 || row > kTextRows) return {};
    std::string text(kTextColumns, ' ');
    for (int column = 1; column <= kTextColumns; ++column) {
        text[static_cast<size_t>(column - 1)] = static_cast<char>(cells[cell_index(column, row)].character);
    }
    if (!keep_trailing_blanks) {
        const size_t end = text.find_last_not_of(' ');
        text.resize(end == std::string::npos ? 0 : end + 1);
    }
    return text;
}

uint8_t TextScreen::character_at(int column, int row) const {
    return on_screen(column, row) ? cells[cell_index(column, row)].character : 0;
}

uint8_t TextScreen::attribute_at(int column, int row) const {
    return on_screen(column, row) ? cells[cell_index(column, row)].attribute : 0;
}

std::string TextScreen::render_ansi() const {
    std::string out = "\x1b[?25l\x1b[H";
    for (int row = 1; row <= kTextRows; ++row) {
        int last_attribute = -1;
        for (int column = 1; column <= kTextColumns; ++column) {
            const TextCell& cell = cells[cell_index(column, row)];
            if (cell.attribute != last_attribute) {
                append_sgr(out, cell.attribute);
                last_attribute = cell.attribute;
            }
            // Only printable ASCII goes to the terminal; anything else shows as a blank.
            const bool printable = cell.character >= 0x20 && cell.character < 0x7F;
            out += printable ? static_cast<char>(cell.character) : ' ';
        }
        out += "\x1b[0m";
        if (row < kTextRows) out += "\r\n";
    }
    out += "\x1b[" + std::to_string(cursor_y) + ";" + std::to_string(cursor_x) + "H";
    if (cursor_shape != kCursorHidden) out += "\x1b[?25h";
    return out;
}

void clrscr() {
    TextScreen& s = screen();
    fill_cells(s, 0, s.cells.size(), s.attribute);
    s.cursor_x = 1;
    s.cursor_y = 1;
    changed(s);
}

void gotoxy(int x, int y) {
    if (!on_screen(x, y)) return;
    TextScreen& s = screen();
    s.cursor_x = x;
    s.cursor_y = y;
    changed(s);
}

void textcolor(int colour) {
    if (colour < 0 || colour > 15) return;
    TextScreen& s = screen();
    s.attribute = static_cast<uint8_t>((s.attribute & 0x70) | colour);
}

void textbackground(int colour) {
    if (colour < 0 || colour > 7) return;
    TextScreen& s = screen();
    s.attribute = static_cast<uint8_t>((s.attribute & 0x0F) | (colour << 4));
}

void highvideo() { screen().attribute |= kIntensityBit; }

void normvideo() { screen().attribute = kNormalTextAttribute; }

void _setcursortype(int shape) {
    if (shape != kCursorHidden && shape != kCursorSolid && shape != kCursorNormal) return;
    TextScreen& s = screen();
    s.cursor_shape = shape;
    changed(s);
}

void textmode(int mode) {
    if (mode == kTextModeLast) mode = screen().mode;
    if (mode != kTextModeBw80 && mode != kTextModeColour80) return;
    TextScreen& s = screen();
    s.mode = mode;
    reset_screen(s);
}

int cprintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = write_formatted(Writer::conio, format, args);
    va_end(args);
    return written;
}

int cputs(const char* text) {
    if (text == nullptr) return 0;
    size_t length = 0;
    while (text[length] != '\0') ++length;
    write_text(text, length, Writer::conio);
    return length == 0 ? 0 : static_cast<uint8_t>(text[length - 1]);
}

int putch(int character) {
    const char c = static_cast<char>(character);
    write_text(&c, 1, Writer::conio);
    return static_cast<uint8_t>(c);
}

int kbhit() { return screen().key_count > 0 ? 1 : 0; }

int getch() {
    while (screen().key_count == 0) idle_poll();
    TextScreen& s = screen();
    const size_t head = static_cast<size_t>(s.key_head) % s.keys.size();
    const uint8_t key = s.keys[head];
    s.key_head = static_cast<int>((head + 1) % s.keys.size());
    --s.key_count;
    return key;
}

int wherex() { return screen().cursor_x; }

int wherey() { return screen().cursor_y; }

int stdout_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = write_formatted(Writer::console, format, args);
    va_end(args);
    return written;
}

int stdout_puts(const char* text) {
    if (text == nullptr) return -1;
    size_t length = 0;
    while (text[length] != '\0') ++length;
    write_text(text, length, Writer::console);
    write_text("\n", 1, Writer::console);
    return 1;
}

}  // namespace platform
