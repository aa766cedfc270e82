#include "datafiles/definition_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string_view>

#include "datafiles/warning_bar.h"
#include "datafiles/whole_files.h"
#include "platform/dos_files.h"
#include "sync/midi_events.h"
#include "sync/sync_services.h"

namespace datafiles {

std::array<EffectMacro, kEffectMacros + 1> effect_macro_table{};
std::vector<std::string> definition_messages;

namespace {

bool macro_file_read = false;
bool midi_statuses_read = false;
bool soundin_read = false;

constexpr size_t kLongestLine = 99;        // characters, without the line end
constexpr size_t kLongestMacroWord = 20;
constexpr size_t kMostMacroWords = 15;
constexpr size_t kMacroNameChars = 8;
constexpr int kLongestMessageLength = 3;   // bytes of a MIDI message, status included
constexpr uint32_t kMissingFile_ms = 4000;
constexpr char kCtrlZ = 0x1A;              // ends a DOS text file

constexpr const char* kMacroFileName = "MACRO.DEF";
constexpr const char* kMidiFileName = "MIDISPEC.CFG";
constexpr const char* kSoundinFileName = "SOUNDIN.CFG";

// ------------------------------------------------------------------ text lines

struct TextLine {
    int number = 0;     // 1-based
    std::string text;   // without its line end
};

// The lines of a text file, whether they end in CR LF or LF; the last needs
// no line end and a Ctrl-Z ends the file. Nothing when it does not open.
std::optional<std::vector<TextLine>> read_text_lines(const std::string& path) {
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    std::array<char, 4096> block{};
    for (size_t got; (got = std::fread(block.data(), 1, block.size(), file)) > 0;) bytes.append(block.data(), got);
    std::fclose(file);
    bytes = bytes.substr(0, bytes.find(kCtrlZ));

    std::vector<TextLine> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string text = bytes.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        lines.push_back({static_cast<int>(lines.size()) + 1, std::move(text)});
        start = end + 1;
    }
    return lines;
}

void skipped(const char* file, const TextLine& line, const std::string& why) {
    std::string text = std::string(file) + " LINE " + std::to_string(line.number) + ": " + why;
    std::printf("%s\n", text.c_str());
    definition_messages.push_back(std::move(text));
}

// A line too long to be read whole is skipped with its message.
bool too_long(const char* file, const TextLine& line) {
    if (line.text.size() <= kLongestLine) return false;
    skipped(file, line, "LINE TOO LONG, SKIPPED");
    return true;
}

std::vector<std::string> split_words(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
        const size_t start = i;
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) == 0) ++i;
        if (i > start) words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

bool is_blank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

// A whole word as a number in the base; nothing for anything else (a sign is
// allowed, a value beyond the int range saturates).
std::optional<long> parse_number(std::string_view word, int base) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    if (base == 16 && word.size() >= i + 2 && word[i] == '0' && (word[i + 1] == 'x' || word[i + 1] == 'X')) i += 2;
    if (i == word.size()) return std::nullopt;
    long value = 0;
    for (; i < word.size(); ++i) {
        const int c = std::toupper(static_cast<unsigned char>(word[i]));
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = std::min<long>(value * base + digit, 1L << 30);
    }
    return negative ? -value : value;
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// ------------------------------------------------------------------ macros

void clear_macro_table() {
    effect_macro_table = {};
    for (EffectMacro& macro : effect_macro_table) {
        macro.figure.fill(kMacroNotSet);
        for (auto& block : macro.functions) block.fill(kMacroNotSet);
    }
}

void set_name(std::array<char, kMacroNameBytes>& field, const std::vector<std::string>& words, size_t at) {
    field = {};
    if (at >= words.size()) return;
    const std::string name = words[at].substr(0, kMacroNameChars);
    std::copy(name.begin(), name.end(), field.begin());
}

