// The archive stream compression: round trips over a corpus at every
// dictionary size, the exact bytes of the shortest stream, the refusals of
// bad headers and damaged streams, the callback chunk sizes, and CRC-32.
// Where the system has the reference codec of this stream format (a Debian
// package the test build installs), streams are exchanged with it both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "datafiles/compress/implode.h"

#ifdef BRAVINOX_HAVE_REFERENCE_CODEC
// The reference codec's raw entry points (its package ships no header for them).
extern "C" {
unsigned int implode(unsigned int (*read_buf)(char*, unsigned int*, void*),
                     void (*write_buf)(char*, unsigned int*, void*), char* work_buf, void* param,
                     unsigned int* type, unsigned int* dsize);
unsigned int explode(unsigned int (*read_buf)(char*, unsigned int*, void*),
                     void (*write_buf)(char*, unsigned int*, void*), char* work_buf, void* param);
}
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// Feeds `in` to read in requests of the callee's size and collects what
// write gives; records every request and chunk size.
struct Pipe {
    const Bytes* in = nullptr;
    size_t in_pos = 0;
    Bytes out;
    std::vector<unsigned> read_requests;
    std::vector<unsigned> write_sizes;
    unsigned read_limit = 0;  // 0: deliver as much as asked
};

unsigned pipe_read(char* buffer, unsigned* size, void* param) {
    auto& p = *static_cast<Pipe*>(param);
    p.read_requests.push_back(*size);
    size_t n = std::min<size_t>(*size, p.in->size() - p.in_pos);
    if (p.read_limit != 0) n = std::min<size_t>(n, p.read_limit);
    if (n > 0) std::memcpy(buffer, p.in->data() + p.in_pos, n);
    p.in_pos += n;
    return static_cast<unsigned>(n);
}

void pipe_write(char* buffer, unsigned* size, void* param) {
    auto& p = *static_cast<Pipe*>(param);
    p.write_sizes.push_back(*size);
    p.out.insert(p.out.end(), buffer, buffer + *size);
}

alignas(16) std::array<char, compress::kImplodeWorkSize> work;

struct Result {
    unsigned code;
    Bytes out;
};

Result ours_implode(const Bytes& in, unsigned dictionary, unsigned mode = compress::kBinaryLiterals) {
    Pipe p;
    p.in = &in;
    const unsigned r = compress::implode(pipe_read, pipe_write, work.data(), &p, &mode, &dictionary);
    return {r, p.out};
}

Result ours_explode(const Bytes& in, unsigned read_limit = 0) {
    Pipe p;
    p.in = &in;
    p.read_limit = read_limit;
    const unsigned r = compress::explode(pipe_read, pipe_write, work.data(), &p);
    return {r, p.out};
}

Bytes text_bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The corpus: the shapes the archives carry and the coder's corner cases.
std::vector<std::pair<std::string, Bytes>> corpus() {
    std::vector<std::pair<std::string, Bytes>> c;
    c.emplace_back("empty", Bytes{});
    c.emplace_back("one byte", Bytes{0x41});
    c.emplace_back("run of 10000", Bytes(10000, 0x7E));
    Bytes far_pairs;
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i) {
        far_pairs.push_back(0xAA);
        far_pairs.push_back(0x55);
        for (int k = 0; k < 300; ++k) far_pairs.push_back(static_cast<uint8_t>(rng()));
    }
    c.emplace_back("pairs over 256 apart", far_pairs);
    Bytes long_repeat;
    for (int i = 0; i < 3000; ++i) long_repeat.push_back(static_cast<uint8_t>(i % 7 == 0 ? 1 : i % 251));
    c.emplace_back("repeats over 516", long_repeat);
    // Runs of one byte, 1 to 500 long, between single other bytes: every
    // position has thousands of long candidates, the prefix-skip search's case.
    Bytes runs;
    while (runs.size() < 100000) {
        runs.insert(runs.end(), rng() % 500 + 1, uint8_t{0});
        runs.push_back(static_cast<uint8_t>(rng() % 255 + 1));
    }
    c.emplace_back("runs between single bytes", runs);
    Bytes random(150000);
    for (auto& b : random) b = static_cast<uint8_t>(rng());
    c.emplace_back("random", random);
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "MEMORY " + std::to_string(i) + " FADE IN 2.5 DELAY 0 CUE " + std::to_string(i * 7 % 1120) + "\r\n";
    c.emplace_back("text", text_bytes(text));
    // Shaped like mem.dat: version text, an index of offsets, then records
    // of tagged items with slowly varying levels.
    Bytes mem(1 << 20);
    const char version[] = "VERSION 6.30";
    std::memcpy(mem.data(), version, sizeof version);
    for (size_t i = 16; i < 16 + 4 * 4000; i += 4) {
        const auto offset = static_cast<uint32_t>(20000 + (i - 16) * 60);
        for (int k = 0; k < 4; ++k) mem[i + static_cast<size_t>(k)] = static_cast<uint8_t>(offset >> (8 * k));
    }
    for (size_t i = 16 + 4 * 4000; i < mem.size(); i += 6) {
        const auto item = static_cast<uint16_t>((i / 6) % 2048 + 1);
        const uint8_t record[6] = {0x4D, static_cast<uint8_t>(item), static_cast<uint8_t>(item >> 8),
                                   static_cast<uint8_t>((i / 600) % 256), 0, static_cast<uint8_t>(rng() % 4)};
        for (size_t k = 0; k < 6 && i + k < mem.size(); ++k) mem[i + k] = record[k];
    }
    c.emplace_back("mem.dat shape 1 MB", mem);
    return c;
}

