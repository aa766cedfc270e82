#include "platform/dos_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <new>

#include "platform/machine.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr int kCtrlZ = 0x1A;
constexpr std::string_view kCharactersDosRefuses = "\"*+,/:;<=>?[\\]|";

DosFiles& dos() { return machine().dos; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

bool allowed_in_name(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && kCharactersDosRefuses.find(c) == std::string_view::npos;
}

// A name DOS would accept as one component of a path ("." and ".." aside).
bool valid_component(std::string_view name) {
    if (name.empty() || name.front() == '.') return false;
    for (char c : name) {
        if (!allowed_in_name(c)) return false;
    }
    return true;
}

// A host name a DOS directory search can report: 1-8 characters, optionally
// a dot and 0-3 more.
bool fits_8_3(std::string_view name) {
    if (!valid_component(name)) return false;
    const size_t dot = name.find('.');
    if (dot == std::string_view::npos) return name.size() <= 8;
    if (dot == 0 || dot > 8) return false;
    const std::string_view extension = name.substr(dot + 1);
    return extension.size() <= 3 && extension.find('.') == std::string_view::npos;
}

struct DriveSplit {
    char drive = 'C';
    std::string_view rest;
};

DriveSplit split_drive(std::string_view path) {
    const bool has_drive = path.size() >= 2 && path[1] == ':' &&
                           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (!has_drive) return DriveSplit{'C', path};
    return DriveSplit{upper(path[0]), path.substr(2)};
}

fs::path drive_root(char drive) {
    if (drive == 'C') return dos().drive_c_root;
    if (drive == 'A') return dos().drive_a_root;
    return {};
}

// The entry of dir whose name equals name without regard to case: the one
// spelled the same when there is one, else the first in byte order; the
// name as given when there is none.
std::string match_entry(const fs::path& dir, std::string_view name) {
    std::string best;
    std::error_code error;
    fs::directory_iterator it(dir, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (!equal_ignoring_case(entry, name)) continue;
        if (entry == name) return entry;
        if (best.empty() || entry < best) best = entry;
    }
    return best.empty() ? std::string(name) : best;
}

struct Resolved {
    bool ok = false;
    char drive = 'C';
    fs::path host;
    int depth = 0;  // components below the drive's root
};

Resolved resolve(std::string_view dos_path) {
    const DriveSplit split = split_drive(dos_path);
    Resolved r;
    r.drive = split.drive;
    r.host = drive_root(split.drive);
    if (r.host.empty()) return r;
    std::string_view rest = split.rest;
    while (!rest.empty()) {
        size_t end = 0;
        while (end < rest.size() && !is_separator(rest[end])) ++end;
        const std::string_view component = rest.substr(0, end);
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (r.depth == 0) return r;  // would leave the drive
            r.host = r.host.parent_path();
            --r.depth;
            continue;
        }
        if (!valid_component(component)) return r;
        r.host /= match_entry(r.host, component);
        ++r.depth;
    }
    r.ok = true;
    return r;
}

// --- text streams --------------------------------------------------------

struct TextStream {
    FILE* raw = nullptr;
    int pending = -1;  // a byte read ahead after a CR
    bool ended = false;  // Ctrl-Z seen
};

ssize_t text_read(void* cookie, char* buffer, size_t size) {
    auto* t = static_cast<TextStream*>(cookie);
    size_t n = 0;
    while (n < size && !t->ended) {
        int c = t->pending >= 0 ? t->pending : std::getc(t->raw);
        t->pending = -1;
        if (c == EOF) break;
        if (c == kCtrlZ) {
            t->ended = true;
            break;
        }
        if (c == '\r') {
            const int next = std::getc(t->raw);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                t->pending = next;
            }
        }
        buffer[n++] = static_cast<char>(c);
    }
    if (n == 0 && std::ferror(t->raw)) return -1;
    return static_cast<ssize_t>(n);
}

ssize_t text_write(void* cookie, const char* buffer, size_t size) {
    auto* t = static_cast<TextStream*>(cookie);
    std::array<char, 512> out{};
    size_t used = 0;
    for (size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\n') out[used++] = '\r';
        out[used++] = buffer[i];
        if (used + 2 > out.size() || i + 1 == size) {
            if (std::fwrite(out.data(), 1, used, t->raw) != used) return 0;
            used = 0;
        }
    }
    if (std::fflush(t->raw) != 0) return 0;
    return static_cast<ssize_t>(size);
}

int text_seek(void* cookie, off64_t* offset, int whence) {
    auto* t = static_cast<TextStream*>(cookie);
    off64_t target = *offset;
    if (whence == SEEK_CUR) {
        // The byte read ahead is not yet consumed.
        target += ftello(t->raw) - (t->pending >= 0 ? 1 : 0);
        whence = SEEK_SET;
    }
    if (fseeko(t->raw, target, whence) != 0) return -1;
    t->pending = -1;
    t->ended = false;
    *offset = ftello(t->raw);
    return 0;
}

