#include "memcheck/copy_checks.h"

#include <cstdio>
#include <cstring>

#include "memcheck/blocks.h"
#include "memcheck/run_state.h"
#include "memcheck/settings.h"
#include "memcheck/stack_trace.h"

namespace memcheck {

namespace {

bool copy_check_busy = false;

uintptr_t value_of(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }

// A saved frame pointer of the present stack; the walk stays inside the
// stack words, so it never reads outside the running thread's stack.
__attribute__((no_sanitize("address"))) uintptr_t saved_frame_pointer(uintptr_t frame) {
    return *reinterpret_cast<const uintptr_t*>(frame);
}

bool in_stack(uintptr_t pointer) { return mc_stack.limit < pointer && pointer < mc_stack.top; }

// Whether [dest, dest + length) reaches the first saved frame pointer at or
// above dest, walking the chain from the present frame. A link is followed
// only to a frame whose return address follows a call: code built without
// frame pointers keeps other values in the frame pointer register, and the
// chain ends there.
bool reaches_saved_frame(uintptr_t dest, size_t length) {
    auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    while (in_stack(frame) && frame % sizeof(uintptr_t) == 0 && mc_stack.top - frame >= 2 * sizeof(uintptr_t)) {
        if (!mc_is_return_address(saved_frame_pointer(frame + sizeof(uintptr_t)))) return false;
        if (frame >= dest) return length > frame - dest;
        const uintptr_t next = saved_frame_pointer(frame);
        if (next <= frame) return false;
        frame = next;
    }
    return false;
}

bool declared_size_applies() {
    const size_t size = mc_state.noted_dest_size;
    return mc_state.pending_notes == 1 && size != 0 && size != 2 && size != 4;
}

void check_gpf_all(size_t length, const void* source, uintptr_t dest) {
    if (length == 0) return;
    if (!mc_check_gpf("destination", reinterpret_cast<const void*>(dest))) {
        mc_check_gpf("destination", reinterpret_cast<const void*>(dest + length - 1));
    }
    if (source != nullptr) mc_check_gpf("source", source);
}

void check_overlap(unsigned code, size_t length, const void* source, uintptr_t dest) {
    if ((code & kNoOverlap) == 0 || source == nullptr) return;
    const uintptr_t distance = dest - value_of(source);
    if (dest <= value_of(source) || distance >= length) return;
    mc_set_error(kErrOverlap);
    mc_state.trace_hold = 2;
    mc_report_message("%s,len=%lu: source overlaps dest...", mc_call_context().c_str(),
                      static_cast<unsigned long>(length));
    mc_report_message("  %s dest is 0x%08lX, source is 0x%08lX", mc_function_name(code & ~kNoOverlap),
                      static_cast<unsigned long>(dest), mc_pointer_value(source));
}

void check_declared_size(size_t length) {
    if (!declared_size_applies() || mc_state.noted_dest_size >= length) return;
    mc_set_error(kErrOverwritesDest);
    mc_report_message("%s,len=%lu: overwrites dest, size=%u", mc_call_context().c_str(),
                      static_cast<unsigned long>(length), static_cast<unsigned>(mc_state.noted_dest_size));
}

void check_stack(uintptr_t frame, size_t length, const void* source, uintptr_t dest) {
    if ((mc_settings.flags & kSetStandardStack) == 0) return;
    const bool dest_in_stack = in_stack(dest);
    if (!dest_in_stack && (source == nullptr || !in_stack(value_of(source)))) return;
    const uintptr_t pointer = dest_in_stack ? dest : value_of(source);
    const char* name = dest_in_stack ? "destination" : "source";
    // The caller's frames begin above the replacement's saved frame pointer
    // and return address.
    const uintptr_t frame_top = frame + 2 * sizeof(uintptr_t);
    if (pointer < frame_top) {
        mc_set_error(kErrDanglingStack);
        mc_state.trace_hold = 2;
        mc_report_message("%s,len=%lu: invalid stack %s...", mc_call_context().c_str(),
                          static_cast<unsigned long>(length), name);
        mc_report_message("  %s pointer 0x%08lX is %u bytes below stack top", name,
                          static_cast<unsigned long>(pointer), static_cast<unsigned>(frame_top - pointer));
        return;
    }
    if (dest_in_stack && (length > kMaxStackCopyBytes || reaches_saved_frame(dest, length))) {
        mc_set_error(kErrStackFrame);
        mc_report_message("%s,len=%lu: overwrites stack frame", mc_call_context().c_str(),
                          static_cast<unsigned long>(length));
    }
}

void check_heap_bounds(unsigned code, size_t length, uintptr_t dest) {
    if (declared_size_applies() || (mc_settings.flags & kSetFastMode) != 0) return;
    McBlockRecord record;
    if (!mc_find_containing(record, dest)) return;
    const unsigned base_code = code & ~kNoOverlap;
    if (base_code != kCodeSprintf && base_code != kCodeVsprintf && (record.flags & kRecordDamageReported) == 0) {
        mc_check_guards(record, "destination");
    }
    const size_t front = mc_front_bytes(record);
    const size_t end = record.size - mc_back_guard_bytes(record);  // end of the caller's area
    const size_t offset = dest - record.address;
    // Past the end: offset + length > end, written so that it cannot wrap.
    const bool past_end = offset >= end ? (length != 0 || offset > end) : length > end - offset;
    if (offset >= front && !past_end) return;
    mc_set_error(kErrOverwritesDest);
    mc_state.trace_hold = 2;
    mc_report_message("%s,len=%lu: overwrites destination...", mc_call_context().c_str(),
                      static_cast<unsigned long>(length));
    mc_report_message("  destination is %s", mc_block_description(record).c_str());
}

void check_nulls(size_t length, const void* source, const void* dest) {
    if (length == 0 || mc_state.error != kErrNone) return;
    if (mc_check_null("destination", dest)) return;
    if (source != nullptr) mc_check_null("source", source);
}

uintptr_t own_frame(const void* frame) { return value_of(frame); }

int plain_format(char* dest, size_t dest_size, const char* format, va_list args) {
    return dest_size != 0 ? std::vsnprintf(dest, dest_size, format, args) : std::vsprintf(dest, format, args);
}

int format_checked(uint8_t code, uintptr_t frame, char* dest, size_t dest_size, const char* format,
                   va_list args) {
    if (!mc_checking_wanted()) return plain_format(dest, dest_size, format, args);
    mc_enter(code);
    // The pointer tests run whether or not the checks apply.
    const bool bad_dest = mc_check_gpf("destination", dest);
    const bool bad_format = mc_check_gpf("format", format);
    if (!bad_dest && !bad_format && mc_copy_checks_apply()) {
        McBlockRecord record;
        if (code == kCodeSprintf && mc_find_containing(record, value_of(dest))) mc_check_guards(record, "buffer");
        // Sized first, so that an overrun is reported before it is written.
        va_list sizing;
        va_copy(sizing, args);
        const int length = std::vsnprintf(nullptr, 0, format, sizing);
        va_end(sizing);
        if (length >= 0) mc_check_copy_args(code, frame, static_cast<size_t>(length) + 1, nullptr, dest);
    }
    const int result = plain_format(dest, dest_size, format, args);
    mc_leave();
    return result;
}

}  // namespace

void reset_copy_checks_globals() {
    copy_check_busy = false;
}

bool mc_check_gpf(const char* name, const void* pointer) {
    if (value_of(pointer) >= kGpfBelow) return false;
    mc_set_error(kErrGpf);
    mc_report_message("%s: invalid %s ptr 0x%08lX (GPF)", mc_call_context().c_str(), name, mc_pointer_value(pointer));
    return true;
}

bool mc_check_null(const char* name, const void* pointer) {
    const uintptr_t value = value_of(pointer);
    if (value >= mc_settings.far_null_extent && value >= mc_settings.near_null_extent) return false;
    mc_set_error(std::strcmp(name, "source") == 0 ? kErrNullSource : kErrNullDest);
    mc_report_message("%s: NULL %s", mc_call_context().c_str(), name);
    return true;
}

uint32_t mc_check_copy_args(unsigned code, uintptr_t frame, size_t length, const void* source, void* dest) {
    if (copy_check_busy) return kErrNone;
    copy_check_busy = true;
    const uintptr_t d = value_of(dest);
    mc_state.error = kErrNone;
    check_gpf_all(length, source, d);
    check_overlap(code, length, source, d);
    check_declared_size(length);
    check_stack(frame, length, source, d);
    check_heap_bounds(code, length, d);
    check_nulls(length, source, dest);
    mc_state.last_source = source;
    copy_check_busy = false;
    return mc_state.error;
}

void* mc_memcpy(void* dest, const void* source, size_t count) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::memcpy(dest, source, count);
    mc_enter(kCodeMemcpy);
    if (mc_copy_checks_apply()) {
        mc_check_copy_args(kCodeMemcpy | kNoOverlap, own_frame(__builtin_frame_address(0)), count, source, dest);
    }
    void* result = std::memcpy(dest, source, count);
    mc_leave();
    return result;
}

