// Until the CD-ROM request layer is joined, no disc is ever ready: the
// CDROM source reads 0.0 and its start and stop do nothing.
#include "sync/timecode_cd.h"

namespace synchro {

CdPosition cd_stored_position;
int cd_current_track = 1;

void reset_timecode_cd_globals() {
    cd_stored_position = {};
    cd_current_track = 1;
}

bool cd_disc_ready() { return false; }
bool cd_audio_playing() { return false; }
bool read_cd_position(CdPosition&) { return false; }
int32_t cd_first_track_start() { return 0; }
int32_t cd_disc_end() { return 0; }
int cd_track_of_frame(int32_t) { return 1; }
void cd_play_from_stored_position() {}
void cd_stop_audio() {}

}  // namespace synchro
