#include "sync/timecode_texts.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>

#include "memories/memory_index.h"
#include "playback/cue_tables.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"

namespace synchro {

namespace {

constexpr int kSequenceKinds = 5;
constexpr int kSequenceValues = 4;
constexpr int kGoKind = 5;  // the GO of a sequence; its value says how it was triggered
constexpr int kMasterFaders = 4;

using SequenceTexts = std::array<std::array<const char*, kSequenceValues>, kSequenceKinds + 1>;

// Sequence events "S n k v" by kind k (1 run, 2 direction, 3 sync, 4 trigger
// mode, 5 GO) and value v; null where the kind has no such value.
constexpr SequenceTexts kSequenceRowTexts = {{
    {},
    {"STOP", "START", nullptr, nullptr},
    {"RIGHT", "LEFT", "BOUNCE", "RANDOM"},
    {"ASYNCHRONIC", "SYNCHRONIC", nullptr, nullptr},
    {"AUTOMATIC", "MANUAL", nullptr, nullptr},
    {"AUTO-TRIGGER MODE", "MAN. TRIGGER", "TRIGGER", nullptr},
}};
// The LAST/NEXT fields' words; where the short words have none of their own
// the table's word stands.
constexpr SequenceTexts kSequenceShortTexts = {{
    {},
    {"STOP", "START", nullptr, nullptr},
    {"RIGHT", "LEFT", "BOUNCE", "RANDOM"},
    {"ASYNC", "SYNC", nullptr, nullptr},
    {"AUTO", "MAN", nullptr, nullptr},
    {"AUTO-TRIGGER MODE", "MAN. TRIGGER", "TRIGGER", nullptr},
}};
constexpr const char* kGoText = "TRIGGER";  // a GO whose value is none of the three

constexpr std::array<const char*, kMasterFaders + 1> kMasterNames = {"", "GRANDMASTER", "FLASHMASTER", "SUBMASTER 1",
                                                                   "SUBMASTER 2"};
constexpr const char* kPlaybackName = "PLAYBACK";

enum class Style : uint8_t { row, short_text };

// The numbers of an event text, read as the player reads them.
struct EventNumbers {
    std::array<char, kEventTextBytes + 1> text{};  // the text, terminated
    int a = 0, b = 0, c = 0;
    double t = 0.0;
};

EventNumbers terminated(std::string_view text) {
    EventNumbers n;
    const size_t length = std::min(text.size(), kEventTextBytes);
    std::copy_n(text.data(), length, n.text.data());
    return n;
}

template <typename... Args>
EventLine line(const char* format, Args... args) {
    EventLine out{};
    std::snprintf(out.data(), out.size(), format, args...);
    return out;
}

EventLine error_line() { return line("%s", kEventErrorText); }

// "END" in any case reads "END"; every other text is an error.
EventLine end_or_error(const EventNumbers& n) {
    EventLine upper{};
    for (size_t i = 0; i < kEventTextBytes && n.text[i] != '\0'; ++i) {
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(n.text[i])));
    }
    return std::string_view(upper.data()) == "END" ? line("END") : error_line();
}

// "[name]" after a text, or nothing for an empty name.
EventLine with_name(EventLine text, std::string_view name) {
    if (name.empty()) return text;
    size_t at = std::string_view(text.data()).size();
    const auto append = [&](std::string_view part) {
        const size_t n = std::min(part.size(), text.size() - 1 - at);
        std::copy_n(part.data(), n, text.data() + at);
        at += n;
    };
    append(" [");
    append(name);
    append("]");
    text[at] = '\0';
    return text;
}

bool valid_cue(int page, int cue, int point) {
    return page >= 1 && page <= playback::kCuePages && cue >= 1 && cue <= playback::kCuesPerPage && point >= 1 &&
           point <= playback::kPointsPerCue;
}

EventLine memory_text(EventNumbers& n, Style style) {
    if (std::sscanf(n.text.data(), "%*c %d", &n.a) != 1 || n.a < 1 || n.a > memories::kMemories) return error_line();
    const EventLine text = line("MEMORY %d", n.a);
    if (style == Style::short_text) return text;
    return with_name(text, memories::memory_name(static_cast<int16_t>(n.a)));
}

