#include "setup/setup_reports.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <memory>

#include "datafiles/whole_files.h"
#include "runtime/card_discovery.h"
#include "setup/fixture_type.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan_items.h"

namespace setup {

std::vector<std::string> report_lines;

void reset_setup_reports_globals() { report_lines.clear(); }

namespace {

constexpr int kMaxDipSwitches = 10;
constexpr int kMartinChannels = 16;  // above this a MARTIN fixture takes two addresses
constexpr int kCardProtocolCount = 4;
constexpr const char* kTypeTitle = "STAGE SETTINGS /TYPE                         ZELK Showlight Controller";
constexpr const char* kOutputTitle = "STAGE SETTINGS /OUTPUTLINE                   ZELK Showlight Controller";
const std::string kDashes(70, '-');
const std::string kStars(70, '*');

// What the reports take of a type's library file.
struct TypeInfo {
    int dip_switches = 0;
    int dip_base = 0;
    int dip_step = 0;
    std::string info;
};

// Type t's library "%s\lib\set\<stem>.set"; an unreadable file gives an
// empty definition (no switches, no text), never another type's.
TypeInfo read_type_info(const SetupData& setup, int t, FixtureTypeDef& definition) {
    definition.bytes.fill(0);
    const std::string stem = setup.text(SetupData::type_file_name_field(t), kTypeFileNameBytes);
    if (!stem.empty() && !datafiles::read_whole_file(datafiles::program_path(("lib\\set\\" + stem + ".set").c_str()),
                                                     definition.bytes)) {
        definition.bytes.fill(0);
    }
    TypeInfo info;
    info.dip_switches = definition.u8(kTypeDipCount);
    info.dip_base = static_cast<int16_t>(definition.u16(kTypeDipBase));
    info.dip_step = definition.address_step();
    info.info = definition.text(kTypeInfoText, kTypeInfoTextBytes);
    return info;
}

std::vector<TypeInfo> read_type_infos(const SetupData& setup) {
    std::vector<TypeInfo> infos(static_cast<size_t>(kMaxFixtureTypes) + 1);
    const auto definition = std::make_unique<FixtureTypeDef>();
    for (int t = 1; t <= rig_type_count(setup); ++t) infos[static_cast<size_t>(t)] = read_type_info(setup, t, *definition);
    return infos;
}

class Report {
public:
    void add(const std::string& line) { lines_.push_back(line.substr(0, kReportLineChars)); }
    void addf(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        std::array<char, 512> text{};
        va_list args;
        va_start(args, format);
        std::vsnprintf(text.data(), text.size(), format, args);
        va_end(args);
        add(text.data());
    }
    std::vector<std::string> take() { return std::move(lines_); }

private:
    std::vector<std::string> lines_;
};

int type_channels(const SetupData& setup, int t) { return setup.u8(SetupData::type_channel_count_field(t)); }
std::string type_name(const SetupData& setup, int t) { return setup.text(SetupData::type_name_field(t), kTypeNameBytes); }
int key_of(const FixtureRecord& r) { return (r.number - 1) % kPageKeys + 1; }
int page_of(const FixtureRecord& r) { return (r.number - 1) / kPageKeys + 1; }
bool martin(const FixtureRecord& r) { return r.protocol.compare(0, 6, "MARTIN") == 0; }

// An addressed fixture's ADDR column and DIP switches, with the second
// address of a MARTIN fixture of more than 16 channels.
struct DipSetting {
    int shown = 0;
    std::string text;
    bool second = false;
    int second_value = 0;
    std::string second_text;
};

DipSetting dip_setting(const SetupData& setup, const FixtureRecord& r, const TypeInfo& info) {
    const int t = r.type_index + 1;
    const int channels = type_channels(setup, t);
    DipSetting d;
    const bool two_addresses = martin(r) && channels > kMartinChannels;
    const int value = two_addresses ? (r.address + 16) / 16 : dip_value(r.address, info.dip_step, channels, info.dip_base);
    d.shown = martin(r) ? value : r.address;
    d.text = dip_text(value, info.dip_switches);
    if (two_addresses) {
        d.second = true;
        d.second_value = (r.address + 16) / 16 + 1;
        d.second_text = dip_text(d.second_value, info.dip_switches);
    }
    return d;
}

void add_type_fixture(Report& report, const SetupData& setup, int f, const FixtureRecord& r, const TypeInfo& info) {
    if (r.address == kMultipatchAddress || r.address == kSoftPatchAddress) {
        report.addf("  FIXT.PAGE: %2d.%-1d SOFTPATCHED", key_of(r), page_of(r));
    }
    if (r.address == kMultipatchAddress) {
        for (int function = 1; function <= type_channels(setup, r.type_index + 1); ++function) {
            for (const SoftPatchEntry& e : soft_patch_list) {
                if (e.fixture == f && e.function == function) {
                    report.addf("    FUNCTION : %2d DMX OUT %-1d  ADDR: %-3i", function, e.card, e.address);
                }
            }
        }
    } else if (r.address == kSoftPatchAddress) {
        for (const SoftPatchEntry& e : soft_patch_list) {
            if (e.fixture == f && e.function == kSoftPatchDimmerPart) {
                report.addf("    FUNCTION : DIMMER    DMX OUT %-1d  ADDR: %-3i", e.card, e.address);
            }
        }
        for (const SoftPatchEntry& e : soft_patch_list) {
            if (e.fixture == f && e.function > kSoftPatchBlockBase) {
                report.addf("    FUNCTION : 2 -> %-2d   DMX OUT %-1d  ADDR: %-3i", e.function - kSoftPatchBlockBase, e.card, e.address);
            }
        }
    } else {
        const DipSetting d = dip_setting(setup, r, info);
        report.addf("  FIXT.PAGE: %2d.%-1d %-9s%-1d  ADDR: %-3i  DIPSW: %s", key_of(r), page_of(r), r.protocol.c_str(), r.card,
                    d.shown, d.text.c_str());
        if (d.second) report.addf("                                ADDR: %-3d  DIPSW: %s", d.second_value, d.second_text.c_str());
    }
}

// The lines of one fixture under output p of card c; the type's header goes
// before its first line there.
class OutputBlock {
public:
    OutputBlock(Report& report, const SetupData& setup, int card, int output, const std::string& protocol)
        : report_(report), setup_(setup), card_(card), output_(output), protocol_(protocol) {}