// NAME=value words after the keyword, each against a block of parameters.
template <size_t N>
void take_parameters(const std::vector<std::string>& words, const TextLine& line, std::array<uint16_t, N>& block,
                     const std::array<const char*, N>& names, const std::array<uint16_t, N>& maxima) {
    for (size_t w = 1; w < words.size(); ++w) {
        const std::string& word = words[w];
        if (w >= kMostMacroWords) {
            skipped(kMacroFileName, line, "TOO MANY WORDS, '" + word + "' SKIPPED");
            continue;
        }
        const size_t equals = word.find('=');
        if (word.size() > kLongestMacroWord || equals == std::string::npos) {
            skipped(kMacroFileName, line, "'" + word + "' IS NO NAME=VALUE, SKIPPED");
            continue;
        }
        const std::string name = word.substr(0, equals);
        const auto* found = std::find_if(names.begin(), names.end(), [&](const char* n) { return name == n; });
        if (found == names.end()) {
            skipped(kMacroFileName, line, "UNKNOWN NAME '" + name + "', SKIPPED");
            continue;
        }
        const auto k = static_cast<size_t>(found - names.begin());
        const std::optional<long> value = parse_number(std::string_view(word).substr(equals + 1), 10);
        if (!value || *value < 0 || *value > maxima[k]) {
            skipped(kMacroFileName, line, "VALUE OF " + name + " OUT OF RANGE 0.." + std::to_string(maxima[k]) + ", SKIPPED");
            continue;
        }
        block[k] = static_cast<uint16_t>(*value);
    }
}

// One line inside macro n; false when it closes the macro.
bool macro_line(EffectMacro& macro, const std::vector<std::string>& words, const TextLine& line) {
    const std::string& keyword = words[0];
    if (keyword == "END") return false;
    if (keyword == "LOOPEFFECT") {
        const std::optional<long> value = words.size() > 1 ? parse_number(words[1], 10) : std::nullopt;
        if (!value || *value < 0 || *value > 255) {
            skipped(kMacroFileName, line, "LOOPEFFECT VALUE OUT OF RANGE 0..255, SKIPPED");
        } else {
            macro.loop_effect = static_cast<uint8_t>(*value);
        }
        return true;
    }
    if (keyword == "FIGURE") {
        macro.line_flags |= kMacroFigureLine;
        take_parameters(words, line, macro.figure, kFigureParameterNames, kFigureParameterMaxima);
        return true;
    }
    const auto* found = std::find_if(kMacroFunctionKeywords.begin(), kMacroFunctionKeywords.end(),
                                     [&](const char* k) { return keyword == k; });
    if (found == kMacroFunctionKeywords.end()) {
        skipped(kMacroFileName, line, "UNKNOWN KEYWORD '" + keyword + "', SKIPPED");
        return true;
    }
    const auto f = static_cast<size_t>(found - kMacroFunctionKeywords.begin());
    if (f < kMacroFlagFunctions) {
        macro.line_flags = static_cast<uint16_t>(macro.line_flags | 1u << (f + 1));
    } else {
        macro.line_marks[f - kMacroFlagFunctions] = 1;
    }
    take_parameters(words, line, macro.functions[f], kFunctionParameterNames, kFunctionParameterMaxima);
    return true;
}

uint16_t count_defined_blocks(const EffectMacro& macro) {
    const auto set = [](const auto& block) {
        return std::any_of(block.begin(), block.end(), [](uint16_t v) { return v != kMacroNotSet; });
    };
    uint16_t count = set(macro.figure) ? 1 : 0;
    for (const auto& block : macro.functions) count = static_cast<uint16_t>(count + (set(block) ? 1 : 0));
    return count;
}

void read_macro_lines(const std::vector<TextLine>& lines) {
    int open = 0;
    for (const TextLine& line : lines) {
        if (too_long(kMacroFileName, line)) continue;
        const std::vector<std::string> words = split_words(upper(line.text));
        if (words.empty()) continue;
        if (open == 0) {
            // Outside a macro only a head counts; other lines are comments.
            if (words[0] != "MACRO") continue;
            const std::optional<long> n = words.size() > 1 ? parse_number(words[1], 10) : std::nullopt;
            if (!n || *n < 1 || *n > kEffectMacros) {
                skipped(kMacroFileName, line, "MACRO NUMBER OUT OF RANGE 1..70, SKIPPED");
                continue;
            }
            open = static_cast<int>(*n);
            EffectMacro& macro = effect_macro_table[static_cast<size_t>(open)];
            set_name(macro.name_line1, words, 2);
            set_name(macro.name_line2, words, 3);
            continue;
        }
        if (!macro_line(effect_macro_table[static_cast<size_t>(open)], words, line)) open = 0;
    }
}

// ------------------------------------------------------------------ MIDI statuses

