#include "sync/timecode_lists.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "datafiles/whole_files.h"
#include "platform/dos_files.h"
#include "runtime/config_records.h"
#include "sync/timecode_clock.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace synchro {

TimecodeList timecode_list;
TimecodeListReallocator timecode_list_reallocator = std::realloc;

namespace {

constexpr size_t kLineChars = 99;         // longer lines are cut
constexpr size_t kHeaderChars = 15;       // the source and rate lines are compared on 15 characters
constexpr double kLargestTime = 86400.0;  // list times are 0..24 h
constexpr std::string_view kEventLetters = "CPFMSRG";
constexpr std::string_view kEndText = "END";
constexpr std::string_view kAutosave = "AUTOSAVE";

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string list_path(const std::string& name) { return datafiles::data_path((name + ".lst").c_str()); }

// One line of a text file without its line end (CR LF or LF), cut to
// kLineChars characters; the rest of a longer line is dropped. False at the
// end of the file.
bool read_line(FILE* file, std::string& line) {
    line.clear();
    int c = std::fgetc(file);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        if (line.size() < kLineChars) line.push_back(static_cast<char>(c));
        c = std::fgetc(file);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// The kept name of the list, and the ini file that remembers it.
void remember_list_name(const std::string& name) {
    const std::string kept = upper(name);
    if (upper(runtime::current_list_name) == kept) return;
    runtime::current_list_name = kept;
    runtime::save_ini_file();
}

bool grow_to(int32_t capacity) {
    void* block = timecode_list_reallocator(timecode_list.events, sizeof(TimecodeEvent) * static_cast<size_t>(capacity + 1));
    if (block == nullptr) return false;
    timecode_list.events = static_cast<TimecodeEvent*>(block);
    if (timecode_list.capacity == 0) timecode_list.events[0] = TimecodeEvent{};
    timecode_list.capacity = capacity;
    return true;
}

bool is_end(const TimecodeEvent& event) { return event_text(event) == kEndText; }

// A time read from a "T" line: a number, 0..86400 s.
bool parse_time(const std::string& line, double& time) {
    char letter = 0;
    if (std::sscanf(line.c_str(), "%c %lf", &letter, &time) != 2) return false;
    return std::isfinite(time) && time >= 0.0 && time <= kLargestTime;
}

bool kept_event_text(const std::string& text) {
    return text == kEndText || (!text.empty() && kEventLetters.find(text[0]) != std::string_view::npos);
}

void not_enough_memory() {
    ui::show_message("NOT ENOUGH MEMORY...");
    ui::beep(400, 2000);
}

}  // namespace

void reset_timecode_lists_globals() {
    std::free(timecode_list.events);
    timecode_list = {};
    timecode_list_reallocator = std::realloc;
}

std::string_view event_text(const TimecodeEvent& event) {
    return std::string_view(event.text.data(), strnlen(event.text.data(), event.text.size()));
}

void set_event_text(TimecodeEvent& event, std::string_view text) {
    event.text.fill('\0');
    std::copy_n(text.data(), std::min(text.size(), kEventTextBytes - 1), event.text.data());
}

bool valid_list_name(std::string_view name) { return !name.empty() && name.size() <= kListNameChars; }

bool reserve_timecode_event() {
    if (timecode_list.count + 1 <= timecode_list.capacity) return true;
    return grow_to(timecode_list.count + kListGrowth);
}

bool reserve_one_timecode_event() {
    if (timecode_list.count + 1 <= timecode_list.capacity) return true;
    return grow_to(timecode_list.count + 1);
}

bool reserve_timecode_events(int32_t n) {
    if (timecode_list.count + n <= timecode_list.capacity) return true;
    return grow_to(timecode_list.count + n);
}

bool insert_timecode_event(int32_t i, double time, std::string_view text) {
    if (!reserve_timecode_event()) return false;
    TimecodeEvent* events = timecode_list.events;
    std::copy_backward(events + i, events + timecode_list.count + 1, events + timecode_list.count + 2);
    events[i] = TimecodeEvent{};
    events[i].time = time;
    set_event_text(events[i], text);
    ++timecode_list.count;
    return true;
}

// Written to a new copy that replaces the old file only once it is whole: a
// full disk leaves the old list as it was, and the save reports failure.
bool save_timecode_list(const std::string& name) {
    if (!valid_list_name(name)) return false;
    std::string text;
    text += kTimecodeSourceNames[std::clamp<int>(timecode_source, 1, kTimecodeSources)];
    text += "\r\n";
    text += timecode_source == kTimecodeSourceCdrom ? kCdRateName
                                                     : kTimecodeRateNames[std::clamp<int>(timecode_frame_rate, 1, 4)];
    text += "\r\n";
    for (int32_t i = 1; i <= timecode_list.count; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "T %09.3lf\r\n", timecode_event(i).time);
        text += time;
        text += event_text(timecode_event(i));
        text += "\r\n";
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    if (!datafiles::replace_file(list_path(name), std::span<const uint8_t>(bytes, text.size()))) return false;
    if (upper(name) != kAutosave) remember_list_name(name);
    return true;
}

bool load_timecode_list(const std::string& name) {
    if (!valid_list_name(name)) return false;
    FILE* file = platform::dos_fopen(list_path(name).c_str(), "r");
    if (file == nullptr) return false;
    timecode_list.count = 0;
    std::string line;
    if (read_line(file, line)) {
        const std::string source = line.substr(0, kHeaderChars);
        for (uint8_t s = 1; s <= kTimecodeSources; ++s) {
            if (source == kTimecodeSourceNames[s]) timecode_source = s;
        }
    }
    if (read_line(file, line)) {
        const std::string rate = line.substr(0, kHeaderChars);
        if (timecode_source == kTimecodeSourceCdrom) timecode_frame_rate = 1;
        for (uint8_t r = 1; r <= kTimecodeRates && timecode_source != kTimecodeSourceCdrom; ++r) {
            if (rate == kTimecodeRateNames[r]) timecode_frame_rate = r;
        }
    }
    bool whole = true;
    while (read_line(file, line)) {
        if (line.empty() || (line[0] != 'T' && line[0] != 't')) continue;
        double time = 0.0;
        const bool timed = parse_time(line, time);
        std::string text;
        if (!read_line(file, text)) break;
        text = upper(text.substr(0, kEventTextBytes - 1));
        if (!timed || !kept_event_text(text)) continue;
        if (!reserve_timecode_event()) {
            whole = false;
            break;
        }
        TimecodeEvent& event = timecode_event(++timecode_list.count);
        event = TimecodeEvent{};
        event.time = time;
        set_event_text(event, text);
    }
    std::fclose(file);
    if (!whole) {
        not_enough_memory();
        return false;
    }
    remember_list_name(name);
    return true;
}

bool sort_timecode_events() {
    TimecodeEvent* events = timecode_list.events;
    const int32_t count = timecode_list.count;
    bool changed = false;
    int32_t end = 0;
    double largest = 0.0;
    for (int32_t i = 1; i <= count; ++i) {
        if (is_end(events[i])) end = i;
        largest = std::max(largest, events[i].time);
    }
    if (end != 0 && (events[end].time < largest || end != count)) {
        changed = true;
        TimecodeEvent moved = events[end];
        moved.time = largest;
        std::copy(events + end + 1, events + count + 1, events + end);
        events[count] = moved;
    }
    for (int32_t i = 2; i <= count; ++i) {
        const TimecodeEvent event = events[i];
        int32_t j = i - 1;
        while (j >= 1 && events[j].time > event.time) {
            events[j + 1] = events[j];
            --j;
        }
        if (j + 1 != i) {
            events[j + 1] = event;
            changed = true;
        }
    }
    return changed;
}

void free_timecode_list() {
    std::free(timecode_list.events);
    timecode_list = {};
}

}  // namespace synchro
