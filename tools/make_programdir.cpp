// make_programdir SOURCE_DIR TARGET_DIR
// Writes bravinox.cfg, keyboard.cfg and bravinox.ini into TARGET_DIR from the
// descriptions in SOURCE_DIR, with the bitmap fonts DEFAULT.FNT and SMALL.FNT
// and the logo beside them.
#include <cstdio>
#include <string>

#include "programdir/program_dir_gen.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_programdir SOURCE_DIR TARGET_DIR\n");
        return 2;
    }
    std::string error;
    if (!progdir::lay_out_program_dir(argv[1], argv[2], error)) {
        std::fprintf(stderr, "make_programdir: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
