#include "ui/dos_commands.h"

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dos_files.h"

namespace ui {

namespace {

constexpr size_t kVerbChars = 19;           // longer words are no verb
constexpr int kMaxWords = 4;                // verb, source, destination, one switch
constexpr size_t kMaxMatches = 65535;       // entries a DOS directory can hold
constexpr size_t kCopyBlockBytes = 4096;
constexpr int kScratchNames = 10000;        // ~BXC0000.TMP .. ~BXC9999.TMP
constexpr size_t kNameChars = 8;
constexpr size_t kExtensionChars = 3;

enum class Verb : uint8_t { unknown, del, md, rd, copy, ren, xcopy };

struct VerbName {
    std::string_view name;
    Verb verb;
};

constexpr std::array<VerbName, 7> kVerbs = {{
    {"DEL", Verb::del},
    {"ERASE", Verb::del},
    {"MD", Verb::md},
    {"RD", Verb::rd},
    {"COPY", Verb::copy},
    {"REN", Verb::ren},
    {"XCOPY", Verb::xcopy},
}};

// The words of a line: the verb, the paths and the switches ("/V").
struct CommandLine {
    Verb verb = Verb::unknown;
    std::array<std::string_view, kMaxWords> paths{};
    int path_count = 0;
    std::array<std::string_view, kMaxWords> switches{};
    int switch_count = 0;
    bool well_formed = false;
};

// A DOS path split after its last separator: "C:\BX\DATA\" and "*.OLD".
struct PathParts {
    std::string_view directory;
    std::string_view name;
};

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string format_line(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string line(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(line.data(), line.size(), format, args);
    line.resize(static_cast<size_t>(length));
    return line;
}

Verb verb_of(std::string_view word) {
    if (word.size() > kVerbChars) return Verb::unknown;
    for (const VerbName& entry : kVerbs) {
        if (equal_ignoring_case(word, entry.name)) return entry.verb;
    }
    return Verb::unknown;
}

// Splits the line into blank-separated words; more than kMaxWords words, or
// no verb, leave it not well formed.
CommandLine parse_command_line(std::string_view line) {
    CommandLine command;
    std::array<std::string_view, kMaxWords> words{};
    int word_count = 0;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && is_blank(line[at])) ++at;
        if (at >= line.size()) break;
        const size_t start = at;
        while (at < line.size() && !is_blank(line[at])) ++at;
        if (word_count == kMaxWords) return command;
        words[static_cast<size_t>(word_count++)] = line.substr(start, at - start);
    }
    if (word_count == 0) return command;
    command.verb = verb_of(words[0]);
    for (int i = 1; i < word_count; ++i) {
        const std::string_view word = words[static_cast<size_t>(i)];
        if (word.front() == '/') {
            command.switches[static_cast<size_t>(command.switch_count++)] = word;
        } else {
            command.paths[static_cast<size_t>(command.path_count++)] = word;
        }
    }
    command.well_formed = command.verb != Verb::unknown;
    return command;
}

bool only_verify_switches(const CommandLine& command) {
    for (int i = 0; i < command.switch_count; ++i) {
        if (!equal_ignoring_case(command.switches[static_cast<size_t>(i)], "/V")) return false;
    }
    return true;
}

PathParts split_path(std::string_view path) {
    size_t split = path.find_last_of("\\/");
    if (split == std::string_view::npos) {
        split = (path.size() >= 2 && path[1] == ':') ? 1 : std::string_view::npos;
    }
    if (split == std::string_view::npos) return PathParts{{}, path};
    return PathParts{path.substr(0, split + 1), path.substr(split + 1)};
}

bool has_wildcards(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

bool is_plain_name(std::string_view name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos;
}

// Names of the normal files that match a pattern, in the order DOS finds them.
std::vector<std::string> matching_files(const std::string& pattern) {
    std::vector<std::string> names;
    platform::DosFindData find;
    bool found = platform::dos_findfirst(pattern.c_str(), &find, 0);
    while (found && names.size() < kMaxMatches) {
        names.emplace_back(find.name.data());
        found = platform::dos_findnext(&find);
    }
    return names;
}

bool is_directory(const std::string& path) {
    if (has_wildcards(path)) return false;
    platform::DosFindData find;
    return platform::dos_findfirst(path.c_str(), &find, platform::kDosAttrDirectory) &&
           (find.attrib & platform::kDosAttrDirectory) != 0;
}

// One part (name or extension) of a new name: '?' takes the source's
// character at its place, '*' the rest of the source part, any other
// character stands for itself.
std::string apply_part_template(std::string_view source, std::string_view pattern, size_t max_chars) {
    std::string out;
    for (size_t i = 0; i < pattern.size() && out.size() < max_chars; ++i) {
        const char c = pattern[i];
        if (c == '*') {
            if (i < source.size()) out.append(source.substr(i));
            break;
        }
        if (c == '?') {
            if (i < source.size()) out += source[i];
        } else {
            out += c;
        }
    }
    if (out.size() > max_chars) out.resize(max_chars);
    return out;
}

std::string_view name_part(std::string_view name) { return name.substr(0, name.find('.')); }

std::string_view extension_part(std::string_view name) {
    const size_t dot = name.find('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
}

// The DOS rule for a destination name with wildcards, part by part:
// "MEM-0250.DAT" with "*.OLD" gives "MEM-0250.OLD", "X.DA" with "*.DAT" "X.DAT".
std::string apply_name_template(std::string_view source, std::string_view pattern) {
    std::string name = apply_part_template(name_part(source), name_part(pattern), kNameChars);
    const std::string extension =
        apply_part_template(extension_part(source), extension_part(pattern), kExtensionChars);
    if (!extension.empty()) name += "." + extension;
    return name;
}

std::string scratch_name(std::string_view directory, int number) {
    char name[16]{};
    std::snprintf(name, sizeof name, "~BXC%04d.TMP", number % kScratchNames);
    return std::string(directory) + name;
}

// A scratch file created in the directory; empty when none could be made.
std::string create_scratch_file(std::string_view directory) {
    for (int n = 0; n < kScratchNames; ++n) {
        std::string path = scratch_name(directory, n);
        const platform::DosCreateResult result = platform::dos_create_new(path.c_str());
        if (result == platform::DosCreateResult::created) return path;
        if (result == platform::DosCreateResult::failed) return {};
    }
    return {};
}

// A free name in the directory, not created.
std::string free_scratch_name(std::string_view directory) {
    for (int n = 0; n < kScratchNames; ++n) {
        std::string path = scratch_name(directory, n);
        if (!platform::dos_exists(path.c_str())) return path;
    }
    return {};
}

bool same_file(const std::string& a, const std::string& b) {
    const auto host_a = platform::to_host_path(a);
    return !host_a.empty() && host_a == platform::to_host_path(b);
}

bool copy_stream(FILE* from, FILE* to) {
    std::array<char, kCopyBlockBytes> block{};
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), from);
        if (got > 0 && std::fwrite(block.data(), 1, got, to) != got) return false;
        if (got < block.size()) return std::ferror(from) == 0;
    }
}