int text_close(void* cookie) {
    auto* t = static_cast<TextStream*>(cookie);
    const int result = std::fclose(t->raw);
    delete t;
    return result;
}

FILE* open_text_stream(const fs::path& host, char kind) {
    const char raw_mode[3] = {kind, 'b', '\0'};
    FILE* raw = std::fopen(host.c_str(), raw_mode);
    if (raw == nullptr) return nullptr;
    auto* t = new (std::nothrow) TextStream{raw};
    if (t == nullptr) {
        std::fclose(raw);
        return nullptr;
    }
    const cookie_io_functions_t functions{text_read, text_write, text_seek, text_close};
    const char cookie_mode[2] = {kind, '\0'};
    FILE* stream = fopencookie(t, cookie_mode, functions);
    if (stream == nullptr) {
        std::fclose(raw);
        delete t;
    }
    return stream;
}

struct OpenMode {
    bool ok = false;
    char kind = 'r';
    bool binary = false;
    bool update = false;
};

OpenMode parse_mode(std::string_view mode) {
    OpenMode m;
    if (mode.empty() || std::string_view("rwa").find(mode[0]) == std::string_view::npos) return m;
    m.kind = mode[0];
    bool text = false;
    for (char c : mode.substr(1)) {
        bool* flag = nullptr;
        if (c == 'b') flag = &m.binary;
        if (c == 't') flag = &text;
        if (c == '+') flag = &m.update;
        if (flag == nullptr || *flag) return m;  // unknown or repeated letter
        *flag = true;
    }
    // Text update streams are not offered: no caller reads and writes text.
    m.ok = !(m.binary && text) && (m.binary || !m.update);
    return m;
}

FILE* open_stream(const fs::path& host, const OpenMode& m) {
    if (!m.binary) return open_text_stream(host, m.kind);
    const char raw_mode[4] = {m.kind, m.update ? '+' : 'b', m.update ? 'b' : '\0', '\0'};
    return std::fopen(host.c_str(), raw_mode);
}

// --- directory search -----------------------------------------------------

// The blank-padded 8 + 3 form of a name or a pattern; "*" fills the rest of
// its field with '?'.
std::array<char, 11> fcb_form(std::string_view name) {
    std::array<char, 11> out{};
    out.fill(' ');
    if (name == "." || name == "..") {
        for (size_t i = 0; i < name.size(); ++i) out[i] = '.';
        return out;
    }
    size_t i = 0;
    auto fill_field = [&](size_t first, size_t length) {
        size_t pos = first;
        for (; i < name.size() && name[i] != '.'; ++i) {
            if (name[i] == '*') {
                while (pos < first + length) out[pos++] = '?';
            } else if (pos < first + length) {
                out[pos++] = upper(name[i]);
            }
        }
    };
    fill_field(0, 8);
    if (i < name.size()) ++i;  // the dot
    fill_field(8, 3);
    return out;
}

bool fcb_match(const std::array<char, 11>& pattern, const std::array<char, 11>& name) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '?' && pattern[i] != name[i]) return false;
    }
    return true;
}

void pack_time(time_t modified, uint16_t& dos_time, uint16_t& dos_date) {
    std::tm local{};
    if (localtime_r(&modified, &local) == nullptr || local.tm_year < 80) {
        dos_time = 0;
        dos_date = (1 << 5) | 1;  // 1 January 1980, the earliest DOS date
        return;
    }
    const int year = std::min(local.tm_year + 1900, 2107);
    dos_time = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    dos_date = static_cast<uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

bool eligible(const struct stat& st, uint8_t search_attrib) {
    if (S_ISREG(st.st_mode)) return true;
    return S_ISDIR(st.st_mode) && (search_attrib & kDosAttrDirectory) != 0;
}

void fill_found(DosFindData* find, std::string_view name, const struct stat& st) {
    const bool directory = S_ISDIR(st.st_mode);
    find->attrib = directory ? kDosAttrDirectory : kDosAttrArchive;
    if ((st.st_mode & S_IWUSR) == 0) find->attrib |= kDosAttrReadOnly;
    const auto size = static_cast<uint64_t>(st.st_size);
    find->size_bytes = directory ? 0 : static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX));
    pack_time(st.st_mtime, find->time, find->date);
    find->name.fill('\0');
    for (size_t i = 0; i < name.size() && i + 1 < find->name.size(); ++i) find->name[i] = name[i];
}

