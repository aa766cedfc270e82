// The logo picture of the program directory: a stage lamp throwing a beam
// onto a pool of light, with the program's name below, drawn at any size.
//
// The file is an image in the graphics stand-in's layout: u16 width, u16
// height (little-endian), then one colour byte (0-15) per pixel, row by row
// from the top. Its length picks the logo's place on the main screen: the
// demo logo is 94 x 90 (8464 bytes); 84 x 107 (8992 bytes) is the other
// length placed on its own, and any other size gets the third place.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace progdir {

constexpr int kDemoLogoWidth = 94;
constexpr int kDemoLogoHeight = 90;   // 4 + 94 * 90 = 8464 bytes
constexpr int kTallLogoWidth = 84;
constexpr int kTallLogoHeight = 107;  // 4 + 84 * 107 = 8992 bytes
constexpr int kMinLogoSide = 16;
constexpr int kMaxLogoWidth = 640;
constexpr int kMaxLogoHeight = 480;
constexpr int kLogoHeaderBytes = 4;

// False with a message for a size outside 16..640 x 16..480.
bool build_logo(int width, int height, std::vector<uint8_t>& image, std::string& error);

}  // namespace progdir
