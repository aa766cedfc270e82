// The writers of the COPY command: the chosen programmer entries merged into
// a cue's memory or into a memory (the stored look changes, the stage does
// not), or one fixture's chosen entries copied to the other selected
// fixtures (programmer and stage), and the destination-cue picker.
//
// What is chosen: a function choice of the current fixture type (one byte per
// function 1..32, non-zero = chosen) and four class flags: pan/tilt functions
// (pan/tilt role 1..4), functions with the gobo-preset flag, with the
// colour-preset flag, and the figures.
#pragma once
#include <array>
#include <cstdint>

namespace memories {

constexpr int kCopyFunctions = 32;
constexpr int kCopyClasses = 4;
enum CopyClass : uint8_t { COPY_CLASS_PANTILT = 1, COPY_CLASS_GOBO = 2, COPY_CLASS_COLOUR = 3, COPY_CLASS_FIGURES = 4 };

using FunctionChoice = std::array<uint8_t, kCopyFunctions + 1>;  // index 0 unused
using ClassFlags = std::array<uint8_t, kCopyClasses + 1>;        // index 0 unused

// The destination cue on the cue screen: a cue slot 1..11200, or 0 when the
// operator left with ESC or ENTER gave no cue on a page 1..16.
int16_t pick_destination_cue();

// The chosen entries of every selected fixture merged into the memory of cue
// slot 1..11200 (an empty look when the slot has none); the first entry that
// would replace a stored one asks once, and ESC there writes nothing at all.
// The merged look goes to the point-cue store as the slot's new cue memory.
void copy_items_into_cue_memory(int16_t slot, const FunctionChoice& functions, const ClassFlags& classes);

// The same merge into memory 1..4000, stored at once; other numbers do nothing.
void copy_items_into_memory(int16_t memory, const FunctionChoice& functions, const ClassFlags& classes);

// Fixture source's chosen entries onto every other selected fixture, through
// the same named function of the target's type: values (rescaled over the
// fader scale between types, preset references kept), effect bytes within
// their limits or effect references, figures, and the times the target has
// not set itself. The function choice counts the source's own functions.
void copy_fixture_to_selection(int16_t source, const FunctionChoice& functions, const ClassFlags& classes);

}  // namespace memories