bool find_dot_entry(DosFindData* find) {
    while (find->dot_entries_done < 2) {
        const std::string_view name = find->dot_entries_done == 0 ? "." : "..";
        ++find->dot_entries_done;
        if (!find->in_subdirectory || (find->search_attrib & kDosAttrDirectory) == 0) continue;
        if (!fcb_match(find->pattern, fcb_form(name))) continue;
        const fs::path dir = name == "." ? find->directory : find->directory.parent_path();
        struct stat st {};
        if (::stat(dir.c_str(), &st) != 0) continue;
        fill_found(find, name, st);
        return true;
    }
    return false;
}

}  // namespace

std::string DosFiles::printer_output() const {
    std::string out;
    if (printer_spool.empty()) return out;
    FILE* f = std::fopen(printer_spool.c_str(), "rb");
    if (f == nullptr) return out;
    std::array<char, 4096> chunk{};
    size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0) out.append(chunk.data(), n);
    std::fclose(f);
    return out;
}

fs::path to_host_path(std::string_view dos_path) {
    if (is_printer_path(dos_path)) return {};
    const Resolved r = resolve(dos_path);
    return r.ok ? r.host : fs::path();
}

bool is_printer_path(std::string_view dos_path) {
    std::string_view name = split_drive(dos_path).rest;
    const size_t separator = name.find_last_of("\\/");
    if (separator != std::string_view::npos) name.remove_prefix(separator + 1);
    if (!name.empty() && name.back() == ':') name.remove_suffix(1);
    name = name.substr(0, name.find('.'));
    return equal_ignoring_case(name, "PRN");
}

std::string dos_program_path(const fs::path& host_binary) {
    const fs::path& root = dos().drive_c_root;
    if (root.empty() || host_binary.empty()) return {};
    std::error_code error;
    const fs::path binary = fs::weakly_canonical(fs::absolute(host_binary, error), error);
    if (error) return {};
    const fs::path base = fs::weakly_canonical(fs::absolute(root, error), error);
    if (error) return {};
    const fs::path relative = binary.lexically_relative(base);
    if (relative.empty() || *relative.begin() == ".." || relative == ".") return {};
    std::string out = "C:";
    for (const fs::path& component : relative) {
        out += '\\';
        for (char c : component.string()) out += upper(c);
    }
    if (!relative.filename().has_extension()) out += ".EXE";
    return out;
}

FILE* dos_fopen(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    const OpenMode m = parse_mode(mode);
    if (!m.ok) return nullptr;
    if (is_printer_path(path)) {
        const fs::path& spool = dos().printer_spool;
        if (m.kind == 'r' || m.update || spool.empty()) return nullptr;
        OpenMode append = m;
        append.kind = 'a';
        return open_stream(spool, append);
    }
    const Resolved r = resolve(path);
    if (!r.ok) return nullptr;
    if (r.drive == 'A' && dos().floppy_write_protected && (m.kind != 'r' || m.update)) return nullptr;
    std::error_code error;
    if (fs::is_directory(r.host, error)) return nullptr;
    return open_stream(r.host, m);
}

bool dos_findfirst(const char* path, DosFindData* find, uint8_t attrib) {
    if (path == nullptr || find == nullptr) return false;
    *find = DosFindData{};
    const std::string_view p(path);
    const size_t separator = p.find_last_of("\\/");
    const size_t drive_length = split_drive(p).rest.size() == p.size() ? 0 : 2;
    const size_t split = separator == std::string_view::npos ? drive_length : separator;
    const std::string_view directory = p.substr(0, split);
    const std::string_view pattern = p.substr(separator == std::string_view::npos ? split : split + 1);
    if (pattern.empty()) return false;
    for (char c : pattern) {
        if (c != '*' && c != '?' && c != '.' && !allowed_in_name(c)) return false;
    }
    const Resolved r = resolve(directory);
    std::error_code error;
    if (!r.ok || !fs::is_directory(r.host, error)) return false;
    find->directory = r.host;
    find->in_subdirectory = r.depth > 0;
    find->pattern = fcb_form(pattern);
    find->search_attrib = attrib;
    return dos_findnext(find);
}

bool dos_findnext(DosFindData* find) {
    if (find == nullptr || find->directory.empty()) return false;
    if (find_dot_entry(find)) return true;
    std::string best;
    struct stat best_stat {};
    std::error_code error;
    fs::directory_iterator it(find->directory, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name <= find->last_name || (!best.empty() && name >= best)) continue;
        if (!fits_8_3(name) || !fcb_match(find->pattern, fcb_form(name))) continue;
        struct stat st {};
        if (::stat(it->path().c_str(), &st) != 0 || !eligible(st, find->search_attrib)) continue;
        best = name;
        best_stat = st;
    }
    if (best.empty()) return false;
    find->last_name = best;
    fill_found(find, best, best_stat);
    return true;
}

bool dos_remove(const char* path) {
    if (path == nullptr) return false;
    const fs::path host = to_host_path(path);
    std::error_code error;
    if (host.empty() || !fs::is_regular_file(host, error)) return false;
    return fs::remove(host, error);
}

