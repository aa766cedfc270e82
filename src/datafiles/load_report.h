// What the show start says about a damaged data file. The Parts give every
// bad record of a file the error beep (400 Hz, 1000 ms), a plain delay; on a
// file of random bytes that stalls the start for many minutes and still
// names nothing. So only the first few bad records of a file beep; the
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
    // one (a record the Parts drop silently never beeps).
    void refuse(bool with_beep = true);
};

// "MEM.DAT: 12 RECORDS REFUSED", with ", COPY IN MEM.K01" when a copy was
// kept: drawn in red on the start screen and kept for the message line.
void report_damaged_file(const std::string& path, int32_t refused, const std::string& kept_copy);
// Each show start begins without reports.
void clear_load_reports();
// The reports of this start; show_load_reports (data_files.h) puts them on
// the message line, joined by "; ".
const std::vector<std::string>& load_reports();

}  // namespace datafiles
