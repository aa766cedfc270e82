#include "memcheck/run_state.h"

#include <pthread.h>

#include <cstdarg>
#include <cstdio>

#include "memcheck/log.h"
#include "memcheck/safe_format.h"
#include "memcheck/stack_trace.h"
#include "memcheck/settings.h"

namespace memcheck {

McRunState mc_state;

namespace {

constexpr std::array<const char*, kFunctionCount> kFunctionNames = {
    "mc_startcheck", "mc_endcheck", "mc_check_buffers", "mc_check", "mc_register",
    "mc_unregister", "mc_set_alignsize", "mc_set_checkbytes", "mc_nullcheck", "mc_breakpoint",
    "mc_debug", "mc_set_location", "mc_stack_trace", "mc_report", "calloc",
    "free", "malloc", "memcpy", "memmove", "memset",
    "realloc", "sprintf", "strcat", "strcpy", "strncat",
    "strncpy", "vsprintf", "cgets", "delete", "farcalloc",
    "farfree", "farmalloc", "farrealloc", "getcwd", "memccpy",
    "movmem", "new", "setmem", "setvect", "stpcpy",
    "strdup", "strnset", "strset", "swab", "tempnam",
    "_cgets", "_dos_setvect", "_expand", "_fcalloc", "_fexpand",
    "_ffree", "_fmalloc", "_fmemccpy", "_fmemcpy", "_fmemmove",
    "_fmemset", "_fmovmem", "_fmsize", "_frealloc", "_fsetmem",
    "_fstrcat", "_fstrcpy", "_fstrdup", "_fstrncat", "_fstrncpy",
    "_fstrnset", "_fstrset", "_fullpath", "_getcwd", "_getdcwd",
    "_halloc", "_hfree", "_memccpy", "_msize", "_ncalloc",
    "_nexpand", "_nfree", "_nmalloc", "_nmsize", "_nrealloc",
    "_nstrdup", "_strdup", "_strnset", "_strset", "_swab",
    "_tempnam", "fopen", "_fsopen", "fclose", "freopen",
    "GlobalAlloc", "GlobalReAlloc", "GlobalFree", "GlobalDosAlloc", "GlobalDosFree",
};

constexpr std::array<const char*, kErrorTextCount> kErrorTexts = {
    "no error",
    "NULL source on copy",
    "NULL dest on copy",
    "buffer underwritten",
    "buffer overwritten",
    "memory leakage",
    "NULL ptr assignment",
    "dangling stack pointer",
    "stack frame overwritten",
    "MC internal message",
    "source & dest overlap",
    "invalid ptr used",
    "source overwrites dest",
    "out of memory!",
    "pointer causes GPF",
    "stack overflow",
    "free attempted on object",
    "close on invalid file handle",
    "copy to code area",
    "access of invalid heap ptr",
};

// Where the default display notes its own location before the trace.
constexpr unsigned kDisplayTraceLine = 77;
constexpr const char* kDisplayTraceFile = "xerftrc";

// Initialised statically: an operator new may run before any constructor.
pthread_mutex_t entry_mutex = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

McDisplayHook display_hook = mc_default_display;
bool display_busy = false;

constexpr uint8_t kMaxCount8 = 255;

}  // namespace

void reset_run_state_globals() {
    mc_state = {};
    display_hook = mc_default_display;
    display_busy = false;
}

McEntryLock::McEntryLock() : held_(mc_checking_wanted()) {
    if (held_) pthread_mutex_lock(&entry_mutex);
}

McEntryLock::~McEntryLock() {
    if (held_) pthread_mutex_unlock(&entry_mutex);
}

void mc_note_location(unsigned line, const char* file) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return;
    mc_state.location_file = file;
    mc_state.location_line = line;
    if (mc_state.active == 0 || mc_state.depth != 0) return;
    if (mc_state.pending_notes < kMaxCount8) ++mc_state.pending_notes;
    mc_state.noted_file = file;
    mc_state.noted_line = line;
}

void mc_note_location_sized(size_t size, unsigned line, const char* file) {
    mc_note_location(line, file);
    if (mc_state.pending_notes == 1) mc_state.noted_dest_size = size;
}

