// The main of every test program: Google Test's own, with the rig's clean
// start before each test (rig/clean_start.h).
#include <gtest/gtest.h>

#include "rig/clean_start.h"

namespace {

class CleanStart : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { rig::reset_global_state(); }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CleanStart);
    return RUN_ALL_TESTS();
}