    void add_fixture(int f, const FixtureRecord& r, const TypeInfo& info) {
        if (r.address == kMultipatchAddress) {
            if (output_ == 1) add_multipatched(f, r, info);
        } else if (r.address == kSoftPatchAddress) {
            if (output_ == 1) add_soft_patched(f, r, info);
        } else if (r.address >= 1 && r.address <= kCardAddresses && r.card == card_ &&
                   r.protocol.substr(0, 4) == protocol_.substr(0, 4)) {
            counted(r, info);
            const DipSetting d = dip_setting(setup_, r, info);
            report_.addf("       FIXT.PAGE: %2d.%-1d  ADDR: %-3i  DIPSW: %s", key_of(r), page_of(r), d.shown, d.text.c_str());
            if (d.second) report_.addf("                        ADDR: %-3i  DIPSW: %s", d.second_value, d.second_text.c_str());
        }
    }
    void next_type() { type_shown_ = false; }
    bool any() const { return fixtures_ > 0; }

private:
    void type_header(const FixtureRecord& r, const TypeInfo& info) {
        if (type_shown_) return;
        type_shown_ = true;
        report_.addf("  %-20s ", type_name(setup_, r.type_index + 1).c_str());
        if (!info.info.empty()) report_.addf("  %s", info.info.c_str());
    }
    void counted(const FixtureRecord& r, const TypeInfo& info) {
        type_header(r, info);
        ++fixtures_;
    }
    void soft_header(const FixtureRecord& r, const TypeInfo& info, bool& shown) {
        if (shown) return;
        shown = true;
        counted(r, info);
        report_.addf("    FIXT.PAGE: %2d.%-1d SOFTPATCHED", key_of(r), page_of(r));
    }
    void add_multipatched(int f, const FixtureRecord& r, const TypeInfo& info) {
        bool shown = false;
        for (int function = 1; function <= type_channels(setup_, r.type_index + 1); ++function) {
            for (const SoftPatchEntry& e : soft_patch_list) {
                if (e.fixture != f || e.function != function || e.card != card_) continue;
                soft_header(r, info, shown);
                report_.addf("      FUNCTION : %2d DMX OUT %-1d  ADDR: %-3i", function, e.card, e.address);
            }
        }
    }
    void add_soft_patched(int f, const FixtureRecord& r, const TypeInfo& info) {
        bool shown = false;
        for (const SoftPatchEntry& e : soft_patch_list) {
            if (e.fixture != f || e.card != card_) continue;
            if (e.function == kSoftPatchDimmerPart) {
                soft_header(r, info, shown);
                report_.addf("    FUNCTION : DIMMER    DMX OUT %-1d  ADDR: %-3i", e.card, e.address);
            } else if (e.function > kSoftPatchBlockBase + 1) {
                soft_header(r, info, shown);
                report_.addf("    FUNCTION : 2 -> %-2d   DMX OUT %-1d  ADDR: %-3i", e.function - kSoftPatchBlockBase, e.card, e.address);
            }
        }
    }

