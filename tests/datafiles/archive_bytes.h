// Show archives as bytes: entries built and taken apart in memory with the
// stream compression, for writing crafted archives and reading back what
// the console wrote.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "datafiles/compress/implode.h"
#include "datafiles/show_archive.h"

namespace archive_test {

struct MemoryStreams {
    const std::vector<uint8_t>* input = nullptr;
    size_t read_at = 0;
    std::vector<uint8_t> output;
};

inline unsigned read_memory(char* buffer, unsigned* size, void* param) {
    auto& s = *static_cast<MemoryStreams*>(param);
    const size_t n = std::min<size_t>(*size, s.input->size() - s.read_at);
    std::copy_n(s.input->begin() + static_cast<std::ptrdiff_t>(s.read_at), n, buffer);
    s.read_at += n;
    return static_cast<unsigned>(n);
}

inline void write_memory(char* buffer, unsigned* size, void* param) {
    auto& s = *static_cast<MemoryStreams*>(param);
    s.output.insert(s.output.end(), buffer, buffer + *size);
}

inline std::vector<uint8_t> implode_bytes(const std::vector<uint8_t>& plain) {
    std::vector<char> work(compress::kImplodeWorkSize);
    MemoryStreams s;
    s.input = &plain;
    unsigned mode = compress::kBinaryLiterals;
    unsigned dictionary = 4096;
    EXPECT_EQ(compress::implode(read_memory, write_memory, work.data(), &s, &mode, &dictionary), compress::kCompressOk);
    return s.output;
}

inline std::optional<std::vector<uint8_t>> explode_bytes(const std::vector<uint8_t>& stream) {
    std::vector<char> work(compress::kImplodeWorkSize);
    MemoryStreams s;
    s.input = &stream;
    if (compress::explode(read_memory, write_memory, work.data(), &s) != compress::kCompressOk) return std::nullopt;
    return s.output;
}

inline uint32_t crc_of(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    unsigned count = static_cast<unsigned>(bytes.size());
    compress::update_crc32(reinterpret_cast<const char*>(bytes.data()), &count, &crc);
    return ~crc;
}

// One entry as the console writes it, with the header fields open to change.
struct Entry {
    std::string name;
    datafiles::ArchiveEntryHeader header;
    std::vector<uint8_t> stream;
    std::vector<uint8_t> plain;  // filled when reading back
};

inline Entry make_entry(const std::string& name, const std::vector<uint8_t>& plain) {
    Entry e;
    e.name = name;
    e.stream = implode_bytes(plain);
    e.plain = plain;
    e.header.uncompressed_size = static_cast<uint32_t>(plain.size());
    e.header.compressed_size = static_cast<uint32_t>(e.stream.size());
    e.header.crc32 = crc_of(plain);
    e.header.attributes = 0x20;
    e.header.name_length = static_cast<uint16_t>(name.size());
    return e;
}

inline void append_entry(std::vector<uint8_t>& archive, const Entry& e) {
    std::array<uint8_t, datafiles::kArchiveHeaderBytes> header{};
    datafiles::encode_archive_header(e.header, header);
    archive.insert(archive.end(), header.begin(), header.end());
    archive.insert(archive.end(), e.name.begin(), e.name.end());
    archive.insert(archive.end(), e.stream.begin(), e.stream.end());
}

inline std::vector<uint8_t> archive_of(const std::vector<Entry>& entries) {
    std::vector<uint8_t> archive;
    for (const Entry& e : entries) append_entry(archive, e);
    return archive;
}

// Takes an archive apart; a failure fails the test and ends the list there.
inline std::vector<Entry> entries_of(const std::vector<uint8_t>& archive) {
    std::vector<Entry> entries;
    size_t at = 0;
    while (at < archive.size()) {
        Entry e;
        if (archive.size() - at < datafiles::kArchiveHeaderBytes) {
            ADD_FAILURE() << "header cut short at " << at;
            break;
        }
        const std::span<const uint8_t, datafiles::kArchiveHeaderBytes> header(archive.data() + at,
                                                                                datafiles::kArchiveHeaderBytes);
        if (!datafiles::decode_archive_header(header, e.header)) {
            ADD_FAILURE() << "bad signature at " << at;
            break;
        }
        at += datafiles::kArchiveHeaderBytes;
        e.name.assign(archive.begin() + static_cast<std::ptrdiff_t>(at),
                      archive.begin() + static_cast<std::ptrdiff_t>(at + e.header.name_length));
        at += e.header.name_length;
        if (archive.size() - at < e.header.compressed_size) {
            ADD_FAILURE() << "data cut short in " << e.name;
            break;
        }
        e.stream.assign(archive.begin() + static_cast<std::ptrdiff_t>(at),
                        archive.begin() + static_cast<std::ptrdiff_t>(at + e.header.compressed_size));
        at += e.header.compressed_size;
        const auto plain = explode_bytes(e.stream);
        EXPECT_TRUE(plain.has_value()) << e.name;
        if (plain) e.plain = *plain;
        entries.push_back(e);
    }
    return entries;
}

inline std::vector<std::string> names_of(const std::vector<Entry>& entries) {
    std::vector<std::string> names;
    for (const Entry& e : entries) names.push_back(e.name);
    return names;
}

}  // namespace archive_test
