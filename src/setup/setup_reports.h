// The two text reports of the rig in the program's lib folder: INFO1.TXT,
// every fixture type with its fixtures, their outputs, addresses and DIP
// switches; INFO2.TXT, per installed card and output line the fixtures on it
// and the card's used and free channels. Lines are at most 148 characters
// and end in CR LF. The stage output information screen writes, shows and
// prints them. No drawing here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "setup/address_state.h"
#include "setup/setup_data.h"

namespace setup {

constexpr size_t kReportLineChars = 148;  // longer lines are cut
constexpr int kReportTypes = 0;           // INFO1.TXT
constexpr int kReportOutputs = 1;         // INFO2.TXT

// The report last read back from its file, one entry a line (title first).
extern std::vector<std::string> report_lines;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_setup_reports_globals();

// The DIP value of an addressed fixture: (address - 1) x step / channels +
// base, kept in 16 bits (the base alone for a type of 0 channels).
int16_t dip_value(int address, int step, int channels, int base);
// The switches 1..min(switches, 10) set in the value: "1,3,6 on", or "All off ".
std::string dip_text(int value, int switches);

std::vector<std::string> build_stage_type_report(const SetupData& setup);
std::vector<std::string> build_stage_output_report(const SetupData& setup, const AddressState& state);

// "%s\lib\INFO1.TXT" or "%s\lib\INFO2.TXT".
std::string stage_report_path(int report);
// The reports written to their files; false when the file could not be written.
bool write_stage_type_report(const SetupData& setup);
bool write_stage_output_report(const SetupData& setup, const AddressState& state);
// report_lines from the report's file (empty when it cannot be read).
void read_stage_report(int report);

}  // namespace setup
