// The CD drive as the list clock sees it: disc ready, playing, the head's
// position, the track table's bounds, play and stop. A thin layer over the
// CD-ROM requests, so that the clock and the player read one set of calls.
#pragma once
#include <cstdint>

namespace synchro {

// A position on the disc: track, minutes (may exceed 59), seconds, frames.
struct CdPosition {
    int track = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
};

constexpr int32_t cd_frame_of(int minutes, int seconds, int frames) { return minutes * 4500 + seconds * 75 + frames; }

// Where the CDROM source plays from and the track the clock panel shows.
extern CdPosition cd_stored_position;
extern int cd_current_track;

void reset_timecode_cd_globals();

bool cd_disc_ready();     // a drive with a readable audio disc
bool cd_audio_playing();  // the disc plays
// The head's position now; false when the drive does not answer.
bool read_cd_position(CdPosition& position);
// First frame of track 1 and the first frame after the last track.
int32_t cd_first_track_start();
int32_t cd_disc_end();
// The first track whose start <= frame <= its end; 1 when none.
int cd_track_of_frame(int32_t frame);
void cd_play_from_stored_position();
void cd_stop_audio();

}  // namespace synchro
