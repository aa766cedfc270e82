#include "host/key_input.h"

#include "host/belt_keys.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace host {

namespace {

constexpr uint8_t kEsc = 27;
constexpr uint8_t kEnter = 13;
constexpr uint8_t kBackspace = 8;
constexpr uint8_t kDel = 127;
constexpr uint8_t kCtrlA = 1, kCtrlZ = 26;
constexpr size_t kReadBytes = 64;
// Reads that found nothing before an incomplete escape sequence counts as
// the Esc key and what followed it: the terminal sends a sequence whole.
constexpr int kIdleReadsBeforeEsc = 2;

// BIOS scan codes of the extended keys.
constexpr uint8_t kUp = 72, kDown = 80, kRight = 77, kLeft = 75, kHome = 71, kEnd = 79;
constexpr uint8_t kInsert = 82, kDelete = 83, kPageUp = 73, kPageDown = 81;
constexpr uint8_t kF1 = 59, kF11 = 133, kF12 = 134;

enum class Escape { incomplete, key, unknown, none };

struct EscapeMatch {
    Escape kind = Escape::none;
    size_t length = 1;
    uint8_t code = 0;
};

uint8_t letter_key(char final) {
    switch (final) {
        case 'A': return kUp;
        case 'B': return kDown;
        case 'C': return kRight;
        case 'D': return kLeft;
        case 'H': return kHome;
        case 'F': return kEnd;
        default: return 0;
    }
}

// "ESC [ n ~" by its number n.
uint8_t tilde_key(int n) {
    if (n == 1 || n == 7) return kHome;
    if (n == 4 || n == 8) return kEnd;
    if (n == 2) return kInsert;
    if (n == 3) return kDelete;
    if (n == 5) return kPageUp;
    if (n == 6) return kPageDown;
    if (n >= 11 && n <= 15) return static_cast<uint8_t>(kF1 + n - 11);  // F1..F5
    if (n >= 17 && n <= 21) return static_cast<uint8_t>(kF1 + 5 + n - 17);  // F6..F10
    if (n == 23) return kF11;
    if (n == 24) return kF12;
    return 0;
}

// The escape sequence at the start of bytes (bytes[0] is ESC).
EscapeMatch match_escape(const std::string& bytes) {
    if (bytes.size() < 2) return {Escape::incomplete};
    if (bytes[1] == 'O') {
        if (bytes.size() < 3) return {Escape::incomplete};
        const char final = bytes[2];
        uint8_t code = letter_key(final);
        if (final >= 'P' && final <= 'S') code = static_cast<uint8_t>(kF1 + final - 'P');
        return {code != 0 ? Escape::key : Escape::unknown, 3, code};
    }
    if (bytes[1] != '[') return {Escape::none};
    size_t at = 2;
    while (at < bytes.size() && ((bytes[at] >= '0' && bytes[at] <= '9') || bytes[at] == ';')) ++at;
    if (at == bytes.size()) return {Escape::incomplete};
    const char final = bytes[at];
    if (final < 0x40 || final > 0x7E) return {Escape::none};
    const uint8_t code = final == '~' ? tilde_key(std::atoi(bytes.c_str() + 2)) : letter_key(final);
    return {code != 0 ? Escape::key : Escape::unknown, at + 1, code};
}

}  // namespace

bool KeyInput::push_next(platform::TextScreen& text, bool flush_partial) {
    if (platform::kKeyQueueSize - text.pending_keys() < 2) return false;
    const auto c = static_cast<uint8_t>(pending_[0]);
    const bool after_cr = after_cr_;
    after_cr_ = c == '\r';
    if (c == kEsc) {
        const EscapeMatch match = match_escape(pending_);
        if (match.kind == Escape::incomplete && !flush_partial) {
            after_cr_ = after_cr;
            return false;
        }
        if (match.kind == Escape::none && cards_ != nullptr && pending_.size() >= 2) {
            const BeltTurn turn = belt_turn_of(pending_[1]);
            if (turn.belt != 0) {
                turn_console_belt(*cards_, turn);
                pending_.erase(0, 2);
                return true;
            }
        }
        if (match.kind == Escape::key) text.push_extended_key(match.code);
        if (match.kind == Escape::key || match.kind == Escape::unknown) {
            pending_.erase(0, match.length);
            return true;
        }
        text.push_key(kEsc);
        pending_.erase(0, 1);
        return true;
    }
    pending_.erase(0, 1);
    if (c == '\n') {
        if (!after_cr) text.push_key(kEnter);
    } else if (c == '\r') {
        text.push_key(kEnter);
    } else if (c == kDel) {
        text.push_key(kBackspace);
    } else if (c >= kCtrlA && c <= kCtrlZ && surface_ != nullptr && cards_ != nullptr &&
               surface_->toggle(*cards_, static_cast<char>('a' + c - kCtrlA))) {
        // a held console key pressed or let go
    } else {
        text.push_key(c);
    }
    return true;
}

void KeyInput::read_keys(platform::TextScreen& text) {
    for (;;) {
        while (!pending_.empty() && push_next(text, ended_ || idle_reads_ >= kIdleReadsBeforeEsc)) idle_reads_ = 0;
        if (ended_ || pending_.size() >= kReadBytes || platform::kKeyQueueSize - text.pending_keys() < 2) return;
        pollfd waiting{fd_, POLLIN, 0};
        if (poll(&waiting, 1, 0) <= 0 || waiting.revents == 0) {
            // Nothing more came: an escape waiting alone is the Esc key.
            if (!pending_.empty() && ++idle_reads_ >= kIdleReadsBeforeEsc) continue;
            return;
        }
        char bytes[kReadBytes];
        const ssize_t count = read(fd_, bytes, sizeof bytes);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
        if (count <= 0) {
            ended_ = true;
            continue;
        }
        pending_.append(bytes, static_cast<size_t>(count));
        idle_reads_ = 0;
    }
}

}  // namespace host
