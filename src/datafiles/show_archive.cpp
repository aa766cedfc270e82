#include "datafiles/show_archive.h"

#include <algorithm>
#include <cctype>

#include "datafiles/compress/implode.h"
#include "datafiles/file_moves.h"
#include "datafiles/show_files.h"
#include "datafiles/whole_files.h"
#include "memcheck/memcheck.h"
#include "platform/dos_files.h"
#include "platform/machine.h"
#include "platform/speaker.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace datafiles {

namespace {

constexpr uint32_t kCrcStart = 0xFFFFFFFFu;
constexpr int32_t kErrorBeep_Hz = 400;
constexpr uint32_t kErrorBeep_ms = 2000;
constexpr size_t kCopyBlockBytes = 4096;
constexpr std::string_view kCharactersDosRefuses = "\"*+,/:;<=>?[\\]|";
// The old archive kept on drive C: while a new one is written over it.
constexpr const char* kKeptArchiveName = "temp.old";
// The old archive's name when it could not be written back.
constexpr const char* kKeptArchiveExtension = ".KEP";
// The work files a load leaves: staging names and earlier copies.
constexpr std::array<const char*, 4> kLoadWorkFiles = {"*.ls", "*.da", "*.bak", "*.de"};

uint32_t u32_at(std::span<const uint8_t> bytes, size_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
}
uint16_t u16_at(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
void put_u32(std::span<uint8_t> bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void put_u16(std::span<uint8_t> bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// One part (name or extension) against its pattern part.
bool part_matches(std::string_view pattern, std::string_view part) {
    size_t i = 0;
    for (; i < pattern.size(); ++i) {
        if (pattern[i] == '*') return true;
        if (i >= part.size()) return false;
        if (pattern[i] != '?' && upper(pattern[i]) != upper(part[i])) return false;
    }
    return i == part.size();
}

std::string_view name_part(std::string_view name) { return name.substr(0, name.find('.')); }
std::string_view extension_part(std::string_view name) {
    const size_t dot = name.find('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
}

void beep_error() { ui::beep_interruptible(kErrorBeep_Hz, kErrorBeep_ms); }

// The load failure tone sounds whether the beeper is on or not.
void sound_load_failure() {
    platform::sound(kErrorBeep_Hz);
    platform::delay_ms(kErrorBeep_ms);
    platform::nosound();
}

bool write_all(FILE* file, const void* bytes, size_t count) {
    return count == 0 || std::fwrite(bytes, 1, count, file) == count;
}

// Copies count bytes from one stream to the other.
bool copy_bytes(FILE* from, FILE* to, uint32_t count) {
    std::array<char, kCopyBlockBytes> block{};
    while (count > 0) {
        const size_t want = std::min<size_t>(count, block.size());
        if (std::fread(block.data(), 1, want, from) != want || !write_all(to, block.data(), want)) return false;
        count -= static_cast<uint32_t>(want);
    }
    return true;
}

// Compresses one file of the data folder into the archive at its end.
void compress_one_file(ArchiveIoState& state, const platform::DosFindData& found) {
    const std::string entry_name = shown_file_name(found.name.data());
    state.input = platform::dos_fopen(data_path(found.name.data()).c_str(), "rb");
    if (state.input == nullptr) {
        state.error = 1;
        return;
    }
    const long header_at = std::ftell(state.output);
    std::array<uint8_t, kArchiveHeaderBytes> header_bytes{};
    if (header_at < 0 || !write_all(state.output, header_bytes.data(), header_bytes.size()) ||
        !write_all(state.output, entry_name.data(), entry_name.size())) {
        state.error = 1;
    }
    state.crc = kCrcStart;
    state.byte_count = 0;
    state.plain_count = 0;
    unsigned literal_mode = compress::kBinaryLiterals;
    unsigned dictionary = kArchiveDictionaryBytes;
    if (state.error == 0 &&
        compress::implode(read_archive_block, write_archive_block, state.work, &state, &literal_mode, &dictionary) !=
            compress::kCompressOk) {
        state.error = 1;
    }
    std::fclose(state.input);
    state.input = nullptr;
    if (state.error != 0) return;

    ArchiveEntryHeader header;
    header.uncompressed_size = state.plain_count;  // what the CRC covers
    header.compressed_size = state.byte_count;
    header.crc32 = ~state.crc;
    header.attributes = found.attrib;
    header.time = found.time;
    header.date = found.date;
    header.name_length = static_cast<uint16_t>(entry_name.size());
    encode_archive_header(header, header_bytes);
    if (std::fseek(state.output, header_at, SEEK_SET) != 0 ||
        !write_all(state.output, header_bytes.data(), header_bytes.size()) || std::fseek(state.output, 0, SEEK_END) != 0) {
        state.error = 1;
    }
}

// Expands the entry at the archive's position into its staging file.
void expand_one_entry(ArchiveIoState& state, const ArchiveEntryHeader& header, const std::string& name) {
    const std::string final_name = shown_file_name(name);
    const std::string staging = data_path(staged_name(final_name).c_str());
    state.output = platform::dos_fopen(staging.c_str(), "wb");
    if (state.output == nullptr) {
        state.error = 1;
        return;
    }
    if (std::find(state.expanded.begin(), state.expanded.end(), final_name) == state.expanded.end()) {
        state.expanded.push_back(final_name);
    }
    state.byte_count = header.compressed_size;
    state.crc = kCrcStart;
    state.plain_count = 0;
    if (compress::explode(read_archive_block, write_archive_block, state.work, &state) != compress::kCompressOk) {
        state.error = 1;
    }
    if (~state.crc != header.crc32 || state.plain_count != header.uncompressed_size) state.error = 1;
    if (!platform::dos_commit(state.output)) state.error = 1;
    if (std::fclose(state.output) != 0) state.error = 1;
    state.output = nullptr;
}

// Writes a file over the destination in place (for a floppy too full to
// hold a second copy) and reads it back.
bool write_over_verified(const std::string& source, const std::string& destination) {
    FILE* from = platform::dos_fopen(source.c_str(), "rb");
    FILE* to = from == nullptr ? nullptr : platform::dos_fopen(destination.c_str(), "wb");
    bool complete = to != nullptr;
    if (complete) {
        std::array<char, kCopyBlockBytes> block{};
        for (size_t got = block.size(); complete && got == block.size();) {
            got = std::fread(block.data(), 1, block.size(), from);
            complete = write_all(to, block.data(), got) && std::ferror(from) == 0;
        }
        complete = platform::dos_commit(to) && complete;
        complete = std::fclose(to) == 0 && complete;
    }
    if (from != nullptr) std::fclose(from);
    return complete && files_equal(source, destination);
}

// The archive to the floppy, verified. With room for both, the new copy is
// written beside the old archive and replaces it once it reads back right.
// Otherwise the old archive is kept on drive C: while the new one is
// written over it, and written back when the new one fails. When that too
// fails, the only whole copy of the old archive is renamed to
// data\<name>.KEP, a name no start or load deletes, and kept_as names it.
bool copy_archive_to_floppy(const std::string& name, uint64_t needed_bytes, uint64_t free_bytes, std::string& kept_as) {
    const std::string work = work_archive_path();
    const std::string archive = floppy_archive_path(name);
    if (needed_bytes <= free_bytes || !platform::dos_exists(archive.c_str())) {
        return copy_file_verified(work, archive);
    }
    const std::string kept = data_path(kKeptArchiveName);
    if (!copy_file_verified(archive, kept)) return false;
    if (write_over_verified(work, archive)) {
        platform::dos_remove(kept.c_str());
        return true;
    }
    if (write_over_verified(kept, archive)) {
        platform::dos_remove(kept.c_str());
    } else {
        const std::string safe_name = name + kKeptArchiveExtension;
        if (platform::dos_replace(kept.c_str(), data_path(safe_name.c_str()).c_str())) kept_as = "DATA\\" + safe_name;
        else kept_as = "DATA\\" + std::string(kKeptArchiveName);
    }
    return false;
}

void remove_load_work_files() {
    platform::dos_remove(work_archive_path().c_str());
    for (const char* pattern : kLoadWorkFiles) delete_matching_files(data_path(pattern));
}

bool is_old_page_name(const std::string& name) {
    for (const char* prefix : {"MEM-", "FIG-", "MID-", "PRE-", "GEN-", "CUE-"}) {
        if (name.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

bool holds(const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void encode_archive_header(const ArchiveEntryHeader& header, std::span<uint8_t, kArchiveHeaderBytes> bytes) {
    std::copy(kArchiveSignature.begin(), kArchiveSignature.end(), bytes.begin());
    put_u32(bytes, 4, header.uncompressed_size);
    put_u32(bytes, 8, header.compressed_size);
    put_u32(bytes, 12, header.crc32);
    put_u32(bytes, 16, header.attributes);
    put_u16(bytes, 20, header.time);
    put_u16(bytes, 22, header.date);
    put_u16(bytes, 24, header.name_length);
}

bool decode_archive_header(std::span<const uint8_t, kArchiveHeaderBytes> bytes, ArchiveEntryHeader& header) {
    if (!std::equal(kArchiveSignature.begin(), kArchiveSignature.end(), bytes.begin())) return false;
    header.uncompressed_size = u32_at(bytes, 4);
    header.compressed_size = u32_at(bytes, 8);
    header.crc32 = u32_at(bytes, 12);
    header.attributes = u32_at(bytes, 16);
    header.time = u16_at(bytes, 20);
    header.date = u16_at(bytes, 22);
    header.name_length = u16_at(bytes, 24);
    return true;
}

bool is_safe_entry_name(std::string_view name) {
    if (name.empty() || name.size() > kMaxArchiveNameChars) return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) return false;
        if (c != '.' && kCharactersDosRefuses.find(c) != std::string_view::npos) return false;
    }
    const size_t dot = name.find('.');
    if (dot == std::string_view::npos) return name.size() <= 8;
    const std::string_view extension = name.substr(dot + 1);
    return dot >= 1 && dot <= 8 && extension.size() <= 3 && extension.find('.') == std::string_view::npos;
}

EntryRead read_archive_entry(FILE* archive, int64_t archive_size, ArchiveEntryHeader& header, std::string& name) {
    std::array<uint8_t, kArchiveHeaderBytes> bytes{};
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), archive);
    if (got == 0 && std::feof(archive) != 0 && std::ferror(archive) == 0) return EntryRead::end;
    if (got < bytes.size() || !decode_archive_header(bytes, header)) return EntryRead::error;
    if (header.name_length > kMaxArchiveNameChars) return EntryRead::error;
    name.assign(header.name_length, '\0');
    if (header.name_length > 0 && std::fread(name.data(), 1, name.size(), archive) != name.size()) return EntryRead::error;
    if (!is_safe_entry_name(name)) return EntryRead::error;
    const long data_at = std::ftell(archive);
    if (data_at < 0 || data_at + int64_t{header.compressed_size} > archive_size) return EntryRead::error;
    return EntryRead::entry;
}

bool alloc_compress_work(ArchiveIoState& state) {
    state.work = static_cast<char*>(memcheck::mc_malloc_at(kCompressWorkBytes, __FILE__, __LINE__));
    return state.work != nullptr;
}

void free_compress_work(ArchiveIoState& state) {
    if (state.work != nullptr) memcheck::mc_free_at(state.work, __FILE__, __LINE__);
    state.work = nullptr;
}

unsigned read_archive_block(char* buffer, unsigned* size, void* param) {
    auto& state = *static_cast<ArchiveIoState*>(param);
    if (state.error != 0) return 0;
    unsigned want = *size;
    if (state.direction == 0) {
        want = std::min(want, state.byte_count);
        state.byte_count -= want;
    }
    const auto got = static_cast<unsigned>(want == 0 ? 0 : std::fread(buffer, 1, want, state.input));
    if (std::ferror(state.input) != 0) state.error = 1;
    if (state.direction == 1) {
        unsigned count = got;
        compress::update_crc32(buffer, &count, &state.crc);
        state.plain_count += got;
    }
    return got;
}

void write_archive_block(char* buffer, unsigned* size, void* param) {
    auto& state = *static_cast<ArchiveIoState*>(param);
    if (state.error != 0) return;
    if (state.direction == 1) state.byte_count += *size;
    if (!write_all(state.output, buffer, *size)) state.error = 1;
    if (state.direction == 0) {
        unsigned count = *size;
        compress::update_crc32(buffer, &count, &state.crc);
        state.plain_count += *size;
    }
}

bool matches_selected_pattern(std::string_view path) {
    const size_t separator = path.find_last_of("\\/:");
    const std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    for (int p = 1; p <= data_file_pattern_count; ++p) {
        const std::string_view pattern(data_file_patterns[p].data());
        if (part_matches(name_part(pattern), name_part(name)) &&
            part_matches(extension_part(pattern), extension_part(name))) {
            return true;
        }
    }
    return false;
}

bool compress_files_to_archive(ArchiveIoState& state) {
    const std::string work = work_archive_path();
    state.output = platform::dos_fopen(work.c_str(), "r+b");
    if (state.output == nullptr) state.output = platform::dos_fopen(work.c_str(), "wb");
    if (state.output == nullptr) return false;
    state.error = 0;
    state.direction = 1;
    if (std::fseek(state.output, 0, SEEK_END) != 0) state.error = 1;
    for (int p = 1; p <= data_file_pattern_count && state.error == 0; ++p) {
        platform::DosFindData found;
        for (bool more = platform::dos_findfirst(data_path(data_file_patterns[p].data()).c_str(), &found, 0);
             more && state.error == 0; more = platform::dos_findnext(&found)) {
            compress_one_file(state, found);
        }
    }
    if (!platform::dos_commit(state.output)) state.error = 1;
    if (std::fclose(state.output) != 0) state.error = 1;
    state.output = nullptr;
    return state.error == 0;
}

bool expand_archive(ArchiveIoState& state) {
    state.input = platform::dos_fopen(work_archive_path().c_str(), "rb");
    if (state.input == nullptr) return false;
    state.error = 0;
    state.direction = 0;
    state.expanded.clear();
    const int64_t archive_size = stream_size(state.input);
    if (archive_size < 0) state.error = 1;
    while (state.error == 0) {
        ArchiveEntryHeader header;
        std::string name;
        const EntryRead read = read_archive_entry(state.input, archive_size, header, name);
        if (read == EntryRead::end) break;
        if (read == EntryRead::error) {
            state.error = 1;
            break;
        }
        const long data_at = std::ftell(state.input);
        if (matches_selected_pattern(name)) expand_one_entry(state, header, name);
        // The next entry starts after this one's data, however much of it explode took.
        if (data_at < 0 || std::fseek(state.input, data_at + static_cast<long>(header.compressed_size), SEEK_SET) != 0) {
            state.error = 1;
        }
    }
    std::fclose(state.input);
    state.input = nullptr;
    return state.error == 0;
}

bool check_existing_archive(const std::string& name) {
    ui::show_message("CHECKING EXISTING SHOW...");
    FILE* old_archive = platform::dos_fopen(floppy_archive_path(name).c_str(), "rb");
    if (old_archive == nullptr) return false;
    FILE* work = platform::dos_fopen(work_archive_path().c_str(), "wb");
    if (work == nullptr) {
        std::fclose(old_archive);
        return false;
    }
    const int64_t archive_size = stream_size(old_archive);
    bool ok = archive_size >= 0;
    while (ok) {
        ArchiveEntryHeader header;
        std::string entry_name;
        const EntryRead read = read_archive_entry(old_archive, archive_size, header, entry_name);
        if (read == EntryRead::end) break;
        if (read == EntryRead::error) {
            ok = false;
            break;
        }
        const bool written_again =
            platform::dos_exists(data_path(entry_name.c_str()).c_str()) && matches_selected_pattern(entry_name);
        if (written_again) {
            ok = std::fseek(old_archive, static_cast<long>(header.compressed_size), SEEK_CUR) == 0;
            continue;
        }
        std::array<uint8_t, kArchiveHeaderBytes> bytes{};
        encode_archive_header(header, bytes);
        ok = write_all(work, bytes.data(), bytes.size()) && write_all(work, entry_name.data(), entry_name.size()) &&
             copy_bytes(old_archive, work, header.compressed_size);
    }
    ok = platform::dos_commit(work) && ok;
    ok = std::fclose(work) == 0 && ok;
    std::fclose(old_archive);
    return ok;
}

void save_show_archive(const std::string& name) {
    ArchiveIoState state;
    if (!alloc_compress_work(state)) {
        ui::show_message("ERROR : NOT ENOUGH MEMORY");
        beep_error();
        return;
    }
    ui::show_message("COMPRESSING DATA...");
    if (!compress_files_to_archive(state)) {
        ui::show_message("ERROR OCCURED DURING SAVING...");
        beep_error();
        free_compress_work(state);
        return;
    }
    ui::show_message("CHECKING DISK SPACE...");
    const std::string archive = floppy_archive_path(name);
    uint32_t needed_bytes = 0;
    lookup_file_size(work_archive_path(), needed_bytes);
    // The archive about to be replaced counts as free, on a drive that reports its geometry.
    platform::DosDiskFree geometry;
    const bool has_geometry = platform::dos_getdiskfree(1, &geometry);
    const uint64_t free_bytes =
        has_geometry ? uint64_t{geometry.avail_clusters} * geometry.sectors_per_cluster * geometry.bytes_per_sector : 0;
    uint32_t old_bytes = 0;
    if (has_geometry) lookup_file_size(archive, old_bytes);
    const uint64_t free_with_old = free_bytes + old_bytes;
    if (free_with_old < needed_bytes) {
        ui::show_message("ERROR : INSUFFICIENT DISK SPACE");
        beep_error();
    } else {
        ui::show_message("SAVING TO EXTERNAL DISK...");
        std::string kept_as;
        if (!copy_archive_to_floppy(name, needed_bytes, free_bytes, kept_as)) {
            // temp.cmp stays for another try; the next save removes it.
            if (kept_as.empty()) ui::show_message("ERROR OCCURED DURING SAVING...");
            else ui::show_message("SAVING FAILED : OLD ARCHIVE KEPT IN %s", kept_as.c_str());
            beep_error();
            free_compress_work(state);
            return;
        }
    }
    platform::dos_remove(work_archive_path().c_str());
    free_compress_work(state);
}

bool load_show_archive(const std::string& name) {
    ArchiveIoState state;
    if (!alloc_compress_work(state)) {
        ui::show_message("ERROR : NOT ENOUGH MEMORY");
        beep_error();
        return false;
    }
    remove_load_work_files();
    const bool backed_up = setup::fixture_count != 0;
    bool ok = !backed_up || back_up_current_show();
    if (ok) {
        ui::show_message("LOADING FROM EXTERNAL DISK...");
        ok = copy_file_verified(floppy_archive_path(name), work_archive_path());
    }
    if (ok) {
        ui::show_message("EXPANDING DATA...");
        ok = expand_archive(state);
    }
    if (ok) {
        ui::show_message("LOADING NEW SHOW...");
        std::vector<std::string>& staged = state.expanded;
        if (holds(staged, "MEM.DAT") && holds(staged, "MEM-0250.DAT")) {
            std::vector<std::string> old_pages;
            std::copy_if(staged.begin(), staged.end(), std::back_inserter(old_pages), is_old_page_name);
            remove_staged_files(old_pages);
            staged.erase(std::remove_if(staged.begin(), staged.end(), is_old_page_name), staged.end());
        }
        ok = swap_in_staged_files(staged);
        if (!ok && backed_up) restore_from_backup();
    }
    if (!ok) {
        ui::show_message("ERROR OCCURED DURING LOADING...");
        sound_load_failure();
    }
    remove_load_work_files();
    free_compress_work(state);
    return ok;
}

std::string floppy_archive_path(const std::string& name) { return "a:\\" + name + ".cmp"; }
std::string work_archive_path() { return data_path("temp.cmp"); }

}  // namespace datafiles