void read_midi_lines(const std::vector<TextLine>& lines) {
    int classes_given = 0;
    for (const TextLine& line : lines) {
        if (too_long(kMidiFileName, line)) continue;
        if (is_blank(line.text) || line.text[0] == '/') continue;
        const std::vector<std::string> words = split_words(line.text);
        const std::optional<long> status = words.size() > 1 ? parse_number(words[1], 16) : std::nullopt;
        if (!status || *status < 1 || *status >= synchro::kMidiStatusBytes) {
            skipped(kMidiFileName, line, "STATUS OUT OF RANGE 01..FF, SKIPPED");
            continue;
        }
        // A missing length is 0: the status is listed but its messages are ignored.
        const std::optional<long> length = words.size() > 2 ? parse_number(words[2], 10) : std::optional<long>(0);
        if (!length || *length < 0 || *length > kLongestMessageLength) {
            skipped(kMidiFileName, line, "LENGTH OUT OF RANGE 0..3, SKIPPED");
            continue;
        }
        const auto s = static_cast<size_t>(*status);
        if (!synchro::midi_status_names[s].empty()) {
            skipped(kMidiFileName, line, "STATUS ALREADY DEFINED, SKIPPED");
            continue;
        }
        synchro::midi_status_names[s] = words[0];
        synchro::midi_status_words[s] = static_cast<uint8_t>(*length);
        if (words.size() < 4) continue;
        if (words[3] != "CUESELECT") {
            skipped(kMidiFileName, line, "UNKNOWN KIND '" + words[3] + "' IGNORED");
        } else if (classes_given < synchro::kMidiCueClasses) {
            synchro::midi_status_class[s] = static_cast<uint8_t>(++classes_given);
        } else {
            skipped(kMidiFileName, line, "MORE THAN 5 CUESELECT STATUSES, NO CUE SELECTION");
        }
    }
}

// ------------------------------------------------------------------ sound inputs

void read_soundin_lines(const std::vector<TextLine>& lines) {
    for (const TextLine& line : lines) {
        if (too_long(kSoundinFileName, line)) continue;
        if (is_blank(line.text) || line.text[0] == '/') continue;
        const std::vector<std::string> words = split_words(line.text);
        // The key number and the value start from 0 on every line.
        const std::optional<long> key = words.size() > 1 ? parse_number(words[1], 10) : std::optional<long>(0);
        const std::optional<long> value = words.size() > 2 ? parse_number(words[2], 10) : std::optional<long>(0);
        if (!key || !value || words.size() < 2) {
            skipped(kSoundinFileName, line, "NO KEY NUMBER AND VALUE, SKIPPED");
            continue;
        }
        if (*value < 0 || *key < 1) {
            skipped(kSoundinFileName, line, "NUMBER OUT OF RANGE, SKIPPED");
            continue;
        }
        if (*key > synchro::kAudioInputParameters) {
            std::printf("invalid keyword %ld \n", *key);
            definition_messages.push_back("invalid keyword " + std::to_string(*key) + " ");
            continue;
        }
        synchro::audio_input_setup[static_cast<size_t>(*key)] = static_cast<uint8_t>(*value & 0xFF);
    }
}

}  // namespace

void reset_definition_files_globals() {
    effect_macro_table = {};
    std::vector<std::string>().swap(definition_messages);
    macro_file_read = false;
    midi_statuses_read = false;
    soundin_read = false;
}

void load_macro_file() {
    if (macro_file_read) return;
    clear_macro_table();
    const auto lines = read_text_lines(program_path("macro.def"));
    if (lines) {
        read_macro_lines(*lines);
        for (EffectMacro& macro : effect_macro_table) macro.defined_blocks = count_defined_blocks(macro);
        effect_macro_table[0] = {};
    } else {
        show_warning_bar("WARNING : EFFECT-MACRO FILE 'MACRO.DEF' NOT FOUND !", kMissingFile_ms, BarEnd::black);
    }
    macro_file_read = true;
}

void load_midi_spec_file() {
    if (midi_statuses_read) return;
    for (std::string& name : synchro::midi_status_names) name.clear();
    synchro::midi_status_words = {};
    synchro::midi_status_class = {};
    const auto lines = read_text_lines(program_path("midispec.cfg"));
    if (lines) {
        read_midi_lines(*lines);
    } else {
        show_warning_bar("WARNING : MIDI-CONFIGURATION FILE 'MIDISPEC.CFG' NOT FOUND !", kMissingFile_ms, BarEnd::black);
    }
    midi_statuses_read = true;
}

void load_soundin_config() {
    if (soundin_read) return;
    synchro::audio_input_setup = synchro::kAudioInputDefaults;
    const auto lines = read_text_lines(program_path("soundin.cfg"));
    if (lines) {
        read_soundin_lines(*lines);
    } else {
        show_warning_bar("WARNING : SOUNDIN-CONFIGURATION FILE 'SOUNDIN.CFG' NOT FOUND !", kMissingFile_ms, BarEnd::black);
    }
    soundin_read = true;
}

}  // namespace datafiles
