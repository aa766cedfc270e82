#include "datafiles/load_report.h"

#include "datafiles/data_files.h"
#include "datafiles/whole_files.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace datafiles {

namespace {

constexpr int32_t kErrorBeepHz = 400;
constexpr uint32_t kErrorBeep_ms = 1000;
// Under the progress list of the show start, one line a report.
constexpr int16_t kReportX = 200;
constexpr int16_t kFirstReportY = 255;
constexpr int16_t kReportLineStep = 10;
constexpr size_t kReportLines = 20;
constexpr int16_t kReportColour = 4;

std::vector<std::string> reports;

}  // namespace

void Refusals::refuse(bool with_beep) {
    ++count;
    if (!with_beep || beeped >= kBeepedRefusals) return;
    ++beeped;
    ui::beep(kErrorBeepHz, kErrorBeep_ms);
}

std::string damage_text(const FileDamage& damage) {
    std::string text;
    const auto add = [&text](const std::string& item) { text += (text.empty() ? "" : ", ") + item; };
    if (damage.other_version) add("UNKNOWN VERSION");
    if (damage.refused > 0) add(std::to_string(damage.refused) + " RECORDS REFUSED");
    if (damage.entries_read < damage.entries) add("CUT SHORT AFTER ENTRY " + std::to_string(damage.entries_read));
    if (damage.places_dropped > 0) add(std::to_string(damage.places_dropped) + " RECORD PLACES MENDED");
    if (damage.unloaded > 0) add(std::to_string(damage.unloaded) + " RECORDS NOT LOADED (MEMORY FULL)");
    return text;
}

void report_damaged_file(const std::string& path, int32_t refused, const std::string& kept_copy) {
    FileDamage damage;
    damage.refused = refused;
    report_damaged_file(path, damage, kept_copy);
}

void report_damaged_file(const std::string& path, const FileDamage& damage, const std::string& kept_copy) {
    report_file(path, damage_text(damage), kept_copy);
}

void report_file(const std::string& path, const std::string& what, const std::string& kept_copy) {
    std::string text = shown_file_name(path) + ": " + what;
    if (!kept_copy.empty()) text += ", COPY IN " + shown_file_name(kept_copy);
    if (reports.size() < kReportLines) {
        const auto y = static_cast<int16_t>(kFirstReportY + kReportLineStep * static_cast<int>(reports.size()));
        ui::draw_bitmap_text(kReportX, y, kReportColour, text.c_str());
    }
    reports.push_back(text);
}

void clear_load_reports() { reports.clear(); }

void show_load_reports() {
    if (reports.empty()) return;
    std::string joined;
    for (const std::string& report : reports) joined += (joined.empty() ? "" : "; ") + report;
    ui::show_message("%s", joined.c_str());
}

const std::vector<std::string>& load_reports() { return reports; }

}  // namespace datafiles
