#include "setup/stage_printing.h"

#include <array>
#include <span>

#include "datafiles/record_files.h"
#include "datafiles/whole_files.h"
#include "platform/bios.h"
#include "platform/graphics.h"
#include "runtime/console_state.h"

namespace setup {

uint16_t stage_print_mode = 0;

void reset_stage_printing_globals() { stage_print_mode = 0; }

namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr int kBandRows = 8;
constexpr int kStageRight = 465;   // pixels beyond the stage area export white
constexpr int kStageBottom = 426;
constexpr size_t kBmpFileHeaderBytes = 14;
constexpr size_t kBmpInfoHeaderBytes = 40;
constexpr size_t kBmpPaletteBytes = 16 * 4;
constexpr size_t kBmpPixelOffset = kBmpFileHeaderBytes + kBmpInfoHeaderBytes + kBmpPaletteBytes;  // 118

// BGI colour index -> the bytes of its BMP colour table entry (blue, green,
// red as the file reads them): the screen's black background turns white,
// dark text colours black, the stage colours keep a colour of their own.
constexpr std::array<std::array<uint8_t, 3>, 16> kBmpPalette = {{
    {0xFF, 0xFF, 0xFF}, {0x00, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0xFF}, {0x40, 0x40, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0x00, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0x80, 0x00},
    {0x80, 0x80, 0xFF}, {0xFF, 0x80, 0xFF}, {0x00, 0x00, 0x00}, {0x00, 0x00, 0x00},
}};

bool send_byte(uint8_t byte) {
    return platform::bios_printer(platform::kPrinterFunctionSend, byte) != platform::kPrinterError;
}

void put_u32(std::span<uint8_t> bytes, size_t at, uint32_t value) { datafiles::put_i32(bytes, at, static_cast<int32_t>(value)); }

uint8_t exported_pixel(int x, int y) {
    if (x > kStageRight || y > kStageBottom) return 0;
    return static_cast<uint8_t>(platform::_getpixel(x, y) & 0x0F);
}

}  // namespace

bool printer_ready() {
    const uint8_t status = platform::bios_printer(platform::kPrinterFunctionInit, 0);
    return (status & platform::kPrinterReady) == platform::kPrinterReady;
}

bool send_printer_bytes(const std::string& bytes) {
    for (char c : bytes) {
        if (!send_byte(static_cast<uint8_t>(c))) return false;
    }
    return true;
}

bool send_bit_image_header(int n) {
    return send_printer_bytes({static_cast<char>(kEsc), '*', 4, static_cast<char>(n % 256), static_cast<char>(n / 256)});
}

uint8_t read_pixel_column(int x, int y) {
    uint8_t column = 0;
    for (int row = 0; row < kBandRows; ++row) {
        if (platform::_getpixel(x, y + row) != 0) column = static_cast<uint8_t>(column | (0x80 >> row));
    }
    return column;
}

bool print_screen_area(int x1, int y1, int x2, int y2) {
    if (!send_printer_bytes({static_cast<char>(kEsc), '1'})) return false;
    for (int r = 0; r < y2 - y1; r += kBandRows) {
        if (!send_bit_image_header(x2 - x1)) return false;
        for (int x = x1; x < x2; ++x) {
            if (!send_byte(read_pixel_column(x, y1 + r))) return false;
        }
        if (!send_printer_bytes("\r\n")) return false;
    }
    return send_printer_bytes({static_cast<char>(kEsc), '2'});
}

std::vector<uint8_t> stage_bitmap_bytes(int x1, int y1, int x2, int y2) {
    const int width = x2 - x1;
    const int height = y2 - y1;
    if (width <= 0 || height <= 0) return {};
    const size_t row_bytes = ((static_cast<size_t>(width) + 1) / 2 + 3) / 4 * 4;
    const size_t image_bytes = row_bytes * static_cast<size_t>(height);
    std::vector<uint8_t> bmp(kBmpPixelOffset + image_bytes, 0);
    const std::span<uint8_t> b(bmp);
    b[0] = 'B';
    b[1] = 'M';
    put_u32(b, 2, static_cast<uint32_t>(bmp.size()));
    put_u32(b, 10, kBmpPixelOffset);
    put_u32(b, 14, kBmpInfoHeaderBytes);
    put_u32(b, 18, static_cast<uint32_t>(width));
    put_u32(b, 22, static_cast<uint32_t>(height));
    datafiles::put_u16(b, 26, 1);  // planes
    datafiles::put_u16(b, 28, 4);  // bits a pixel
    put_u32(b, 34, static_cast<uint32_t>(image_bytes));
    put_u32(b, 46, 16);  // colours used
    put_u32(b, 50, 16);  // colours important
    for (size_t i = 0; i < kBmpPalette.size(); ++i) {
        for (size_t k = 0; k < 3; ++k) b[kBmpFileHeaderBytes + kBmpInfoHeaderBytes + 4 * i + k] = kBmpPalette[i][k];
    }
    size_t at = kBmpPixelOffset;
    for (int y = y2; y > y1; --y) {
        for (int x = x1; x < x2; x += 2) {
            const uint8_t right = x + 1 < x2 ? exported_pixel(x + 1, y) : 0;
            b[at + static_cast<size_t>(x - x1) / 2] = static_cast<uint8_t>(exported_pixel(x, y) << 4 | right);
        }
        at += row_bytes;
    }
    return bmp;
}

std::string stage_bitmap_path(int page) {
    return datafiles::program_path(("LIB\\STAGE" + std::to_string(page) + ".BMP").c_str());
}

bool export_stage_bitmap(int x1, int y1, int x2, int y2) {
    const std::vector<uint8_t> bmp = stage_bitmap_bytes(x1, y1, x2, y2);
    return !bmp.empty() && datafiles::write_file(stage_bitmap_path(runtime::fixture_page), bmp);
}

}  // namespace setup
