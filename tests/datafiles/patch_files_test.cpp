// The patch and curve table files: read into the tables at show start, the
// defaults and the files written when they are missing or of the wrong
// size, the older channel patch form, the fixture setup's writers, and
// damaged files that never index past a table.
#include "datafiles/patch_files.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "data_dir.h"
#include "setup/patch_tables.h"

namespace {

using datafiles_test::set_u16_at;
using datafiles_test::u16_at;

class PatchFiles : public datafiles_test::DataDir {};

// Byte i of a patterned file: telling where it came from, never 0.
std::vector<uint8_t> patterned(size_t size, unsigned seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + seed) % 251 + 1);
    return bytes;
}

bool tables_are_default_patch() {
    for (size_t n = 1; n <= 2048; ++n) {
        if (setup::channel_patch_tables[0][n] != n) return false;
        for (size_t k = 1; k < 9; ++k) {
            if (setup::channel_patch_tables[k][n] != 0) return false;
        }
    }
    return true;
}

// A 36864-byte channel patch whose entry n of table k is 1 + (k * 100 + n) % 2048.
std::vector<uint8_t> channel_patch_file() {
    std::vector<uint8_t> bytes(36864);
    for (size_t k = 0; k < 9; ++k) {
        for (size_t n = 1; n <= 2048; ++n) set_u16_at(bytes, k * 4096 + (n - 1) * 2, static_cast<uint16_t>(1 + (k * 100 + n) % 2048));
    }
    return bytes;
}

// ------------------------------------------------------------------ curves

TEST_F(PatchFiles, CurvesAreReadFromTheDataFolder) {
    const std::vector<uint8_t> curves = patterned(4096, 3);
    write("data/curve.dat", curves);
    write("lib/curve.dat", patterned(4096, 99));
    datafiles::load_patch_curves();
    for (size_t c = 1; c <= 16; ++c) {
        for (size_t v = 0; v < 256; ++v) ASSERT_EQ(setup::curve_tables[c][v], curves[(c - 1) * 256 + v]) << c << "," << v;
    }
    EXPECT_EQ(read("data/curve.dat"), curves);
}

TEST_F(PatchFiles, FactoryCurvesStandInForAMissingOrWrongSizedCurveFile) {
    for (const size_t data_size : {size_t{0}, size_t{4095}, size_t{4097}}) {
        SCOPED_TRACE(data_size);
        if (data_size == 0) {
            remove("data/curve.dat");
        } else {
            write("data/curve.dat", std::vector<uint8_t>(data_size, 0xEE));
        }
        const std::vector<uint8_t> factory = patterned(4096, static_cast<unsigned>(data_size));
        write("lib/curve.dat", factory);
        datafiles::load_patch_curves();
        EXPECT_EQ(read("data/curve.dat"), factory);  // byte-identical copy
        EXPECT_EQ(setup::curve_tables[16][255], factory[15 * 256 + 255]);
        EXPECT_EQ(setup::curve_tables[1][0], factory[0]);
    }
}

TEST_F(PatchFiles, WithoutAnyCurveFileIdentityCurvesAreWritten) {
    setup::curve_tables[4][10] = 99;
    write("lib/curve.dat", std::vector<uint8_t>(100, 1));  // wrong size: not taken
    datafiles::load_patch_curves();
    const std::vector<uint8_t> written = read("data/curve.dat");
    ASSERT_EQ(written.size(), 4096u);
    for (size_t c = 1; c <= 16; ++c) {
        for (size_t v = 0; v < 256; ++v) {
            ASSERT_EQ(written[(c - 1) * 256 + v], v);
            ASSERT_EQ(setup::curve_tables[c][v], v);
        }
    }
}

// ------------------------------------------------------------------ dimmer patch

