#include "memcheck/safe_format.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/types.h>

namespace memcheck {

namespace {

// The text made so far; characters past the room are counted, not stored.
struct Out {
    char* text;
    size_t room;
    size_t length = 0;

    void put(char c) {
        if (length + 1 < room) text[length] = c;
        ++length;
    }
    void put_many(char c, size_t n) {
        for (size_t i = 0; i < n; ++i) put(c);
    }
    void put_text(const char* s, size_t n) {
        for (size_t i = 0; i < n; ++i) put(s[i]);
    }
};

enum class Size { plain, hh, h, l, ll, z, j, t };

// One conversion of the format: its flags, width, precision and argument size.
struct Conversion {
    bool left = false;
    bool zero = false;
    size_t width = 0;
    bool has_precision = false;
    size_t precision = 0;
    Size size = Size::plain;
};

intmax_t signed_argument(Size size, va_list& args) {
    switch (size) {
        case Size::hh: return static_cast<signed char>(va_arg(args, int));
        case Size::h: return static_cast<short>(va_arg(args, int));
        case Size::l: return va_arg(args, long);
        case Size::ll: return va_arg(args, long long);
        case Size::z: return va_arg(args, ssize_t);
        case Size::j: return va_arg(args, intmax_t);
        case Size::t: return va_arg(args, ptrdiff_t);
        case Size::plain: break;
    }
    return va_arg(args, int);
}

uintmax_t unsigned_argument(Size size, va_list& args) {
    switch (size) {
        case Size::hh: return static_cast<unsigned char>(va_arg(args, unsigned));
        case Size::h: return static_cast<unsigned short>(va_arg(args, unsigned));
        case Size::l: return va_arg(args, unsigned long);
        case Size::ll: return va_arg(args, unsigned long long);
        case Size::z: return va_arg(args, size_t);
        case Size::j: return va_arg(args, uintmax_t);
        case Size::t: return static_cast<uintmax_t>(va_arg(args, ptrdiff_t));
        case Size::plain: break;
    }
    return va_arg(args, unsigned);
}

void put_padded(Out& out, const Conversion& conv, const char* body, size_t length) {
    const size_t pad = conv.width > length ? conv.width - length : 0;
    if (!conv.left) out.put_many(' ', pad);
    out.put_text(body, length);
    if (conv.left) out.put_many(' ', pad);
}

// A number: sign or prefix, then at least `precision` digits, padded to the
// width with blanks, or with zeros after the sign when asked.
void put_number(Out& out, const Conversion& conv, uintmax_t magnitude, bool negative, unsigned base, bool upper,
                const char* prefix) {
    std::array<char, 64> digits{};
    size_t count = 0;
    const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (uintmax_t v = magnitude; v != 0; v /= base) digits[digits.size() - 1 - count++] = symbols[v % base];
    const size_t least = conv.has_precision ? conv.precision : 1;
    const size_t zeros = least > count ? least - count : 0;
    const size_t prefix_length = (negative ? 1 : 0) + std::strlen(prefix);
    const size_t length = prefix_length + zeros + count;
    const size_t pad = conv.width > length ? conv.width - length : 0;
    const bool zero_pad = conv.zero && !conv.left && !conv.has_precision;
    if (!conv.left && !zero_pad) out.put_many(' ', pad);
    if (negative) out.put('-');
    out.put_text(prefix, std::strlen(prefix));
    if (zero_pad) out.put_many('0', pad);
    out.put_many('0', zeros);
    out.put_text(digits.data() + digits.size() - count, count);
    if (conv.left) out.put_many(' ', pad);
}

size_t read_count(const char*& f, va_list& args, bool& negative) {
    negative = false;
    if (*f == '*') {
        ++f;
        const int n = va_arg(args, int);
        negative = n < 0;
        return negative ? static_cast<size_t>(-static_cast<long>(n)) : static_cast<size_t>(n);
    }
    size_t n = 0;
    while (*f >= '0' && *f <= '9') n = n * 10 + static_cast<size_t>(*f++ - '0');
    return n;
}

Size read_size(const char*& f) {
    switch (*f) {
        case 'h':
            ++f;
            if (*f == 'h') {
                ++f;
                return Size::hh;
            }
            return Size::h;
        case 'l':
            ++f;
            if (*f == 'l') {
                ++f;
                return Size::ll;
            }
            return Size::l;
        case 'z': ++f; return Size::z;
        case 'j': ++f; return Size::j;
        case 't': ++f; return Size::t;
        default: return Size::plain;
    }
}

}  // namespace

int mc_vformat(char* text, size_t size, const char* format, va_list given) {
    Out out{text, size};
    va_list args;
    va_copy(args, given);
    for (const char* f = format; *f != '\0'; ++f) {
        if (*f != '%') {
            out.put(*f);
            continue;
        }
        const char* start = f++;
        Conversion conv;
        for (;; ++f) {
            if (*f == '-') {
                conv.left = true;
            } else if (*f == '0') {
                conv.zero = true;
            } else {
                break;
            }
        }
        bool negative = false;
        conv.width = read_count(f, args, negative);
        if (negative) conv.left = true;
        if (*f == '.') {
            ++f;
            conv.precision = read_count(f, args, negative);
            conv.has_precision = !negative;
        }
        conv.size = read_size(f);
        switch (*f) {
            case 'd':
            case 'i': {
                const intmax_t v = signed_argument(conv.size, args);
                const uintmax_t magnitude = v < 0 ? 0 - static_cast<uintmax_t>(v) : static_cast<uintmax_t>(v);
                put_number(out, conv, magnitude, v < 0, 10, false, "");
                break;
            }
            case 'u': put_number(out, conv, unsigned_argument(conv.size, args), false, 10, false, ""); break;
            case 'x': put_number(out, conv, unsigned_argument(conv.size, args), false, 16, false, ""); break;
            case 'X': put_number(out, conv, unsigned_argument(conv.size, args), false, 16, true, ""); break;
            case 'o': put_number(out, conv, unsigned_argument(conv.size, args), false, 8, false, ""); break;
            case 'c': {
                const char c = static_cast<char>(va_arg(args, int));
                put_padded(out, conv, &c, 1);
                break;
            }
            case 's': {
                const char* s = va_arg(args, const char*);
                if (s == nullptr) s = "(null)";
                const size_t length = conv.has_precision ? strnlen(s, conv.precision) : std::strlen(s);
                put_padded(out, conv, s, length);
                break;
            }
            case 'p': {
                const auto v = reinterpret_cast<uintptr_t>(va_arg(args, void*));
                if (v == 0) {
                    put_padded(out, conv, "(nil)", 5);
                } else {
                    put_number(out, conv, v, false, 16, false, "0x");
                }
                break;
            }
            case '%': out.put('%'); break;
            default:
                // Not a conversion of this formatter: copied as it stands.
                out.put_text(start, static_cast<size_t>(f - start) + (*f != '\0' ? 1 : 0));
                if (*f == '\0') --f;
                break;
        }
    }
    va_end(args);
    if (size > 0) text[out.length < size ? out.length : size - 1] = '\0';
    return static_cast<int>(out.length);
}

int mc_format(char* out, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = mc_vformat(out, size, format, args);
    va_end(args);
    return length;
}

bool mc_write_all(int fd, const char* data, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace memcheck
