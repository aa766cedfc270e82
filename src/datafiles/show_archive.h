// Compressed show archives: a show saved as one file on the floppy in drive
// A: ("a:\%s.cmp"), holding the selected data files each imploded (binary
// literals, 4096-byte dictionary) behind a header of its own.
//
// The archive is a plain sequence of entries, nothing before the first and
// nothing after the last. An entry is the 26-byte header, the file name
// (8.3, capitals, no directory, no terminating zero) and the compressed data.
// Numbers little-endian:
//
//   0  4  signature 44h 48h 09h 02h
//   4  4  u32 uncompressed size
//   8  4  u32 compressed size (bytes after the name)
//  12  4  u32 CRC-32 of the uncompressed contents
//  16  4  u32 DOS attributes
//  20  2  u16 DOS packed time
//  22  2  u16 DOS packed date
//  24  2  u16 name length L (at most 12)
//  26  L  the name
//
// The archive is built in the work file data\temp.cmp and copied to the
// floppy as a whole; the copy is read back and compared before it takes the
// old archive's place. A load copies it back to temp.cmp, expands the
// selected entries under staging names (file_moves.h), checking each
// entry's CRC and size, and only then puts them in place. An archive ends
// only at the end of its file: a header cut short, a wrong signature, a name
// that is not a plain 8.3 name or data running past the end make the whole
// archive unreadable.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace datafiles {

constexpr std::array<uint8_t, 4> kArchiveSignature = {0x44, 0x48, 0x09, 0x02};
constexpr size_t kArchiveHeaderBytes = 26;
constexpr uint16_t kMaxArchiveNameChars = 12;
constexpr unsigned kArchiveDictionaryBytes = 4096;
constexpr size_t kCompressWorkBytes = 36312;

struct ArchiveEntryHeader {
    uint32_t uncompressed_size = 0;
    uint32_t compressed_size = 0;
    uint32_t crc32 = 0;
    uint32_t attributes = 0;
    uint16_t time = 0;
    uint16_t date = 0;
    uint16_t name_length = 0;
};

void encode_archive_header(const ArchiveEntryHeader& header, std::span<uint8_t, kArchiveHeaderBytes> bytes);
// False when the signature is wrong.
bool decode_archive_header(std::span<const uint8_t, kArchiveHeaderBytes> bytes, ArchiveEntryHeader& header);

// A name an entry may carry: 1-8 characters, optionally a dot and 0-3 more,
// none of them a path separator, a drive colon or another character DOS
// refuses in a name.
bool is_safe_entry_name(std::string_view name);

enum class EntryRead { entry, end, error };
// Reads the next entry's header and name, leaving the file at its data.
// end only at the end of the file, exactly between entries.
EntryRead read_archive_entry(FILE* archive, int64_t archive_size, ArchiveEntryHeader& header, std::string& name);

// What the two compression callbacks share during one save or load.
struct ArchiveIoState {
    uint8_t error = 0;        // once set, nothing more is read or written
    uint8_t direction = 0;    // 1 compressing, 0 expanding
    char* work = nullptr;     // kCompressWorkBytes, for both directions
    FILE* input = nullptr;
    FILE* output = nullptr;
    uint32_t crc = 0;
    // Compressing: compressed bytes written. Expanding: compressed bytes of
    // the entry not yet read.
    uint32_t byte_count = 0;
    // Uncompressed bytes read (compressing) or written (expanding).
    uint32_t plain_count = 0;
    // Expanding: the final names of the entries expanded, in archive order.
    std::vector<std::string> expanded;
};

bool alloc_compress_work(ArchiveIoState& state);
void free_compress_work(ArchiveIoState& state);

unsigned read_archive_block(char* buffer, unsigned* size, void* param);
void write_archive_block(char* buffer, unsigned* size, void* param);

// True when the file name of the path matches one of data_file_patterns
// (show_files.h): "?" one character, "*" the rest of its part, name and
// extension apart, without regard to case.
bool matches_selected_pattern(std::string_view path);

// Appends the selected files of the data folder to temp.cmp (created when
// missing), in pattern order. True when nothing failed.
bool compress_files_to_archive(ArchiveIoState& state);
// Expands the selected entries of temp.cmp under staging names. True when
// every entry was read whole and every expanded file checked.
bool expand_archive(ArchiveIoState& state);

// The update check: temp.cmp made anew from the archive on the floppy,
// without the entries that the save will write again. True when it holds
// all the others.
bool check_existing_archive(const std::string& name);

// Compresses, checks the disk space and copies the archive to the floppy,
// reporting on the message line.
void save_show_archive(const std::string& name);

// Copies the archive in, expands and swaps in its selected files; true when
// the show is in place (the caller requests the restart).
bool load_show_archive(const std::string& name);

// "a:\%s.cmp" and "%s\data\temp.cmp".
std::string floppy_archive_path(const std::string& name);
std::string work_archive_path();

}  // namespace datafiles
