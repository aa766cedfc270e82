// The effect banks of the fader panel: the FIGURE key that switches between
// the channel faders and the generator or figure parameters, the labels of
// the two parameter banks, and their live previews.
//
// Each effect bank has a small box beside its faders: the generator box
// shows a marker running up and down the wave of the selected channel, the
// figure box a dot running along the fixture's figure path. Both are computed
// from the values on the faders (the bank's WheelState `raw`) with the
// engines' own functions, and start from and are pulled toward the shared
// phases, so that they run in step with the stage. Old marker and dot
// positions stay behind as a trace until the box is drawn again.
#pragma once
#include <cstdint>

#include "platform/graphics.h"

namespace programmer {

// The preview boxes (screen pixels, inclusive corners), their fill colours
// and centres; a unit of the wave or the figure is this many pixels.
constexpr platform::Rect kGeneratorPreviewBox{437, 17, 517, 99};
constexpr platform::Rect kFigurePreviewBox{507, 17, 587, 99};
constexpr int kGeneratorPreviewFill = 5;
constexpr int kFigurePreviewFill = 3;
constexpr int kGeneratorPreviewCentreX = 477;
constexpr int kFigurePreviewCentreX = 547;
constexpr int kPreviewCentreY = 58;
constexpr int kPreviewRadius = 38;
// The generator marker: three rows around the value, this wide.
constexpr int kGeneratorMarkerLeft = 474;
constexpr int kGeneratorMarkerRight = 480;
// Colours of the live point, of the trace, and of the trace where the swing
// ran beyond 0..255.
constexpr int kPreviewLiveColour = 11;
constexpr int kPreviewTraceColour = 1;
constexpr int kPreviewOutOfRangeColour = 7;
// A preview looks at SWING (or FIGURE1 and FIGURE2) once per this time.
constexpr uint32_t kPreviewCheckInterval_ms = 4000;
// The last marker or dot value while none is drawn.
constexpr float kPreviewNoneDrawn = 100.0f;

// The state of one preview; index 0 generator, 1 figure. The phase itself
// is runtime::preview_phases of the same index.
struct PreviewState {
    uint8_t* image = nullptr;           // saved picture of the empty box, null until taken
    int16_t previous_speed = 0;         // last non-zero SPEED on the faders
    uint8_t fresh = 0;                  // 1 after the box was drawn, until the next preview pass
    float last_x = kPreviewNoneDrawn;   // last marker value, or last dot x
    float last_y = kPreviewNoneDrawn;   // last dot y
    int16_t last_flag = 0;              // range flag of the last marker (-1, 0, 1)
    int16_t watched[2] = {0, 0};        // SWING, or FIGURE1 and FIGURE2, at the last check
    uint32_t check_time = 0;            // millisecond clock at the last check
    int16_t last_fixture = 0;           // current fixture at the last pass
    int16_t last_follow = 0;            // 1 when the faders followed the output at the last pass
};
constexpr int kGeneratorPreview = 0;
constexpr int kFigurePreview = 1;
extern PreviewState preview_states[2];

// Every global of this module back to its value at program load (a clean
// start for each test); frees the saved box pictures.
void reset_effect_panels_globals();
// End of a show: frees the saved box pictures.
void free_preview_images();

// The labels, numbers, colours and strips of the generator (widgets 1..7)
// and figure (widgets 1..10) banks, the other widgets erased, then the
// bank's preview box.
void show_generator_fader_labels();
void show_figure_fader_labels();

// The empty box (drawn once and saved, then put back) and a fresh start of
// its preview.
void draw_generator_preview_box();
void draw_figure_preview_box();

// One preview step, once per background-poll pass while the bank is shown.
void draw_generator_preview();
void draw_figure_preview();

// Moves the marker to v (-1..1) with its range flag (1 above 255, -1 below
// 0, else 0), or the dot to (x, y) (-1..1 each); nothing when it would land
// on the pixel it is on.
void draw_generator_preview_marker(float v, int16_t flag);
void draw_figure_preview_point(float x, float y);

}  // namespace programmer
