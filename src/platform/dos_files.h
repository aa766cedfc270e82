// DOS files on the host: drives C: and A:, the printer, and the file calls
// the console makes with DOS paths.
//
// Drive C: (and every path without a drive) is a host folder that stands for
// the root of the C: drive; the program directory lives inside it. Drive A:
// is another host folder, the floppy. A DOS path is mapped to the host by
// turning backslashes into slashes, dropping the drive and matching each
// component against the existing entries without regard to case; a component
// that does not exist keeps the spelling given, so a new file is created as
// named. ".." may not climb above the root of its drive. "prn" (any case, with
// or without a drive or an extension) is the printer: what is written to it is
// appended to the spool file.
//
// Hidden and system files are plain files here; directory searches report
// directories with the directory attribute and files with the archive
// attribute, in byte order of their names, and see only names that fit the
// DOS 8.3 form.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

constexpr uint8_t kDosAttrReadOnly = 0x01;
constexpr uint8_t kDosAttrHidden = 0x02;
constexpr uint8_t kDosAttrSystem = 0x04;
constexpr uint8_t kDosAttrVolume = 0x08;
constexpr uint8_t kDosAttrDirectory = 0x10;
constexpr uint8_t kDosAttrArchive = 0x20;

constexpr uint32_t kFloppyBytes = 1'457'664;  // a 1.44 MB disk: 2847 clusters of 512 bytes
constexpr uint16_t kFloppyBytesPerSector = 512;

struct DosFiles {
    std::filesystem::path drive_c_root;   // root of C:; empty refuses C: paths
    std::filesystem::path drive_a_root;   // the floppy in A:; empty means no disk
    std::filesystem::path printer_spool;  // file the printer output is appended to; empty: no printer
    uint32_t floppy_capacity_bytes = kFloppyBytes;
    // The floppy's write-protect tab (test side): no file on A: opens for writing.
    bool floppy_write_protected = false;
    // Writes made durable so far: files committed, and directories whose
    // entries were committed after a replacement (test side).
    uint32_t files_committed = 0;
    uint32_t directories_committed = 0;

    // Everything the printer has received so far (test side).
    std::string printer_output() const;
};

// One directory search, as findfirst fills it and findnext continues it.
struct DosFindData {
    // The entry found.
    uint8_t attrib = 0;
    uint16_t time = 0;  // DOS packed: hours << 11 | minutes << 5 | seconds / 2
    uint16_t date = 0;  // DOS packed: (year - 1980) << 9 | month << 5 | day
    uint32_t size_bytes = 0;
    std::array<char, 13> name{};  // as spelled on the host, NUL-terminated

    // Where the search stands.
    std::filesystem::path directory;
    std::array<char, 11> pattern{};  // blank-padded 8 + 3 form, '?' for any character
    uint8_t search_attrib = 0;
    bool in_subdirectory = false;    // a subdirectory lists "." and ".." first
    int dot_entries_done = 0;
    std::string last_name;
};

struct DosDiskFree {
    uint16_t total_clusters = 0;
    uint16_t avail_clusters = 0;
    uint16_t sectors_per_cluster = 0;
    uint16_t bytes_per_sector = 0;
};

enum class DosCreateResult { created, exists, failed };

// The host path of a DOS path; empty when the path is refused (unknown or
// unmapped drive, a name DOS does not allow, ".." above the root, the printer).
std::filesystem::path to_host_path(std::string_view dos_path);
bool is_printer_path(std::string_view dos_path);

// The DOS form of the running program's path ("C:\BRAVINOX\BRAVINOX.EXE")
// for a host binary inside the C: root; empty when it lies outside.
std::string dos_program_path(const std::filesystem::path& host_binary);

// Mode as the C library takes it: "r", "w" or "a", then "b" (binary) or "t"
// or nothing (text), and "+" for binary update. Text streams read lines
// ending in CR LF or LF alike (CR LF becomes "\n", Ctrl-Z ends the file) and
// write "\n" as CR LF. The printer takes "w" and "a" only. Close with fclose.
FILE* dos_fopen(const char* path, const char* mode);
// findfirst / findnext: true when an entry was found. Normal files are always
// found; directories only with kDosAttrDirectory in attrib.
bool dos_findfirst(const char* path, DosFindData* find, uint8_t attrib);
bool dos_findnext(DosFindData* find);
bool dos_remove(const char* path);                    // a file only
bool dos_rename(const char* old_path, const char* new_path);  // same drive, new name must be free
// Commits what was written to an open file to the disk (DOS int 21h function
// 68h): flushes the stream and has the host write it through. False when
// either fails.
bool dos_commit(FILE* file);
// Gives the file at new_copy the name path in one step, replacing the file of
// that name when there is one (never a directory), and commits the
// directory, so that after a crash the name holds either the old file or
// the new one whole. Same drive only.
bool dos_replace(const char* new_copy, const char* path);
bool dos_mkdir(const char* path);                     // false when it exists
bool dos_rmdir(const char* path);                     // an empty directory, not a root
bool dos_exists(const char* path);                    // a file or a directory
// Attributes are not kept on the host: succeeds when the file exists.
bool dos_setfileattr(const char* path, uint8_t attrib);
// Creates an empty file only when no file of that name exists.
DosCreateResult dos_create_new(const char* path);
// Free space of a drive (1 = A:): the floppy folder seen as a disk of
// floppy_capacity_bytes. False when there is no disk or for another drive.
bool dos_getdiskfree(uint8_t drive, DosDiskFree* free_space);
// Sends bytes to the printer (the BIOS printer service uses it too).
bool printer_append(const void* bytes, size_t count);

}  // namespace platform