    Report& report_;
    const SetupData& setup_;
    int card_;
    int output_;
    std::string protocol_;
    bool type_shown_ = false;
    int fixtures_ = 0;
};

bool write_report(int report, const std::vector<std::string>& lines) {
    std::vector<uint8_t> bytes;
    for (const std::string& line : lines) {
        bytes.insert(bytes.end(), line.begin(), line.end());
        bytes.push_back('\r');
        bytes.push_back('\n');
    }
    return datafiles::write_file(stage_report_path(report), bytes);
}

}  // namespace

int16_t dip_value(int address, int step, int channels, int base) {
    const int32_t product = static_cast<int32_t>(address - 1) * step;
    const int32_t quotient = channels != 0 ? product / channels : 0;
    return static_cast<int16_t>(quotient + base);
}

std::string dip_text(int value, int switches) {
    std::string text;
    auto bits = static_cast<uint16_t>(value);
    for (int i = 1; i <= std::min(switches, kMaxDipSwitches); ++i) {
        if ((bits & 1) != 0) {
            if (!text.empty()) text += ',';
            text += std::to_string(i);
        }
        bits = static_cast<uint16_t>(bits >> 1);
    }
    return text.empty() ? "All off " : text + " on";
}

std::vector<std::string> build_stage_type_report(const SetupData& setup) {
    Report report;
    report.add(kTypeTitle);
    const std::vector<TypeInfo> infos = read_type_infos(setup);
    for (int t = 1; t <= rig_type_count(setup); ++t) {
        const TypeInfo& info = infos[static_cast<size_t>(t)];
        report.add(kDashes);
        report.addf("%-20s ", type_name(setup, t).c_str());
        if (!info.info.empty()) report.add(info.info);
        report.add(kDashes);
        for (int f = 1; f <= rig_fixture_count(setup); ++f) {
            const FixtureRecord r = read_fixture(setup, f);
            if (r.type_index + 1 == t) add_type_fixture(report, setup, f, r, info);
        }
    }
    return report.take();
}

std::vector<std::string> build_stage_output_report(const SetupData& setup, const AddressState& state) {
    Report report;
    report.add(kOutputTitle);
    const std::vector<TypeInfo> infos = read_type_infos(setup);
    const int cards = std::min<int>(runtime::interface_card_count, kMaxCards);
    for (int c = 1; c <= cards; ++c) {
        const int used = state.used_channels[static_cast<size_t>(c)];
        report.add(kStars);
        report.addf("ZELKCARD: %d  USED CHANNELS: %d  FREE CHANNELS: %d", c, used, kCardAddresses - used);
        report.add(kStars);
        for (int p = 1; p <= kCardProtocolCount; ++p) {
            const std::string& protocol = state.protocol_names[static_cast<size_t>(c)][static_cast<size_t>(p)];
            report.add(kDashes);
            report.addf("OUTPUT %s %-1d", protocol.c_str(), c);
            report.add(kDashes);
            OutputBlock block(report, setup, c, p, protocol);
            for (int t = 1; t <= rig_type_count(setup); ++t) {
                block.next_type();
                for (int f = 1; f <= rig_fixture_count(setup); ++f) {
                    const FixtureRecord r = read_fixture(setup, f);
                    if (r.type_index + 1 == t) block.add_fixture(f, r, infos[static_cast<size_t>(t)]);
                }
            }
            if (!block.any()) report.add("     NO FIXTURES");
        }
    }
    return report.take();
}

std::string stage_report_path(int report) {
    return datafiles::program_path(report == kReportOutputs ? "lib\\INFO2.TXT" : "lib\\INFO1.TXT");
}

bool write_stage_type_report(const SetupData& setup) { return write_report(kReportTypes, build_stage_type_report(setup)); }

bool write_stage_output_report(const SetupData& setup, const AddressState& state) {
    return write_report(kReportOutputs, build_stage_output_report(setup, state));
}

void read_stage_report(int report) {
    report_lines.clear();
    uint32_t size_bytes = 0;
    const std::string path = stage_report_path(report);
    if (!datafiles::lookup_file_size(path, size_bytes)) return;
    std::vector<uint8_t> bytes(size_bytes);
    if (!datafiles::read_whole_file(path, bytes)) return;
    std::string line;
    const auto end_line = [&] {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        report_lines.push_back(line.substr(0, kReportLineChars));
        line.clear();
    };
    for (uint8_t b : bytes) {
        if (b == '\n') {
            end_line();
        } else {
            line.push_back(static_cast<char>(b));
        }
    }
    if (!line.empty()) end_line();
}

}  // namespace setup
