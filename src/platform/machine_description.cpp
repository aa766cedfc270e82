#include "platform/machine_description.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/cd_drive.h"
#include "platform/machine.h"

namespace platform {

namespace {

struct CardOption {
    std::string_view word;
    uint8_t options;    // bits of the option byte
    uint8_t options_2;  // bits of the second option byte
};

constexpr std::array<CardOption, 6> kCardOptions = {{
    {"faders", kCardOptionFaders, 0},
    {"function_belts", 0x02, 0},
    {"sequence_belts", 0x04, 0},
    {"displays", 0x08, 0},
    {"keys", 0x10, 0},
    {"wing", 0, 0x40},
}};

constexpr std::array<std::string_view, kCardSlots> kSegmentNames = {"C800", "CC00", "D000", "D400"};

std::string line_error(int line, const std::string& message) { return "line " + std::to_string(line) + ": " + message; }

std::vector<std::string_view> split_words(std::string_view line) {
    const size_t comment = line.find('#');
    if (comment != std::string_view::npos) line = line.substr(0, comment);
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])) != 0) ++at;
        const size_t start = at;
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])) == 0) ++at;
        if (at > start) words.push_back(line.substr(start, at - start));
    }
    return words;
}

std::string upper(std::string_view word) {
    std::string out(word);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Slot of a segment written as C800, C800h or 0xC800 (any case); -1 when none.
int segment_slot(std::string_view word) {
    std::string name = upper(word);
    if (name.size() > 2 && name.compare(0, 2, "0X") == 0) name.erase(0, 2);
    if (!name.empty() && name.back() == 'H') name.pop_back();
    for (size_t slot = 0; slot < kSegmentNames.size(); ++slot) {
        if (name == kSegmentNames[slot]) return static_cast<int>(slot);
    }
    return -1;
}

bool three_digits(std::string_view word) {
    if (word.size() != 3) return false;
    for (const char c : word) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Lines of the items given so far, to name the first when one comes twice.
struct Seen {
    std::array<int, kCardSlots> card_lines{};
    int smpte_line = 0;
    int smpte_in_line = 0;
    int cdrom_line = 0;
    int trackerball_line = 0;
    int cd_disc_line = 0;
    int master_faders_line = 0;
    std::array<int, kSoundBands> sound_pulse_lines{};
};

// A number of at most three digits; -1 for anything else.
int small_number(std::string_view word) {
    if (word.empty() || word.size() > 3) return -1;
    int value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool parse_card(const std::vector<std::string_view>& words, int line, Seen& seen, MachineDescription& d,
                std::string& error) {
    if (words.size() < 2) {
        error = line_error(line, "'card' needs its segment: C800, CC00, D000 or D400");
        return false;
    }
    const int slot = segment_slot(words[1]);
    if (slot < 0) {
        error = line_error(line, "unknown card segment '" + std::string(words[1]) + "' (C800, CC00, D000 or D400)");
        return false;
    }
    const size_t s = static_cast<size_t>(slot);
    if (seen.card_lines[s] != 0) {
        error = line_error(line, "the card at " + std::string(kSegmentNames[s]) + " is already described on line " +
                                     std::to_string(seen.card_lines[s]));
        return false;
    }
    if (words.size() < 4 || words[2] != "firmware") {
        error = line_error(line, "a card needs its firmware version after the segment: firmware and three digits, as 338");
        return false;
    }
    if (!three_digits(words[3])) {
        error = line_error(line, "the firmware version must be three digits, as 338, not '" + std::string(words[3]) + "'");
        return false;
    }
    CardSettings card;
    for (size_t i = 0; i < card.firmware_version.size(); ++i) card.firmware_version[i] = static_cast<uint8_t>(words[3][i]);
    for (size_t w = 4; w < words.size(); ++w) {
        const CardOption* option = nullptr;
        for (const CardOption& o : kCardOptions) {
            if (words[w] == o.word) option = &o;
        }
        if (option == nullptr) {
            error = line_error(line, "unknown card option '" + std::string(words[w]) +
                                         "' (faders, function_belts, sequence_belts, displays, keys or wing)");
            return false;
        }
        card.options |= option->options;
        card.options_2 |= option->options_2;
    }
    seen.card_lines[s] = line;
    d.cards[s] = card;
    return true;
}

// "item yes" or "item no", and the extra words the item allows after yes.
bool parse_yes_no(const std::vector<std::string_view>& words, int line, int& seen_line, bool& value,
                  std::string& error, std::string_view extra = {}, bool* extra_value = nullptr) {
    const std::string item(words[0]);
    if (seen_line != 0) {
        error = line_error(line, "'" + item + "' is already given on line " + std::to_string(seen_line));
        return false;
    }
    const bool takes_extra = extra_value != nullptr;
    const size_t most_words = takes_extra ? 3 : 2;
    if (words.size() < 2 || words.size() > most_words || (words[1] != "yes" && words[1] != "no") ||
        (words.size() == 3 && (words[1] != "yes" || words[2] != extra))) {
        error = line_error(line, "'" + item + "' takes yes or no" +
                                     (takes_extra ? ", then " + std::string(extra) + " when they are there" : ""));
        return false;
    }
    seen_line = line;
    value = words[1] == "yes";
    if (takes_extra) *extra_value = words.size() == 3;
    return true;
}

// "master_faders" and the four raw readings 0..255.
bool parse_master_faders(const std::vector<std::string_view>& words, int line, Seen& seen, MachineDescription& d,
                         std::string& error) {
    if (seen.master_faders_line != 0) {
        error = line_error(line, "'master_faders' is already given on line " + std::to_string(seen.master_faders_line));
        return false;
    }
    const std::string wanted = "'master_faders' takes four readings 0 to 255: GRAND, FLASH, SUB 1 and SUB 2";
    if (words.size() != 1 + d.master_faders.size()) {
        error = line_error(line, wanted);
        return false;
    }
    for (size_t i = 0; i < d.master_faders.size(); ++i) {
        const int value = small_number(words[i + 1]);
        if (value < 0 || value > 255) {
            error = line_error(line, wanted);
            return false;
        }
        d.master_faders[i] = static_cast<uint8_t>(value);
    }
    seen.master_faders_line = line;
    return true;
}

// Two decimal digits no larger than most.
int two_digits(std::string_view word, int most) {
    if (word.size() != 2 || word[0] < '0' || word[0] > '9' || word[1] < '0' || word[1] > '9') return -1;
    const int value = (word[0] - '0') * 10 + (word[1] - '0');
    return value <= most ? value : -1;
}

// "smpte_in loop", or "smpte_in generator", a rate name and hh:mm:ss:ff.
bool parse_smpte_in(const std::vector<std::string_view>& words, int line, Seen& seen, MachineDescription& d,
                    std::string& error) {
    if (seen.smpte_in_line != 0) {
        error = line_error(line, "'smpte_in' is already given on line " + std::to_string(seen.smpte_in_line));
        return false;
    }
    const std::string wanted =
        "'smpte_in' takes loop, or generator with its rate (24, 25, 30 or 30D) and start time hh:mm:ss:ff";
    SmpteInput input;
    if (words.size() == 2 && words[1] == "loop") {
        seen.smpte_in_line = line;
        d.smpte_in = input;
        return true;
    }
    if (words.size() != 4 || words[1] != "generator") {
        error = line_error(line, wanted);
        return false;
    }
    constexpr std::array<std::string_view, kSmpteRateCodes> kRateNames = {"24", "25", "30", "30D"};
    const auto rate = std::find(kRateNames.begin(), kRateNames.end(), words[2]);
    const std::string_view time = words[3];
    if (rate == kRateNames.end() || time.size() != 11 || time[2] != ':' || time[5] != ':' || time[8] != ':') {
        error = line_error(line, wanted);
        return false;
    }
    input.outside = true;
    input.rate_code = static_cast<uint8_t>(rate - kRateNames.begin());
    const int fps = static_cast<int>(smpte_frames_per_second(input.rate_code));
    const int h = two_digits(time.substr(0, 2), 23);
    const int m = two_digits(time.substr(3, 2), 59);
    const int s = two_digits(time.substr(6, 2), 59);
    const int f = two_digits(time.substr(9, 2), fps - 1);
    if (h < 0 || m < 0 || s < 0 || f < 0) {
        error = line_error(line, wanted);
        return false;
    }
    input.start_frame = static_cast<uint32_t>(((h * 60 + m) * 60 + s) * fps + f);
    seen.smpte_in_line = line;
    d.smpte_in = input;
    return true;
}

// "cdrom_disc", then "data" when track 1 is a data track, then the track
// lengths in seconds.
bool parse_cd_disc(const std::vector<std::string_view>& words, int line, Seen& seen, MachineDescription& d,
                   std::string& error) {
    if (seen.cd_disc_line != 0) {
        error = line_error(line, "'cdrom_disc' is already given on line " + std::to_string(seen.cd_disc_line));
        return false;
    }
    const std::string wanted = "'cdrom_disc' takes the track lengths in seconds, 1 to " +
                               std::to_string(kCdMaxTracks) + " tracks of 1 s or more and at most " +
                               std::to_string(kCdLongestDiscMinutes) + " minutes in all, after 'data' when track 1 " +
                               "is a data track";
    size_t first = 1;
    d.cd_first_track_data = words.size() > 1 && words[1] == "data";
    if (d.cd_first_track_data) first = 2;
    const size_t tracks = words.size() - first;
    if (tracks < 1 || tracks > static_cast<size_t>(kCdMaxTracks)) {
        error = line_error(line, wanted);
        return false;
    }
    uint64_t total_s = 0;
    d.cd_track_seconds.clear();
    for (size_t w = first; w < words.size(); ++w) {
        uint64_t seconds = 0;
        for (const char c : words[w]) {
            if (c < '0' || c > '9' || words[w].size() > 5) {
                seconds = 0;
                break;
            }
            seconds = seconds * 10 + static_cast<uint64_t>(c - '0');
        }
        total_s += seconds;
        if (seconds == 0 || kCdLeadInFrames / kCdFramesPerSecond + total_s > kCdLongestDiscMinutes * 60u) {
            error = line_error(line, wanted + ", not '" + std::string(words[w]) + "'");
            return false;
        }
        d.cd_track_seconds.push_back(static_cast<uint32_t>(seconds));
    }
    seen.cd_disc_line = line;
    return true;
}

// "sound_pulse", the band 1..5 and the beats a minute 30..300.
bool parse_sound_pulse(const std::vector<std::string_view>& words, int line, Seen& seen, MachineDescription& d,
                       std::string& error) {
    const std::string wanted = "'sound_pulse' takes a sound band 1 to 5 and beats a minute 30 to 300";
    const int band = words.size() == 3 ? small_number(words[1]) : -1;
    const int bpm = words.size() == 3 ? small_number(words[2]) : -1;
    if (band < 1 || band > kSoundBands || bpm < kLeastPulseBpm || bpm > kMostPulseBpm) {
        error = line_error(line, wanted);
        return false;
    }
    int& seen_line = seen.sound_pulse_lines[static_cast<size_t>(band - 1)];
    if (seen_line != 0) {
        error = line_error(line, "sound band " + std::to_string(band) + " has its pulse on line " + std::to_string(seen_line));
        return false;
    }
    seen_line = line;
    d.sound_pulse_bpm[static_cast<size_t>(band - 1)] = static_cast<uint16_t>(bpm);
    return true;
}

}  // namespace

bool parse_machine_description(std::string_view text, MachineDescription& description, std::string& error) {
    MachineDescription d;
    Seen seen;
    int line = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++line;
        const std::vector<std::string_view> words = split_words(text.substr(start, end - start));
        start = end + 1;
        if (words.empty()) continue;
        bool ok = false;
        if (words[0] == "card") {
            ok = parse_card(words, line, seen, d, error);
        } else if (words[0] == "smpte_midi_card") {
            ok = parse_yes_no(words, line, seen.smpte_line, d.smpte_midi_card, error, "sound_inputs", &d.sound_inputs);
        } else if (words[0] == "smpte_in") {
            ok = parse_smpte_in(words, line, seen, d, error);
        } else if (words[0] == "cdrom_drive") {
            ok = parse_yes_no(words, line, seen.cdrom_line, d.cdrom_drive, error);
        } else if (words[0] == "cdrom_disc") {
            ok = parse_cd_disc(words, line, seen, d, error);
        } else if (words[0] == "trackerball") {
            ok = parse_yes_no(words, line, seen.trackerball_line, d.trackerball, error);
        } else if (words[0] == "master_faders") {
            ok = parse_master_faders(words, line, seen, d, error);
        } else if (words[0] == "sound_pulse") {
            ok = parse_sound_pulse(words, line, seen, d, error);
        } else {
            error = line_error(line, "unknown item '" + std::string(words[0]) +
                                         "' (card, smpte_midi_card, cdrom_drive, cdrom_disc, trackerball, master_faders, sound_pulse or smpte_in)");
        }
        if (!ok) return false;
    }
    if (seen.cd_disc_line != 0 && !d.cdrom_drive) {
        error = line_error(seen.cd_disc_line, "'cdrom_disc' needs a drive: 'cdrom_drive yes'");
        return false;
    }
    description = d;
    return true;
}

bool read_machine_description(const std::filesystem::path& path, MachineDescription& description,
                              std::string& error) {
    std::error_code code;
    if (!std::filesystem::exists(path, code)) {
        error = path.string() + ": the machine description is missing";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path.string() + ": the machine description cannot be read";
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!parse_machine_description(text, description, error)) {
        error = path.string() + ", " + error;
        return false;
    }
    return true;
}

void fit_machine(Machine& machine, const MachineDescription& description) {
    for (int slot = 0; slot < kCardSlots; ++slot) {
        const std::optional<CardSettings>& card = description.cards[static_cast<size_t>(slot)];
        if (card) {
            machine.cards.fit(slot, *card);
        } else {
            machine.cards.remove(slot);
        }
    }
    machine.sync.smpte_in = description.smpte_in;
    if (description.smpte_midi_card) {
        machine.sync.fit(description.sound_inputs);
        machine.sync.set_sound_pulses(description.sound_pulse_bpm);
    } else {
        machine.sync.remove();
    }
    machine.cdrom.installed = description.cdrom_drive;
    machine.cdrom.handler = description.cdrom_drive ? &cd_drive_request : nullptr;
    machine.cdrom.handler_context = description.cdrom_drive ? &machine.cd_drive : nullptr;
    machine.cd_drive = CdDrive{};
    if (description.cdrom_drive && !description.cd_track_seconds.empty()) {
        CdDisc disc = audio_disc(description.cd_track_seconds);
        disc.first_track_data = description.cd_first_track_data;
        insert_cd(machine.cd_drive, disc);
    }
    machine.mouse.installed = description.trackerball;
    for (int slot = 0; slot < kCardSlots; ++slot) {
        const std::optional<CardSettings>& card = description.cards[static_cast<size_t>(slot)];
        if (!card || (card->options & kCardOptionFaders) == 0) continue;
        for (int master = 1; master <= kMasterFaders; ++master) {
            machine.cards.set_master_fader(slot, master, description.master_faders[static_cast<size_t>(master - 1)]);
        }
        break;
    }
}

}  // namespace platform
