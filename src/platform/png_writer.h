// A PNG encoder of our own for frame dumps: 8-bit RGB, no interlace, the
// image data in stored (uncompressed) deflate blocks inside a zlib stream.
// The checksums (CRC-32 of each chunk, Adler-32 of the zlib stream) are
// computed here too.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

uint32_t crc32(std::span<const uint8_t> bytes);
uint32_t crc32_update(uint32_t crc, std::span<const uint8_t> bytes);  // start from 0
uint32_t adler32(std::span<const uint8_t> bytes);

// rgb holds width * height * 3 bytes, rows from the top. An empty result when
// a size is not positive or the bytes do not match it.
std::vector<uint8_t> encode_png_rgb(int width, int height, std::span<const uint8_t> rgb);

// Writes the bytes to path through a temporary file renamed over it, so that
// a reader never sees half a file. False when the file cannot be written.
bool write_file_replacing(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace platform