// Gives the complete copy the destination's name. An existing destination
// is moved aside first and removed only once the copy holds its name.
bool put_in_place(const std::string& scratch, const std::string& destination) {
    if (platform::dos_rename(scratch.c_str(), destination.c_str())) return true;
    if (!platform::dos_exists(destination.c_str())) return false;
    const std::string old = free_scratch_name(split_path(destination).directory);
    if (old.empty() || !platform::dos_rename(destination.c_str(), old.c_str())) return false;
    if (!platform::dos_rename(scratch.c_str(), destination.c_str())) {
        platform::dos_rename(old.c_str(), destination.c_str());
        return false;
    }
    platform::dos_remove(old.c_str());
    return true;
}

// Copies one file through a scratch file beside the destination.
void copy_file(const std::string& source, const std::string& destination) {
    if (same_file(source, destination)) return;
    FILE* from = platform::dos_fopen(source.c_str(), "rb");
    if (from == nullptr) return;
    const std::string scratch = create_scratch_file(split_path(destination).directory);
    FILE* to = scratch.empty() ? nullptr : platform::dos_fopen(scratch.c_str(), "wb");
    bool complete = to != nullptr && copy_stream(from, to);
    std::fclose(from);
    if (to != nullptr) {
        const bool flushed = std::fflush(to) == 0;
        const bool closed = std::fclose(to) == 0;
        complete = complete && flushed && closed;
    }
    if (!complete || !put_in_place(scratch, destination)) {
        if (!scratch.empty()) platform::dos_remove(scratch.c_str());
    }
}

