// PC keys from a file descriptor: the terminal or a pipe on standard input.
//
// Bytes become the characters the PC keyboard delivers: LF and CR (CR LF
// once) are Enter (13), DEL is Backspace (8), and the terminal's escape
// sequences for the arrows, Home, End, Insert, Delete, PgUp, PgDn and F1 to
// F12 become extended keys (0, then the key's code). An escape byte that no
// sequence follows is the Esc key. Only what the keyboard queue has room for
// is taken: the rest waits in the pipe, so a long script loses no key.
// At the end of a pipe or file the reader stops and the program runs on.
// Alt with a belt key (the terminal sends ESC and the key) turns a function
// belt of the console card instead (belt_keys.h), and Ctrl with a letter of
// the surface keys presses or lets go a held console key (surface_keys.h).
#pragma once
#include <cstdint>
#include <string>

#include "host/surface_keys.h"
#include "platform/card_bus.h"
#include "platform/text_screen.h"

namespace host {

class KeyInput {
public:
    explicit KeyInput(int fd, platform::CardBus* cards = nullptr, SurfaceKeys* surface = nullptr)
        : fd_(fd), cards_(cards), surface_(surface) {}

    // Takes what waits on the descriptor without blocking and pushes the keys
    // into the queue.
    void read_keys(platform::TextScreen& text);
    // True once the input has ended (end of a pipe or file, or an error).
    bool ended() const { return ended_; }

private:
    int fd_;
    platform::CardBus* cards_;  // where the belt keys turn belts; none: they are plain keys
    SurfaceKeys* surface_;      // the latched console keys; none: Ctrl letters are plain keys
    bool ended_ = false;
    bool after_cr_ = false;   // a LF right after a CR is the same Enter
    std::string pending_;     // bytes read but not yet pushed
    int idle_reads_ = 0;      // reads that found nothing since pending_ began with an incomplete sequence

    bool push_next(platform::TextScreen& text, bool flush_partial);
};

}  // namespace host
