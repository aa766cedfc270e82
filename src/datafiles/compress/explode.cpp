#include <algorithm>
#include <cstring>
#include <new>

#include "datafiles/compress/implode.h"
#include "datafiles/compress/stream_codes.h"

namespace compress {

namespace {

constexpr int kInputChunk = 2048;   // bytes asked of read at a time
constexpr int kHistory = 4096;      // output kept behind for back-references
constexpr int kOutputChunk = 4096;  // bytes handed to write at a time
constexpr int kLongestCopy = kEndLength - 1;
constexpr int kSmallestStream = 5;  // header, and at least the bits of one symbol and the end code
constexpr int kEmptyStream = 4;     // header and the end code alone: empty input

// The decompressor's state, placed in the caller's work buffer: the output
// with its history, the input chunk, and look-up tables for the length and
// distance codes (indexed by the next 7 or 8 bits of the stream).
struct ExplodeWork {
    uint8_t output[kHistory + kOutputChunk + kLongestCopy];
    uint8_t input[kInputChunk];
    uint8_t length_code_of_bits[1 << kLongestLengthCodeBits];
    uint8_t distance_code_of_bits[1 << kLongestDistanceCodeBits];
    int input_count;
    int input_pos;
    uint32_t bit_buffer;
    int bit_count;
    bool input_ended;
    bool ascii;           // literals through the ASCII code
    int output_pos;       // next byte of `output` to fill
    uint32_t produced;    // bytes decoded so far
    ReadCallback read;
    WriteCallback write;
    void* param;
};
static_assert(sizeof(ExplodeWork) + alignof(ExplodeWork) <= kExplodeWorkSize,
              "the decompressor's state must fit the work buffer");

ExplodeWork* place_work(char* work) {
    auto address = reinterpret_cast<uintptr_t>(work);
    const uintptr_t aligned = (address + alignof(ExplodeWork) - 1) & ~(uintptr_t{alignof(ExplodeWork)} - 1);
    return new (work + (aligned - address)) ExplodeWork;
}

// Every index whose low bits are a code maps to that code.
template <size_t N, size_t M>
void fill_decode_table(uint8_t (&table)[N], const std::array<uint8_t, M>& codes, const std::array<uint8_t, M>& bits) {
    for (size_t i = 0; i < M; ++i)
        for (size_t high = 0; (high << bits[i]) < N; ++high) table[codes[i] | (high << bits[i])] = static_cast<uint8_t>(i);
}

void refill_input(ExplodeWork& w) {
    auto wanted = static_cast<unsigned>(kInputChunk);
    const unsigned got = w.read(reinterpret_cast<char*>(w.input), &wanted, w.param);
    w.input_count = static_cast<int>(std::min(got, static_cast<unsigned>(kInputChunk)));
    w.input_pos = 0;
    if (got == 0) w.input_ended = true;
}

// Tops the bit buffer up to at least n bits; false when the input ends first.
bool need_bits(ExplodeWork& w, int n) {
    while (w.bit_count < n) {
        if (w.input_pos == w.input_count) {
            if (w.input_ended) return false;
            refill_input(w);
            if (w.input_ended) return false;
        }
        w.bit_buffer |= uint32_t{w.input[w.input_pos++]} << w.bit_count;
        w.bit_count += 8;
    }
    return true;
}

void drop_bits(ExplodeWork& w, int n) {
    w.bit_buffer >>= n;
    w.bit_count -= n;
}

bool take_bits(ExplodeWork& w, int n, uint32_t& value) {
    if (!need_bits(w, n)) return false;
    value = w.bit_buffer & ((1u << n) - 1);
    drop_bits(w, n);
    return true;
}

// Decodes a prefix code through its table (indexed by the next `width`
// bits); near the end of the stream fewer bits may be left than the width.
template <size_t N, size_t M>
bool take_code(ExplodeWork& w, const uint8_t (&table)[N], const std::array<uint8_t, M>& code_bits, int width,
               int& code) {
    need_bits(w, width);
    if (w.bit_count == 0) return false;
    code = table[w.bit_buffer & (N - 1)];
    const int bits = code_bits[static_cast<size_t>(code)];
    if (bits > w.bit_count) return false;
    drop_bits(w, bits);
    return true;
}

// A literal of the ASCII code: the canonical code read bit by bit (each bit
// inverted, most significant first), shortest lengths first.
bool take_ascii_literal(ExplodeWork& w, uint32_t& byte) {
    int code = 0;
    int first = 0;
    int index = 0;
    for (int length = 1; length <= kLongestAsciiCodeBits; ++length) {
        uint32_t bit = 0;
        if (!take_bits(w, 1, bit)) return false;
        code |= static_cast<int>(bit ^ 1u);
        const int count = kAsciiCodes.count_of_length[static_cast<size_t>(length)];
        if (code - first < count) {
            byte = kAsciiCodes.bytes_by_code[static_cast<size_t>(index + code - first)];
            return true;
        }
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return false;
}

bool take_length(ExplodeWork& w, int& length) {
    int code = 0;
    if (!take_code(w, w.length_code_of_bits, kLenBits, kLongestLengthCodeBits, code)) return false;
    uint32_t extra = 0;
    const auto i = static_cast<size_t>(code);
    if (!take_bits(w, kExLenBits[i], extra)) return false;
    length = kLenBase[i] + static_cast<int>(extra) + kShortestMatch;
    return true;
}

bool take_distance(ExplodeWork& w, int length, int dictionary_code, int& distance) {
    int code = 0;
    if (!take_code(w, w.distance_code_of_bits, kDistBits, kLongestDistanceCodeBits, code))
        return false;
    const int low_bits = length == kShortestMatch ? kShortMatchDistanceBits : dictionary_code;
    uint32_t low = 0;
    if (!take_bits(w, low_bits, low)) return false;
    distance = (code << low_bits) + static_cast<int>(low) + 1;
    return true;
}

void write_output(ExplodeWork& w, const uint8_t* bytes, int count) {
    if (count <= 0) return;
    auto size = static_cast<unsigned>(count);
    w.write(reinterpret_cast<char*>(const_cast<uint8_t*>(bytes)), &size, w.param);
}

// Hands a complete chunk to write and keeps it as the history; bytes a
// match produced beyond the chunk wait for the next one.
void pass_full_chunk(ExplodeWork& w) {
    if (w.output_pos < kHistory + kOutputChunk) return;
    write_output(w, w.output + kHistory, kOutputChunk);
    std::memmove(w.output, w.output + kOutputChunk, static_cast<size_t>(w.output_pos - kOutputChunk));
    w.output_pos -= kOutputChunk;
}

void flush_rest(ExplodeWork& w) { write_output(w, w.output + kHistory, w.output_pos - kHistory); }

unsigned decode_symbols(ExplodeWork& w, int dictionary_code) {
    while (true) {
        uint32_t flag = 0;
        if (!take_bits(w, 1, flag)) return kInputEnded;
        if (flag == 0) {
            uint32_t byte = 0;
            if (!(w.ascii ? take_ascii_literal(w, byte) : take_bits(w, 8, byte))) return kInputEnded;
            w.output[w.output_pos++] = static_cast<uint8_t>(byte);
            ++w.produced;
        } else {
            int length = 0;
            if (!take_length(w, length)) return kInputEnded;
            if (length == kEndLength) return kCompressOk;
            int distance = 0;
            if (!take_distance(w, length, dictionary_code, distance)) return kInputEnded;
            // A damaged stream could point before the first byte decoded.
            if (static_cast<uint32_t>(distance) > w.produced) return kInputEnded;
            for (int i = 0; i < length; ++i) w.output[w.output_pos + i] = w.output[w.output_pos + i - distance];
            w.output_pos += length;
            w.produced += static_cast<uint32_t>(length);
        }
        pass_full_chunk(w);
    }
}

}  // namespace

unsigned explode(ReadCallback read, WriteCallback write, char* work, void* param) {
    ExplodeWork& w = *place_work(work);
    w.read = read;
    w.write = write;
    w.param = param;
    w.input_ended = false;
    w.bit_buffer = 0;
    w.bit_count = 0;
    w.output_pos = kHistory;
    w.produced = 0;
    refill_input(w);
    if (w.input_count < kEmptyStream) return kBadData;
    const unsigned dictionary_code = w.input[1];
    if (dictionary_code < kSmallestDictionaryCode || dictionary_code > kLargestDictionaryCode) return kBadDictionary;
    const unsigned mode = w.input[0];
    if (mode != kBinaryLiterals && mode != kAsciiLiterals) return kBadLiteralMode;
    w.ascii = mode == kAsciiLiterals;
    fill_decode_table(w.length_code_of_bits, kLenCode, kLenBits);
    fill_decode_table(w.distance_code_of_bits, kDistCode, kDistBits);
    w.input_pos = kHeaderBytes;
    // A first read this short holds at most the stream of empty input
    // (header and end code), which expands to nothing; nothing more is read.
    const bool short_stream = w.input_count < kSmallestStream;
    if (short_stream) w.input_ended = true;
    const unsigned result = decode_symbols(w, static_cast<int>(dictionary_code));
    if (short_stream) return result == kCompressOk && w.produced == 0 ? kCompressOk : kBadData;
    flush_rest(w);
    return result;
}

uint32_t update_crc32(const char* buffer, unsigned* count, uint32_t* crc) {
    static constexpr auto kTable = [] {
        std::array<uint32_t, 256> table{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return table;
    }();
    uint32_t reg = *crc;
    for (unsigned i = 0; i < *count; ++i)
        reg = kTable[(reg ^ static_cast<uint8_t>(buffer[i])) & 0xFFu] ^ (reg >> 8);
    *crc = reg;
    return reg;
}

}  // namespace compress
