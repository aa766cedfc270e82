#include "platform/png_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace platform {

namespace {

constexpr uint32_t kCrcPolynomial = 0xEDB88320u;  // reflected CRC-32
constexpr uint32_t kAdlerModulus = 65521;
constexpr size_t kStoredBlockMax = 0xFFFF;
constexpr std::array<uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kBitDepth = 8;
constexpr uint8_t kColourTypeRgb = 2;
constexpr uint8_t kFilterNone = 0;
// zlib header: deflate with a 32 KB window, no preset dictionary, check bits
// making the 16-bit value a multiple of 31.
constexpr uint8_t kZlibMethod = 0x78;
constexpr uint8_t kZlibFlags = 0x01;

constexpr std::array<uint32_t, 256> make_crc_table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? kCrcPolynomial ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = make_crc_table();

void put_u32_be(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void put_u16_le(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put_chunk(std::vector<uint8_t>& out, std::string_view type, std::span<const uint8_t> data) {
    put_u32_be(out, static_cast<uint32_t>(data.size()));
    const size_t type_at = out.size();
    for (char c : type) out.push_back(static_cast<uint8_t>(c));
    out.insert(out.end(), data.begin(), data.end());
    const std::span<const uint8_t> covered(out.data() + type_at, out.size() - type_at);
    put_u32_be(out, crc32(covered));
}

// The raw scanlines: a filter byte (none) before each row.
std::vector<uint8_t> scanlines(int width, int height, std::span<const uint8_t> rgb) {
    const size_t row_bytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> raw;
    raw.reserve((row_bytes + 1) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        raw.push_back(kFilterNone);
        const auto row = rgb.subspan(static_cast<size_t>(y) * row_bytes, row_bytes);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    return raw;
}

std::vector<uint8_t> zlib_stored(std::span<const uint8_t> raw) {
    std::vector<uint8_t> z;
    z.reserve(raw.size() + raw.size() / kStoredBlockMax * 5 + 16);
    z.push_back(kZlibMethod);
    z.push_back(kZlibFlags);
    size_t at = 0;
    do {
        const size_t length = std::min(kStoredBlockMax, raw.size() - at);
        const bool final_block = at + length == raw.size();
        z.push_back(final_block ? 1 : 0);  // BFINAL, block type 00 (stored)
        put_u16_le(z, static_cast<uint16_t>(length));
        put_u16_le(z, static_cast<uint16_t>(~length));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    put_u32_be(z, adler32(raw));
    return z;
}

}  // namespace

uint32_t crc32_update(uint32_t crc, std::span<const uint8_t> bytes) {
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (uint8_t b : bytes) c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t crc32(std::span<const uint8_t> bytes) { return crc32_update(0, bytes); }

uint32_t adler32(std::span<const uint8_t> bytes) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t v : bytes) {
        a = (a + v) % kAdlerModulus;
        b = (b + a) % kAdlerModulus;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> encode_png_rgb(int width, int height, std::span<const uint8_t> rgb) {
    if (width <= 0 || height <= 0) return {};
    if (rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) return {};

    std::vector<uint8_t> png(kSignature.begin(), kSignature.end());

    std::vector<uint8_t> header;
    put_u32_be(header, static_cast<uint32_t>(width));
    put_u32_be(header, static_cast<uint32_t>(height));
    header.push_back(kBitDepth);
    header.push_back(kColourTypeRgb);
    header.push_back(0);  // compression: deflate
    header.push_back(0);  // filter method 0
    header.push_back(0);  // no interlace
    put_chunk(png, "IHDR", header);

    const std::vector<uint8_t> raw = scanlines(width, height, rgb);
    put_chunk(png, "IDAT", zlib_stored(raw));
    put_chunk(png, "IEND", {});
    return png;
}

bool write_file_replacing(const std::string& path, std::span<const uint8_t> bytes) {
    const std::string temporary = path + ".part";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool flushed = std::fflush(f) == 0;
    const bool closed = std::fclose(f) == 0;
    std::error_code error;
    if (!(written && flushed && closed)) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace platform
