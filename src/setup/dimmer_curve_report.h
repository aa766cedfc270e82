// The engine of the dimmer curve information screen: the report of every
// dimmer function of the rig with its dimmer channel number, active mark and
// curve, the edits of the selected lines, and the report as a text file.
//
// A fixture's function_settings byte holds the curve number (0..15) in its
// low nibble and kDimmerNotCounted (0x10) for a dimmer function that gets no
// dimmer channel number. Engine only: the screen is setup/dimmer_curves.h.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "setup/setup_data.h"

namespace setup {

constexpr int kDimmerCurves = 16;
constexpr uint8_t kCurveNumberMask = 0x0F;
constexpr size_t kCurveLineBytes = 150;
constexpr const char* kDimmerCurveHeader = "DIM Chan. FIXTURE CHANNEL TYPE                     ACTIVE  CURVE";

// Curve n's name in the report ("Linear") and in the curve dialog ("LINEAR").
std::string curve_report_name(int n);
std::string curve_dialog_name(int n);

struct DimmerCurveLine {
    std::string text;           // at most kCurveLineBytes - 1 characters
    uint8_t selected = 0;
    int16_t fixture_index = -1; // 0-based; -1 for the header
    uint8_t function_slot = 0;  // 1..32; 0 for the header
};

// Line 1 (index 0 here) is the header, then one line per dimmer function in
// fixture and function-slot order. A fixture whose type file cannot be read
// has no lines.
using DimmerCurveReport = std::vector<DimmerCurveLine>;

DimmerCurveReport write_dimmer_curve_report(const SetupData& setup);
// The report anew after an edit, the selected marks carried over line by line.
void rebuild_dimmer_curve_report(const SetupData& setup, DimmerCurveReport& report);

// Edits of every selected line's function_settings byte.
void set_selected_active(const DimmerCurveReport& report, SetupData& setup, bool active);
void set_selected_curve(const DimmerCurveReport& report, SetupData& setup, uint8_t curve);

// The report's lines with CR LF into "%s\lib\CURVE.TXT"; false when it
// could not be written whole.
bool write_dimmer_curve_file(const DimmerCurveReport& report);
std::string dimmer_curve_file_path();

}  // namespace setup
