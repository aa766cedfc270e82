// The link-cue dialogs of PROGRAM SEQUENCE and PROGRAM POINTCUE and the
// minutes / seconds / tenths time entry.
//
// A link dialog picks a cue slot on the cue screen: a cue page key and a cue
// key, or a cue number typed across the pages, then POINT and a digit for a
// point; CLR chooses no link. ENTER stores the choice in the record being
// programmed, ESC keeps its link; either way its in-use flag follows its
// content. A sequence's link reaches the live sequence at once while it
// belongs to the live cue; a point cue's waits for the dialog's store.
#pragma once
#include <cstdint>

namespace playback {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_link_dialogs_globals();

// The box of a programming dialog that shows its linked cue (inclusive
// corners) and the colour of its text on the light grey ground.
struct LinkField {
    int16_t left = 0;
    int16_t top = 0;
    int16_t right = 0;
    int16_t bottom = 0;
    int16_t text_colour = 0;
};
// PROGRAM SEQUENCE's link field.
constexpr LinkField kSequenceLinkField{394, 418, 618, 426, 0};

// The linked cue slot's header, "P%d C%d.%d (%d.%d) NAME" (page, cue, point
// 0..9, the cue counted across the pages, point, name), or "NO CUE LINKED"
// for a slot outside the tables, centred in the field.
void draw_link_field(const LinkField& field, int slot);

// The link of sequence 1..4 being programmed (sequence_edit_record).
void select_sequence_linked_cue(int16_t sequence);
// The link of the point cue being programmed (pointcue_edit_record), shown
// in the point-cue dialog's field.
void select_pointcue_linked_cue(const LinkField& field);

// The minutes, seconds and tenths entry under a prompt, at most max_minutes:
// the time in tenths, default_time when the operator asks for the default,
// kTimeEntryCancelled when cancelled. Minutes of max_minutes or more give
// exactly max_minutes; a tenths entry of 10 or more counts as hundredths.
constexpr int32_t kTimeEntryCancelled = 63000;
int32_t edit_timing_value(int16_t max_minutes, const char* prompt, int16_t default_time);

}  // namespace playback