TEST_F(PatchFiles, TheDimmerPatchIsReadFromAFileOfAnySize) {
    std::vector<uint8_t> full(2048);
    for (size_t n = 0; n < full.size(); ++n) full[n] = static_cast<uint8_t>(n % 17);
    write("data/dimpatch.dat", full);
    datafiles::load_patch_curves();
    for (size_t n = 1; n <= 2048; ++n) ASSERT_EQ(setup::dimmer_patch_table[n], (n - 1) % 17) << n;

    // A shorter file fills as many entries as it has bytes; the rest stay.
    write("data/dimpatch.dat", std::vector<uint8_t>(100, 5));
    datafiles::load_patch_curves();
    EXPECT_EQ(setup::dimmer_patch_table[1], 5);
    EXPECT_EQ(setup::dimmer_patch_table[100], 5);
    EXPECT_EQ(setup::dimmer_patch_table[101], 100 % 17);
    EXPECT_EQ(setup::dimmer_patch_table[2048], 2047 % 17);
    EXPECT_EQ(size_of("data/dimpatch.dat"), 100u);  // left as it is
}

TEST_F(PatchFiles, AMissingDimmerPatchIsWrittenAsZeros) {
    setup::dimmer_patch_table[7] = 3;
    datafiles::load_patch_curves();
    EXPECT_EQ(setup::dimmer_patch_table[7], 0);
    EXPECT_EQ(read("data/dimpatch.dat"), std::vector<uint8_t>(2048, 0));
}

TEST_F(PatchFiles, ADimmerCurveNumberBeyondTheSixteenCurvesMeansNoCurve) {
    write("data/dimpatch.dat", std::vector<uint8_t>{16, 17, 255, 0, 1});
    datafiles::load_patch_curves();
    EXPECT_EQ(setup::dimmer_patch_table[1], 16);
    EXPECT_EQ(setup::dimmer_patch_table[2], 0);
    EXPECT_EQ(setup::dimmer_patch_table[3], 0);
    EXPECT_EQ(setup::dimmer_patch_table[5], 1);
}

// ------------------------------------------------------------------ channel patch

TEST_F(PatchFiles, TheChannelPatchFillsAllNineTables) {
    const std::vector<uint8_t> file = channel_patch_file();
    write("data/ch-patch.dat", file);
    datafiles::load_patch_curves();
    for (size_t k = 0; k < 9; ++k) {
        for (size_t n = 1; n <= 2048; ++n) {
            ASSERT_EQ(setup::channel_patch_tables[k][n], u16_at(file, k * 4096 + (n - 1) * 2)) << k << "," << n;
        }
    }
}

TEST_F(PatchFiles, TheOlderChannelPatchKeepsTablesOneToThree) {
    // Older form: tables 0, 4, 5, 6, 7, 8; entry n of file table i is n * (i + 3) % 2048 + 1.
    std::vector<uint8_t> file(24576);
    for (size_t i = 0; i < 6; ++i) {
        for (size_t n = 1; n <= 2048; ++n) set_u16_at(file, i * 4096 + (n - 1) * 2, static_cast<uint16_t>((n * (i + 3)) % 2048 + 1));
    }
    write("data/ch-patch.dat", file);

    // Right after program start tables 1..3 are empty and stay so.
    for (setup::PatchTable& table : setup::channel_patch_tables) table.fill(0);
    datafiles::load_patch_curves();
    const size_t tables[] = {0, 4, 5, 6, 7, 8};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(setup::channel_patch_tables[tables[i]][1], u16_at(file, i * 4096)) << tables[i];
        EXPECT_EQ(setup::channel_patch_tables[tables[i]][2048], u16_at(file, i * 4096 + 4094)) << tables[i];
    }
    for (size_t k = 1; k <= 3; ++k) {
        for (size_t n = 1; n <= 2048; ++n) ASSERT_EQ(setup::channel_patch_tables[k][n], 0) << k << "," << n;
    }

    // At a later show start they stay as the previous show had them.
    setup::channel_patch_tables[1][10] = 513;
    setup::channel_patch_tables[3][2048] = 1;
    datafiles::load_patch_curves();
    EXPECT_EQ(setup::channel_patch_tables[1][10], 513);
    EXPECT_EQ(setup::channel_patch_tables[3][2048], 1);
    EXPECT_EQ(setup::channel_patch_tables[0][10], u16_at(file, 18));
}

