#include "setup/dimmer_curve_report.h"

#include <cstdio>

#include "datafiles/whole_files.h"
#include "setup/fixture_type.h"
#include "setup/stage_plan_items.h"

namespace setup {

namespace {

constexpr std::array<const char*, kDimmerCurves> kReportNames = {
    "Linear",   "Linear 110V", "Preheat",  "Preheat 110V", "ON/OFF",   "Neon",     "Custom 1", "Custom 2",
    "Custom 3", "Custom 4",    "Custom 5", "Custom 6",     "Custom 7", "Custom 8", "Custom 9", "Custom 10"};
constexpr std::array<const char*, kDimmerCurves> kDialogNames = {
    "LINEAR",   "LINEAR 110V", "PREHEAT",  "PREHEAT 110V", "ON/OFF",   "NEON",     "CUSTOM 1", "CUSTOM 2",
    "CUSTOM 3", "CUSTOM 4",    "CUSTOM 5", "CUSTOM 6",     "CUSTOM 7", "CUSTOM 8", "CUSTOM 9", "CUSTOM 10"};
constexpr int kKeysPerPage = 70;

size_t settings_field(int16_t fixture_index, uint8_t slot) {
    return SetupData::fixture_field(fixture_index + 1, kFixtureFunctionSettings + slot - 1u);
}

std::string type_file_path(const SetupData& setup, int type) {
    const std::string stem = setup.text(SetupData::type_file_name_field(type), kTypeFileNameBytes);
    return datafiles::program_path(("lib\\set\\" + stem + ".set").c_str());
}

}  // namespace

std::string curve_report_name(int n) { return n >= 0 && n < kDimmerCurves ? kReportNames[static_cast<size_t>(n)] : ""; }
std::string curve_dialog_name(int n) { return n >= 0 && n < kDimmerCurves ? kDialogNames[static_cast<size_t>(n)] : ""; }

DimmerCurveReport write_dimmer_curve_report(const SetupData& setup) {
    DimmerCurveReport report;
    report.push_back({kDimmerCurveHeader, 0, -1, 0});
    FixtureTypeDef type{};
    std::string read_path;
    bool read_ok = false;
    int d = 0;
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) {
        const int t = setup.u16(SetupData::fixture_field(f, kFixtureTypeIndex)) + 1;
        if (t < 1 || t > kMaxFixtureTypes) continue;
        // Consecutive fixtures of one type read its file once.
        const std::string path = type_file_path(setup, t);
        if (path != read_path) {
            read_path = path;
            read_ok = datafiles::read_whole_file(path, type.bytes);
        }
        if (!read_ok) continue;
        const int number = setup.u16(SetupData::fixture_field(f, kFixtureNumber));
        const int key = (number - 1) % kKeysPerPage + 1;
        const int page = (number - 1) / kKeysPerPage + 1;
        const std::string type_name = setup.text(SetupData::type_name_field(t), kTypeNameBytes);
        const int channels = std::min<int>(type.channel_count(), kMaxTypeChannels);
        for (int s = 1; s <= channels; ++s) {
            if (!type.is_dimmer(s)) continue;
            const uint8_t settings = setup.u8(settings_field(static_cast<int16_t>(f - 1), static_cast<uint8_t>(s)));
            const std::string curve = curve_report_name(settings & kCurveNumberMask);
            std::array<char, kCurveLineBytes> text{};
            if ((settings & kDimmerNotCounted) != 0) {
                std::snprintf(text.data(), text.size(), "         %2d.%-1d     %-2d      %-20s     No      %s", key, page, s,
                              type_name.c_str(), curve.c_str());
            } else {
                ++d;
                std::snprintf(text.data(), text.size(), " %-3d     %2d.%-1d     %-2d      %-20s     Yes     %s", d, key, page,
                              s, type_name.c_str(), curve.c_str());
            }
            report.push_back({text.data(), 0, static_cast<int16_t>(f - 1), static_cast<uint8_t>(s)});
        }
    }
    return report;
}

void rebuild_dimmer_curve_report(const SetupData& setup, DimmerCurveReport& report) {
    DimmerCurveReport rebuilt = write_dimmer_curve_report(setup);
    for (size_t i = 0; i < rebuilt.size() && i < report.size(); ++i) rebuilt[i].selected = report[i].selected;
    report = std::move(rebuilt);
}

void set_selected_active(const DimmerCurveReport& report, SetupData& setup, bool active) {
    for (const DimmerCurveLine& line : report) {
        if (line.selected == 0 || line.fixture_index < 0) continue;
        const size_t field = settings_field(line.fixture_index, line.function_slot);
        const uint8_t settings = setup.u8(field);
        setup.set_u8(field, static_cast<uint8_t>(active ? settings & ~kDimmerNotCounted : settings | kDimmerNotCounted));
    }
}

void set_selected_curve(const DimmerCurveReport& report, SetupData& setup, uint8_t curve) {
    for (const DimmerCurveLine& line : report) {
        if (line.selected == 0 || line.fixture_index < 0) continue;
        const size_t field = settings_field(line.fixture_index, line.function_slot);
        setup.set_u8(field, static_cast<uint8_t>((curve & kCurveNumberMask) | (setup.u8(field) & kDimmerNotCounted)));
    }
}

std::string dimmer_curve_file_path() { return datafiles::program_path("lib\\CURVE.TXT"); }

bool write_dimmer_curve_file(const DimmerCurveReport& report) {
    std::vector<uint8_t> bytes;
    for (const DimmerCurveLine& line : report) {
        bytes.insert(bytes.end(), line.text.begin(), line.text.end());
        bytes.push_back('\r');
        bytes.push_back('\n');
    }
    return datafiles::write_file(dimmer_curve_file_path(), bytes);
}

}  // namespace setup
