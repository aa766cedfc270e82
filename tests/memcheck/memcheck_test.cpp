#include "memcheck/memcheck.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

int format(char* dest, size_t dest_size, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const int n = memcheck::mc_vsprintf_at(dest, fmt, args, "TEST", 1, dest_size);
    va_end(args);
    return n;
}

TEST(Memcheck, PassThroughCallsDoThePlainOperation) {
    char* p = static_cast<char*>(memcheck::mc_malloc_at(4, "TEST", 10));
    ASSERT_NE(p, nullptr);
    memcheck::mc_strcpy_at(p, "ab", "TEST", 11, 4);
    p = static_cast<char*>(memcheck::mc_realloc_at(p, 16, "TEST", 12));
    ASSERT_NE(p, nullptr);
    memcheck::mc_strcat_at(p, "cd", "TEST", 13, 16);
    EXPECT_STREQ(p, "abcd");
    memcheck::mc_memset_at(p, 'x', 2, "TEST", 14, 16);
    EXPECT_STREQ(p, "xxcd");
    memcheck::mc_free_at(p, "TEST", 15);
}

TEST(Memcheck, FormattedPrintIsBoundedByAKnownDestinationSize) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    const int n = format(buffer, sizeof buffer, "%s-%d", "LONGTEXT", 42);
    EXPECT_EQ(n, 11);  // the length the full text would have
    EXPECT_STREQ(buffer, "LONGTEX");
}

}  // namespace
