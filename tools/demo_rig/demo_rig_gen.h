// The demo rig of the demo program directory: fixture type libraries of our
// own design, their symbols and lamp commands, a setup of fixtures over both
// universes of the first card, symbol and figure drawings, a colour-filter
// catalogue and the colour mixes of the colour-mixing type.
//
// Everything is built from the readable sources in programdir/rig/
// (description syntax of tools/programdir/description.h: one item per
// line, words, double-quoted texts, '#' comments):
//
//   types/<FILE>.txt   one fixture type each (see SPOT16.txt for the items)
//   setup.txt          the types in use, the fixtures, stage items, settings
//   drawings.txt       the symbol drawings, each a shape drawn by the generator
//   lee.def            the filter catalogue, copied with CR LF line ends
//   rgb/<FILE>.lee.txt the colour mixes of a type: filter and three values
//   rst/<FILE>.rst     lamp commands of a type, copied with CR LF line ends
//   xu3/<FILE>.xu3.txt a fixture firmware upload file: title, start values,
//                      blocks (pause in ms and bytes) and description rows
//
// and written at the sizes and offsets of the console's own layouts
// (src/setup/setup_data.h, src/setup/fixture_type.h):
//
//   lib/set/<FILE>.SET     47097 bytes     lib/drw/<FILE>.DRW  992 bytes
//   lib/rst/<FILE>.RST     text            lib/rgb/<FILE>.LEE  5-byte records
//   drawings/<folder>/DRAWING.NNN, drawings/figures/POLYGON.NNN and
//   LISJOUS.NNN            2336 bytes each
//   lee.def                text            data/setup.dat      115207 bytes
//   lib/xu3/<FILE>.XU3     4131 bytes of header, then table, start record,
//                          description and blocks
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace demo_rig {

struct RigFile {
    std::string name;            // relative to the program directory, '/' separated
    std::vector<uint8_t> bytes;
    bool show_data = false;      // a show file: written only where none is there
};

// Builds every file of the rig from the sources in source_dir (programdir/rig).
bool build_demo_rig(const std::filesystem::path& source_dir, std::vector<RigFile>& files, std::string& error);
// The upload files of xu3/ (lib/xu3/<FILE>.XU3), appended to files. Apart from
// the rig: with them the library browser shows the "MARTIN UPLOAD" maker first.
bool build_demo_uploads(const std::filesystem::path& source_dir, std::vector<RigFile>& files, std::string& error);

// Writes the files into the program directory target_dir. Library files are
// replaced; the show's setup.dat only where none is there, so a rig the
// console has changed is never overwritten.
bool lay_out_demo_rig(const std::filesystem::path& source_dir, const std::filesystem::path& target_dir,
                      std::string& error);

// The parts, for the tests: a type definition (47097 bytes) and its symbol
// (992 bytes) from one type source; a drawing of 2336 bytes from a shape line.
bool build_type_files(const std::string& source, std::vector<uint8_t>& type_def, std::vector<uint8_t>& drawing,
                      std::string& error);

}  // namespace demo_rig