constexpr std::array<unsigned, 3> kDictionaries = {1024, 2048, 4096};

TEST(Implode, EveryCorpusFileRoundTripsAtEveryDictionarySize) {
    for (const auto& [name, data] : corpus()) {
        for (unsigned d : kDictionaries) {
            SCOPED_TRACE(name + " at " + std::to_string(d));
            const Result packed = ours_implode(data, d);
            ASSERT_EQ(packed.code, compress::kCompressOk);
            ASSERT_GE(packed.out.size(), 4u);
            EXPECT_EQ(packed.out[0], 0);
            EXPECT_EQ(packed.out[1], d == 1024 ? 4 : d == 2048 ? 5 : 6);
            const Result unpacked = ours_explode(packed.out);
            ASSERT_EQ(unpacked.code, compress::kCompressOk);
            EXPECT_TRUE(unpacked.out == data);
        }
    }
}

TEST(Implode, AsciiLiteralsRoundTripAndShortenText) {
    for (const auto& [name, data] : corpus()) {
        SCOPED_TRACE(name);
        const Result packed = ours_implode(data, 2048, compress::kAsciiLiterals);
        ASSERT_EQ(packed.code, compress::kCompressOk);
        EXPECT_EQ(packed.out[0], 1);
        const Result unpacked = ours_explode(packed.out);
        ASSERT_EQ(unpacked.code, compress::kCompressOk);
        EXPECT_TRUE(unpacked.out == data);
    }
    // Capital letters, digits and spaces have short codes.
    const Bytes upper = text_bytes("THE QUICK BROWN FOX 0123456789 JUMPS OVER THE LAZY DOG");
    EXPECT_LT(ours_implode(upper, 4096, compress::kAsciiLiterals).out.size(),
              ours_implode(upper, 4096).out.size());
}

TEST(Implode, RepetitiveDataShrinksAndRandomDataGrowsByTheLiteralFlagOnly) {
    const Result run = ours_implode(Bytes(10000, 0x7E), 4096);
    EXPECT_LT(run.out.size(), 100u);  // 2 literals and about 20 matches of 516
    Bytes random(50000);
    std::mt19937 rng(3);
    for (auto& b : random) b = static_cast<uint8_t>(rng());
    const Result r = ours_implode(random, 4096);
    // 9 bits per literal at most, plus header and end code.
    EXPECT_LE(r.out.size(), random.size() * 9 / 8 + 8);
}

TEST(Implode, EmptyInputIsTheFourByteStreamAndExpandsToNothing) {
    const Result packed = ours_implode({}, 4096);
    EXPECT_EQ(packed.out, (Bytes{0x00, 0x06, 0x01, 0xFF}));
    const Result unpacked = ours_explode(packed.out);
    EXPECT_EQ(unpacked.code, compress::kCompressOk);
    EXPECT_TRUE(unpacked.out.empty());
}

TEST(Implode, RefusesBadSettingsBeforeReadingOrWritingAnything) {
    struct Case {
        unsigned dictionary;
        unsigned mode;
        unsigned expected;
    };
    const Case cases[] = {
        {3000, 0, compress::kBadDictionary},
        {3000, 7, compress::kBadDictionary},  // the size is checked first
        {4096, 2, compress::kBadLiteralMode},
        {0, 0, compress::kBadDictionary},
    };
    const Bytes data(100, 1);
    for (const Case& c : cases) {
        Pipe p;
        p.in = &data;
        unsigned mode = c.mode;
        unsigned dictionary = c.dictionary;
        EXPECT_EQ(compress::implode(pipe_read, pipe_write, work.data(), &p, &mode, &dictionary), c.expected);
        EXPECT_TRUE(p.read_requests.empty());
        EXPECT_TRUE(p.write_sizes.empty());
    }
}