void print_file(const std::string& source) {
    FILE* from = platform::dos_fopen(source.c_str(), "rb");
    if (from == nullptr) return;
    std::array<char, kCopyBlockBytes> block{};
    size_t got = 0;
    do {
        got = std::fread(block.data(), 1, block.size(), from);
        if (got > 0 && !platform::printer_append(block.data(), got)) break;
    } while (got == block.size());
    std::fclose(from);
}

void delete_files(std::string_view pattern) {
    const std::string path(pattern);
    const std::string_view directory = split_path(pattern).directory;
    for (const std::string& name : matching_files(path)) {
        platform::dos_remove((std::string(directory) + name).c_str());
    }
}

void rename_files(std::string_view pattern, std::string_view new_name) {
    if (!is_plain_name(new_name)) return;  // a new name carries no path
    const std::string_view directory = split_path(pattern).directory;
    for (const std::string& name : matching_files(std::string(pattern))) {
        const std::string from = std::string(directory) + name;
        const std::string to = std::string(directory) + apply_name_template(name, new_name);
        platform::dos_rename(from.c_str(), to.c_str());
    }
}

void copy_files(std::string_view pattern, std::string_view destination) {
    const std::vector<std::string> names = matching_files(std::string(pattern));
    if (names.empty()) return;
    const std::string source_directory(split_path(pattern).directory);
    const std::string target(destination);
    if (platform::is_printer_path(target)) {
        for (const std::string& name : names) print_file(source_directory + name);
        return;
    }
    std::string target_directory;
    std::string_view target_name;
    const char last = target.back();
    if (last == '\\' || last == '/' || last == ':') {
        target_directory = target;
    } else if (is_directory(target)) {
        target_directory = target + "\\";
    } else {
        const PathParts parts = split_path(destination);
        target_directory = std::string(parts.directory);
        target_name = parts.name;
        // Several files into one plain name would overwrite each other.
        if (!has_wildcards(target_name) && names.size() > 1) return;
    }
    for (const std::string& name : names) {
        const std::string new_name = target_name.empty() ? name : apply_name_template(name, target_name);
        copy_file(source_directory + name, target_directory + new_name);
    }
}

void run_command(const CommandLine& command) {
    const std::string first(command.paths[0]);
    switch (command.verb) {
        case Verb::del:
            if (command.path_count == 1 && command.switch_count == 0) delete_files(first);
            break;
        case Verb::md:
            if (command.path_count == 1 && command.switch_count == 0) platform::dos_mkdir(first.c_str());
            break;
        case Verb::rd:
            if (command.path_count == 1 && command.switch_count == 0) platform::dos_rmdir(first.c_str());
            break;
        case Verb::ren:
            if (command.path_count == 2 && command.switch_count == 0) rename_files(first, command.paths[1]);
            break;
        case Verb::copy:
        case Verb::xcopy:
            if (command.path_count == 2 && only_verify_switches(command)) copy_files(first, command.paths[1]);
            break;
        case Verb::unknown:
            break;
    }
}

}  // namespace

void run_dos_command(const char* format, ...) {
    if (format == nullptr) return;
    va_list args;
    va_start(args, format);
    const std::string line = format_line(format, args);
    va_end(args);
    const CommandLine command = parse_command_line(line);
    if (!command.well_formed) return;
    run_command(command);
}

}  // namespace ui
