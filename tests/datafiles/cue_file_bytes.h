// The bytes of a cue file built by hand, as a test wants it on disk: the
// version text, an index of empty entries, then records appended behind
// their tags with the entries pointed at them. Entries and records can then
// be spoilt at will.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "datafiles/cue_files.h"
#include "datafiles/record_files.h"

namespace datafiles_test {

struct CueFileBytes {
    const datafiles::RecordFileLayout& layout;
    std::vector<uint8_t> bytes;

    explicit CueFileBytes(const datafiles::RecordFileLayout& file_layout, const char* version = "VERSION 6.01")
        : layout(file_layout) {
        bytes.assign(version, version + std::strlen(version));
        for (int32_t n = 1; n <= layout.entries; ++n) {
            const size_t at = bytes.size();
            bytes.resize(at + layout.entry_bytes);
            set_place(n, 0, -1, at);
        }
    }

    size_t header() const { return bytes.size() >= 12 && std::memcmp(bytes.data(), "VERSION", 7) == 0 ? 12 : 0; }
    size_t entry_at(int32_t n) const { return header() + static_cast<size_t>(n - 1) * layout.entry_bytes; }

    // The present byte and the offset of entry n (at `at`, or where entry n lies).
    void set_place(int32_t n, uint8_t present, int32_t offset, size_t at = SIZE_MAX) {
        const size_t entry = at != SIZE_MAX ? at : entry_at(n);
        const size_t present_at = layout.entry_bytes == datafiles::kCueHeaderBytes ? 22 : 0;
        bytes.at(entry + present_at) = present;
        for (size_t i = 0; i < 4; ++i) {
            bytes.at(entry + present_at + 1 + i) = static_cast<uint8_t>(static_cast<uint32_t>(offset) >> (8 * i));
        }
    }
    int32_t offset_of(int32_t n) const {
        const size_t at = entry_at(n) + (layout.entry_bytes == datafiles::kCueHeaderBytes ? 23 : 1);
        return static_cast<int32_t>(uint32_t{bytes.at(at)} | uint32_t{bytes.at(at + 1)} << 8 |
                                    uint32_t{bytes.at(at + 2)} << 16 | uint32_t{bytes.at(at + 3)} << 24);
    }

    // Appends record n behind the tag of tag_number (n unless given) and
    // points entry n at it; gives the record's offset.
    int32_t add(int32_t n, std::span<const uint8_t> record, uint8_t present = 1, int32_t tag_number = 0) {
        const auto offset = static_cast<int32_t>(bytes.size());
        const std::string tag = datafiles::record_tag(layout, tag_number != 0 ? tag_number : n);
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        bytes.insert(bytes.end(), record.begin(), record.end());
        set_place(n, present, offset);
        return offset;
    }
};

inline std::vector<uint8_t> pointcue_bytes(const playback::PointcueRecord& record) {
    std::vector<uint8_t> bytes(playback::kPointcueRecordBytes);
    datafiles::encode(record, std::span<uint8_t, playback::kPointcueRecordBytes>(bytes));
    return bytes;
}
inline std::vector<uint8_t> playback_bytes(const playback::PlaybackRecord& record) {
    std::vector<uint8_t> bytes(playback::kPlaybackRecordBytes);
    datafiles::encode(record, std::span<uint8_t, playback::kPlaybackRecordBytes>(bytes));
    return bytes;
}
inline std::vector<uint8_t> sequence_bytes(const playback::SequenceRecord& record) {
    std::vector<uint8_t> bytes(playback::kSequenceRecordBytes);
    datafiles::encode(record, std::span<uint8_t, playback::kSequenceRecordBytes>(bytes));
    return bytes;
}

}  // namespace datafiles_test
