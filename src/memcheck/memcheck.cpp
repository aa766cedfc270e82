#include "memcheck/memcheck.h"

#include "memcheck/blocks.h"
#include "memcheck/copy_checks.h"
#include "memcheck/run_state.h"
#include "memcheck/settings.h"

namespace memcheck {

namespace {

// A stub notes its location (with the destination's size when known) and
// continues in the replacement.
void note_sized(size_t dest_size, const char* file, unsigned line) {
    if (dest_size != 0) {
        mc_note_location_sized(dest_size, line, file);
    } else {
        mc_note_location(line, file);
    }
}

}  // namespace

void* mc_malloc_at(size_t size, const char* file, unsigned line) {
    mc_startup_table_entry();
    const McEntryLock lock;
    mc_note_location(line, file);
    return mc_malloc(size);
}

void* mc_realloc_at(void* block, size_t size, const char* file, unsigned line) {
    mc_startup_table_entry();
    const McEntryLock lock;
    mc_note_location(line, file);
    return mc_realloc(block, size);
}

void mc_free_at(void* block, const char* file, unsigned line) {
    mc_startup_table_entry();
    const McEntryLock lock;
    mc_note_location(line, file);
    mc_free(block);
}

void* mc_memcpy_at(void* dest, const void* src, size_t count, const char* file, unsigned line,
                   size_t dest_size) {
    mc_startup_table_entry();
    const McEntryLock lock;
    note_sized(dest_size, file, line);
    return mc_memcpy(dest, src, count);
}

void* mc_memmove_at(void* dest, const void* src, size_t count, const char* file, unsigned line,
                    size_t dest_size) {
    mc_startup_table_entry();
    const McEntryLock lock;
    note_sized(dest_size, file, line);
    return mc_memmove(dest, src, count);
}

void* mc_memset_at(void* dest, int value, size_t count, const char* file, unsigned line, size_t dest_size) {
    mc_startup_table_entry();
    const McEntryLock lock;
    note_sized(dest_size, file, line);
    return mc_memset(dest, value, count);
}

char* mc_strcpy_at(char* dest, const char* src, const char* file, unsigned line, size_t dest_size) {
    mc_startup_table_entry();
    const McEntryLock lock;
    note_sized(dest_size, file, line);
    return mc_strcpy(dest, src);
}

char* mc_strcat_at(char* dest, const char* src, const char* file, unsigned line, size_t dest_size) {
    mc_startup_table_entry();
    const McEntryLock lock;
    note_sized(dest_size, file, line);
    return mc_strcat(dest, src);
}

int mc_vsprintf_at(char* dest, const char* format, va_list args, const char* file, unsigned line,
                   size_t dest_size) {
    mc_startup_table_entry();
    const McEntryLock lock;
    note_sized(dest_size, file, line);
    return mc_vsprintf_bounded(dest, dest_size, format, args);
}

}  // namespace memcheck
