// The full rig the playback benchmarks run on: 700 fixtures on 2048 function
// records (648 of a 3-channel type, 52 of a 2-channel type; channel 1 a
// dimmer, every channel with fade permission), multipatched, the patch
// marked compiled; and a drive C: in a temporary folder for the memory file
// that stores write.
#pragma once
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "datafiles/record_files.h"
#include "platform/machine.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace bench {

constexpr int kRigFixtures = 700;
constexpr int kWideFixtures = 648;  // 3 channels: 648 x 3 + 52 x 2 = 2048 records
constexpr int kWideChannels = 3;
constexpr int kNarrowChannels = 2;

// Channel 1 a dimmer, the others plain; all with fade permission.
inline std::unique_ptr<setup::FixtureTypeDef> make_rig_type(int channels) {
    auto type = std::make_unique<setup::FixtureTypeDef>();
    type->bytes[setup::kTypeChannelCount] = static_cast<uint8_t>(channels);
    type->bytes[setup::kTypeDimmerFlags] = 1;
    type->bytes[setup::kTypeDimmerClosed + 1] = 255;
    for (int k = 1; k <= channels; ++k) {
        const size_t sub = setup::FixtureTypeDef::sub_table(k);
        type->bytes[sub + setup::kSubCount] = 1;
        type->bytes[sub + setup::kSubTo] = 255;
        type->bytes[sub + setup::kSubFade] = 1;
    }
    return type;
}

inline void lay_out_full_rig(setup::SetupData& d) {
    d.set_u8(setup::kSetupTypeCount, 2);
    for (int t = 1; t <= 2; ++t) {
        d.set_u8(setup::SetupData::type_channel_count_field(t),
                 static_cast<uint8_t>(t == 1 ? kWideChannels : kNarrowChannels));
        for (int k = 0; k < setup::kMaxTypeChannels; ++k) {
            d.set_u8(setup::SetupData::type_function_map_field(t, k), static_cast<uint8_t>(k));
        }
    }
    int first = 1;
    for (int f = 1; f <= kRigFixtures; ++f) {
        setup::FixtureRecord r;
        r.type_index = f <= kWideFixtures ? 0 : 1;
        r.number = static_cast<uint16_t>(f);
        r.card = 1;
        r.address = setup::kMultipatchAddress;
        r.first_record = static_cast<uint16_t>(first);
        r.channel_count = static_cast<uint8_t>(f <= kWideFixtures ? kWideChannels : kNarrowChannels);
        setup::write_fixture(d, f, r);
        first += r.channel_count;
    }
    d.set_u16(setup::kSetupFixtureCount, kRigFixtures);
    d.set_u8(setup::kSetupPatchCompiled, 1);
}

// C:\BRAVINOX\data in a temporary folder named after the benchmark, removed
// at the end.
class MemoryFolder {
public:
    MemoryFolder(platform::Machine& machine, const std::string& name) {
        folder_ = std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_ / "BRAVINOX" / "data");
        machine.dos.drive_c_root = folder_;
        runtime::home_directory = "C:\\BRAVINOX";
        datafiles::create_record_file(datafiles::kMemoryFile);
    }
    ~MemoryFolder() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    MemoryFolder(const MemoryFolder&) = delete;
    MemoryFolder& operator=(const MemoryFolder&) = delete;

private:
    std::filesystem::path folder_;
};

}  // namespace bench
