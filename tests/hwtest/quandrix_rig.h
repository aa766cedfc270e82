// The hardware test program in the rig: a program directory with a key
// layout, cards fitted by the test, the program started as
// C:\BRAVINOX\QUANDRIX.EXE, and helpers that read what it drew.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "hwtest/test_menu.h"
#include "platform/card_bus.h"
#include "platform/graphics.h"
#include "rig/program_dir.h"
#include "rig/rig.h"

namespace quandrix_rig {

constexpr const char* kProgramPath = "C:\\BRAVINOX\\QUANDRIX.EXE";
constexpr int kConsoleSlot = 0;

// Card options of cell 1126.
constexpr uint8_t kAnalogueFaders = 0x01;
constexpr uint8_t kFunctionBelts = 0x02;
constexpr uint8_t kSequenceBelts = 0x04;
constexpr uint8_t kDisplays = 0x08;
constexpr uint8_t kHardwareKeys = 0x10;
constexpr uint8_t kAllOptions = 0x1F;

struct LayoutKey {
    int key = 0;
    int column = 0;
    int row = 0;
};

// A line with numbers at fixed character positions, the rest blanks.
inline std::string fixed_line(const std::vector<std::pair<size_t, std::string>>& fields) {
    std::string line(72, ' ');
    for (const auto& [position, text] : fields) {
        if (line.size() < position + text.size()) line.resize(position + text.size(), ' ');
        line.replace(position, text.size(), text);
    }
    return line;
}

// keyboard.cfg as the layout tool writes it: twelve lines of heading, the
// second-LED offsets on line 13, four more heading lines, then each key on
// an even line with a rule line after it; lines end in CR LF.
inline std::string key_layout_file(const std::vector<LayoutKey>& keys, int column_offset = 0, int row_offset = 8) {
    std::string file;
    for (int line = 1; line <= 12; ++line) file += "; key layout heading " + std::to_string(line) + "\r\n";
    file += fixed_line({{1, std::to_string(column_offset)}, {33, std::to_string(row_offset)}}) + "\r\n";
    for (int line = 14; line <= 17; ++line) file += "; key  column  row  external\r\n";
    for (const LayoutKey& k : keys) {
        file += fixed_line({{1, std::to_string(k.key)},
                            {33, std::to_string(k.column)},
                            {49, std::to_string(k.row)},
                            {65, std::to_string(k.key)}}) +
                "\r\n";
        file += ";-------------------------------------------------------------\r\n";
    }
    return file;
}

inline platform::CardSettings card_with(uint8_t options, const char* version = "338") {
    platform::CardSettings card;
    card.options = options;
    for (size_t i = 0; i < card.firmware_version.size(); ++i) {
        card.firmware_version[i] = static_cast<uint8_t>(version[i]);
    }
    return card;
}

struct DrawnText {
    int x = 0;
    int y = 0;
    std::string text;
};

// Every _outtextxy still in the graphics call log, oldest first.
inline std::vector<DrawnText> drawn_texts(const platform::Machine& machine) {
    std::vector<DrawnText> texts;
    for (const std::string& line : machine.graphics.call_log()) {
        DrawnText t;
        int consumed = 0;
        if (std::sscanf(line.c_str(), "_outtextxy(%d,%d,\"%n", &t.x, &t.y, &consumed) != 2 || consumed == 0) continue;
        const size_t end = line.rfind("\")");
        if (end == std::string::npos || end < static_cast<size_t>(consumed)) continue;
        t.text = line.substr(static_cast<size_t>(consumed), end - static_cast<size_t>(consumed));
        texts.push_back(t);
    }
    return texts;
}

// The text last drawn at (x, y); "" when none.
inline std::string text_at(const platform::Machine& machine, int x, int y) {
    std::string found;
    for (const DrawnText& t : drawn_texts(machine)) {
        if (t.x == x && t.y == y) found = t.text;
    }
    return found;
}

// The text last drawn on line y, wherever it starts.
inline DrawnText text_on_line(const platform::Machine& machine, int y) {
    DrawnText found;
    for (const DrawnText& t : drawn_texts(machine)) {
        if (t.y == y) found = t;
    }
    return found;
}

class Quandrix {
public:
    Quandrix() { dir.map_drive(rig.machine()); }

    platform::Machine& machine() { return rig.machine(); }
    platform::CardBus& cards() { return rig.machine().cards; }

    void write_layout(const std::vector<LayoutKey>& keys = {{1, 0, 0}, {2, 1, 0}}) {
        dir.write_text("keyboard.cfg", key_layout_file(keys));
    }

    // Starts the program and lets it run until it waits in its main menu
    // (or has ended).
    void start() {
        rig.start([] {
            const char* const arguments[] = {kProgramPath, nullptr};
            hwtest::quandrix_main(1, arguments);
        });
        rig.run_ms(20);
    }

    // PC keys typed, then time for the program to answer them.
    void type(std::string_view keys, uint32_t run_ms = 300) {
        rig.type(keys);
        rig.run_ms(run_ms);
    }

    std::string result_text() { return text_on_line(machine(), hwtest::kResultBoxY + 20).text; }
    std::string status_text() { return text_at(machine(), 0, 466); }

    rig::Rig rig;
    rig::ProgramDir dir;
};

}  // namespace quandrix_rig
