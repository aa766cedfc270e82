#include "memcheck/exceptions.h"

#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "memcheck/log.h"
#include "memcheck/safe_format.h"
#include "memcheck/settings.h"
#include "memcheck/stack_trace.h"

namespace memcheck {

McExceptionRecord mc_exception_record;

namespace {

// The exceptions the checker knows, and the signal each arrives as here.
// Double fault, coprocessor overrun and invalid TSS never reach a program.
struct ExceptionEntry {
    uint8_t number = 0;
    int signal = 0;
};

constexpr std::array<ExceptionEntry, 7> kExceptions = {{
    {0x00, SIGFPE},
    {0x06, SIGILL},
    {0x08, 0},
    {0x09, 0},
    {0x0A, 0},
    {0x0D, SIGSEGV},
    {0x0E, SIGBUS},
}};

struct SavedHandler {
    int signal = 0;
    struct sigaction previous {};
    bool saved = false;
};

constexpr std::array<int, 4> kSignals = {SIGFPE, SIGILL, SIGSEGV, SIGBUS};
std::array<SavedHandler, kSignals.size()> saved_handlers{};

// The report runs on a stack of its own, so that a stack overflow can be
// reported too.
constexpr size_t kAltStackBytes = 64 * 1024;
alignas(16) std::array<uint8_t, kAltStackBytes> alt_stack{};
stack_t previous_alt_stack{};
bool alt_stack_set = false;

McExceptionCallback exception_callback = mc_exception_handler;

// Lines of this file noted before each message of the report.
constexpr const char* kReportFile = "XXDEF";

// The report is made in the signal handler, where neither stdio nor the C
// allocator may be used: the fault may have struck while either held its
// lock. Its lines are formatted by mc_format into these buffers, made before
// any fault, and written with write(2) to the log and to the descriptor of
// standard output, which is taken when the handlers are installed.
std::array<char, kMessageChars + 1> report_text{};
std::array<char, kDashLineChars + 1> dash_line{};
int report_out_fd = STDOUT_FILENO;

bool installed() { return (mc_state.run_flags & kRunExceptionsInstalled) != 0; }

void put_back_previous_handlers() {
    for (SavedHandler& s : saved_handlers) {
        if (s.saved) sigaction(s.signal, &s.previous, nullptr);
        s.saved = false;
    }
    mc_state.run_flags &= ~kRunExceptionsInstalled;
}

uint16_t data_segment(int which) {
    uint16_t selector = 0;
#if defined(__x86_64__)
    if (which == 0) asm volatile("mov %%ds, %0" : "=r"(selector));
    if (which == 1) asm volatile("mov %%es, %0" : "=r"(selector));
#else
    (void)which;
#endif
    return selector;
}

void take_registers(int signal, const siginfo_t* info, const void* context) {
    McExceptionRecord r;
    for (const ExceptionEntry& e : kExceptions) {
        if (e.signal == signal) r.exception_number = e.number;
    }
#if defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    const greg_t* g = uc->uc_mcontext.gregs;
    r.exception_number = static_cast<uint8_t>(g[REG_TRAPNO]);
    r.error_code = static_cast<uint32_t>(g[REG_ERR]);
    r.eax = static_cast<uint64_t>(g[REG_RAX]);
    r.ebx = static_cast<uint64_t>(g[REG_RBX]);
    r.ecx = static_cast<uint64_t>(g[REG_RCX]);
    r.edx = static_cast<uint64_t>(g[REG_RDX]);
    r.esi = static_cast<uint64_t>(g[REG_RSI]);
    r.edi = static_cast<uint64_t>(g[REG_RDI]);
    r.ebp = static_cast<uint64_t>(g[REG_RBP]);
    r.esp = static_cast<uint64_t>(g[REG_RSP]);
    r.eip = static_cast<uint64_t>(g[REG_RIP]);
    r.eflags = static_cast<uint64_t>(g[REG_EFL]);
    const auto segments = static_cast<uint64_t>(g[REG_CSGSFS]);
    r.cs = static_cast<uint16_t>(segments);
    r.gs = static_cast<uint16_t>(segments >> 16);
    r.fs = static_cast<uint16_t>(segments >> 32);
    r.ss = static_cast<uint16_t>(segments >> 48);
#else
    (void)context;
    r.eip = reinterpret_cast<uintptr_t>(info->si_addr);
#endif
    (void)info;
    r.ds = data_segment(0);
    r.es = data_segment(1);
    mc_exception_record = r;
}

// The limit of a selector's segment; false when the selector is not valid.
bool segment_limit(uint16_t selector, uint32_t& limit) {
#if defined(__x86_64__) || defined(__i386__)
    uint32_t value = 0;
    uint8_t valid = 0;
    asm volatile("lsl %2, %0\n\tsetz %1" : "=r"(value), "=q"(valid) : "r"(static_cast<uint32_t>(selector)) : "cc");
    limit = value;
    return valid != 0;
#else
    (void)selector;
    (void)limit;
    return false;
#endif
}

// One line of the report: noted under its own line of this file, logged
// and shown on standard output, as mc_debug would, but without stdio and
// without the display hook, which may be any code.
void report(unsigned line, const char* format, ...) __attribute__((format(printf, 2, 3)));
void report(unsigned line, const char* format, ...) {
    mc_note_location(line, kReportFile);
    va_list args;
    va_start(args, format);
    mc_vformat(report_text.data(), report_text.size(), format, args);
    va_end(args);
    char& first = report_text[0];
    if (first >= 'a' && first <= 'z') first = static_cast<char>(first - 'a' + 'A');
    mc_log_line("%s\n", report_text.data());
    mc_write_all(report_out_fd, report_text.data(), std::strlen(report_text.data()));
    mc_write_all(report_out_fd, "\n", 1);
}

void report_segment(unsigned line, const char* name, uint16_t selector) {
    uint32_t limit = 0;
    if (segment_limit(selector, limit)) {
        report(line, "    %s = %04X  \t[Limit: %08X]", name, static_cast<unsigned>(selector), limit);
    } else {
        report(line, "    %s = %04X  \t[Limit: %s]", name, static_cast<unsigned>(selector), "Invalid selector");
    }
}

void report_dashes(unsigned line) { report(line, "%s", dash_line.data()); }

int flag_bit(uint64_t flags, unsigned bit) { return static_cast<int>((flags >> bit) & 1); }

void exception_signal(int signal, siginfo_t* info, void* context) {
    const int saved_errno = errno;
    put_back_previous_handlers();
    if ((mc_state.run_flags & kRunSuspended) != 0) return;
    mc_state.run_flags |= kRunSuspended;
    take_registers(signal, info, context);
    if (exception_callback != nullptr) {
        mc_library_hook_running = true;
        mc_log_take_over(true);
        // A checked call under the present outer function code; entered by
        // hand, so that no watch and no hook runs in the handler.
        mc_state.function_code = mc_state.outer_function_code;
        ++mc_state.depth;
        exception_callback();
        --mc_state.depth;
        mc_log_take_over(false);
        mc_library_hook_running = false;
    }
    mc_state.run_flags &= ~kRunSuspended;
    errno = saved_errno;
    // A fault runs its instruction again into the previous handler; a sent
    // signal has no instruction to run again, so it is sent once more.
    if (info == nullptr || info->si_code <= 0) raise(signal);
}

}  // namespace

void reset_exceptions_globals() {
    mc_remove_exception_handlers();  // the signal handlers and the stack of the process as they were
    mc_exception_record = {};
    saved_handlers = {};
    previous_alt_stack = {};
    exception_callback = mc_exception_handler;
}

McExceptionCallback mc_set_exception_callback(McExceptionCallback callback) {
    const McExceptionCallback old = exception_callback;
    exception_callback = callback;
    if (callback != nullptr && (mc_settings.flags & kSetExceptionHandling) != 0 && !installed()) {
        mc_install_exception_handlers();
    } else if (callback == nullptr && installed()) {
        mc_remove_exception_handlers();
    }
    return old;
}

void mc_install_exception_handlers() {
    if (installed()) return;
    std::memset(dash_line.data(), '-', kDashLineChars);
    dash_line[kDashLineChars] = '\0';
    report_out_fd = fileno(stdout);
    if (!alt_stack_set) {
        stack_t own{};
        own.ss_sp = alt_stack.data();
        own.ss_size = alt_stack.size();
        alt_stack_set = sigaltstack(&own, &previous_alt_stack) == 0;
    }
    struct sigaction ours {};
    ours.sa_sigaction = exception_signal;
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&ours.sa_mask);
    for (size_t i = 0; i < kSignals.size(); ++i) {
        SavedHandler& s = saved_handlers[i];
        s.signal = kSignals[i];
        if (sigaction(s.signal, nullptr, &s.previous) != 0) {
            mc_report_message("Memory checker internal: Could not get DPMI vector");
            continue;
        }
        if (sigaction(s.signal, &ours, nullptr) != 0) {
            mc_report_message("Memory checker internal: Could not set DPMI vector");
            continue;
        }
        s.saved = true;
    }
    mc_state.run_flags |= kRunExceptionsInstalled;
    // The report is written from the signal handler, where opening a file is
    // not safe: the log is opened now.
    mc_log_open();
}

