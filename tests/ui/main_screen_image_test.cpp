// The whole main screen after a fresh start on the demo show and its rig, compared pixel
// by pixel with the reference picture tests/ui/main_screen_data/after_start.png.
//
// When a change to the screen is intended, regenerate the reference with
//   BRAVINOX_UPDATE_GOLDEN=1 ctest -R MainScreenImage
// (from build/test), look at the new PNG, and commit it with the change.
// On a difference the test writes the picture it saw to its temporary folder
// and names the rectangle that holds every differing pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../setup/demo_rig_files.h"
#include "platform/graphics.h"
#include "platform/png_writer.h"
#include "rig/console.h"

namespace {

constexpr int kWidth = platform::kScreenWidth;
constexpr int kHeight = platform::kScreenHeight;
constexpr size_t kSignatureBytes = 8;
constexpr size_t kZlibHeaderBytes = 2;
constexpr size_t kStoredBlockHeaderBytes = 5;  // BFINAL/BTYPE byte, LEN, NLEN

uint32_t be32(const std::vector<uint8_t>& bytes, size_t at) {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) | (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

// The RGB pixels of a PNG as our own encoder writes it (8-bit RGB, filter 0,
// stored deflate blocks); empty for anything else.
std::vector<uint8_t> decode_rgb(const std::vector<uint8_t>& png) {
    std::vector<uint8_t> zlib;
    int width = 0;
    int height = 0;
    for (size_t at = kSignatureBytes; at + 12 <= png.size();) {
        const uint32_t length = be32(png, at);
        if (at + 12 + length > png.size()) return {};
        const std::string type(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8);
        const auto data = png.begin() + static_cast<long>(at) + 8;
        if (type == "IHDR") {
            width = static_cast<int>(be32(png, at + 8));
            height = static_cast<int>(be32(png, at + 12));
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data, data + length);
        }
        at += 12 + length;
    }
    if (width != kWidth || height != kHeight) return {};
    std::vector<uint8_t> raw;
    size_t at = kZlibHeaderBytes;
    bool last = false;
    while (!last && at + kStoredBlockHeaderBytes <= zlib.size()) {
        if ((zlib[at] & 0x06) != 0) return {};  // not a stored block
        last = (zlib[at] & 0x01) != 0;
        const size_t length = zlib[at + 1] | (size_t{zlib[at + 2]} << 8);
        at += kStoredBlockHeaderBytes;
        if (at + length > zlib.size()) return {};
        raw.insert(raw.end(), zlib.begin() + static_cast<long>(at), zlib.begin() + static_cast<long>(at + length));
        at += length;
    }
    const size_t row_bytes = 1 + 3 * static_cast<size_t>(kWidth);
    if (raw.size() != row_bytes * kHeight) return {};
    std::vector<uint8_t> rgb;
    rgb.reserve(3 * static_cast<size_t>(kWidth * kHeight));
    for (int row = 0; row < kHeight; ++row) {
        const auto start = raw.begin() + static_cast<long>(row * row_bytes);
        if (*start != 0) return {};  // filter type 0 only
        rgb.insert(rgb.end(), start + 1, start + static_cast<long>(row_bytes));
    }
    return rgb;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class MainScreenImage : public ::testing::Test {
protected:
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

TEST_F(MainScreenImage, FreshStartMatchesTheReferencePicture) {
    setup_test::lay_out_demo_rig(dir_);  // the demo show with its rig, as the console starts on it
    rig::start_console(rig_, dir_);
    ASSERT_FALSE(rig_.finished());

    const std::vector<uint8_t> png = platform::frame_png();
    const std::string path = std::string(BRAVINOX_TEST_DATA) + "/main_screen_data/after_start.png";
    if (std::getenv("BRAVINOX_UPDATE_GOLDEN") != nullptr) {
        ASSERT_TRUE(platform::write_file_replacing(path, png));
        return;
    }
    const std::vector<uint8_t> actual = decode_rgb(png);
    const std::vector<uint8_t> expected = decode_rgb(read_file(path));
    ASSERT_EQ(actual.size(), 3u * kWidth * kHeight) << "the frame's own PNG could not be read back";
    ASSERT_EQ(expected.size(), actual.size()) << "no readable reference picture main_screen_data/after_start.png";

    int differing = 0;
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const size_t at = 3 * static_cast<size_t>(y * kWidth + x);
            if (std::equal(actual.begin() + static_cast<long>(at), actual.begin() + static_cast<long>(at + 3),
                           expected.begin() + static_cast<long>(at))) {
                continue;
            }
            ++differing;
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x);
            bottom = std::max(bottom, y);
        }
    }
    if (differing == 0) return;
    const std::string written = ::testing::TempDir() + "main_screen_after_start.png";
    platform::write_file_replacing(written, png);
    ADD_FAILURE() << differing << " pixels differ from main_screen_data/after_start.png, all inside (" << left << ", "
                  << top << ")-(" << right << ", " << bottom << "); the picture seen is in " << written;
}

}  // namespace
