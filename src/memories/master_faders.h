// The four masters' fader records, numbered 1 to 4 (index 0 unused).
#pragma once
#include <array>
#include <cstdint>

namespace memories {

constexpr int kMasters = 4;

struct MasterFaderRecord {
    uint8_t direction = 0;  // analogue fader last moved: 0 down, 1 up
    int16_t value = 0;      // accepted analogue level
    int16_t raw = 0;        // last calibrated reading, 0..255
};

inline std::array<MasterFaderRecord, kMasters + 1> master_records{};

// Every global of this module back to its value at program load (a clean start for each test).
inline void reset_master_faders_globals() {
    master_records = {};
}

}  // namespace memories
