// The CD-ROM drive: found at start-up, tested by menu item K, which plays an
// audio CD and judges whether the drive's play position runs smoothly.
//
// The CD-ROM layer itself (the disc table in synchro::cd_state, the frame
// conversions and the device requests) is the one the console program links
// (sync/cd_requests.h); what is the test's own is here: the track-change
// counter, the track line and the +/- steps that pause and play around them.
#pragma once
#include <cstdint>

#include "sync/cd_requests.h"

namespace hwtest {

extern int cd_track_change_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cdrom_test_globals();

void init_cdrom_for_test();
bool test_cdrom();

// The test's own steps.
void poll_cd_status_for_test();
void step_cd_track(int delta);
void restart_cd_at_track_1();
bool read_cd_time_for_test(int& h, int& m, int& s, int& f);
void draw_cd_track_info();

}  // namespace hwtest
