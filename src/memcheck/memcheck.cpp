#include "memcheck/memcheck.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace memcheck {

namespace {
// The last noted call site; the checking layer reports against it.
const char* noted_file = nullptr;
unsigned noted_line = 0;

void note(const char* file, unsigned line) {
    noted_file = file;
    noted_line = line;
}
}  // namespace

void mc_note_location(unsigned line, const char* file) { note(file, line); }

void* mc_malloc_at(size_t size, const char* file, unsigned line) {
    note(file, line);
    return std::malloc(size);
}

void* mc_realloc_at(void* block, size_t size, const char* file, unsigned line) {
    note(file, line);
    return std::realloc(block, size);
}

void mc_free_at(void* block, const char* file, unsigned line) {
    note(file, line);
    std::free(block);
}

void* mc_memcpy_at(void* dest, const void* src, size_t count, const char* file, unsigned line,
                   size_t) {
    note(file, line);
    return std::memcpy(dest, src, count);
}

void* mc_memset_at(void* dest, int value, size_t count, const char* file, unsigned line, size_t) {
    note(file, line);
    return std::memset(dest, value, count);
}

char* mc_strcpy_at(char* dest, const char* src, const char* file, unsigned line, size_t) {
    note(file, line);
    return std::strcpy(dest, src);
}

char* mc_strcat_at(char* dest, const char* src, const char* file, unsigned line, size_t) {
    note(file, line);
    return std::strcat(dest, src);
}

int mc_vsprintf_at(char* dest, const char* format, va_list args, const char* file, unsigned line,
                   size_t dest_size) {
    note(file, line);
    // With a known destination size the output is bounded; the C library's
    // unbounded form is kept for callers that cannot say.
    if (dest_size != 0) return std::vsnprintf(dest, dest_size, format, args);
    return std::vsprintf(dest, format, args);
}

void mc_operator_delete(void* object) { ::operator delete(object); }

}  // namespace memcheck
