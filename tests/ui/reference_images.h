// Screen drawings compared with reference drawings kept beside the tests.
//
// A drawing is the text platform::region_text gives for an area: one hex
// digit (the colour) per pixel, rows ended by '\n'. The reference of a
// feature's drawing lies in tests/ui/<feature>_data/<name>.txt. With
// BRAVINOX_UPDATE_GOLDEN=1 in the environment the references are rewritten
// from what is drawn. On a difference the drawing is written to the test's
// temporary folder and the test fails, naming both files.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/graphics.h"

namespace uitest {

inline std::string reference_path(const std::string& feature, const std::string& name) {
    return std::string(BRAVINOX_TEST_DATA) + "/" + feature + "_data/" + name + ".txt";
}

inline void expect_matches_reference(const std::string& feature, const std::string& name,
                                     const platform::Rect& area) {
    const std::string actual = platform::region_text(area);
    const std::string path = reference_path(feature, name);
    if (std::getenv("BRAVINOX_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << "no reference drawing " << feature << "_data/" << name << ".txt";
    std::stringstream expected;
    expected << in.rdbuf();
    if (expected.str() == actual) return;
    const std::string written = ::testing::TempDir() + feature + "_" + name + ".txt";
    std::ofstream(written, std::ios::binary) << actual;
    ADD_FAILURE() << "the drawing differs from " << feature << "_data/" << name << ".txt; it is in " << written;
}

}  // namespace uitest
