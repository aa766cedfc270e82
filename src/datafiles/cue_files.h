// The cue files: point cues (cuemem.dat), cue playbacks (cueplayb.dat) and
// cue sequences (cueseq.dat), and the check that keeps the point-cue flags in
// step with the records. (Least bodies until the cue files are built: the
// loaders leave every cue empty; the arguments are kept for the tests.)
#pragma once
#include <array>
#include <cstdint>

namespace datafiles {

void load_pointcue_file();

// The five times of cue slot's point-cue record in time-kind order (DELAY IN,
// FADE IN, DELAY OUT, FADE OUT, HOLD), in tenths; false when the slot holds
// no record. (Least body: no record is held yet.)
bool get_pointcue_times(int16_t slot, std::array<uint16_t, 5>& times);
void load_cue_playback_file();
void load_cue_sequence_file();

// mode 0 at the show start.
void check_pointcue_consistency(int16_t mode);
extern int16_t last_pointcue_check_mode;

// Rewrite a cue file with its live records only; with replace the new copy
// takes the old file's place.
void compact_cue_sequence_file(int16_t replace);
void compact_cue_playback_file(int16_t replace);
void compact_pointcue_file(int16_t replace);
// The replace arguments of the last compactions, in the order above.
extern int16_t last_cue_compaction_replace[3];

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_files_globals();

// Frees every cue record held in memory and marks every cue and sequence
// entry not present, so that the loaders start clean.
void release_cue_records();

// Each creates its file empty: the version text and an index of empty entries.
void init_pointcue_file();      // cuemem.dat
void init_cue_sequence_file();  // cueseq.dat
void init_cue_playback_file();  // cueplayb.dat

}  // namespace datafiles