TEST_F(PatchFiles, AChannelPatchOfAnotherSizeGivesTheDefaultPatchAndStaysOnDisk) {
    for (const size_t size : {size_t{36866}, size_t{36862}, size_t{24575}, size_t{0}}) {
        SCOPED_TRACE(size);
        setup::channel_patch_tables[0][5] = 9;
        setup::channel_patch_tables[2][5] = 9;
        const std::vector<uint8_t> file(size, 0x01);
        write("data/ch-patch.dat", file);
        datafiles::load_patch_curves();
        EXPECT_TRUE(tables_are_default_patch());
        EXPECT_EQ(read("data/ch-patch.dat"), file);
    }
}

TEST_F(PatchFiles, AMissingChannelPatchGivesTheDefaultPatchAndWritesNothing) {
    setup::channel_patch_tables[0][1] = 7;
    datafiles::load_patch_curves();
    EXPECT_TRUE(tables_are_default_patch());
    EXPECT_FALSE(has("data/ch-patch.dat"));
}

TEST_F(PatchFiles, AnOutputPositionBeyondTheCardsMeansNoPatch) {
    std::vector<uint8_t> file = channel_patch_file();
    set_u16_at(file, 0 * 4096 + 0, 2049);       // table 0, channel 1
    set_u16_at(file, 3 * 4096 + 2, 0xFFFF);     // table 3, channel 2
    set_u16_at(file, 1 * 4096 + 4, 2048);       // table 1, channel 3: the last position
    set_u16_at(file, 5 * 4096 + 0, 0xBEEF);     // table 5 holds card words, not positions
    write("data/ch-patch.dat", file);
    datafiles::load_patch_curves();
    EXPECT_EQ(setup::channel_patch_tables[0][1], 0);
    EXPECT_EQ(setup::channel_patch_tables[3][2], 0);
    EXPECT_EQ(setup::channel_patch_tables[1][3], 2048);
    EXPECT_EQ(setup::channel_patch_tables[5][1], 0xBEEF);
}

// ------------------------------------------------------------------ channel curves

TEST_F(PatchFiles, ChannelCurvesAreReadInFileOrder) {
    std::vector<uint8_t> file = patterned(4864, 11);
    for (size_t p = 0; p < 2048; ++p) file[2048 + p] = static_cast<uint8_t>(p % 4);
    write("data/ch-curve.dat", file);
    datafiles::load_channel_curves();
    for (size_t p = 1; p <= 2048; ++p) {
        ASSERT_EQ(setup::channel_output_scale[p], file[p - 1]) << p;
        ASSERT_EQ(setup::channel_curve_flags[p], file[2048 + p - 1]) << p;
    }
    for (size_t k = 1; k <= 3; ++k) {
        for (size_t v = 0; v < 256; ++v) ASSERT_EQ(setup::custom_curve_tables[k][v], file[4096 + (k - 1) * 256 + v]);
    }
}

TEST_F(PatchFiles, MissingOrWrongSizedChannelCurvesGiveNoCurveAnywhere) {
    for (const size_t size : {size_t{0}, size_t{4863}, size_t{4865}}) {
        SCOPED_TRACE(size);
        if (size == 0) {
            remove("data/ch-curve.dat");
        } else {
            write("data/ch-curve.dat", std::vector<uint8_t>(size, 2));
        }
        setup::channel_output_scale[1] = 10;
        setup::channel_curve_flags[2048] = 2;
        setup::custom_curve_tables[3][7] = 0;
        datafiles::load_channel_curves();
        for (size_t p = 1; p <= 2048; ++p) {
            ASSERT_EQ(setup::channel_output_scale[p], 255) << p;
            ASSERT_EQ(setup::channel_curve_flags[p], 0) << p;
        }
        for (size_t k = 1; k <= 3; ++k) {
            for (size_t v = 0; v < 256; ++v) ASSERT_EQ(setup::custom_curve_tables[k][v], v);
        }
        EXPECT_EQ(has("data/ch-curve.dat"), size != 0);  // nothing is written
    }
}

