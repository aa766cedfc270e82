// The compressed stream of the show archives: a two-byte header (literal
// mode, dictionary size code) and a bit stream of literals and
// length/distance back-references into a sliding dictionary of 1024, 2048 or
// 4096 bytes, ended by an end code. implode writes it, explode reads it,
// update_crc32 checks the archive entries.
//
// Both directions work through caller-supplied read and write callbacks and
// a caller-supplied work buffer: they allocate nothing and keep no state
// outside the buffer, so one buffer serves any number of streams in turn.
#pragma once
#include <cstddef>
#include <cstdint>

namespace compress {

// read fills at most *size bytes of buffer (it may lower *size) and returns
// the number delivered; 0 is the end of the input. write takes exactly *size
// bytes.
using ReadCallback = unsigned (*)(char* buffer, unsigned* size, void* param);
using WriteCallback = void (*)(char* buffer, unsigned* size, void* param);

// Work buffer sizes; the archives pass the larger one to both directions.
constexpr size_t kImplodeWorkSize = 36312;
constexpr size_t kExplodeWorkSize = 12596;

// Literal modes of byte 0 of a stream.
enum LiteralMode : unsigned { kBinaryLiterals = 0, kAsciiLiterals = 1 };

// Results of implode and explode.
enum CompressResult : unsigned {
    kCompressOk = 0,
    kBadDictionary = 1,   // implode: size not 1024/2048/4096; explode: code not 4..6
    kBadLiteralMode = 2,  // mode not 0 or 1
    kBadData = 3,         // explode: the first read gave fewer than 5 bytes
    kInputEnded = 4,      // explode: input ended before the end code, or the stream is damaged
};

// Compresses everything read delivers, with binary or ASCII literals (the
// archives always write binary literals and a 4096-byte dictionary). The
// dictionary size is checked before the mode; nothing is read or written on
// an error.
unsigned implode(ReadCallback read, WriteCallback write, char* work, void* param,
                 unsigned* literal_mode, unsigned* dictionary_size);

// Expands one stream.
unsigned explode(ReadCallback read, WriteCallback write, char* work, void* param);

// The reflected CRC-32 (polynomial EDB88320h) over *count bytes, from and to
// *crc: neither preset nor complemented here (callers start at FFFFFFFFh and
// complement the end value, which gives the standard CRC-32).
uint32_t update_crc32(const char* buffer, unsigned* count, uint32_t* crc);

}  // namespace compress
