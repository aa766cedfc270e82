// The UPLOAD FIXTURES panel of the library browser (an entry of "MARTIN
// UPLOAD": the file's title and description), the dialogs that choose the
// interface and the upload mode, and the upload itself, which drives the
// interface card's firmware through its upload cells byte by byte with an
// acknowledgement and a byte counter. The file: setup/upload_file.h.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "setup/library_list.h"

namespace setup {

constexpr uint16_t kFirstUploadFirmware = 422;
constexpr uint8_t kFullUpload = 1;
constexpr uint8_t kBootUpload = 2;

// The upload cells of an interface's card, by its output line (1 or 2).
constexpr uint32_t upload_command_cell(int line) { return line == 2 ? 0x3FE1 : 0x3FE0; }
constexpr uint32_t upload_data_cell(int line) { return line == 2 ? 0x48C : 0x488; }
constexpr uint32_t upload_ack_cell(int line) { return line == 2 ? 0x3FE3 : 0x3FE2; }
constexpr uint32_t kUploadCounterCell = 0x3FE4;    // u16, the card's count of bytes taken
constexpr uint32_t kUploadParameterCell = 0x486;   // u16
constexpr uint8_t kUploadAcknowledged = 0xAA;

// The shown file and its description rows (owned here; freed on leaving the setup).
extern std::string upload_file_stem;
extern std::vector<std::string> upload_text_rows;
extern int16_t upload_text_row_count;
extern int16_t upload_text_top_row;  // 1-based first shown row

void reset_fixture_upload_globals();

void show_upload_file(LibraryList& list);
// 0 up, 1 down: the shown rows move by one.
void scroll_upload_text(int16_t direction);
void run_fixture_upload();
// Interface n (1..4), mode kFullUpload or kBootUpload.
void upload_fixture_firmware(int n, uint8_t mode);
// Waits `time_ms` (0: returns at once); when x1 is not 0, a red bar grows in
// the blanked box from x1 toward x2 with the time elapsed, never past x 399.
void wait_with_progress(uint32_t time_ms, int16_t x1, int16_t y1, int16_t x2, int16_t y2);
void free_upload_text_rows();

}  // namespace setup