TEST_F(PatchFiles, ACustomCurveFlagBeyondTheThreeCurvesMeansNone) {
    std::vector<uint8_t> file(4864, 0);
    file[2048] = 3;
    file[2049] = 4;
    file[2050] = 255;
    write("data/ch-curve.dat", file);
    datafiles::load_channel_curves();
    EXPECT_EQ(setup::channel_curve_flags[1], 3);
    EXPECT_EQ(setup::channel_curve_flags[2], 0);
    EXPECT_EQ(setup::channel_curve_flags[3], 0);
}

// ------------------------------------------------------------------ the setup's writers

TEST_F(PatchFiles, TheSetupWritesTheFilesInTheirSizesAndTheyReadBack) {
    for (size_t k = 0; k < 9; ++k) {
        for (size_t n = 1; n <= 2048; ++n) setup::channel_patch_tables[k][n] = static_cast<uint16_t>((n + k * 31) % 2049);
    }
    for (size_t n = 1; n <= 2048; ++n) {
        setup::dimmer_patch_table[n] = static_cast<uint8_t>(n % 17);
        setup::channel_output_scale[n] = static_cast<uint8_t>(n * 3);
        setup::channel_curve_flags[n] = static_cast<uint8_t>(n % 4);
    }
    setup::custom_curve_tables[2][128] = 7;
    const auto patch = setup::channel_patch_tables;
    const auto dimmers = setup::dimmer_patch_table;
    const auto scales = setup::channel_output_scale;
    const auto flags = setup::channel_curve_flags;
    const auto custom = setup::custom_curve_tables;

    datafiles::save_channel_patch_files();
    datafiles::save_channel_curve_file();
    EXPECT_EQ(size_of("data/ch-patch.dat"), 36864u);
    EXPECT_EQ(size_of("data/dimpatch.dat"), 2048u);
    EXPECT_EQ(size_of("data/ch-curve.dat"), 4864u);
    const std::vector<uint8_t> file = read("data/ch-patch.dat");
    EXPECT_EQ(u16_at(file, 2 * 4096 + (100 - 1) * 2), (100 + 2 * 31) % 2049);

    setup::set_default_patch();
    setup::clear_dimmer_patch();
    setup::set_default_channel_curves();
    datafiles::load_patch_curves();
    datafiles::load_channel_curves();
    EXPECT_EQ(setup::channel_patch_tables, patch);
    EXPECT_EQ(setup::dimmer_patch_table, dimmers);
    EXPECT_EQ(setup::channel_output_scale, scales);
    EXPECT_EQ(setup::channel_curve_flags, flags);
    EXPECT_EQ(setup::custom_curve_tables, custom);
    EXPECT_EQ(data_folder_names(), (std::vector<std::string>{"ch-curve.dat", "ch-patch.dat", "curve.dat", "dimpatch.dat"}));
}

// ------------------------------------------------------------------ damaged files

TEST_F(PatchFiles, RandomAndTruncatedFilesNeverLeadOutsideTheTables) {
    std::mt19937 random(20240611);
    const size_t sizes[] = {0, 1, 2047, 2048, 2049, 4095, 4096, 4864, 24576, 36864, 36865};
    for (const size_t size : sizes) {
        SCOPED_TRACE(size);
        for (const char* name : {"data/curve.dat", "data/dimpatch.dat", "data/ch-patch.dat", "data/ch-curve.dat"}) {
            write(name, random_bytes(random, size));
        }
        datafiles::load_patch_curves();
        datafiles::load_channel_curves();
        for (size_t n = 1; n <= 2048; ++n) {
            ASSERT_LE(setup::dimmer_patch_table[n], 16);
            ASSERT_LE(setup::channel_curve_flags[n], 3);
            for (size_t k = 0; k < 4; ++k) ASSERT_LE(setup::channel_patch_tables[k][n], 2048);
        }
    }
}

}  // namespace
