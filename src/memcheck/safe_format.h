// Formatting and writing that are safe inside a signal handler.
//
// The processor-exception report runs in a signal handler, where stdio and
// the C allocator may not be used: the fault may have struck while either
// held its lock. These functions take no lock, allocate nothing and read no
// locale; the log (log.h) formats and writes through them.
#pragma once
#include <cstdarg>
#include <cstddef>

namespace memcheck {

// Formats as vsnprintf does for the conversions the checker uses: flags '-'
// and '0', a width and a precision (digits or '*'), the length modifiers
// hh, h, l, ll, z, j and t, and the conversions d, i, u, x, X, o, c, s, p and
// %. Writes at most size - 1 characters and a terminating null (nothing when
// size is 0); returns the length the whole text has. Anything else in a
// conversion is copied as it stands.
int mc_vformat(char* out, size_t size, const char* format, va_list args);
int mc_format(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Writes all bytes with write(2), again after an interruption; false when
// the descriptor refuses them.
bool mc_write_all(int fd, const char* data, size_t length);

}  // namespace memcheck
