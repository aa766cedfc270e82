// The global operators new and delete of the console program, every variant,
// through the memory checker.
//
// Linked into the console program only (and into the program that tests
// them): not into the hardware test program, nor into the test programs,
// where the sanitizers own new and delete. In the sanitizer build these
// operators, defined in the executable, take the place of the sanitizer's;
// its interceptors still see every block, since the checker allocates with
// malloc and frees with free. Without MEMCHECK each operator is one test of
// the settings and the plain malloc or free.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "memcheck/memcheck.h"
#include "memcheck/settings.h"

namespace {

// The start-up table entry: checking starts before the program's own static
// objects are made, so the end of the run is registered before their
// destruction and its leak walk comes after it.
__attribute__((constructor(101))) void memcheck_start_up() { memcheck::mc_startup_table_entry(); }

// Without MEMCHECK: the plain C heap call, and the full path only when it
// fails (for the new-handler).
inline void* plain_new(std::size_t size) {
    return memcheck::mc_passing_through() ? std::malloc(size == 0 ? 1 : size) : nullptr;
}

inline void plain_or_checked_delete(void* object) noexcept {
    if (memcheck::mc_passing_through()) {
        std::free(object);
    } else {
        memcheck::mc_operator_delete(object);
    }
}

void* new_or_throw(std::size_t size, std::size_t alignment) {
    if (alignment == 0) {
        if (void* object = plain_new(size)) return object;
    }
    void* object = memcheck::mc_operator_new(size, alignment);
    if (object == nullptr) throw std::bad_alloc();
    return object;
}

// A new-handler may throw; the nothrow forms answer null then.
void* new_or_null(std::size_t size, std::size_t alignment) noexcept {
    if (alignment == 0) {
        if (void* object = plain_new(size)) return object;
    }
    try {
        return memcheck::mc_operator_new(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

std::size_t bytes(std::align_val_t alignment) { return static_cast<std::size_t>(alignment); }

}  // namespace

void* operator new(std::size_t size) { return new_or_throw(size, 0); }
void* operator new[](std::size_t size) { return new_or_throw(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return new_or_null(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return new_or_null(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment) { return new_or_throw(size, bytes(alignment)); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return new_or_throw(size, bytes(alignment)); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return new_or_null(size, bytes(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return new_or_null(size, bytes(alignment));
}

void operator delete(void* object) noexcept { plain_or_checked_delete(object); }
void operator delete[](void* object) noexcept { plain_or_checked_delete(object); }
void operator delete(void* object, std::size_t) noexcept { plain_or_checked_delete(object); }
void operator delete[](void* object, std::size_t) noexcept { plain_or_checked_delete(object); }
void operator delete(void* object, const std::nothrow_t&) noexcept { plain_or_checked_delete(object); }
void operator delete[](void* object, const std::nothrow_t&) noexcept { plain_or_checked_delete(object); }
void operator delete(void* object, std::align_val_t) noexcept { plain_or_checked_delete(object); }
void operator delete[](void* object, std::align_val_t) noexcept { plain_or_checked_delete(object); }
void operator delete(void* object, std::size_t, std::align_val_t) noexcept { plain_or_checked_delete(object); }
void operator delete[](void* object, std::size_t, std::align_val_t) noexcept { plain_or_checked_delete(object); }
void operator delete(void* object, std::align_val_t, const std::nothrow_t&) noexcept {
    plain_or_checked_delete(object);
}
void operator delete[](void* object, std::align_val_t, const std::nothrow_t&) noexcept {
    plain_or_checked_delete(object);
}
