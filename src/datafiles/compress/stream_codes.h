// The fixed code tables of the compressed stream, shared by implode and
// explode. Codes are stored least significant bit first.
#pragma once
#include <array>
#include <cstdint>

namespace compress {

// Stream header: byte 0 literal mode, byte 1 dictionary size code.
constexpr int kHeaderBytes = 2;
constexpr unsigned kSmallestDictionaryCode = 4;  // 1024 bytes
constexpr unsigned kLargestDictionaryCode = 6;   // 4096 bytes
constexpr int kLargestDictionary = 1 << (10 + kLargestDictionaryCode - kSmallestDictionaryCode);

// A match is 2 to 518 bytes long; length 519 is the end code.
constexpr int kShortestMatch = 2;
constexpr int kEndLength = 519;
// A match of length 2 keeps only 2 low distance bits, so it reaches 256 back.
constexpr int kShortMatchDistanceBits = 2;
constexpr int kShortMatchReach = 256;

constexpr int kLengthCodes = 16;
constexpr std::array<uint8_t, kLengthCodes> kLenBits = {3, 2, 3, 3, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 7, 7};
constexpr std::array<uint8_t, kLengthCodes> kLenCode = {0x05, 0x03, 0x01, 0x06, 0x0A, 0x02, 0x0C, 0x14,
                                                        0x04, 0x18, 0x08, 0x30, 0x10, 0x20, 0x40, 0x00};
constexpr std::array<uint8_t, kLengthCodes> kExLenBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::array<uint16_t, kLengthCodes> kLenBase = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 14, 22, 38, 70, 134, 262};
constexpr int kLongestLengthCodeBits = 7;

constexpr int kDistanceCodes = 64;
constexpr std::array<uint8_t, kDistanceCodes> kDistBits = {
    2, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};
constexpr std::array<uint8_t, kDistanceCodes> kDistCode = {
    0x03, 0x0D, 0x05, 0x19, 0x09, 0x11, 0x01, 0x3E, 0x1E, 0x2E, 0x0E, 0x36, 0x16, 0x26, 0x06, 0x3A,
    0x1A, 0x2A, 0x0A, 0x32, 0x12, 0x22, 0x42, 0x02, 0x7C, 0x3C, 0x5C, 0x1C, 0x6C, 0x2C, 0x4C, 0x0C,
    0x74, 0x34, 0x54, 0x14, 0x64, 0x24, 0x44, 0x04, 0x78, 0x38, 0x58, 0x18, 0x68, 0x28, 0x48, 0x08,
    0xF0, 0x70, 0xB0, 0x30, 0xD0, 0x50, 0x90, 0x10, 0xE0, 0x60, 0xA0, 0x20, 0xC0, 0x40, 0x80, 0x00};
constexpr int kLongestDistanceCodeBits = 8;

// ASCII literal mode: each byte is a prefix code of 4 to 13 bits. The code
// lengths of bytes 0..255 are given as runs, one byte a run: the high nibble
// is the run's count less one, the low nibble the length (the compact form
// in which zlib's contrib/blast publishes this table). The codes are the
// canonical code of these lengths, each code's bits inverted and sent most
// significant first.
constexpr std::array<uint8_t, 98> kAsciiLengthRuns = {
    11, 124, 8,   7,   28,  7,   188, 13, 76, 4,  10, 8,  12, 10, 12, 10, 8,  23, 8,  9,
    7,  6,   7,   8,   7,   6,   55,  8,  23, 24, 12, 11, 7,  9,  11, 12, 6,  7,  22, 5,
    7,  24,  6,   11,  9,   6,   7,   22, 7,  11, 38, 7,  9,  8,  25, 11, 8,  11, 9,  12,
    8,  12,  5,   38,  5,   38,  5,   11, 7,  5,  6,  21, 6,  10, 53, 8,  7,  24, 10, 27,
    44, 253, 253, 253, 252, 252, 252, 13, 12, 45, 12, 45, 12, 61, 12, 45, 44, 173};
constexpr int kLongestAsciiCodeBits = 13;

struct AsciiCodes {
    std::array<uint8_t, 256> bits{};            // code length of each byte
    std::array<uint16_t, 256> stored{};         // the code as stored, least significant bit first
    std::array<uint16_t, kLongestAsciiCodeBits + 1> count_of_length{};
    std::array<uint8_t, 256> bytes_by_code{};   // bytes in canonical order (by length, then value)
};

constexpr AsciiCodes make_ascii_codes() {
    AsciiCodes t{};
    size_t byte = 0;
    for (uint8_t run : kAsciiLengthRuns)
        for (int k = 0; k <= run >> 4; ++k) t.bits[byte++] = static_cast<uint8_t>(run & 15);
    for (uint8_t b : t.bits) ++t.count_of_length[b];
    size_t next = 0;
    uint32_t code = 0;
    for (int length = 1; length <= kLongestAsciiCodeBits; ++length) {
        for (size_t b = 0; b < 256; ++b) {
            if (t.bits[b] != length) continue;
            t.bytes_by_code[next++] = static_cast<uint8_t>(b);
            // Inverted, most significant bit first: reverse into stored order.
            uint16_t stored = 0;
            for (int i = 0; i < length; ++i)
                if (((code >> (length - 1 - i)) & 1u) == 0) stored = static_cast<uint16_t>(stored | (1u << i));
            t.stored[b] = stored;
            ++code;
        }
        code <<= 1;
    }
    return t;
}
inline constexpr AsciiCodes kAsciiCodes = make_ascii_codes();

// The length code i and its extra value for a length 2..519.
constexpr int length_code_of(int length) {
    const int n = length - kShortestMatch;
    int i = kLengthCodes - 1;
    while (kLenBase[static_cast<size_t>(i)] > n) --i;
    return i;
}

}  // namespace compress
