// The key reader: the one routine through which the system reads input.
//
// `get_key` waits, running the background poll, until a source has an event,
// takes exactly one event from the first pending source and either returns it
// as a console key code or acts on it itself. Five physical sources share one
// key-code space: the PC keyboard, the console's key matrix (a FIFO of words
// on the console card), the keys of the small console (the keyboard ring),
// a remote cue call received on DMX input 1, and MIDI; the sixth is the key
// a dialog pushed back. The sequence, master and playback flash keys, the
// key macros and the blind key act inside the reader, so the show can be
// played while any dialog waits.
//
// Also here: the pollers the background poll asks for input, the flush of
// all key buffers, the handlers of the hardware key groups and the key macros.
#pragma once
#include <cstdint>

#include "runtime/key_codes.h"

namespace runtime {

// Console FIFO word: bit 15 press, bits 8-14 matrix row, bits 0-7 column.
constexpr uint16_t KEY_FIFO_PRESS = 0x8000;

// The key groups that act inside the reader are the sequence keys of the
// sequence belts, the master and playback flash keys, the key macros and
// the blind key (key_codes.h).
constexpr uint8_t kKeyMacros = 15;

// Card address of the first word of the console key FIFO, read at the
// first `get_key` call.
extern uint16_t key_fifo_base;

// A PC key arrives as a press and, at the next call, as its release.
extern int16_t pc_release_pending;
extern int16_t pc_pending_key;

// The bytes of the previous remote-cue poll.
struct RemoteCueBytes {
    uint8_t trigger = 0;
    uint8_t page = 0;
    uint8_t cue = 0;
    uint8_t point = 0;
};
extern RemoteCueBytes remote_cue_last;

// Waits (running the background poll) for one input event; true for a key
// press the caller is to act on, with the key code in *key (0 on entry).
bool get_key(int16_t* key);

// The background poll's input sources.
bool is_console_key_pending();  // the console FIFO holds a word
bool is_pc_key_pending();       // the keyboard ring holds a word
bool poll_remote_cue_input();   // a remote cue call arrived on DMX input 1

// Empties the key FIFOs of all cards and clears `key_down_table`.
void flush_key_buffers();

// The hardware key groups (press 1, release 0) and the key macros 1..15.
void handle_sequence_key(int16_t key, uint8_t press);
void handle_master_key(int16_t key, uint8_t press);
void handle_playback_key(int16_t key, uint8_t press);
void run_key_macro(uint8_t macro);

// A remote cue byte as a number: itself in DIGITAL mode, byte / 2.55 rounded
// half up in PERCENTAGE mode.
uint8_t decode_remote_cue_byte(uint8_t value, uint8_t mode);
// Cue slot of a remote cue call: page 1..16, cue 1..70, point 0..9; 0 when
// any is out of range.
uint16_t remote_cue_slot(uint8_t page, uint8_t cue, uint8_t point);

}  // namespace runtime
