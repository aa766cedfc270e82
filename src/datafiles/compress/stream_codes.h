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

// The length code i and its extra value for a length 2..519.
constexpr int length_code_of(int length) {
    const int n = length - kShortestMatch;
    int i = kLengthCodes - 1;
    while (kLenBase[static_cast<size_t>(i)] > n) --i;
    return i;
}

}  // namespace compress
