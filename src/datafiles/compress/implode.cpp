#include "datafiles/compress/implode.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "datafiles/compress/stream_codes.h"

namespace compress {

namespace {

constexpr int kBlock = 4096;         // input gathered per block
constexpr int kLongestMatch = 516;   // the longest match written
constexpr int kLookahead = kLongestMatch;
constexpr int kWindow = kLargestDictionary + kLookahead + kBlock;
constexpr int kHashes = 4 * 255 + 5 * 255 + 1;  // pair hash 4a + 5b: 0..2295
constexpr int kOutputChunk = 2048;
constexpr int kLazyBelow = 8;        // a match this short is weighed against the next one
constexpr int kLazyFarDistance = 129;
constexpr int kSkipSearchAbove = 10; // a longer best match goes on with the prefix-skip search

// The compressor's state, placed in the caller's work buffer. At each block
// every position of the window is sorted by the pair hash of its two bytes
// (ascending positions within a hash); each hash keeps a cursor to its
// oldest position still inside the dictionary.
struct ImplodeWork {
    uint8_t window[kWindow + 1];
    uint16_t by_hash[kWindow];        // window positions, grouped by hash
    uint16_t oldest_of_hash[kHashes]; // cursor into by_hash per hash
    int16_t border[kLongestMatch + 1];  // prefix-skip table of the bytes at the position searched
    uint8_t output[kOutputChunk + 4];
    int output_count;
    uint32_t bit_buffer;
    int bit_count;
    int end;         // bytes in the window
    int dictionary;  // D: distances run 1..D-1
    bool ascii;      // literals through the ASCII code
    WriteCallback write;
    void* param;
};
static_assert(sizeof(ImplodeWork) + alignof(ImplodeWork) <= kImplodeWorkSize,
              "the compressor's state must fit the work buffer");

ImplodeWork* place_work(char* work) {
    auto address = reinterpret_cast<uintptr_t>(work);
    const uintptr_t aligned = (address + alignof(ImplodeWork) - 1) & ~(uintptr_t{alignof(ImplodeWork)} - 1);
    return new (work + (aligned - address)) ImplodeWork;
}

int pair_hash(const ImplodeWork& w, int p) { return 4 * w.window[p] + 5 * w.window[p + 1]; }

void flush_output(ImplodeWork& w, int count) {
    auto size = static_cast<unsigned>(count);
    w.write(reinterpret_cast<char*>(w.output), &size, w.param);
}

// Appends a code of n bits, least significant bit first; a full chunk of
// 2048 bytes goes out at once and the partial byte stays.
void put_bits(ImplodeWork& w, uint32_t code, int n) {
    w.bit_buffer |= code << w.bit_count;
    w.bit_count += n;
    while (w.bit_count >= 8) {
        w.output[w.output_count++] = static_cast<uint8_t>(w.bit_buffer);
        w.bit_buffer >>= 8;
        w.bit_count -= 8;
        if (w.output_count == kOutputChunk) {
            flush_output(w, kOutputChunk);
            w.output_count = 0;
        }
    }
}

void put_literal(ImplodeWork& w, uint8_t byte) {
    if (w.ascii) {
        put_bits(w, uint32_t{kAsciiCodes.stored[byte]} << 1, kAsciiCodes.bits[byte] + 1);
    } else {
        put_bits(w, uint32_t{byte} << 1, 9);
    }
}

void put_length(ImplodeWork& w, int length) {
    const auto i = static_cast<size_t>(length_code_of(length));
    put_bits(w, 1, 1);
    put_bits(w, kLenCode[i], kLenBits[i]);
    put_bits(w, static_cast<uint32_t>(length - kShortestMatch - kLenBase[i]), kExLenBits[i]);
}

void put_match(ImplodeWork& w, int length, int distance, int dictionary_code) {
    put_length(w, length);
    const int low_bits = length == kShortestMatch ? kShortMatchDistanceBits : dictionary_code;
    const auto d = static_cast<uint32_t>(distance - 1);
    const size_t c = d >> low_bits;
    put_bits(w, kDistCode[c], kDistBits[c]);
    put_bits(w, d & ((1u << low_bits) - 1), low_bits);
}

// Sorts the positions of the window by pair hash (a counting sort): the
// positions of one hash lie together, in ascending order.
void sort_positions(ImplodeWork& w) {
    std::memset(w.oldest_of_hash, 0, sizeof w.oldest_of_hash);
    const int positions = w.end - 1;  // each needs the byte after it
    for (int q = 0; q < positions; ++q) ++w.oldest_of_hash[pair_hash(w, q)];
    int start = 0;
    for (auto& slot : w.oldest_of_hash) {
        const int count = slot;
        slot = static_cast<uint16_t>(start);
        start += count;
    }
    // Place each position, then step the starts back by their counts.
    for (int q = 0; q < positions; ++q) w.by_hash[w.oldest_of_hash[pair_hash(w, q)]++] = static_cast<uint16_t>(q);
    for (int q = positions - 1; q >= 0; --q) --w.oldest_of_hash[pair_hash(w, q)];
}

struct Match {
    int length = 0;
    int distance = 0;
};

// border[j] := the length of the longest proper border (a prefix that is
// also a suffix) of the first j bytes at p, for j up to `length`; `built`
// is how far the table already goes.
void extend_borders(ImplodeWork& w, int p, int& built, int length) {
    if (built == 0) {
        w.border[1] = 0;
        built = 1;
    }
    for (int j = built + 1; j <= length; ++j) {
        int k = w.border[j - 1];
        while (k > 0 && w.window[p + j - 1] != w.window[p + k]) k = w.border[k];
        if (w.window[p + j - 1] == w.window[p + k]) ++k;
        w.border[j] = static_cast<int16_t>(k);
    }
    built = std::max(built, length);
}

// Goes on from candidate q, which matched `length` bytes and became the best,
// over every newer start before p - 1 with the prefix-skip table: after a
// start that matched j bytes, the next start that can match as much lies
// j - border[j] further on, with border[j] bytes known to match. A start that
// reaches the best length matches the pair at p, so it is one of p's
// candidates; every start skipped matches fewer bytes than the best.
void skip_search(ImplodeWork& w, int p, int longest, int q, int length, Match& best) {
    int built = 0;
    int s = q;
    int j = length;
    while (true) {
        if (j == 0) {
            ++s;
        } else {
            extend_borders(w, p, built, j);
            s += j - w.border[j];
            j = w.border[j];
        }
        if (s >= p - 1) return;
        while (j < longest && w.window[s + j] == w.window[p + j]) ++j;
        if (j >= best.length) {
            best = {j, p - s};
            if (j == kLongestMatch) return;
        }
    }
}

// The longest earlier match at p, at distances 2..D-1, compared up to 516
// bytes and never past the data gathered (near the end of the input a match
// is so cut to the bytes left). Candidates are tried from the oldest; one at
// least as long as the best becomes the best (of equal lengths the nearer
// wins), and a full 516 ends the search. Positions that fell out of the
// dictionary are skipped for good. Once the best is longer than 10 bytes the
// newer candidates are searched with the prefix-skip table, which compares
// each byte of the window about once instead of once per candidate.
Match find_match(ImplodeWork& w, int p) {
    Match best;
    if (p + 1 >= w.end) return best;
    const int longest = std::min(kLongestMatch, w.end - p);
    const int h = pair_hash(w, p);
    int i = w.oldest_of_hash[h];
    while (w.by_hash[i] < p - (w.dictionary - 1)) ++i;
    w.oldest_of_hash[h] = static_cast<uint16_t>(i);
    // p itself lies in its hash's group, so the walk ends before the group does.
    for (; w.by_hash[i] < p - 1; ++i) {
        const int q = w.by_hash[i];
        if (w.window[q] != w.window[p]) continue;
        if (best.length > 0 && w.window[q + best.length - 1] != w.window[p + best.length - 1]) continue;
        int length = 1;
        while (length < longest && w.window[q + length] == w.window[p + length]) ++length;
        if (length >= best.length) {
            best = {length, p - q};
            if (length == kLongestMatch) break;
            if (length > kSkipSearchAbove) {
                skip_search(w, p, longest, q, length, best);
                break;
            }
        }
    }
    if (best.length < kShortestMatch) best = {};
    return best;
}

bool codes_as_literal(const Match& m) {
    return m.length < kShortestMatch || (m.length == kShortestMatch && m.distance > kShortMatchReach);
}

// Codes the window from p up to `limit`; returns the position reached.
int code_block(ImplodeWork& w, int p, int limit, int dictionary_code) {
    while (p < limit) {
        const Match m = find_match(w, p);
        if (codes_as_literal(m)) {
            put_literal(w, w.window[p]);
            ++p;
            continue;
        }
        if (m.length < kLazyBelow && p + 1 < w.end) {
            const Match next = find_match(w, p + 1);
            if (next.length >= m.length + 2 || (next.length == m.length + 1 && m.distance > kLazyFarDistance)) {
                put_literal(w, w.window[p]);
                ++p;
                continue;
            }
        }
        put_match(w, m.length, m.distance, dictionary_code);
        p += m.length;
    }
    return p;
}

// Moves the dictionary before p and the uncoded tail to the front of the
// window.
int slide_window(ImplodeWork& w, int p) {
    const int shift = std::max(0, p - w.dictionary);
    if (shift == 0) return p;
    std::memmove(w.window, w.window + shift, static_cast<size_t>(w.end - shift));
    w.end -= shift;
    return p - shift;
}

int dictionary_code_of(unsigned size) {
    switch (size) {
        case 1024: return 4;
        case 2048: return 5;
        case 4096: return 6;
        default: return 0;
    }
}

}  // namespace

unsigned implode(ReadCallback read, WriteCallback write, char* work, void* param, unsigned* literal_mode,
                 unsigned* dictionary_size) {
    const int dictionary_code = dictionary_code_of(*dictionary_size);
    if (dictionary_code == 0) return kBadDictionary;
    if (*literal_mode != kBinaryLiterals && *literal_mode != kAsciiLiterals) return kBadLiteralMode;

    ImplodeWork& w = *place_work(work);
    w.output_count = 0;
    w.bit_buffer = 0;
    w.bit_count = 0;
    w.end = 0;
    w.dictionary = static_cast<int>(*dictionary_size);
    w.ascii = *literal_mode == kAsciiLiterals;
    w.write = write;
    w.param = param;
    w.output[w.output_count++] = static_cast<uint8_t>(*literal_mode);
    w.output[w.output_count++] = static_cast<uint8_t>(dictionary_code);

    int p = 0;
    bool input_ended = false;
    while (true) {
        const int target = w.end + kBlock;
        while (!input_ended && w.end < target) {
            auto wanted = static_cast<unsigned>(target - w.end);
            const unsigned got = read(reinterpret_cast<char*>(w.window + w.end), &wanted, param);
            if (got == 0) input_ended = true;
            w.end += static_cast<int>(std::min(got, static_cast<unsigned>(target - w.end)));
        }
        // While more input may follow, stop a full match short of the end.
        const int limit = input_ended ? w.end : w.end - kLookahead;
        sort_positions(w);
        p = code_block(w, p, limit, dictionary_code);
        if (input_ended) break;
        p = slide_window(w, p);
    }

    put_length(w, kEndLength);
    if (w.bit_count > 0) w.output[w.output_count++] = static_cast<uint8_t>(w.bit_buffer);
    flush_output(w, w.output_count);
    return kCompressOk;
}

}  // namespace compress