void mc_remove_exception_handlers() {
    for (SavedHandler& s : saved_handlers) {
        if (!s.saved) continue;
        if (sigaction(s.signal, &s.previous, nullptr) != 0) {
            mc_report_message("Memory checker internal: Could not reset DPMI vector");
        }
        s.saved = false;
    }
    if (alt_stack_set) {
        sigaltstack(&previous_alt_stack, nullptr);
        alt_stack_set = false;
    }
    mc_state.run_flags &= ~kRunExceptionsInstalled;
}

McText mc_exceptions_handled_text() {
    McText text;
    if (!installed()) {
        std::snprintf(text.chars.data(), text.chars.size(), "None");
        return text;
    }
    size_t used = 0;
    for (const ExceptionEntry& e : kExceptions) {
        if (e.signal == 0 || used + 4 >= text.chars.size()) continue;
        std::snprintf(text.chars.data() + used, text.chars.size() - used, "%02Xh ", static_cast<unsigned>(e.number));
        used += 4;
    }
    return text;
}

void mc_exception_handler() {
    const McExceptionRecord& r = mc_exception_record;
    mc_log_flush();
    report_dashes(101);
    report(102, "Memory checker detected an EXCEPTION at %04X:%08lX.  Error code: %04Xh", static_cast<unsigned>(r.cs),
           static_cast<unsigned long>(r.eip), r.error_code);
    mc_log_stack_base();
    mc_log_line(">>>>> CS:IP %04X:%08lX\n", static_cast<unsigned>(r.cs), static_cast<unsigned long>(r.eip));
    if (mc_state.active != 0) {
        report(103, "    Exception occurred %s %s(%u).", mc_state.pending_notes > 0 ? "at" : "after",
               mc_base_name(mc_state.noted_file), static_cast<unsigned>(mc_state.noted_line));
    }
    report(104, "    EAX = %08lX   EBX = %08lX   ECX = %08lX", static_cast<unsigned long>(r.eax),
           static_cast<unsigned long>(r.ebx), static_cast<unsigned long>(r.ecx));
    report(105, "    EDX = %08lX   ESI = %08lX   EDI = %08lX", static_cast<unsigned long>(r.edx),
           static_cast<unsigned long>(r.esi), static_cast<unsigned long>(r.edi));
    report(106, "    EIP = %08lX   ESP = %08lX   EBP = %08lX", static_cast<unsigned long>(r.eip),
           static_cast<unsigned long>(r.esp), static_cast<unsigned long>(r.ebp));
    report_segment(107, "CS", r.cs);
    report_segment(108, "DS", r.ds);
    report_segment(109, "ES", r.es);
    report_segment(110, "FS", r.fs);
    report_segment(111, "GS", r.gs);
    report_segment(112, "SS", r.ss);
    const uint64_t f = r.eflags;
    report(113, "    Flags: O=%d  D=%d  I=%d  T=%d  S=%d  Z=%d  A=%d  P=%d  C=%d", flag_bit(f, 11), flag_bit(f, 10),
           flag_bit(f, 9), flag_bit(f, 8), flag_bit(f, 7), flag_bit(f, 6), flag_bit(f, 4), flag_bit(f, 2),
           flag_bit(f, 0));
    mc_exception_trace("Trace leading to processor exception", r.eip, r.ebp, r.esp);
    mc_log_flush();
    report_dashes(114);
    mc_log_summary();
    mc_log_flush();
    static constexpr char kChaining[] = "\nChaining to default exception handler... \n\n";
    mc_write_all(report_out_fd, kChaining, sizeof kChaining - 1);
}

}  // namespace memcheck
