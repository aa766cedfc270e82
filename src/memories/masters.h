// The four masters (1 GRAND, 2 FLASH, 3 SUB1, 4 SUB2): their levels each
// poll from the analogue faders or the set levels, raised by DMX input 1 and
// forced to full by a flash key or a timecode flash; their LEDs, widgets and
// the dirty marks that send their effect to the output. The scaling of the
// dimmer and strobe values is master_output.h's.
#pragma once
#include <cstdint>

namespace memories {

constexpr int kGrandMaster = 1;
constexpr int kFlashMaster = 2;
constexpr int kFirstSubmasterMaster = 3;  // SUB1; SUB2 is 4
constexpr int16_t kMasterFull = 255;

// Polls the four masters; force 1 applies every level even when unchanged.
void update_masters(uint8_t force);
// The LED, widget, slave and output side of master m's level.
void apply_master_level(int16_t master);
// The same for selected_master.
void update_master_leds();
// The LED of master m's flash key by its level: off below 6 and for a
// submaster in use by no fixture, colour 2 below 246 unless the key is held,
// else colour 1.
uint8_t master_led_state(int16_t master);
// Frame colour code 14 draws the selected master's frame in 15, other codes in 14.
void highlight_selected_master(int16_t colour);
// Master m (clamped to 1..4) becomes selected_master, its frame highlighted.
void select_master(int16_t master);

// Submaster s (1, 2) is used while a fixture 1..fixture_count belongs to it.
void update_submaster_used_flag(int16_t submaster);
void init_submasters();
// True when fixture f belongs to submaster s.
bool in_submaster(int16_t submaster, int16_t fixture);

}  // namespace memories
