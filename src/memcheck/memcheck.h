// Checked allocation, memory and string calls.
//
// Every console module allocates, copies and formats through these calls,
// which carry the caller's source file and line. Each does the plain C
// library operation and returns its result; checking against a registry of
// guarded blocks is added on top of the same entry points when it is enabled
// through the environment.
#pragma once
#include <cstdarg>
#include <cstddef>

namespace memcheck {

void mc_note_location(unsigned line, const char* file);

void* mc_malloc_at(size_t size, const char* file, unsigned line);
void* mc_realloc_at(void* block, size_t size, const char* file, unsigned line);
void mc_free_at(void* block, const char* file, unsigned line);

// dest_size: the compile-time size of the destination, 0 when not known.
void* mc_memcpy_at(void* dest, const void* src, size_t count, const char* file, unsigned line,
                   size_t dest_size);
void* mc_memset_at(void* dest, int value, size_t count, const char* file, unsigned line,
                   size_t dest_size);
char* mc_strcpy_at(char* dest, const char* src, const char* file, unsigned line, size_t dest_size);
char* mc_strcat_at(char* dest, const char* src, const char* file, unsigned line, size_t dest_size);
int mc_vsprintf_at(char* dest, const char* format, va_list args, const char* file, unsigned line,
                   size_t dest_size);

// Release of an object made with new.
void mc_operator_delete(void* object);

}  // namespace memcheck