// C events call point 1 of the cue; P events the point given (shown as
// point - 1, the way the cue screen counts points).
EventLine cue_text(EventNumbers& n, bool point_cue, Style style) {
    const int read = point_cue ? std::sscanf(n.text.data(), "%*c %d %d %d", &n.a, &n.b, &n.c)
                               : std::sscanf(n.text.data(), "%*c %d %d", &n.a, &n.b);
    if (!point_cue) n.c = 1;
    if (read != (point_cue ? 3 : 2) || !valid_cue(n.a, n.b, n.c)) return error_line();
    const char* format = style == Style::row ? "PAGE %02d - CUE %02d" : "PAGE %02d  CUE %02d";
    const char* point_format = style == Style::row ? "PAGE %02d - CUE %02d.%d" : "PAGE %02d  CUE %02d.%d";
    const EventLine text = point_cue ? line(point_format, n.a, n.b, n.c - 1) : line(format, n.a, n.b);
    if (style == Style::short_text) return text;
    return with_name(text, playback::cue_slot_name(playback::cue_slot_of(n.a, n.b, n.c)));
}

EventLine replace_all_text(EventNumbers& n, Style style) {
    if (std::sscanf(n.text.data(), "%*c %d", &n.a) != 1 || (n.a != 0 && n.a != 1)) return error_line();
    if (style == Style::row) return line(n.a == 1 ? "REPLACE-ALL MODE - ON" : "REPLACE-ALL MODE - OFF");
    return line(n.a == 1 ? "REPLACE-ALL ON" : "REPLACE-ALL OFF");
}

EventLine sequence_text(EventNumbers& n, Style style) {
    const int read = std::sscanf(n.text.data(), "%*c %d %d %d", &n.a, &n.b, &n.c);
    if (read < 2 || n.a < 0 || n.a > playback::kSequences || n.b < 1 || n.b > kSequenceKinds) return error_line();
    if (read == 2 && n.b != kGoKind) return error_line();
    const SequenceTexts& texts = style == Style::row ? kSequenceRowTexts : kSequenceShortTexts;
    const bool in_table = read == 3 && n.c >= 0 && n.c < kSequenceValues && texts[n.b][n.c] != nullptr;
    const char* word = in_table ? texts[n.b][n.c] : n.b == kGoKind ? kGoText : nullptr;
    if (word == nullptr) return error_line();
    if (n.a == 0) return line("SEQ A,B,C,D - %s", word);
    return line("SEQ %c - %s", 'A' + n.a - 1, word);
}

EventLine fader_text(EventNumbers& n, Style style) {
    if (std::sscanf(n.text.data(), "%*c %d %lf", &n.a, &n.t) != 2) return error_line();
    const bool master = n.a >= 1 && n.a <= kMasterFaders;
    if (!master && n.a <= kPlaybackFaderBase) return {};
    if (style == Style::short_text) {
        if (master) return line("%s", kMasterNames[static_cast<size_t>(n.a)]);
        return line("%s %d", kPlaybackName, n.a - kPlaybackFaderBase);
    }
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(n.t, hh, mm, ss, ff);
    if (master) return line("%s - %02d/%02d/%02d/%02d", kMasterNames[static_cast<size_t>(n.a)], hh, mm, ss, ff);
    return line("%s %02d - %02d/%02d/%02d/%02d", kPlaybackName, n.a - kPlaybackFaderBase, hh, mm, ss, ff);
}

EventLine goto_text(EventNumbers& n, Style style) {
    if (std::sscanf(n.text.data(), "%*c %lf", &n.t) != 1) return error_line();
    if (style == Style::short_text) return line("GOTO");
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(n.t, hh, mm, ss, ff);
    return line("GOTO TIME - %02d/%02d/%02d/%02d", hh, mm, ss, ff);
}

EventLine event_line(std::string_view text, Style style) {
    EventNumbers n = terminated(text);
    const auto first = static_cast<unsigned char>(n.text[0]);
    const char letter = static_cast<char>(style == Style::row ? std::toupper(first) : first);
    switch (letter) {
        case 'M': return memory_text(n, style);
        case 'C': return cue_text(n, false, style);
        case 'P': return cue_text(n, true, style);
        case 'R': return replace_all_text(n, style);
        case 'S': return sequence_text(n, style);
        case 'F': return fader_text(n, style);
        case 'G': return goto_text(n, style);
        default: return end_or_error(n);
    }
}

}  // namespace

EventLine format_event_time(double t) {
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(t, hh, mm, ss, ff);
    return line("%02d/%02d/%02d/%02d", hh, mm, ss, ff);
}

EventLine format_event_row_text(std::string_view text) { return event_line(text, Style::row); }

EventLine format_event_short_text(std::string_view text) { return event_line(text, Style::short_text); }

}  // namespace synchro
