// make_demo_rig SOURCE_DIR TARGET_DIR
// Writes the demo rig built from the sources in SOURCE_DIR (programdir/rig)
// into the program directory TARGET_DIR: the fixture type libraries, their
// symbols, lamp commands and colour mixes, the drawings, the filter catalogue
// and, where none is there yet, data\setup.dat.
#include <cstdio>
#include <string>

#include "demo_rig/demo_rig_gen.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_demo_rig SOURCE_DIR TARGET_DIR\n");
        return 2;
    }
    std::string error;
    if (!demo_rig::lay_out_demo_rig(argv[1], argv[2], error)) {
        std::fprintf(stderr, "make_demo_rig: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