namespace {

// The two files of a rename: both below the root of the same drive, neither
// the printer. False when they are not.
bool resolve_rename(const char* old_path, const char* new_path, Resolved& from, Resolved& to) {
    if (old_path == nullptr || new_path == nullptr) return false;
    if (is_printer_path(old_path) || is_printer_path(new_path)) return false;
    from = resolve(old_path);
    to = resolve(new_path);
    return from.ok && to.ok && from.depth > 0 && to.depth > 0 && from.drive == to.drive;
}

}  // namespace

bool dos_rename(const char* old_path, const char* new_path) {
    Resolved from;
    Resolved to;
    if (!resolve_rename(old_path, new_path, from, to)) return false;
    std::error_code error;
    if (!fs::exists(from.host, error) || fs::exists(to.host, error)) return false;
    fs::rename(from.host, to.host, error);
    return !error;
}

bool dos_commit(FILE* file) {
    if (file == nullptr || std::fflush(file) != 0) return false;
    const int descriptor = fileno(file);
    if (descriptor >= 0 && fsync(descriptor) != 0) return false;
    ++dos().files_committed;
    return true;
}

bool dos_replace(const char* new_copy, const char* path) {
    Resolved from;
    Resolved to;
    if (!resolve_rename(new_copy, path, from, to)) return false;
    std::error_code error;
    if (!fs::is_regular_file(from.host, error) || fs::is_directory(to.host, error)) return false;
    if (std::rename(from.host.c_str(), to.host.c_str()) != 0) return false;
    // The new name is only safe once the directory holding it is on the disk.
    const int directory = open(to.host.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (directory < 0) return false;
    const bool synced = fsync(directory) == 0;
    close(directory);
    if (synced) ++dos().directories_committed;
    return synced;
}

bool dos_mkdir(const char* path) {
    if (path == nullptr || is_printer_path(path)) return false;
    const Resolved r = resolve(path);
    if (!r.ok || r.depth == 0) return false;
    std::error_code error;
    return fs::create_directory(r.host, error);
}

bool dos_rmdir(const char* path) {
    if (path == nullptr || is_printer_path(path)) return false;
    const Resolved r = resolve(path);
    std::error_code error;
    if (!r.ok || r.depth == 0 || !fs::is_directory(r.host, error)) return false;
    return fs::remove(r.host, error);
}

bool dos_exists(const char* path) {
    if (path == nullptr) return false;
    const fs::path host = to_host_path(path);
    std::error_code error;
    return !host.empty() && fs::exists(host, error);
}

bool dos_setfileattr(const char* path, uint8_t attrib) {
    (void)attrib;  // hidden and system files are plain files on the host
    return dos_exists(path);
}

DosCreateResult dos_create_new(const char* path) {
    if (path == nullptr) return DosCreateResult::failed;
    const fs::path host = to_host_path(path);
    if (host.empty()) return DosCreateResult::failed;
    std::error_code error;
    if (fs::is_directory(host, error)) return DosCreateResult::failed;
    const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return errno == EEXIST ? DosCreateResult::exists : DosCreateResult::failed;
    ::close(fd);
    return DosCreateResult::created;
}

bool dos_getdiskfree(uint8_t drive, DosDiskFree* free_space) {
    if (free_space == nullptr || drive != 1) return false;
    const DosFiles& d = dos();
    std::error_code error;
    if (d.drive_a_root.empty() || !fs::is_directory(d.drive_a_root, error)) return false;
    uint64_t used_clusters = 0;
    fs::recursive_directory_iterator it(d.drive_a_root, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code entry_error;
        if (it->is_directory(entry_error)) {
            ++used_clusters;
        } else if (it->is_regular_file(entry_error)) {
            const uint64_t size = it->file_size(entry_error);
            if (!entry_error) used_clusters += (size + kFloppyBytesPerSector - 1) / kFloppyBytesPerSector;
        }
    }
    const uint64_t total = std::min<uint64_t>(d.floppy_capacity_bytes / kFloppyBytesPerSector, UINT16_MAX);
    free_space->total_clusters = static_cast<uint16_t>(total);
    free_space->avail_clusters = static_cast<uint16_t>(total > used_clusters ? total - used_clusters : 0);
    free_space->sectors_per_cluster = 1;
    free_space->bytes_per_sector = kFloppyBytesPerSector;
    return true;
}

bool printer_append(const void* bytes, size_t count) {
    const fs::path& spool = dos().printer_spool;
    if (spool.empty() || (bytes == nullptr && count > 0)) return false;
    FILE* f = std::fopen(spool.c_str(), "ab");
    if (f == nullptr) return false;
    const bool written = std::fwrite(bytes, 1, count, f) == count;
    return std::fclose(f) == 0 && written;
}

}  // namespace platform
