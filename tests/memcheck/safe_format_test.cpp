// The formatter of the log and the exception report, which must give what
// snprintf gives for the checker's formats, without stdio.
#include "memcheck/safe_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using memcheck::mc_format;

#define EXPECT_SAME(...)                                                          \
    do {                                                                          \
        char ours[64];                                                            \
        char theirs[64];                                                          \
        const int n = mc_format(ours, sizeof ours, __VA_ARGS__);                  \
        const int m = std::snprintf(theirs, sizeof theirs, __VA_ARGS__);          \
        EXPECT_EQ(std::string(ours), std::string(theirs)) << #__VA_ARGS__;       \
        EXPECT_EQ(n, m) << #__VA_ARGS__;                                          \
    } while (0)

TEST(MemcheckFormat, GivesWhatSnprintfGivesForTheCheckersFormats) {
    EXPECT_SAME("plain text");
    EXPECT_SAME("%s(%u)", "RESET", 40u);
    EXPECT_SAME("%.*s %s %.*s", 19, "a_name_longer_than_nineteen", "at", 200, "FILE(1)");
    EXPECT_SAME("%24.24s|", "Mon Jan  1 00:00:00 2024\n");
    EXPECT_SAME("%-3s|%-12s|%-11s|%-10s|", "ON", "OFF", "Commit", "MEMORY");
    EXPECT_SAME("%04X %04Xh %02X", 0x33u, 0x800000u, 0xFDu);
    EXPECT_SAME("%08lX %08lX", 0x1234ul, 0x7FFF12345678ul);
    EXPECT_SAME("%lu (0%lXh) bytes", 4096ul, 4096ul);
    EXPECT_SAME("%-20s: %lu", "Max memory allocated", 0ul);
    EXPECT_SAME("%d %d %i %d", 0, -1, 2147483647, -2147483647 - 1);
    EXPECT_SAME("%5d|%-5d|%05d|%05d", 42, 42, 42, -42);
    EXPECT_SAME("%c%c %%", 'N', 'F');
    EXPECT_SAME("%zu %zx %llu %hhu %hu", static_cast<size_t>(12345), static_cast<size_t>(255), 1ull << 40,
                static_cast<unsigned char>(200), static_cast<unsigned short>(65535));
    EXPECT_SAME("%.3d|%.0d|%8.3x|", 7, 0, 0xAu);
    EXPECT_SAME("%*d|%-*d|%.*s", 6, 1, 6, 2, 2, "abc");
    EXPECT_SAME("%p %p", static_cast<void*>(nullptr), reinterpret_cast<void*>(0xABCDEFu));
    EXPECT_SAME("%o", 8u);
    EXPECT_SAME("%s", static_cast<const char*>("\t[Limit: FFFFFFFF]"));
}

TEST(MemcheckFormat, ATextLongerThanItsRoomIsCutAndItsLengthCounted) {
    char out[8];
    EXPECT_EQ(mc_format(out, sizeof out, "%s-%d", "LONGTEXT", 42), 11);
    EXPECT_STREQ(out, "LONGTEX");
    EXPECT_EQ(mc_format(out, 1, "abc"), 3);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(mc_format(nullptr, 0, "%u", 123u), 3);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
TEST(MemcheckFormat, AnUnknownConversionIsCopiedAsItStands) {
    char out[32];
    mc_format(out, sizeof out, "a%qb");
    EXPECT_STREQ(out, "a%qb");
    mc_format(out, sizeof out, "end%");
    EXPECT_STREQ(out, "end%");
}
#pragma GCC diagnostic pop

}  // namespace