void* mc_memmove(void* dest, const void* source, size_t count) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::memmove(dest, source, count);
    mc_enter(kCodeMemmove);
    if (mc_copy_checks_apply()) {
        mc_check_copy_args(kCodeMemmove, own_frame(__builtin_frame_address(0)), count, source, dest);
    }
    void* result = std::memmove(dest, source, count);
    mc_leave();
    return result;
}

void* mc_memset(void* dest, int value, size_t count) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::memset(dest, value, count);
    mc_enter(kCodeMemset);
    if (mc_copy_checks_apply()) {
        mc_check_copy_args(kCodeMemset, own_frame(__builtin_frame_address(0)), count, nullptr, dest);
    }
    void* result = std::memset(dest, value, count);
    mc_leave();
    return result;
}

char* mc_strcpy(char* dest, const char* source) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::strcpy(dest, source);
    mc_enter(kCodeStrcpy);
    if (mc_copy_checks_apply() && !mc_check_gpf("source", source)) {
        mc_check_copy_args(kCodeStrcpy | kNoOverlap, own_frame(__builtin_frame_address(0)),
                           std::strlen(source) + 1, source, dest);
    }
    char* result = std::strcpy(dest, source);
    mc_leave();
    return result;
}

char* mc_stpcpy(char* dest, const char* source) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return ::stpcpy(dest, source);
    mc_enter(kCodeStpcpy);
    if (mc_copy_checks_apply() && !mc_check_gpf("source", source)) {
        mc_check_copy_args(kCodeStpcpy | kNoOverlap, own_frame(__builtin_frame_address(0)),
                           std::strlen(source) + 1, source, dest);
    }
    char* result = ::stpcpy(dest, source);
    mc_leave();
    return result;
}

