// The list clock of timecode lists: the time source and frame rate, reading
// the list time in seconds from the chosen source, starting and stopping the
// source on the SMPTE/MIDI card, conversions between seconds and
// hours/minutes/seconds/frames, the start time and the MODE key.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "sync/sync_services.h"

namespace synchro {

// Time sources (timecode_source, sync_services.h), 1..6.
constexpr uint8_t kTimecodeSourcePcTimer = 1;
constexpr uint8_t kTimecodeSourceMidi = 2;
constexpr uint8_t kTimecodeSourceSmpte = 3;
constexpr uint8_t kTimecodeSourceInternal = 4;
constexpr uint8_t kTimecodeSources = 6;
// Frame rates (timecode_frame_rate), 1..4; "30D" counts like "30".
constexpr uint8_t kTimecodeRates = 4;

// Names as shown on screen and written into list files; index 0 unused.
constexpr std::array<std::string_view, kTimecodeSources + 1> kTimecodeSourceNames = {
    "", "PC-TIMER", "MIDI", "SMPTE", "INTERNAL", "MANUAL", "CDROM"};
constexpr std::array<std::string_view, kTimecodeRates + 1> kTimecodeRateNames = {"", "24", "25", "30", "30D"};
constexpr std::string_view kCdRateName = "75";

extern uint8_t timecode_frame_rate;  // 1..4
extern double display_time;          // seconds on the clock digits; the start time before play
extern double pc_timer_base;         // list time when the PC timer was anchored
extern double pc_timer_origin;       // time of day (s) at that moment

// Every global of this module back to its value at program load (a clean start for each test).
void reset_timecode_clock_globals();
// The clock's part of the player's start: everything zero, PC-TIMER at "24".
void init_timecode_clock();

// Frames a second of the selected source and rate: 75 for CDROM, 0 for a
// rate outside 1..4.
int timecode_fps();
std::string_view timecode_rate_name();

void split_timecode(double t, int16_t& hh, int16_t& mm, int16_t& ss, int16_t& ff);
double convert_timecode_to_seconds(int16_t hh, int16_t mm, int16_t ss, int16_t ff);
int32_t convert_seconds_to_frames(double t);
double convert_frames_to_seconds(int32_t n);

// The list time of the selected source, and its three readers.
double read_timecode_seconds();
double read_pc_clock_seconds();
double read_card_timecode();
double read_cd_timecode();

void start_timecode_source();
void stop_timecode_source();
void start_smpte_reader();
void stop_smpte_reader();
void start_internal_generator();
void stop_internal_generator();
void stop_smpte_generator();
void follow_cd_with_generator();
// The PC timer anchored: list time base from the time of day now.
void anchor_pc_timer(double base);

// With the CDROM source and a ready disc: the stored CD position and the
// current track at t (a time off the disc's audio: its first track's start,
// which becomes display_time when set_display).
void place_cd_at(double t, bool set_display);
// display_time made a start time: whole frames, 0..86400 s, the CD placed
// at it; the digits redrawn.
void show_start_time();
// The MODE key (215), tapped or held.
void select_timecode_source();

}  // namespace synchro