TEST(Implode, ReadsBlocksOf4096AndWritesChunksOf2048) {
    Bytes random(20000);
    std::mt19937 rng(11);
    for (auto& b : random) b = static_cast<uint8_t>(rng());
    Pipe p;
    p.in = &random;
    unsigned mode = 0;
    unsigned dictionary = 4096;
    ASSERT_EQ(compress::implode(pipe_read, pipe_write, work.data(), &p, &mode, &dictionary), 0u);
    EXPECT_EQ(p.read_requests.front(), 4096u);
    ASSERT_GE(p.write_sizes.size(), 2u);
    for (size_t i = 0; i + 1 < p.write_sizes.size(); ++i) EXPECT_EQ(p.write_sizes[i], 2048u);
    EXPECT_LE(p.write_sizes.back(), 2048u);
}

TEST(Explode, ReadsChunksOf2048AndWritesChunksOf4096) {
    const Bytes data(20000, 9);
    const Result packed = ours_implode(data, 4096);
    Pipe p;
    p.in = &packed.out;
    ASSERT_EQ(compress::explode(pipe_read, pipe_write, work.data(), &p), 0u);
    EXPECT_EQ(p.read_requests.front(), 2048u);
    EXPECT_EQ(p.write_sizes, (std::vector<unsigned>{4096, 4096, 4096, 4096, 20000 - 4 * 4096}));
}

