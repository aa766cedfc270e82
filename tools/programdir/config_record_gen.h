// The configuration record bravinox.cfg (319 bytes, little-endian) built from
// a readable description: one field per line, its name, the 1-based indexes
// of a table field, then the value.
//
//   dmx_channel_count        2048
//   card_segment 1           0xC800
//   protocol_name 1 2        "DMX OUT "     # protocol 1, card 2
//
// Fields not given stay 0. A field given twice, an unknown name, a missing or
// extra index, and a value that does not fit are refused.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace progdir {

constexpr size_t kConfigRecordBytes = 319;

// False with a message naming the description's line.
bool build_config_record(std::string_view description, std::vector<uint8_t>& record, std::string& error);

}  // namespace progdir
