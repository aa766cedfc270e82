// What the show start says about a damaged data file. An error beep (400 Hz,
// 1000 ms, a plain delay) for every bad record of a file would stall the
// start for many minutes on a file of random bytes and still name nothing.
// So only the first few bad records of a file beep; the
// others are counted in silence, and once the file is loaded one message
// names it and the count (and the copy kept of it, when it is rewritten).
// The message is drawn on the start screen under the progress list and
// shown on the message line once the main screen is up.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace datafiles {

constexpr int kBeepedRefusals = 3;

// The records of one file refused while it loads.
struct Refusals {
    int32_t count = 0;
    int32_t beeped = 0;
    // One more; the error beep while fewer than kBeepedRefusals have had
    // one (a record dropped silently never beeps).
    void refuse(bool with_beep = true);
};

// What a load found wrong with a file.
struct FileDamage {
    int32_t refused = 0;         // records refused
    int32_t entries = 0;         // index entries the file should hold
    int32_t entries_read = 0;    // index entries it held whole (entries when not cut short)
    int32_t places_dropped = 0;  // record places found unfit for reuse
    int32_t unloaded = 0;        // records left on file because memory ran out
    bool other_version = false;  // headed by a version text this program does not write
};

// What the report says of the damage: "UNKNOWN VERSION", "12 RECORDS
// REFUSED", "CUT SHORT AFTER ENTRY 1200", "3 RECORD PLACES MENDED", "5
// RECORDS NOT LOADED (MEMORY FULL)", joined by ", ".
std::string damage_text(const FileDamage& damage);

// "MEM.DAT: 12 RECORDS REFUSED", with ", COPY IN MEM.K01" when a copy was
// kept: drawn in red on the start screen and kept for the message line.
void report_damaged_file(const std::string& path, int32_t refused, const std::string& kept_copy);
void report_damaged_file(const std::string& path, const FileDamage& damage, const std::string& kept_copy);
// Any other word about a file: "MEM.DAT: " and the text, with the copy kept.
void report_file(const std::string& path, const std::string& text, const std::string& kept_copy);
// Each show start begins without reports.
void clear_load_reports();
// The reports of this start; show_load_reports (data_files.h) puts them on
// the message line, joined by "; ".
const std::vector<std::string>& load_reports();

}  // namespace datafiles
