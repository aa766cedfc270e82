// Stage pages on paper and in files: a screen rectangle sent to the printer
// as 8-dot bit-image graphics (ESC/P) through the BIOS printer service, and
// written as a 16-colour BMP file, "%s\LIB\STAGE<page>.BMP". Both read the
// pixels back from the screen after the page was drawn there. No drawing here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// 1 while stage pages are drawn for printing or export: no grid then.
extern uint16_t stage_print_mode;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_stage_printing_globals();

constexpr uint8_t kFormFeed = 0x0C;

// True when printer port 0 is initialised and reports not busy and selected.
bool printer_ready();
// Bytes to the printer one by one; false, having stopped, once the printer reports an error.
bool send_printer_bytes(const std::string& bytes);
// ESC * density 4 for n columns.
bool send_bit_image_header(int n);
// Column x's 8 rows from y down: bit 7 the top pixel, 1 where it is not colour 0.
uint8_t read_pixel_column(int x, int y);
// Columns x1 .. x2 - 1 in bands of 8 rows from y1 while the band starts above
// y2 (the last band may reach 7 rows below y2), in 7/72 inch line spacing.
// False when the printer reported an error.
bool print_screen_area(int x1, int y1, int x2, int y2);

// The BMP of columns x1 .. x2 - 1 and rows y1 + 1 .. y2 (bottom row first),
// 4 bits a pixel, pixels right of x 465 or below row 426 white.
std::vector<uint8_t> stage_bitmap_bytes(int x1, int y1, int x2, int y2);
// "%s\LIB\STAGE%d.BMP" of the current fixture page; false when not written.
bool export_stage_bitmap(int x1, int y1, int x2, int y2);
std::string stage_bitmap_path(int page);

}  // namespace setup
