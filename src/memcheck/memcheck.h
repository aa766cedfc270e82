// Checked allocation, memory and string calls.
//
// Every console module allocates, copies and formats through these calls,
// which carry the caller's source file and line. Each does the plain C
// library operation and returns its result; checking against a registry of
// guarded blocks is added on top of the same entry points when it is enabled
// through the environment (MEMCHECK; see settings.h).
//
// Two calling forms reach a checked call: a location note (mc_note_location)
// followed by the replacement itself (mc_malloc, mc_sprintf, ... in
// blocks.h and copy_checks.h), or one of the entry stubs below with the file
// and line as trailing arguments.
#pragma once
#include <array>
#include <cstdarg>
#include <cstddef>
#include <type_traits>

namespace memcheck {

void mc_note_location(unsigned line, const char* file);

void* mc_malloc_at(size_t size, const char* file, unsigned line);
void* mc_realloc_at(void* block, size_t size, const char* file, unsigned line);
void mc_free_at(void* block, const char* file, unsigned line);

// dest_size: the compile-time size of the destination, 0 when not known
// (mc_dest_size gives it for an array and 0 for a pointer).
void* mc_memcpy_at(void* dest, const void* src, size_t count, const char* file, unsigned line,
                   size_t dest_size);
void* mc_memmove_at(void* dest, const void* src, size_t count, const char* file, unsigned line,
                    size_t dest_size);
void* mc_memset_at(void* dest, int value, size_t count, const char* file, unsigned line,
                   size_t dest_size);
char* mc_strcpy_at(char* dest, const char* src, const char* file, unsigned line, size_t dest_size);
char* mc_strcat_at(char* dest, const char* src, const char* file, unsigned line, size_t dest_size);
// With a known destination size the output is bounded by it.
int mc_vsprintf_at(char* dest, const char* format, va_list args, const char* file, unsigned line,
                   size_t dest_size);

// Making and releasing an object's storage, for the global operators new
// and delete of the console program (memcheck/operators/): what
// mc_operator_new gives goes back through mc_operator_delete, and both work
// on the C heap, never through ::operator new or delete. alignment: the
// object's, when above the C allocator's 16 bytes (0 otherwise). A failed
// request calls the new-handler and tries again while there is one; null
// when there is none. With checking on, an object is a guarded block of
// code 36 ("new"); a delete of an object the checker does not know (deleted
// already, or never made by new) is reported as an invalid pointer and
// frees nothing.
void* mc_operator_new(size_t size, size_t alignment = 0);
void mc_operator_delete(void* object) noexcept;

// The size of an array destination (a C array or a std::array); pointers
// have none to declare.
template <typename T>
constexpr size_t mc_dest_size(const T&) {
    if constexpr (std::is_array_v<T>) {
        return sizeof(T);
    } else {
        return 0;
    }
}

template <typename T, size_t N>
constexpr size_t mc_dest_size(const std::array<T, N>&) {
    return sizeof(T) * N;
}

}  // namespace memcheck