TEST(Explode, RefusesBadHeadersDictionaryCodeFirst) {
    struct Case {
        Bytes stream;
        unsigned expected;
    };
    const Case cases[] = {
        {{0x00, 0x06, 0x01}, compress::kBadData},                       // fewer than 4 bytes
        {{0x00, 0x06, 0x03, 0xFF}, compress::kBadData},                 // 4 bytes that are not the empty stream
        {{0x00, 0x07, 0x01, 0xFF, 0x00}, compress::kBadDictionary},
        {{0x00, 0x03, 0x01, 0xFF, 0x00}, compress::kBadDictionary},
        {{0x02, 0x09, 0x01, 0xFF, 0x00}, compress::kBadDictionary},     // dictionary before mode
        {{0x02, 0x06, 0x01, 0xFF, 0x00}, compress::kBadLiteralMode},
    };
    for (const Case& c : cases) {
        const Result r = ours_explode(c.stream);
        EXPECT_EQ(r.code, c.expected);
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(Explode, ATruncatedStreamWritesWhatItDecodedAndReportsTheEnd) {
    Bytes data;
    for (int i = 0; i < 5000; ++i) data.push_back(static_cast<uint8_t>(i * 31 % 256));
    Result packed = ours_implode(data, 2048);
    packed.out.resize(packed.out.size() / 2);
    const Result r = ours_explode(packed.out);
    EXPECT_EQ(r.code, compress::kInputEnded);
    ASSERT_FALSE(r.out.empty());
    EXPECT_TRUE(std::equal(r.out.begin(), r.out.end(), data.begin()));
}

// A hand-built stream (dictionary code 4): the literal 'A', a match of
// length 3 at the given distance, the end code.
Bytes literal_and_match(uint32_t distance) {
    Bytes stream = {0x00, 0x04};
    uint32_t bits = 0;
    int n = 0;
    const auto put = [&](uint32_t v, int count) {
        bits |= v << n;
        n += count;
        for (; n >= 8; n -= 8, bits >>= 8) stream.push_back(static_cast<uint8_t>(bits));
    };
    put(0x41u << 1, 9);      // literal: flag 0, then the byte
    put(1, 1);               // match flag
    put(0x03, 2);            // length code 1: length 3
    put(0x03, 2);            // distance code 0 (distance - 1 below 16)
    put(distance - 1, 4);    // its 4 low bits (dictionary code 4)
    put(1, 1);               // end: flag, length code 15, extra 255
    put(0x00, 7);
    put(0xFF, 8);
    if (n > 0) stream.push_back(static_cast<uint8_t>(bits));
    return stream;
}

TEST(Explode, ADistanceBeyondTheBytesProducedIsRefused) {
    const Result near = ours_explode(literal_and_match(1));
    EXPECT_EQ(near.code, compress::kCompressOk);
    EXPECT_EQ(near.out, text_bytes("AAAA"));
    const Result far = ours_explode(literal_and_match(2));
    EXPECT_EQ(far.code, compress::kInputEnded);
    EXPECT_EQ(far.out, text_bytes("A"));
}

TEST(Explode, ACompleteStreamDeliveredInSmallReadsExpands) {
    const Bytes data = text_bytes("FADE FADE FADE DELAY DELAY HOLD HOLD HOLD HOLD");
    const Result packed = ours_implode(data, 1024);
    const Result r = ours_explode(packed.out, 7);
    EXPECT_EQ(r.code, compress::kCompressOk);
    EXPECT_TRUE(r.out == data);
}

TEST(Crc32, StandardCheckValueAndSplitUpdatesAgree) {
    const std::string digits = "123456789";
    unsigned count = 9;
    uint32_t reg = 0xFFFFFFFFu;
    compress::update_crc32(digits.data(), &count, &reg);
    EXPECT_EQ(~reg, 0xCBF43926u);

    std::string text(10000, '\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7);
    uint32_t whole = 0xFFFFFFFFu;
    unsigned all = static_cast<unsigned>(text.size());
    compress::update_crc32(text.data(), &all, &whole);
    uint32_t split = 0xFFFFFFFFu;
    for (size_t at = 0; at < text.size(); at += 333) {
        unsigned part = static_cast<unsigned>(std::min<size_t>(333, text.size() - at));
        compress::update_crc32(text.data() + at, &part, &split);
    }
    EXPECT_EQ(split, whole);
}

#ifdef BRAVINOX_HAVE_REFERENCE_CODEC
Result reference_implode(const Bytes& in, unsigned dictionary, unsigned mode = 0) {
    Pipe p;
    p.in = &in;
    const unsigned r = ::implode(pipe_read, pipe_write, work.data(), &p, &mode, &dictionary);
    return {r, p.out};
}

Result reference_explode(const Bytes& in) {
    Pipe p;
    p.in = &in;
    const unsigned r = ::explode(pipe_read, pipe_write, work.data(), &p);
    return {r, p.out};
}

TEST(ImplodeReference, StreamsExchangeBothWaysAtEveryDictionarySize) {
    for (const auto& [name, data] : corpus()) {
        if (data.empty()) continue;  // the reference refuses the empty stream
        for (unsigned d : kDictionaries) {
            SCOPED_TRACE(name + " at " + std::to_string(d));
            const Result ours = ours_implode(data, d);
            const Result theirs_read = reference_explode(ours.out);
            ASSERT_EQ(theirs_read.code, 0u);
            EXPECT_TRUE(theirs_read.out == data);
            const Result theirs = reference_implode(data, d);
            ASSERT_EQ(theirs.code, 0u);
            const Result ours_read = ours_explode(theirs.out);
            ASSERT_EQ(ours_read.code, 0u);
            EXPECT_TRUE(ours_read.out == data);
        }
    }
}

TEST(ImplodeReference, AsciiStreamsExchangeBothWays) {
    for (const auto& [name, data] : corpus()) {
        if (data.empty()) continue;
        SCOPED_TRACE(name);
        const Result theirs = reference_implode(data, 4096, compress::kAsciiLiterals);
        ASSERT_EQ(theirs.code, 0u);
        const Result ours_read = ours_explode(theirs.out);
        ASSERT_EQ(ours_read.code, 0u);
        EXPECT_TRUE(ours_read.out == data);
        const Result theirs_read = reference_explode(ours_implode(data, 1024, compress::kAsciiLiterals).out);
        ASSERT_EQ(theirs_read.code, 0u);
        EXPECT_TRUE(theirs_read.out == data);
    }
}

// Binary literals at 4096, the archives' settings, give the reference's
// very bytes, except where a long run crosses the first block: there the
// reference drops the oldest candidates at the block boundary a little
// earlier and picks a farther match of the same length (both streams expand
// alike, see above).
TEST(ImplodeReference, SameStreamAsTheReferenceForBinaryAt4096) {
    for (const auto& [name, data] : corpus()) {
        if (name == "run of 10000") continue;
        SCOPED_TRACE(name);
        EXPECT_TRUE(ours_implode(data, 4096).out == reference_implode(data, 4096).out);
    }
}
#endif

}  // namespace
