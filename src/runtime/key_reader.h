// The key reader: one routine through which the system reads input from every
// source. (Least body: the PC keyboard with the numeric key entry, the console
// key FIFO and the pushed-back key; the key groups, the small-console ring,
// remote cues and MIDI come with the full key reader.)
#pragma once
#include <cstdint>

namespace runtime {

constexpr int16_t KEY_SPACE = 901;
constexpr int16_t KEY_QUIT = 999;

extern uint16_t key_fifo_base;

// Waits (running the background poll) for one input event; true for a key
// press the caller is to act on, with the key code in *key.
bool get_key(int16_t* key);
bool is_console_key_pending();
bool is_pc_key_pending();
bool poll_remote_cue_input();
void flush_key_buffers();

}  // namespace runtime
