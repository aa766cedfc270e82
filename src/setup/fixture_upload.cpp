#include "setup/fixture_upload.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/channel_levels.h"
#include "runtime/mouse_input.h"
#include "runtime/timers.h"
#include "setup/saved_area.h"
#include "setup/setup_colours.h"
#include "setup/setup_loop.h"
#include "setup/setup_screen.h"
#include "setup/upload_file.h"
#include "ui/helpers.h"
#include "ui/text_entry.h"

namespace setup {

std::string upload_file_stem;
std::vector<std::string> upload_text_rows;
int16_t upload_text_row_count = 0;
int16_t upload_text_top_row = 1;

void reset_fixture_upload_globals() {
    upload_file_stem.clear();
    upload_text_rows.clear();
    upload_text_row_count = 0;
    upload_text_top_row = 1;
}

namespace {

constexpr int16_t kTextSize = 4;
constexpr int kShownRows = 19;
constexpr int32_t kErrorHz = kSetupRefusalHz;
constexpr uint32_t kError_ms = 1000;
constexpr int kErrorTones = 3;
constexpr uint32_t kAckWait_ms = 10;
constexpr uint32_t kBlockPauseExtra_ms = 20;
constexpr uint16_t kUploadParameter = 100;
constexpr int kStartBufferBytes = 16;
constexpr int16_t kBarLeft = 281, kBarRight = 399, kBarTop = 286, kBarBottom = 288;

enum Command : uint8_t { kEnd = 0, kClear = 1, kStart = 2, kPrepare = 3, kByte = 4 };

struct Box {
    int16_t x1, y1, x2, y2;
};

// Choices are taken strictly inside their boxes.
bool clicked_in(const Box& b) {
    return runtime::mouse_x > b.x1 && runtime::mouse_x < b.x2 && runtime::mouse_y > b.y1 && runtime::mouse_y < b.y2;
}

void set_small_text() { ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize); }

void text_at(int x, int y, int16_t colour, const std::string& text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void draw_triangle(int16_t x1, int16_t y1, int16_t x2, int16_t y2, bool up) {
    platform::_setcolor(kSetupWhite);
    const int mid = (x1 + x2) / 2;
    for (int k = 0; k <= 4; ++k) {
        const int y = up ? (y1 + y2) / 2 - 2 + k : (y1 + y2) / 2 + 2 - k;
        platform::_line(mid - k, y, mid + k, y);
    }
}

void draw_text_rows() {
    const PointerHidden hidden;
    ui::fill_box(465, 213, 614, 411, kSetupBlack);
    for (int r = 1; r <= kShownRows; ++r) {
        const int row = upload_text_top_row + r - 1;
        if (row > upload_text_row_count) break;
        const std::string& text = upload_text_rows[static_cast<size_t>(row - 1)];
        for (size_t c = 0; c < text.size(); ++c) {
            ui::draw_entry_char_small(460, static_cast<int16_t>(204 + 10 * r), static_cast<int16_t>(c + 1), text[c], kSetupWhite);
        }
    }
}

// ------------------------------------------------------------------ the card side

struct UploadCard {
    uint16_t selector = 0;
    int line = 1;
    const runtime::DmxCardOffsets* buffers = nullptr;

    void command(uint8_t c) const { runtime::poke_card_byte(selector, upload_command_cell(line), c); }
    uint16_t counter() const { return runtime::peek_card_word(selector, kUploadCounterCell); }
    // Bytes 0..count-1 of the output buffer and of the channel level buffer.
    void fill_buffers(int count, const std::array<uint8_t, runtime::kCardChannels>& values) const {
        for (int i = 0; i < count; ++i) {
            runtime::poke_card_byte(selector, buffers->output_buffer + static_cast<uint32_t>(i), values[static_cast<size_t>(i)]);
            runtime::poke_card_byte(selector, buffers->read_back_buffer + static_cast<uint32_t>(i), values[static_cast<size_t>(i)]);
        }
    }
};

// ------------------------------------------------------------------ the dialog window

constexpr Box kWindow = {280, 200, 400, 290};
constexpr Box kCancelHit = {281, 275, 399, 290};
constexpr Box kBootHit = {281, 215, 399, 229};
constexpr Box kFullHit = {281, 230, 399, 244};
constexpr Box kStartHit = {281, 261, 399, 274};
constexpr Box kContinueHit = {285, 261, 394, 274};

void clear_window(const char* title) {
    const PointerHidden hidden;
    ui::fill_box(kWindow.x1, kWindow.y1, kWindow.x2, kWindow.y2, kSetupBlack);
    platform::_setcolor(kSetupWhite);
    platform::_rectangle(kWindow.x1, kWindow.y1, kWindow.x2, kWindow.y2);
    set_small_text();
    ui::draw_text_button(281, 201, 399, 213, kSetupRed, title, kSetupYellow);
}

void draw_button(int16_t y1, const char* label, bool usable = true) {
    const PointerHidden hidden;
    set_small_text();
    ui::draw_text_button(281, y1, 399, static_cast<int16_t>(y1 + 12), usable ? kSetupBlue : kSetupBlack, label,
                         usable ? kSetupYellow : kSetupDarkGrey);
}

void draw_cancel() { draw_button(276, "CANCEL"); }

void draw_lines(const std::array<const char*, 3>& lines) {
    const PointerHidden hidden;
    set_small_text();
    for (size_t i = 0; i < lines.size(); ++i) text_at(284, 218 + 13 * static_cast<int>(i), kSetupWhite, lines[i]);
}

// The next left click (the pointer is read each pass).
void wait_left_click() {
    for (;;) {
        read_setup_key();
        runtime::read_mouse(0);
        if (runtime::mouse_buttons == runtime::kMouseLeft) return;
    }
}

// 1..4, or 0 for CANCEL.
int choose_interface() {
    clear_window("UPDATE FIXTURES");
    for (int i = 1; i <= 4; ++i) {
        std::array<char, 16> label{};
        std::snprintf(label.data(), label.size(), "INTERFACE %d", i);
        draw_button(static_cast<int16_t>(201 + 15 * i), label.data(), runtime::card_firmware_versions[static_cast<size_t>(i)] >= kFirstUploadFirmware);
    }
    draw_cancel();
    for (;;) {
        show_setup_status("++ SELECT INTERFACE ++");
        wait_left_click();
        if (clicked_in(kCancelHit)) return 0;
        for (int i = 1; i <= 4; ++i) {
            if (!clicked_in({281, static_cast<int16_t>(200 + 15 * i), 399, static_cast<int16_t>(214 + 15 * i)})) continue;
            if (runtime::card_firmware_versions[static_cast<size_t>(i)] >= kFirstUploadFirmware) return i;
            refuse_in_setup("Interface not selectable", kError_ms);
        }
    }
}

// kFullUpload, kBootUpload, or 0 for CANCEL.
uint8_t choose_mode() {
    clear_window("UPLOAD MODE");
    draw_button(216, "Boot Upload");
    draw_button(231, "Full Upload");
    draw_cancel();
    show_setup_status("++ SELECT UPLOAD MODE ++");
    for (;;) {
        wait_left_click();
        if (clicked_in(kCancelHit)) return 0;
        if (clicked_in(kBootHit)) return kBootUpload;
        if (clicked_in(kFullHit)) return kFullUpload;
    }
}

bool confirm_start(uint8_t mode) {
    clear_window("START UPLOAD");
    if (mode == kFullUpload) {
        draw_lines({"Press start upload", "when fixture is on.", ""});
    } else {
        draw_lines({"Put fixture off and", "wait to give it power", "until asked."});
    }
    draw_button(262, "START UPLOAD");
    draw_cancel();
    show_setup_status("++ START UPLOAD ++");
    for (;;) {
        wait_left_click();
        if (clicked_in(kCancelHit)) return false;
        if (clicked_in(kStartHit)) return true;
    }
}

// ------------------------------------------------------------------ the upload's window

void show_upload_text(const char* text, int16_t colour = kSetupWhite) {
    const PointerHidden hidden;
    ui::fill_box(281, 231, 399, 243, kSetupBlack);
    set_small_text();
    text_at(284, 233, colour, text);
}

void bar_to(int16_t x) {
    const PointerHidden hidden;
    ui::fill_box(kBarLeft, kBarTop, std::min<int16_t>(x, kBarRight), kBarBottom, kSetupRed);
}

void blank_bar() {
    const PointerHidden hidden;
    ui::fill_box(kBarLeft, kBarTop, kBarRight, kBarBottom, kSetupBlack);
}

void show_uploading() {
    clear_window("UPLOADING");
    const PointerHidden hidden;
    platform::_setcolor(kSetupLightGrey);
    platform::_rectangle(280, 285, 400, 289);
    show_upload_text("Initialising 1");
}

void error_tones() {
    for (int t = 0; t < kErrorTones; ++t) ui::beep(kErrorHz, kError_ms);
}

// Boot mode: the operator powers the fixture and presses CONTINUE.
void wait_for_continue() {
    {
        const PointerHidden hidden;
        ui::fill_box(281, 214, 399, 284, kSetupBlack);
    }
    draw_lines({"Apply power and", "wait until 'b' ", "to press continue."});
    {
        const PointerHidden hidden;
        ui::draw_text_button(286, 261, 394, 274, kSetupBlue, "CONTINUE", kSetupYellow);
    }
    show_setup_status("++ PRESS CONTINUE ++");
    runtime::show_mouse_cursor(1);
    do {
        wait_left_click();
    } while (!clicked_in(kContinueHit));
    runtime::show_mouse_cursor(0);
    show_setup_status("++ UPLOADING ++");
    show_uploading();
    bar_to(299);
}

// One data byte: false when it failed (its messages and tones given).
bool send_byte(const UploadCard& card, uint8_t byte, uint16_t count) {
    runtime::poke_card_byte(card.selector, upload_data_cell(card.line), byte);
    card.command(kByte);
    const uint32_t t0 = runtime::get_time_ms();
    bool delivered = true;
    while (runtime::peek_card_byte(card.selector, upload_ack_cell(card.line)) != kUploadAcknowledged) {
        if (runtime::get_time_ms() > t0 + kAckWait_ms) {
            if (card.counter() != count) {
                show_upload_text("Timeout Error", kSetupRed);
                error_tones();
                delivered = false;
            }
            break;
        }
        platform::idle_poll();
    }
    runtime::poke_card_byte(card.selector, upload_ack_cell(card.line), 0);
    if (card.counter() != count) {
        show_upload_text("bytessend Error", kSetupRed);
        error_tones();
        delivered = false;
    }
    return delivered;
}

// The blocks in file order; false after a failed block (no later one is sent).
bool send_blocks(const UploadCard& card, const UploadFile& file) {
    uint16_t count = 0;  // the host's count runs on across the blocks, modulo 65536
    for (size_t b = 0; b < file.blocks.size(); ++b) {
        const UploadBlock& block = file.blocks[b];
        std::array<char, 32> text{};
        std::snprintf(text.data(), text.size(), "Sending Block %d", static_cast<int>(b + 1));
        show_upload_text(text.data());
        bool failed = false;
        int shown_width = -1;
        for (uint32_t i = 0; i < block.size() && !failed; ++i) {
            count = static_cast<uint16_t>(count + 1);
            const int width = static_cast<int>((static_cast<uint64_t>(i) * 1000 / block.size()) * 118 / 1000);
            if (width != shown_width) {
                shown_width = width;
                bar_to(static_cast<int16_t>(284 + width));
            }
            failed = !send_byte(card, file.bytes[block.first + i], count);
        }
        std::snprintf(text.data(), text.size(), "Ending Block %d", static_cast<int>(b + 1));
        show_upload_text(text.data());
        blank_bar();
        wait_with_progress(block.pause_ms + kBlockPauseExtra_ms, kBarLeft, kBarTop, kBarRight, kBarBottom);
        if (failed) return false;
    }
    return true;
}

}  // namespace

void free_upload_text_rows() {
    upload_text_rows.clear();
    upload_text_rows.shrink_to_fit();
    upload_text_row_count = 0;
}

void show_upload_file(LibraryList& list) {
    {
        const PointerHidden hidden;
        ui::fill_box(464, 188, 630, 425, kSetupWhite);
        ui::fill_box(465, 189, 629, 424, kSetupBlack);
        set_small_text();
        ui::draw_text_button(465, 189, 629, 199, kSetupRed, "UPLOAD FIXTURES", kSetupYellow);
        ui::draw_text_button(465, 413, 629, 423, kSetupRed, "UPLOAD ", kSetupYellow);
        ui::fill_box(616, 213, 629, 232, kSetupBlue);
        ui::fill_box(616, 405, 629, 424, kSetupBlue);
        draw_triangle(616, 213, 629, 232, true);
        draw_triangle(616, 405, 629, 424, false);
        platform::_setcolor(kSetupWhite);
        platform::_line(615, 213, 615, 411);
    }
    free_upload_text_rows();
    upload_text_top_row = 1;
    upload_file_stem.clear();
    if (list.selected_entry < 0 || list.selected_entry >= list.entry_count) return;
    upload_file_stem = entry_text(list.entries[static_cast<size_t>(list.selected_entry)].stem);
    UploadFile file;
    const UploadRead read = read_upload_file(upload_file_path(upload_file_stem), file);
    if (read == UploadRead::damaged) refuse_in_setup(kUploadFileDamaged, kError_ms);
    if (read != UploadRead::ok) return;
    {
        const PointerHidden hidden;
        ui::fill_box(465, 201, 629, 211, kSetupBlue);
        set_small_text();
        text_at(467, 202, kSetupYellow, file.title);
    }
    upload_text_rows = split_upload_text(file.description);
    upload_text_row_count = static_cast<int16_t>(std::min<size_t>(upload_text_rows.size(), INT16_MAX));
    draw_text_rows();
}

void scroll_upload_text(int16_t direction) {
    if (direction == 0 && upload_text_top_row > 1) --upload_text_top_row;
    if (direction == 1 && upload_text_top_row < upload_text_row_count) ++upload_text_top_row;
    draw_text_rows();
}

void run_fixture_upload() {
    {
        SavedArea under_window(kWindow.x1, kWindow.y1, kWindow.x2, kWindow.y2);
        const int n = choose_interface();
        const uint8_t mode = n == 0 ? 0 : choose_mode();
        if (mode != 0 && confirm_start(mode)) {
            show_setup_status("++ UPLOADING ++");
            upload_fixture_firmware(n, mode);
        }
    }
    show_setup_status(kSetupTitle);
}

void wait_with_progress(uint32_t time_ms, int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
    if (time_ms == 0) return;
    const uint32_t start = runtime::get_time_ms();
    if (x1 != 0) {
        const PointerHidden hidden;
        ui::fill_box(x1, y1, x2, y2, kSetupBlack);
    }
    int shown = -1;
    for (;;) {
        const uint32_t elapsed = runtime::get_time_ms() - start;
        if (x1 != 0) {
            const int width = static_cast<int>((static_cast<uint64_t>(elapsed) * 1000 / time_ms) * static_cast<uint64_t>(x2 - x1) / 1000);
            if (width != shown) {
                shown = width;
                const PointerHidden hidden;
                ui::fill_box(x1, y1, static_cast<int16_t>(std::min(x1 + width, 399)), y2, kSetupRed);
            }
        }
        if (elapsed > time_ms) return;
        platform::idle_poll();
    }
}

void upload_fixture_firmware(int n, uint8_t mode) {
    if (n < 1 || n > runtime::kCardSlots) return;
    const UploadCard card{runtime::dmx_card_selectors[static_cast<size_t>(n)],
                          runtime::dmx_card_half[static_cast<size_t>(n)] == 2 ? 2 : 1,
                          &runtime::dmx_card_offsets[static_cast<size_t>(n)]};
    const std::array<uint8_t, runtime::kCardChannels> zeros{};
    runtime::show_mouse_cursor(0);
    show_setup_status("++ UPLOADING ++");
    show_uploading();
    bar_to(289);
    wait_with_progress(100, 0, 0, 0, 0);
    for (int c = 1; c <= runtime::kCardChannels; ++c) {
        runtime::set_channel_table_word(1, static_cast<int16_t>((n - 1) * runtime::kCardChannels + c), static_cast<uint16_t>(c));
    }
    bar_to(299);
    wait_with_progress(200, 0, 0, 0, 0);
    card.command(kPrepare);
    if (mode == kBootUpload) wait_for_continue();
    wait_with_progress(4000, 300, kBarTop, kBarRight, kBarBottom);
    if (mode == kFullUpload) {
        show_upload_text("Initialising 2");
        card.fill_buffers(runtime::kCardChannels, zeros);
        card.command(kClear);
        wait_with_progress(5100, kBarLeft, kBarTop, 394, kBarBottom);
        card.command(kPrepare);
        wait_with_progress(100, 395, kBarTop, kBarRight, kBarBottom);
    }
    UploadFile file;
    if (read_upload_file(upload_file_path(upload_file_stem), file) == UploadRead::ok) {
        show_upload_text("Initialising 3");
        if (mode == kFullUpload) {
            card.command(kPrepare);
            runtime::poke_card_byte(card.selector, upload_data_cell(card.line), static_cast<uint8_t>(file.start_values[0]));
            std::array<uint8_t, runtime::kCardChannels> start{};
            for (int i = 0; i < kStartBufferBytes; ++i) start[static_cast<size_t>(i)] = static_cast<uint8_t>(file.start_values[static_cast<size_t>(i + 1)]);
            card.fill_buffers(kStartBufferBytes, start);
            card.command(kStart);
            wait_with_progress(1000, kBarLeft, kBarTop, 300, kBarBottom);
        }
        card.command(kPrepare);
        wait_with_progress(4500, mode == kFullUpload ? 301 : kBarLeft, kBarTop, kBarRight, kBarBottom);
        runtime::poke_card_word(card.selector, kUploadParameterCell, kUploadParameter);
        send_blocks(card, file);
    }
    card.fill_buffers(kStartBufferBytes, zeros);
    show_upload_text("Finishing");
    wait_with_progress(1000, kBarLeft, kBarTop, kBarRight, kBarBottom);
    card.command(kEnd);
    runtime::show_mouse_cursor(1);
}

}  // namespace setup
