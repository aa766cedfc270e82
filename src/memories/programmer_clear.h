// The programmer clear (CLEAR, 141, held while choosing): chosen fixtures,
// functions or classes lose their values, effects or times in the
// programmer, or are handed back to the running playbacks, sequences and
// cues. The keys held at the moment of each choice say what goes.
#pragma once
#include <cstdint>

namespace memories {

// What a clear takes away: the keys held while choosing.
enum ClearMode : int16_t {
    kClearAll = 0,              // nothing held: values, effects and times
    kClearEffects = 1,          // FIGURE held: generator and figure bytes
    kClearTimes = 2,            // TIMING held
    kClearEffectsAndTimes = 3,  // FIGURE and TIMING held
    kClearRelease = 10,         // live edit key held: hand back to the layers
};

// Classes of the class clear: 1 pan/tilt, 2 colour (no dimmers), 3 gobo, 4 all.
enum ClearClass : int16_t { kClassPanTilt = 1, kClassColour = 2, kClassGobo = 3, kClassAll = 4 };

// One function (channel c of fixture f) in the given mode; only while the
// faders show function values (fader bank 0).
void clear_function_entries(int16_t fixture, int16_t channel, int16_t mode);
// Every function of the class in every selected fixture.
void clear_class_entries(int16_t clear_class, int16_t mode);

// The dispatcher's handler of CLEAR (141).
void run_clear_programmer();

}  // namespace memories
