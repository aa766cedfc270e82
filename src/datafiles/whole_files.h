// Paths of the show's data folder and the files that are written as a
// whole: how a file is replaced so that a crash or a power cut never leaves
// it missing or half written, the copies kept beside a file, and what the
// start-up makes of the left-overs of an interrupted replacement.
//
// A file is replaced through a new copy beside it, "NAME.$$$": the bytes
// are written, flushed and committed to the disk, the copy's length is
// checked, and the copy is renamed over the file in one step, after which
// the folder is committed. The name always holds the old file or the new
// one whole. Earlier versions moved the old file aside to "NAME.$$O" first;
// such an old copy is never deleted, and it is put back when the file itself
// is missing. Copies kept for the operator are "NAME.K01" to "NAME.K99".
#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace datafiles {

// "%s\data\%s.dat", "%s\data\<file>" and "%s\<relative>" on the program directory.
std::string data_file_path(const char* name);
std::string data_path(const char* file);
std::string program_path(const char* relative);

// Size of a file from a directory lookup; false when it is not found.
bool lookup_file_size(const std::string& path, uint32_t& size_bytes);
// Size of an open stream; -1 when it can't be told. The position is kept.
int64_t stream_size(FILE* file);
// Reads exactly bytes.size() bytes from the file's start; false on anything less.
bool read_whole_file(const std::string& path, std::span<uint8_t> bytes);

// Writes a file anew ("wb"), commits it to the disk and checks its length;
// false when anything fails (what was written then stays).
bool write_file(const std::string& path, std::span<const uint8_t> bytes);
// Replaces a file as a whole, as above; creates it when it is missing. A
// left-over new copy is written over while the file is there; while the
// file is missing it may be the only copy, and it is kept aside first.
// False, with the file as it was, when anything fails.
bool replace_file(const std::string& path, std::span<const uint8_t> bytes);

// Files that belong together (the fixture setup's save): every new copy is
// written and checked first; only when all are whole are they renamed over
// their files, in the order given, so the last file is replaced last. False
// when a copy could not be written (then no file was touched and the new
// copies are gone) or a rename failed.
struct FileImage {
    std::string path;
    std::vector<uint8_t> bytes;
};
bool replace_files_together(std::span<const FileImage> files);

// A copy of the file kept beside it under the first free name NAME.K01 to
// NAME.K99; the copy's DOS path, or empty when there is no file, no free
// name, or the copy could not be written whole.
std::string keep_copy(const std::string& path);
// At start: a missing file whose old copy (NAME.$$O, left by an interrupted
// replacement of an earlier version) is there gets the old copy back. True
// when the file was restored.
bool restore_replaced_file(const std::string& path);

// The file name of a DOS path in capitals, as messages show it ("MEM.DAT").
std::string shown_file_name(const std::string& path);

}  // namespace datafiles
