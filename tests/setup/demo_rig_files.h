// The demo rig's files, built by the generator from programdir/rig, for tests
// that lay them into a program directory or change a byte of them.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_rig/demo_rig_gen.h"
#include "rig/program_dir.h"

namespace setup_test {

// Built once per test program: every test lays out the same bytes.
inline const std::vector<demo_rig::RigFile>& demo_rig_files() {
    static const std::vector<demo_rig::RigFile> files = [] {
        std::vector<demo_rig::RigFile> built;
        std::string error;
        if (!demo_rig::build_demo_rig(BRAVINOX_RIG_SOURCE, built, error)) ADD_FAILURE() << "demo rig: " << error;
        return built;
    }();
    return files;
}

// The bytes of one file of the demo rig ("data/setup.dat", "lib/set/SPOT16.SET").
inline std::vector<uint8_t> demo_rig_file(const std::string& name) {
    for (const demo_rig::RigFile& file : demo_rig_files()) {
        if (file.name == name) return file.bytes;
    }
    ADD_FAILURE() << "the demo rig has no " << name;
    return {};
}

// Writes every file of the demo rig into the program directory.
inline void lay_out_demo_rig(const rig::ProgramDir& dir) {
    for (const demo_rig::RigFile& file : demo_rig_files()) dir.write_file(file.name, file.bytes);
}

}  // namespace setup_test
