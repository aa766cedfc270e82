#include "memcheck/stack_trace.h"

#include <link.h>

#include <array>
#include <cstddef>

#include "memcheck/log.h"
#include "memcheck/run_state.h"
#include "memcheck/settings.h"

// Start of the program's own image, placed by the linker.
extern "C" const char __executable_start[];

namespace memcheck {

namespace {

constexpr size_t kMaxCodeRanges = 64;
constexpr unsigned kRepeatsShown = 3;

struct CodeRange {
    uintptr_t start = 0;
    uintptr_t end = 0;
};

struct CodeRanges {
    std::array<CodeRange, kMaxCodeRanges> ranges{};
    size_t count = 0;
};

struct TraceState {
    bool tracing = false;
    bool header_written = false;
    bool base_written = false;
    const char* comment = "";
    unsigned frames = 0;
    unsigned repeats = 0;
    unsigned last_segment = 0;
    unsigned long last_offset = 0;
    bool full = false;
};

CodeRanges code_ranges;
TraceState trace;
McTraceWriter trace_writer = mc_write_stack_trace;

struct StackWatch {
    bool on = false;
    bool overflow_reported = false;
    uintptr_t low_water = 0;
};

StackWatch watch;

void default_overflow_hook();
McStackOverflowHook overflow_hook = default_overflow_hook;

unsigned code_segment() {
    uint16_t selector = 0;
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("mov %%cs, %0" : "=r"(selector));
#endif
    return selector;
}

int note_code_ranges(dl_phdr_info* info, size_t, void* data) {
    auto* found = static_cast<CodeRanges*>(data);
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_LOAD || (header.p_flags & PF_X) == 0) continue;
        if (found->count >= found->ranges.size()) return 1;
        const uintptr_t start = info->dlpi_addr + header.p_vaddr;
        found->ranges[found->count++] = CodeRange{start, start + header.p_memsz};
    }
    return 0;
}

bool in_code(uintptr_t first, uintptr_t last) {
    for (size_t i = 0; i < code_ranges.count; ++i) {
        const CodeRange& r = code_ranges.ranges[i];
        if (first >= r.start && last < r.end) return true;
    }
    return false;
}

__attribute__((no_sanitize("address"))) uintptr_t stack_word(uintptr_t address) {
    return *reinterpret_cast<const uintptr_t*>(address);
}

__attribute__((no_sanitize("address"))) uint8_t code_byte(uintptr_t address) {
    return *reinterpret_cast<const uint8_t*>(address);
}

// An indirect call (FF with register field 2 or 3) whose ModRM byte gives
// the instruction exactly `length` bytes.
bool indirect_call(uintptr_t return_address, unsigned length) {
    const uintptr_t at = return_address - length;
    if (code_byte(at) != 0xFF) return false;
    const uint8_t modrm = code_byte(at + 1);
    const unsigned reg = (modrm >> 3) & 7;
    if (reg != 2 && reg != 3) return false;
    const unsigned mod = modrm >> 6;
    const unsigned rm = modrm & 7;
    const unsigned sib_base = length >= 3 ? (code_byte(at + 2) & 7) : 0;
    switch (length) {
        case 2: return mod == 3 || (mod == 0 && rm != 4 && rm != 5);
        case 3: return (mod == 1 && rm != 4) || (mod == 0 && rm == 4 && sib_base != 5);
        case 4: return mod == 1 && rm == 4;
        case 6: return (mod == 2 && rm != 4) || (mod == 0 && rm == 5);
        case 7: return (mod == 2 && rm == 4) || (mod == 0 && rm == 4 && sib_base == 5);
        default: return false;
    }
}

// Near when the bytes before the return address form a call. Far calls do
// not occur in 64-bit code: only a faulting address is reported as far.
int classify(uintptr_t return_address) {
    constexpr uintptr_t kLongestCall = 7;
    if (return_address < kLongestCall || !in_code(return_address - kLongestCall, return_address - 1)) {
        return kTraceUnrecognised;
    }
    if (code_byte(return_address - 5) == 0xE8) return kTraceNear;
    for (unsigned length : {3u, 2u, 4u, 6u, 7u}) {
        if (indirect_call(return_address, length)) return kTraceNear;
    }
    return kTraceUnrecognised;
}

void log_header() {
    if (trace.header_written) return;
    trace.header_written = true;
    mc_log_line(">>>>>>> Run MCMAP <exename> to map stack traces! <<<<<<<\n");
    mc_log_line(">>>>> Note that a .MAP file is required to map stack traces. <<<<<\n");
    mc_log_stack_base();
}

// Walks the frame chain; frames must lie in [low, top - 24).
int walk(uintptr_t frame, uintptr_t low) {
    const unsigned segment = code_segment();
    const uintptr_t bound = mc_stack.thread_top > kTraceTopMargin ? mc_stack.thread_top - kTraceTopMargin : 0;
    while (!trace.full) {
        if (frame >= bound) return 0;
        if (frame < low || frame % sizeof(uintptr_t) != 0) {
            trace_writer(kTraceBadChain, segment, 0);
            return -1;
        }
        const uintptr_t return_address = stack_word(frame + sizeof(uintptr_t));
        if (return_address <= kLowestReturnAddress) return 0;
        const int kind = classify(return_address);
        trace_writer(kind, segment, return_address);
        if (kind == kTraceUnrecognised) return -1;
        const uintptr_t next = stack_word(frame);
        if (next < 2) return 0;
        if (next <= frame) {
            trace_writer(kTraceBadChain, segment, 0);
            return -1;
        }
        frame = next;
    }
    return 0;
}

