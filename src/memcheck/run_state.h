// The frame every checked call shares: the run state, the function and error
// tables, entry and leave, the activity predicates, the call context and the
// way one finding becomes a message.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace memcheck {

// Codes of the checked calls, as the function-name table numbers them.
enum McFunctionCode : uint8_t {
    kCodeStartcheck = 0,
    kCodeEndcheck = 1,
    kCodeNullcheck = 8,
    kCodeDebug = 10,
    kCodeSetLocation = 11,
    kCodeStackTrace = 12,
    kCodeRegister = 4,
    kCodeUnregister = 5,
    kCodeCalloc = 14,
    kCodeFree = 15,
    kCodeMalloc = 16,
    kCodeMemcpy = 17,
    kCodeMemmove = 18,
    kCodeMemset = 19,
    kCodeRealloc = 20,
    kCodeSprintf = 21,
    kCodeStrcat = 22,
    kCodeStrcpy = 23,
    kCodeStrncat = 24,
    kCodeStrncpy = 25,
    kCodeVsprintf = 26,
    kCodeDelete = 28,
    kCodeNew = 36,
    kCodeStpcpy = 39,
    kCodeFullpath = 67,
    kCodeGetdcwd = 69,
    kCodeFopen = 86,
    kCodeFsopen = 87,
    kCodeGlobalAlloc = 90,
    kCodeGlobalReAlloc = 91,
    kCodeGlobalDosAlloc = 93,
    kCodeGlobalDosFree = 94,
};
constexpr unsigned kFunctionCount = 95;
constexpr size_t kFunctionNameChars = 19;  // a name is quoted cut to this length

enum McError : uint8_t {
    kErrNone = 0,
    kErrNullSource = 1,
    kErrNullDest = 2,
    kErrUnderwritten = 3,
    kErrOverwritten = 4,
    kErrLeak = 5,
    kErrNullAssignment = 6,
    kErrDanglingStack = 7,
    kErrStackFrame = 8,
    kErrInternal = 9,
    kErrOverlap = 10,
    kErrInvalidPointer = 11,
    kErrOverwritesDest = 12,
    kErrOutOfMemory = 13,
    kErrGpf = 14,
    kErrStackOverflow = 15,
};
constexpr unsigned kErrorTextCount = 20;

enum McRunFlag : uint32_t {
    kRunNearNullReported = 0x1,
    kRunFarNullReported = 0x2,
    kRunStartupDone = 0x4,
    kRunReallocInProgress = 0x10,
    kRunInsideNew = 0x20,
    kRunInsideDelete = 0x40,
    kRunExiting = 0x80,
    kRunSuspended = 0x100,
    kRunHeapWalkGivenUp = 0x200,
    kRunExceptionsInstalled = 0x400,
};

struct McRunState {
    const char* location_file = nullptr;  // as last noted
    uint32_t location_line = 0;
    const char* noted_file = nullptr;     // noted at the outermost level; messages quote it
    uint32_t noted_line = 0;
    uint8_t pending_notes = 0;
    size_t noted_dest_size = 0;           // compile-time size of the destination, 0 unknown
    uint8_t function_code = 0;            // innermost
    uint8_t outer_function_code = 0;      // outermost of the present call chain
    uint8_t depth = 0;
    uint8_t active = 0;
    uint32_t error = 0;
    uint32_t error_mask = 0;              // bit n-1 for error n
    uint8_t trace_hold = 0;
    uint32_t run_flags = 0;
    const void* last_source = nullptr;
};

extern McRunState mc_state;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_run_state_globals();

// Receives every message line; the default writes it to standard output and,
// where the rules allow, follows it with a stack trace.
using McDisplayHook = void (*)(const char* message);

// One message or context text.
constexpr size_t kMessageChars = 203;
// A location quoted inside a context or a block description; longer names
// are cut (a whole message is cut to kMessageChars anyway).
constexpr int kLocationChars = 200;
struct McText {
    std::array<char, 256> chars{};
    const char* c_str() const { return chars.data(); }
};

void mc_note_location(unsigned line, const char* file);
void mc_note_location_sized(size_t size, unsigned line, const char* file);
void mc_enter(uint8_t code);
void mc_leave();
bool mc_checks_apply();
bool mc_copy_checks_apply();
void mc_set_error(uint32_t n);
const char* mc_error_text(uint32_t n);
// The name of a function code, or "?" for a code outside the table.
const char* mc_function_name(unsigned code);
// The file name without its directory part.
const char* mc_base_name(const char* file);
// "%s(%u)" of file and line, or "startup" for line 0.
McText mc_location_text(const char* file, uint32_t line);
McText mc_call_context();
void mc_report_message(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Returns the old hook; a null argument keeps the present one.
McDisplayHook mc_set_display_hook(McDisplayHook hook);
void mc_default_display(const char* message);
// True while a message is being displayed.
bool mc_display_busy();

// Held by every entry from the console program (the stubs of memcheck.h,
// the operators new and delete, the end of the run at exit) while checking
// is wanted, so that an allocation on another thread of the program (a
// library's own thread) waits for the present checked call instead of
// running inside it. Recursive: a checked call may reach another. Not taken
// in the exception report's signal handler.
class McEntryLock {
public:
    McEntryLock();
    ~McEntryLock();
    McEntryLock(const McEntryLock&) = delete;
    McEntryLock& operator=(const McEntryLock&) = delete;

private:
    bool held_;
};

// Pointers are shown as "0x" and at least eight upper-case hex digits.
inline unsigned long mc_pointer_value(const void* pointer) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(pointer));
}

}  // namespace memcheck
