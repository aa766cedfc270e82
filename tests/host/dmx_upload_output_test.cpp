// A fixture firmware upload leaving the console: each data byte the card
// took as a DMX frame of its own.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "host/dmx_output.h"
#include "platform/machine.h"

namespace {

// A fixture upload: every byte the card took goes out as a frame of its own,
// in order, also when several were taken between two passes of the host.
TEST(DmxUploadOutput, EveryUploadedByteGoesOutInOrderOnItsUniverse) {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    machine->cards.fit(0);
    std::vector<std::pair<uint16_t, uint8_t>> frames;
    host::DmxOutput output{[&](uint16_t universe, std::span<const uint8_t> levels) {
        EXPECT_EQ(levels.size(), 512u);
        frames.emplace_back(universe, levels[0]);
    }};
    output.send_changes(*machine);
    frames.clear();
    machine->cards.poke_byte(0, 0x3FE1, 3);
    machine->cards.program_write(0, 0x3FE1);
    for (const uint8_t byte : {7, 7, 8}) {
        machine->cards.poke_byte(0, 0x48C, byte);
        machine->cards.poke_byte(0, 0x3FE1, 4);
        machine->cards.program_write(0, 0x3FE1);
    }
    output.send_changes(*machine);
    EXPECT_EQ(frames, (std::vector<std::pair<uint16_t, uint8_t>>{{2, 7}, {2, 7}, {2, 8}}));
    frames.clear();
    machine->advance_ms(30);
    output.send_changes(*machine);
    EXPECT_TRUE(frames.empty()) << "the card's frame of the last byte is not sent again";
    platform::install_machine(nullptr);
}

}  // namespace
