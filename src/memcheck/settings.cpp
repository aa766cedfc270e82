#include "memcheck/settings.h"

#include <pthread.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "memcheck/blocks.h"
#include "memcheck/exceptions.h"
#include "memcheck/log.h"
#include "memcheck/stack_trace.h"

namespace memcheck {

McSettings mc_settings;
McCounters mc_counters;
McStack mc_stack;
bool mc_library_hook_running = false;
bool mc_startup_table_ran = false;

namespace {

constexpr const char* kEnvName = "MEMCHECK";
constexpr const char* kNoExceptName = "MCNOEXCEPT";
constexpr const char* kReadinessName = "PATH";
constexpr const char* kStartupFile = "startup";

bool startup_done = false;
bool exit_registered = false;
unsigned startup_attempts = 0;
unsigned start_count = 0;
bool ending = false;

uint16_t read_u16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t read_u32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

bool equals_ignoring_case(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == *b;
}

// A name that looks like a file: it has an extension or a directory part.
bool looks_like_file_name(const char* name) {
    return std::strpbrk(name, ".\\/") != nullptr;
}

void wait_for_next_second() {
    const std::time_t start = std::time(nullptr);
    const timespec pause{0, 10'000'000};
    while (std::time(nullptr) == start) nanosleep(&pause, nullptr);
}

void read_config_file(const char* name) {
    std::array<uint8_t, kConfigFileBytes> bytes{};
    size_t got = 0;
    if (FILE* f = std::fopen(name, "rb"); f != nullptr) {
        got = std::fread(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    if (got != bytes.size()) {
        if (looks_like_file_name(name)) std::printf("Memory checker warning: configuration file not found!\n");
        return;
    }
    const std::span<const uint8_t> all(bytes);
    if (read_u32(all, 0) != kConfigMagic) {
        std::printf("Invalid memory checker configuration file\n");
        std::fflush(stdout);
        wait_for_next_second();
        return;
    }
    mc_parse_settings(all.subspan(4), mc_settings);
}

void read_environment() {
    const char* value = std::getenv(kEnvName);
    if (value == nullptr) return;
    mc_settings.flags |= kSetCheckingWanted;
    if (equals_ignoring_case(value, "FAST")) {
        mc_settings.flags |= kSetFastMode;
        return;
    }
    read_config_file(value);
}

void take_thread_stack() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* low = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) {
        mc_stack.thread_limit = reinterpret_cast<uintptr_t>(low);
        mc_stack.thread_top = mc_stack.thread_limit + size;
    }
    pthread_attr_destroy(&attr);
}

void clear_stack_watch() { mc_settings.flags &= ~kSetStackWatch; }

void clear_stack_words() {
    mc_stack.top = 0;
    mc_stack.limit = 0;
}

void exit_handler() { mc_at_exit(); }

// Creates the block registry; false, with the reason reported, when it
// cannot be had.
bool open_registry() {
    const int result = mc_registry_open();
    if (result == kRegistryFileOpenFailure) {
        mc_report_message("Couldn't open files in specified disk registry directory!");
        return false;
    }
    if (result != kRegistryOk) {
        mc_set_error(kErrInternal);
        mc_report_message("%s: internal msg \"%s\" (err=%d)", mc_call_context().c_str(), "tree init failed!", result);
        return false;
    }
    if ((mc_settings.flags & kSetDiskRegistry) != 0) {
        mc_report_message("Warning: disk registry options set, but disk registry support not built in!");
    }
    return true;
}

}  // namespace

void reset_settings_globals() {
    mc_settings = {};
    mc_counters = {};
    mc_stack = {};
    mc_library_hook_running = false;
    startup_done = false;
    mc_startup_table_ran = false;
    startup_attempts = 0;
    start_count = 0;
    ending = false;
    // exit_registered stays: the exit handler is registered once per process.
}

bool mc_parse_settings(std::span<const uint8_t> body, McSettings& out) {
    if (body.size() < kSettingsBytes) return false;
    McSettings s;
    s.flags = read_u32(body, 0);
    s.registry_size_hint = read_u16(body, 4);
    s.near_null_extent = read_u16(body, 6);
    s.far_null_extent = read_u16(body, 8);
    s.guard_bytes = body[10] <= kMaxGuardBytes ? body[10] : kMaxGuardBytes;
    s.second_guard_bytes = body[11];
    for (size_t i = 0; i + 1 < s.registry_dir.size(); ++i) s.registry_dir[i] = static_cast<char>(body[12 + i]);
    s.stack_reserve_bytes = read_u16(body, 48);
    s.stack_sample_interval = read_u16(body, 50);
    out = s;
    return true;
}

bool mc_search_heap() { return (mc_settings.flags & kSetAdvancedValidation) != 0; }
bool mc_permit_code_writes() { return (mc_settings.flags & kSetAdvancedValidation) == 0; }
bool mc_checking_wanted() { return (mc_settings.flags & kSetCheckingWanted) != 0; }

void mc_startup_table_entry() {
    if (!mc_startup_table_ran) mc_auto_init();
}

void mc_auto_init() {
    if (startup_done) return;
    if (std::getenv(kEnvName) == nullptr && std::getenv(kReadinessName) == nullptr) {
        // The environment is not ready yet: try again on a later call.
        if (++startup_attempts >= kMaxStartupAttempts) mc_startup_table_ran = true;
        return;
    }
    mc_state = McRunState{};
    mc_counters = McCounters{};
    mc_settings = McSettings{};
    mc_stack = McStack{};
    take_thread_stack();
    mc_stack.top = mc_stack.thread_top;
    mc_stack.limit = mc_stack.thread_limit;
    startup_done = true;
    mc_startup_table_ran = true;

    read_environment();
    if (mc_settings.stack_reserve_bytes < kMinStackReserveBytes) {
        mc_settings.stack_reserve_bytes = kMinStackReserveBytes;
    }
    if ((mc_settings.flags & kSetStandardStack) == 0) {
        clear_stack_watch();
        clear_stack_words();
    }
    mc_settings.flags |= kSetRegistryMode;
    if ((mc_settings.flags & kSetCheckingWanted) != 0 && !exit_registered) {
        exit_registered = true;
        std::atexit(exit_handler);
    }
    if ((mc_settings.flags & kSetAutoInit) != 0) {
        // The stack words keep the running thread's bounds: the stack checks
        // of the copies need them, and this system has no later moment that
        // would take them.
        clear_stack_watch();
        mc_startcheck(nullptr, 0, kStartupFile);
    }
}

void mc_startcheck(McDisplayHook display_hook, unsigned line, const char* file) {
    mc_set_display_hook(display_hook);
    if (++start_count != 1) {
        start_count = 2;  // held, so that it never wraps back to 1
        return;
    }
    mc_auto_init();
    mc_stack_watch_prepare((mc_settings.flags & kSetStackWatch) != 0);
    if ((mc_settings.flags & kSetCheckingWanted) == 0) return;

    mc_state.function_code = kCodeStartcheck;
    mc_state.outer_function_code = kCodeStartcheck;
    mc_state.location_file = mc_state.noted_file = file;
    mc_state.location_line = mc_state.noted_line = line;
    mc_settings.flags &= ~(kSetFarNull | kSetNearNull);
    mc_settings.flags |= kSetStarted;
    mc_trace_start_run();
    if (std::getenv(kNoExceptName) != nullptr) mc_settings.flags &= ~kSetExceptionHandling;
    if ((mc_settings.flags & kSetExceptionHandling) != 0) mc_install_exception_handlers();
    mc_stack_watch_start();

    if (!open_registry()) return;
    mc_state.active = 1;
    mc_reset_null_watch();
    if (mc_state.pending_notes > 0) mc_note_location(line, file);
    mc_enter(kCodeStartcheck);
    mc_leave();
}

uint32_t mc_endcheck() {
    if ((mc_state.run_flags & kRunExiting) != 0) mc_settings.flags &= ~kSetFarNull;
    const bool may_end = (mc_settings.flags & kSetAutoInit) == 0 || (mc_state.run_flags & kRunExiting) != 0;
    if (mc_state.active == 0 || ending || (mc_state.run_flags & kRunSuspended) != 0 || !may_end) {
        return mc_state.error_mask;
    }
    ending = true;
    mc_enter(kCodeEndcheck);
    mc_end_of_run_walk();
    mc_leave();
    mc_log_summary();
    mc_log_close();
    if ((mc_state.run_flags & kRunExceptionsInstalled) != 0) mc_remove_exception_handlers();
    mc_state.active = 0;
    startup_done = false;
    start_count = 0;
    ending = false;
    return mc_state.error_mask;
}

void mc_at_exit() {
    const McEntryLock lock;
    mc_state.run_flags |= kRunExiting;
    mc_endcheck();
}

void mc_set_location(unsigned line, const char* file) {
    mc_startup_table_entry();
    mc_note_location(line, file);
    mc_enter(kCodeSetLocation);
    mc_leave();
}

void mc_debug(const char* text) {
    mc_startup_table_entry();
    mc_enter(kCodeDebug);
    if (mc_state.active != 0 || mc_library_hook_running) mc_report_message("%s", text);
    mc_leave();
}

void mc_debugf(const char* format, ...) {
    std::array<char, kMessageChars + 1> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    mc_debug(text.data());
}

int mc_nullcheck() {
    mc_startup_table_entry();
    mc_enter(kCodeNullcheck);
    int result = 0;
    if (mc_state.active != 0 && !mc_display_busy()) result = mc_null_watch();
    mc_leave();
    return result;
}

}  // namespace memcheck