void mc_enter(uint8_t code) {
    mc_state.function_code = code;
    if (mc_state.depth < kMaxCount8) ++mc_state.depth;
    if (mc_state.depth != 1) return;
    // Set while checking is off too: the pointer tests of sprintf report
    // then, and their message names the call.
    mc_state.outer_function_code = code;
    if (mc_state.active == 0) return;
    mc_state.last_source = nullptr;
    if (code != kCodeNullcheck) mc_null_watch();
    mc_stack_watch();
    ++mc_counters.entries;
}

void mc_leave() {
    if (mc_state.depth == 1) {
        if (mc_state.active != 0) {
            if (mc_state.pending_notes > 0) --mc_state.pending_notes;
            if (mc_state.pending_notes == 0) mc_state.noted_dest_size = 0;
        }
        // Cleared whether or not checking is active, so a mark set while
        // checking was off never outlives its call.
        mc_state.run_flags &= ~(kRunInsideNew | kRunInsideDelete);
    }
    if (mc_state.depth > 0) --mc_state.depth;
}

bool mc_checks_apply() {
    if (mc_state.active == 0 || mc_state.depth != 1) return false;
    return (mc_settings.flags & kSetNotedCallsOnly) == 0 || mc_state.pending_notes > 0;
}

bool mc_copy_checks_apply() {
    return mc_checks_apply() && (mc_settings.flags & kSetFastMode) == 0;
}

void mc_set_error(uint32_t n) {
    mc_state.error = n;
    if (n >= 1 && n <= 32) mc_state.error_mask |= 1u << (n - 1);
}

const char* mc_error_text(uint32_t n) {
    if (n < kErrorTexts.size()) return kErrorTexts[n];
    return "invalid memory checker error";
}

const char* mc_function_name(unsigned code) {
    if (code < kFunctionNames.size()) return kFunctionNames[code];
    return "?";
}

const char* mc_base_name(const char* file) {
    if (file == nullptr) return "";
    const char* name = file;
    for (const char* c = file; *c != '\0'; ++c) {
        if (*c == '\\' || *c == '/') name = c + 1;
    }
    return name;
}

McText mc_location_text(const char* file, uint32_t line) {
    McText text;
    // Safe in a signal handler: the exception report's trace quotes it.
    if (line == 0) {
        mc_format(text.chars.data(), text.chars.size(), "startup");
    } else {
        mc_format(text.chars.data(), text.chars.size(), "%s(%u)", mc_base_name(file), static_cast<unsigned>(line));
    }
    return text;
}

McText mc_call_context() {
    const char* word = "after";
    if (mc_state.pending_notes > 0) word = mc_state.depth <= 1 ? "at" : "within";
    const McText location = mc_location_text(mc_state.noted_file, mc_state.noted_line);
    McText text;
    mc_format(text.chars.data(), text.chars.size(), "%.*s %s %.*s", static_cast<int>(kFunctionNameChars),
              mc_function_name(mc_state.outer_function_code), word, kLocationChars, location.c_str());
    return text;
}

void mc_report_message(const char* format, ...) {
    std::array<char, kMessageChars + 1> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    if (text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    mc_log_line("%s\n", text.data());
    if (display_busy) return;
    display_busy = true;
    if (mc_state.trace_hold > 0) --mc_state.trace_hold;
    display_hook(text.data());
    display_busy = false;
}

McDisplayHook mc_set_display_hook(McDisplayHook hook) {
    const McDisplayHook old = display_hook;
    if (hook != nullptr) display_hook = hook;
    return old;
}

bool mc_display_busy() { return display_busy; }

void mc_default_display(const char* message) {
    std::printf("%s\n", message);
    std::fflush(stdout);
    if (mc_state.active == 0 || mc_state.pending_notes != 0 || mc_state.trace_hold != 0) return;
    if (mc_state.outer_function_code == kCodeDebug) return;
    if (mc_state.outer_function_code == kCodeEndcheck) return;
    if (mc_state.depth >= 2) return;
    mc_note_location(kDisplayTraceLine, kDisplayTraceFile);
    mc_stack_trace("Functions called to generate previous error");
}

}  // namespace memcheck
