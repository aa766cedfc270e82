// The cue and MIDI pages of older versions, converted once into the cue
// tables (playback/cue_tables.h), which the show start then writes into the
// three cue files (cue_files.h).
//
// Two cue pages "cue-0560.dat" and "cue-1120.dat" held the 1120 cues of the
// older versions, 560 each; old cue i (1..1120) is cue c = (i - 1) % 70 + 1
// of page g = (i - 1) / 70 + 1 and becomes point 1 of the same cue, slot
// 10 * (i - 1) + 1. A cue page:
//
//   "VERSION 6.01" (12 bytes), or nothing in the oldest layout; then 560
//   index entries of 26 bytes: +0 name[21], +21 flag (1 = holds data), +22
//   i32 offset (-1 none). A record is the tag "+-%04d.%02d-+" (c, g) and
//   2233 bytes (the oldest: 2089): +0 flags, +1 four sequence blocks of 438
//   bytes, +1753 48 playback entries of 10 bytes (the oldest: 7).
//
// A sequence block becomes a sequence record with every field six bytes
// further on (behind the MIDI code), its word at +412 taken ten times; a
// playback entry (+0 flags, +1 memory, +3 fade mode, +4 threshold, +5 modes,
// +6 fade in, +8 fade out) a playback record behind the MIDI code.
//
// Two MIDI pages "mid-0560.dat" and "mid-1120.dat": 560 entries of 5 bytes
// (flag, i32 offset), records of the tag (c, g) and 319 bytes: +0 flags, +1
// the cue's MIDI code, +7 four sequence codes, +31 48 playback codes (the
// first 42 used). A code is three words, present when any is not 0.
//
// A record that is tagged wrongly, cut short or out of range (loop counts of
// sequences 1 and 4 beyond 1001, playback thresholds 1 and 48 beyond 70) is
// refused with the error beep (the first few of a file) and only that cue is
// lost; the page is then kept as a copy and named in the load report
// (old_formats.h).
#pragma once

namespace datafiles {

// Empties the cue tables; when an older cue page is there, reads both pages
// into them and shows the conversion banner (which stays). True when it did.
bool convert_old_cues();
// Adds the MIDI codes of the older MIDI pages to the cue tables, creating
// records that hold only a code where the cue had none. Run only after
// convert_old_cues found older pages; a missing page is skipped.
void convert_old_midi();

// After the conversion: writes the three cue files whole from the tables
// (a current cue file holding anything is kept as a copy first) and, only
// when all three are written, retires the older pages to .old; otherwise
// they stay for the next start, which converts them again. Nothing is
// written when memory could not hold every converted record. True when
// written.
bool write_converted_cues();

}  // namespace datafiles