char* mc_strcat(char* dest, const char* source) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::strcat(dest, source);
    mc_enter(kCodeStrcat);
    if (mc_copy_checks_apply()) {
        const bool bad_dest = mc_check_gpf("destination", dest);
        const bool bad_source = mc_check_gpf("source", source);
        if (!bad_dest && !bad_source) {
            mc_check_copy_args(kCodeStrcat, own_frame(__builtin_frame_address(0)),
                               std::strlen(dest) + std::strlen(source) + 1, source, dest);
        }
    }
    char* result = std::strcat(dest, source);
    mc_leave();
    return result;
}

char* mc_strncpy(char* dest, const char* source, size_t count) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::strncpy(dest, source, count);
    mc_enter(kCodeStrncpy);
    if (mc_copy_checks_apply()) {
        mc_check_copy_args(kCodeStrncpy, own_frame(__builtin_frame_address(0)), count, source, dest);
    }
    char* result = std::strncpy(dest, source, count);
    mc_leave();
    return result;
}

char* mc_strncat(char* dest, const char* source, size_t count) {
    mc_startup_table_entry();
    if (!mc_checking_wanted()) return std::strncat(dest, source, count);
    mc_enter(kCodeStrncat);
    if (mc_copy_checks_apply()) {
        const bool bad_dest = mc_check_gpf("destination", dest);
        const bool bad_source = mc_check_gpf("source", source);
        if (!bad_dest && !bad_source) {
            // At most count characters and always the terminating null; strnlen
            // because the source need not be terminated within count bytes.
            const size_t appended = strnlen(source, count) + 1;
            mc_check_copy_args(kCodeStrncat, own_frame(__builtin_frame_address(0)), std::strlen(dest) + appended,
                               source, dest);
        }
    }
    char* result = std::strncat(dest, source, count);
    mc_leave();
    return result;
}

int mc_sprintf(char* dest, const char* format, ...) {
    mc_startup_table_entry();
    va_list args;
    va_start(args, format);
    const int result =
        format_checked(kCodeSprintf, own_frame(__builtin_frame_address(0)), dest, 0, format, args);
    va_end(args);
    return result;
}

int mc_vsprintf(char* dest, const char* format, va_list args) {
    mc_startup_table_entry();
    return format_checked(kCodeVsprintf, own_frame(__builtin_frame_address(0)), dest, 0, format, args);
}

int mc_vsprintf_bounded(char* dest, size_t dest_size, const char* format, va_list args) {
    mc_startup_table_entry();
    return format_checked(kCodeVsprintf, own_frame(__builtin_frame_address(0)), dest, dest_size, format, args);
}

}  // namespace memcheck
