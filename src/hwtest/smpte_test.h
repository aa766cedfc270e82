// The SMPTE/MIDI card: found at start-up through its driver, tested by menu
// item J in both directions (the card generating timecode, the card reading
// it from outside), with the received time in seven-segment digits. The
// digits and their frame serve the CD-ROM test too.
#pragma once
#include <cstdint>

namespace hwtest {

extern uint16_t smpte_card_selector;  // the card's window; 0 when the driver or the card is missing

// Frame modes of the card's frame mode bytes.
constexpr int kFrameModes = 4;

// Start-up: asks the driver for the window's segment, maps it and keeps the
// selector only when the window carries "SMPTE".
void detect_smpte_driver();
bool test_smpte();

// The card's input time. False, with the last reading, when the frame
// counter has not moved since then or is 0.
bool read_smpte_input(int& hours, int& minutes, int& seconds, int& frames, int& mode);

// The seven-segment display: its frame, the four digit pairs, one digit.
void draw_timecode_frame();
void draw_timecode_digits_for_test(int hours, int minutes, int seconds, int frames, int colour);
void draw_segment_digit(int x, int y, int w, int h, int digit);

}  // namespace hwtest
