// The cue files: cuemem.dat (the cue headers and point-cue records),
// cueseq.dat (sequence snapshots) and cueplayb.dat (playback snapshots),
// into and out of the cue tables of playback/cue_tables.h, and the check
// that keeps the point cues in step with the cue memories.
//
// Each is an indexed record file (record_files.h) with "VERSION 6.01":
//
//   file          index at 12                      records from  tag           record
//   cuemem.dat    11200 CueHeader (27 bytes)       302412        "+-%05d-+"   23 bytes
//   cueseq.dat    44800 CueRecordIndexEntry (5)    224012        "+-%05d-+"   444 bytes
//   cueplayb.dat  470400 CueRecordIndexEntry (5)   2352012       "+-%06d-+"   16 bytes
//
// An entry's offset points at its record's tag (-1 = never written); its
// present byte says whether the record is to be loaded. A record keeps its
// place once written: a later save rewrites it there (records have a fixed
// size), a record not present stays on file for its next save, and only a
// compaction removes what no pointer holds.
//
// A save is refused, with "ERROR SAVING <FILE>" on the message line and
// the error beep, when its numbers are out of range, the file can't be
// written, or the file still waits for the rewrite that a load found it
// needs; the tables then stay as they were.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "playback/cue_tables.h"

namespace datafiles {

// The cue slot of a cue (1..70), point (1..10) and page (1..16); 0 when any
// of them is out of range.
int32_t cue_slot(int16_t cue, int16_t point, int16_t page);

// The records field by field, as the cue files hold them.
void encode(const playback::PointcueRecord& record, std::span<uint8_t, playback::kPointcueRecordBytes> bytes);
void encode(const playback::PlaybackRecord& record, std::span<uint8_t, playback::kPlaybackRecordBytes> bytes);
void encode(const playback::SequenceRecord& record, std::span<uint8_t, playback::kSequenceRecordBytes> bytes);
void decode(std::span<const uint8_t, playback::kPointcueRecordBytes> bytes, playback::PointcueRecord& record);
void decode(std::span<const uint8_t, playback::kPlaybackRecordBytes> bytes, playback::PlaybackRecord& record);
void decode(std::span<const uint8_t, playback::kSequenceRecordBytes> bytes, playback::SequenceRecord& record);

// Each creates its file empty: the version text and an index of empty
// entries; the entries in memory become present 0, offset -1 (the cue
// headers keep their names and programmed bytes). Nothing is written when
// the file can't be created.
void init_pointcue_file();      // cuemem.dat, 302412 bytes
void init_cue_sequence_file();  // cueseq.dat, 224012 bytes
void init_cue_playback_file();  // cueplayb.dat, 2352012 bytes

// Fill the tables from the files, with the percentage of each on the
// "Loading Data" screen. Every record the previous load left is freed
// first. A record whose tag is wrong, that lies inside the index, runs past
// the end of the file or overlaps another is refused (the error beep for
// the first few) and its entry emptied (present 0, offset -1) in memory; an
// offset that can't be reached empties it silently. A record that memory
// can't hold stays on file unloaded, and the file is then never compacted
// in this show, so that nothing is lost. A file without the version text
// is read with its index from offset 0, one with another version text from
// 12; such a file, and one cut short inside its index, is written anew at
// once with the records loaded (a copy of it kept first when it had
// another version text or lost records). What went wrong is named once
// per file under the progress list and on the message line.
void load_pointcue_file();

// The five times of cue slot's point-cue record in time-kind order (DELAY IN,
// FADE IN, DELAY OUT, FADE OUT, HOLD), in tenths; false when the slot holds
// no record.
bool get_pointcue_times(int16_t slot, std::array<uint16_t, 5>& times);
void load_cue_playback_file();
void load_cue_sequence_file();

// Write one record and its index entry: present (a record whose flags have
// bit 0 or 1 set) goes in place when it has a place on file, else at the
// end; not present writes only the entry, keeping the old place. A point
// cue with a cue memory is warned about first when another point cue holds
// the same cue memory (a message pair, each waiting for a key from any
// source while the show runs on), sets its header programmed and its whole
// cue's point flag. True when written.
bool save_pointcue_record(int16_t cue, int16_t point, int16_t page);
bool save_cue_sequence_record(int16_t cue, int16_t point, int16_t page, int16_t sequence);
bool save_cue_playback_record(int16_t cue, int16_t point, int16_t page, int16_t playback);
// Writes the 21 name bytes of the slot's header only.
bool save_pointcue_name(int16_t cue, int16_t point, int16_t page);

// Rewrite a file with only the records memory holds (every non-null
// pointer, whatever its flags), in record order, and the index with their
// new places. With replace the new file takes the old one's place in one
// step; without, it is left as "cuemem.da" ("cueseq.da", "cueplayb.da").
// Refused, with the file as it was, while its last load left records
// unloaded. True when written.
bool compact_pointcue_file(uint8_t replace);
bool compact_cue_sequence_file(uint8_t replace);
bool compact_cue_playback_file(uint8_t replace);

// Settles the point cues against the cue memories after a load: a cue
// memory held by two point cues stays with the lower slot (the higher one
// loses it, with a message pair); a point cue whose cue memory is not in use
// loses it silently (cuemem.dat is then compacted); the programmed bytes,
// cue_point_flags and cue_used_count are computed anew. With partial 0 a cue
// memory in use that no point cue references is freed, with one message,
// and memcues.dat compacted. Nothing is taken from a point cue or a cue
// memory while the other side's load left records unloaded.
void check_pointcue_consistency(uint8_t partial);

// Frees every cue record held in memory and empties every index entry and
// cue header (name, programmed, present, offset) and the point flags, so
// that the loaders start clean.
void release_cue_records();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_files_globals();

}  // namespace datafiles
