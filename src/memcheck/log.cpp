#include "memcheck/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "memcheck/exceptions.h"
#include "memcheck/run_state.h"
#include "memcheck/safe_format.h"
#include "memcheck/settings.h"

namespace memcheck {

namespace {

enum class LogState { closed, file, standard_error };

LogState log_state = LogState::closed;
int log_fd = -1;
bool opened_before = false;  // the first opening truncates, later ones append
bool log_busy = false;
bool taken_over = false;     // a signal handler writes now: no opening, no refusal

// Lines wait here until they are written (at once with Commit). The length
// grows only after the bytes are in, so what a signal handler finds below
// it is always whole.
constexpr size_t kPendingBytes = 8192;
std::array<char, kPendingBytes> pending{};
size_t pending_used = 0;

constexpr unsigned kMaxErrorBit = 31;

bool log_writes_on() { return (mc_settings.flags & kSetLogWrites) != 0; }

void write_pending() {
    if (pending_used == 0) return;
    if (log_fd >= 0) mc_write_all(log_fd, pending.data(), pending_used);
    pending_used = 0;
}

void add_pending(const char* bytes, size_t length) {
    while (length > 0) {
        if (pending_used == pending.size()) write_pending();
        const size_t room = pending.size() - pending_used;
        const size_t part = length < room ? length : room;
        std::memcpy(pending.data() + pending_used, bytes, part);
        pending_used += part;
        bytes += part;
        length -= part;
    }
}

// Writes text as it stands, "\n" as CR LF in the file.
void write_text(const char* text) {
    if (log_state == LogState::standard_error) {
        mc_write_all(STDERR_FILENO, text, std::strlen(text));
        return;
    }
    if (log_state != LogState::file) return;
    const char* run = text;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c != '\n') continue;
        add_pending(run, static_cast<size_t>(c - run));
        add_pending("\r\n", 2);
        run = c + 1;
    }
    add_pending(run, std::strlen(run));
}

void vwrite(const char* format, va_list args) {
    std::array<char, kLogLineChars + 1> text{};
    mc_vformat(text.data(), text.size(), format, args);
    write_text(text.data());
}

void write(const char* format, ...) __attribute__((format(printf, 1, 2)));
void write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vwrite(format, args);
    va_end(args);
}

const char* on_off(bool on) { return on ? "ON" : "OFF"; }
const char* yes_no(bool yes) { return yes ? "YES" : "NO"; }

void commit() {
    if ((mc_settings.flags & kSetLogCommit) != 0) mc_log_flush();
}

}  // namespace

void reset_log_globals() {
    mc_log_close();
    opened_before = false;
    log_busy = false;
}

bool mc_log_open() {
    if (!log_writes_on()) return false;
    if (log_state != LogState::closed || taken_over) return log_state == LogState::file;
    const int mode = O_WRONLY | O_CREAT | O_CLOEXEC | (opened_before ? O_APPEND : O_TRUNC);
    log_fd = ::open(kLogFileName, mode, 0666);
    if (log_fd < 0) {
        log_state = LogState::standard_error;
        return false;
    }
    opened_before = true;
    log_state = LogState::file;
    mc_log_settings();
    commit();
    return true;
}

bool mc_log_line(const char* format, ...) {
    if (!log_writes_on() || (log_busy && !taken_over)) return log_state != LogState::file;
    log_busy = true;
    mc_log_open();
    va_list args;
    va_start(args, format);
    vwrite(format, args);
    va_end(args);
    commit();
    log_busy = false;
    return log_state != LogState::file;
}

void mc_log_settings() {
    const uint32_t flags = mc_settings.flags;
    std::time_t now = std::time(nullptr);
    std::array<char, 32> date{};
    ctime_r(&now, date.data());
    write("<< ... Memory check run started at %24.24s ... >>\n\n", date.data());
    write("  . . . . . . . . . .  Memory Check Settings  . . . . . . . . . .\n");
    write("     EXE Type: %s\n", "32-bit protected mode");
    write("  Null pointer assignments:\n");
    write("     FAR  null checking: %-3s  Extent: %u bytes\n", on_off((flags & kSetFarNull) != 0),
          static_cast<unsigned>(mc_settings.far_null_extent));
    write("     NEAR null checking: %-3s  Extent: %u bytes\n", on_off((flags & kSetNearNull) != 0),
          static_cast<unsigned>(mc_settings.near_null_extent));
    write("  Stack Settings:\n");
    const auto stack_bytes = static_cast<unsigned>(mc_stack.top - mc_stack.limit);
    write("     Stack Length: %u (%04Xh) bytes  Standard Stack: %s\n", stack_bytes, stack_bytes,
          yes_no((flags & kSetStandardStack) != 0));
    write("     Stack Profiling: Unavailable in 32-bit programs\n");
    const bool advanced = (flags & kSetAdvancedValidation) != 0;
    write("  Advanced Pointer Validation: %s\n", on_off(advanced));
    if (advanced) {
        write("        Search Heap: %s  Permit Code Writes: %s\n", yes_no(mc_search_heap()),
              yes_no(mc_permit_code_writes()));
    }
    write("  Miscellaneous:\n");
    write("     AutoInit: %-12sFast Mode: %-11sLog Writes: %-10s\n",
          on_off((flags & kSetAutoInit) != 0), on_off((flags & kSetFastMode) != 0),
          (flags & kSetLogCommit) != 0 ? "Commit" : "Cache");
    write("     Env. Var: %-12sRegistry: %-12s\n", "MEMCHECK",
          (flags & kSetDiskRegistry) != 0 ? "DISK" : "MEMORY");
    write("     Clear Buffers on Free: %-3s  Fill Char: 0x%02X\n",
          yes_no((flags & kSetClearOnFree) != 0), static_cast<unsigned>(kClearFillByte));
    write("  Exception Handling: %s\n", on_off((flags & kSetExceptionHandling) != 0));
    write("     Exceptions handled: %s\n", mc_exceptions_handled_text().c_str());
    write("\n  Memory checker   Build date: %s", __DATE__);
    write("  . . . . . . . . . . . . . . . . . . . . . . . . . . . . . . . . . .\n\n");
}

void mc_log_summary() {
    if (!log_writes_on()) return;
    mc_log_line("\nEnd of run summary:\n\n");
    mc_log_line("  Stack statistics unavailable for 32-bit programs.\n");
    mc_log_line("  %-20s: %lu (0%lXh) bytes\n", "Max memory allocated", mc_counters.max_bytes_in_use,
                mc_counters.max_bytes_in_use);
    if (mc_state.error_mask != 0) {
        mc_log_line("  Errors detected:\n");
        for (unsigned n = 1; n <= kMaxErrorBit; ++n) {
            if ((mc_state.error_mask & (1u << (n - 1))) != 0) mc_log_line("    - %s\n", mc_error_text(n));
        }
    }
    mc_log_line("\n<< ... Memory check run ended ... >>\n\n\n");
}

void mc_log_flush() {
    if (log_state == LogState::file) write_pending();
}

void mc_log_close() {
    mc_log_flush();
    if (log_fd >= 0) ::close(log_fd);
    log_fd = -1;
    pending_used = 0;
    log_state = LogState::closed;
}

void mc_log_take_over(bool on) {
    taken_over = on;
    log_busy = false;
}

}  // namespace memcheck
