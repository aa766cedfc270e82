// Copy and string checks: each replacement holds its destination, source
// and length against what the checker knows before the plain call is made.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace memcheck {

// Added to a function code when source and destination must not overlap.
constexpr unsigned kNoOverlap = 0x8000;
constexpr uintptr_t kGpfBelow = 16;
constexpr size_t kMaxStackCopyBytes = 65535;

// A pointer value below 16: error 14 and "%s: invalid %s ptr 0x%p (GPF)".
bool mc_check_gpf(const char* name, const void* pointer);
// A pointer value below a null extent: error 1 (source) or 2, "%s: NULL %s".
bool mc_check_null(const char* name, const void* pointer);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_copy_checks_globals();

// The common check of a copy of length bytes; frame is the replacement's own
// frame address. Returns the error of the call (0 none).
uint32_t mc_check_copy_args(unsigned code, uintptr_t frame, size_t length, const void* source, void* dest);

void* mc_memcpy(void* dest, const void* source, size_t count);
void* mc_memmove(void* dest, const void* source, size_t count);
void* mc_memset(void* dest, int value, size_t count);
char* mc_strcpy(char* dest, const char* source);
char* mc_strcat(char* dest, const char* source);
char* mc_strncpy(char* dest, const char* source, size_t count);
char* mc_strncat(char* dest, const char* source, size_t count);
char* mc_stpcpy(char* dest, const char* source);
int mc_sprintf(char* dest, const char* format, ...) __attribute__((format(printf, 2, 3)));
int mc_vsprintf(char* dest, const char* format, va_list args);
// The formatted print with a bound: dest_size 0 is the unbounded form.
int mc_vsprintf_bounded(char* dest, size_t dest_size, const char* format, va_list args);

}  // namespace memcheck