int run_trace(const char* comment, uintptr_t first_far, uintptr_t frame, uintptr_t low) {
    trace.tracing = true;
    log_header();
    trace.comment = comment != nullptr ? comment : "";
    trace_writer(kTraceBegin, 0, 0);
    if (first_far != 0) trace_writer(kTraceFar, code_segment(), first_far);
    const int result = walk(frame, low);
    trace_writer(kTraceEnd, 0, 0);
    trace.tracing = false;
    return result;
}

void log_frame(unsigned segment, unsigned long offset, int kind) {
    ++trace.frames;
    if (trace.frames > kMaxTraceFrames) return;
    if (trace.frames == kMaxTraceFrames) {
        mc_log_line("  Warning: max trace depth reached (%u calls)\n\n", kMaxTraceFrames);
        trace.full = true;
        return;
    }
    if (segment == trace.last_segment && offset == trace.last_offset) {
        ++trace.repeats;
    } else {
        if (trace.repeats >= kRepeatsShown) mc_log_line("%s %u more times\n", "  (repeat)", trace.repeats - 2);
        trace.repeats = 0;
    }
    trace.last_segment = segment;
    trace.last_offset = offset;
    if (trace.repeats < kRepeatsShown) {
        mc_log_line("%s %04X:%04lX %c\n", "  (frame)", segment, offset, kind == kTraceFar ? 'F' : 'N');
    } else {
        --trace.frames;
    }
}

void default_overflow_hook() {
    mc_log_flush();
    mc_report_message("%s: Stack touched within %u bytes of end!\n", mc_call_context().c_str(),
                      static_cast<unsigned>(watch.low_water - mc_stack.limit));
}

}  // namespace

void reset_stack_trace_globals() {
    code_ranges = {};
    trace = {};
    trace_writer = mc_write_stack_trace;
    watch = {};
    overflow_hook = default_overflow_hook;
}

McTraceWriter mc_set_trace_writer(McTraceWriter writer) {
    const McTraceWriter old = trace_writer;
    trace_writer = writer != nullptr ? writer : mc_write_stack_trace;
    return old;
}

void mc_write_stack_trace(int kind, unsigned segment, unsigned long offset) {
    switch (kind) {
        case kTraceBegin:
            mc_log_line("  <<Stack trace begin>>  Use MCMAP to translate!\n");
            if (mc_state.active != 0) mc_log_line("  Location: %s\n", mc_call_context().c_str());
            mc_log_line("  Comment: %s\n", trace.comment);
            trace.frames = 0;
            trace.repeats = 0;
            trace.last_segment = 0;
            trace.last_offset = 0;
            trace.full = false;
            return;
        case kTraceEnd:
            mc_log_line("  <<Stack trace end>>\n");
            mc_log_flush();
            return;
        case kTraceFar:
        case kTraceNear: log_frame(segment, offset, kind); return;
        default: mc_log_line("  Warning: trace ended on an unrecognized stack frame.\n\n"); return;
    }
}

int mc_stack_trace(const char* comment) {
    mc_startup_table_entry();
    mc_enter(kCodeStackTrace);
    int result = 0;
    if (!trace.tracing && (mc_state.active != 0 || mc_library_hook_running)) {
        const auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
        result = run_trace(comment, 0, frame, frame);
    }
    mc_leave();
    return result;
}

int mc_exception_trace(const char* comment, uintptr_t fault_address, uintptr_t frame, uintptr_t stack_pointer) {
    mc_enter(kCodeStackTrace);
    int result = 0;
    if (!trace.tracing) result = run_trace(comment, fault_address, frame, stack_pointer);
    mc_leave();
    return result;
}

bool mc_is_return_address(uintptr_t address) { return classify(address) != kTraceUnrecognised; }

void mc_log_stack_base() {
    if (trace.base_written) return;
    trace.base_written = true;
    mc_log_line("<< Stack Relative Base=%04X:%08lX >>\n", code_segment(), mc_pointer_value(__executable_start));
}

void mc_trace_start_run() {
    trace = TraceState{};
    code_ranges = CodeRanges{};
    dl_iterate_phdr(note_code_ranges, &code_ranges);
}

McStackOverflowHook mc_set_stack_overflow_hook(McStackOverflowHook hook) {
    const McStackOverflowHook old = overflow_hook;
    if (hook != nullptr) overflow_hook = hook;
    return old;
}

void mc_stack_watch_prepare(bool on) { watch.on = on; }

void mc_stack_watch_start() {
    watch.low_water = mc_stack.top;
    watch.overflow_reported = false;
}

void mc_stack_watch() {
    if (!watch.on || mc_stack.limit == 0) return;
    const auto stack_pointer = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (stack_pointer < watch.low_water) watch.low_water = stack_pointer;
    if (watch.low_water > mc_stack.limit + mc_settings.stack_reserve_bytes) return;
    mc_set_error(kErrStackOverflow);
    if (watch.overflow_reported) return;
    watch.overflow_reported = true;
    overflow_hook();
}

uintptr_t mc_stack_low_water() { return watch.low_water; }

// Nothing lives at the null address of this system's flat memory, so there
// is no watch word to find changed; both null settings are cleared at start
// in any case.
int mc_null_watch() { return 0; }

void mc_reset_null_watch() { mc_state.run_flags &= ~(kRunNearNullReported | kRunFarNullReported); }

}  // namespace memcheck
