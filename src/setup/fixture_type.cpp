#include "setup/fixture_type.h"

#include <algorithm>

namespace setup {

std::array<FixtureTypeDef*, kMaxFixtureTypes + 1> fixture_type_defs{};

void reset_fixture_type_globals() {
    fixture_type_defs = {};  // the definitions are the setup file's: reset_setup_file_globals frees them
}

namespace {

constexpr std::array<const char*, kNamedFunctions> kKeywords = {
    "PAN", "TILT", "STROBO", "FOCUS", "RED", "GREEN", "BLUE",
    "COLOR1", "COLOR2", "COLOR3", "COLOR4", "COLORPAR",
    "GOBO1", "GOBO2", "GOBO3", "GOBO4", "GOBOINDEX1", "GOBOINDEX2",
    "EFFECT1", "EFFECT2", "EFFECT3", "EFFECTPAR1", "EFFECTPAR2",
    "PRISMA1", "PRISMA2", "PRISMA3", "IRIS", "ZOOM", "FROST",
    "KNIFE1", "KNIFE2", "KNIFE3", "KNIFE4", "KNIFE5", "KNIFE6", "KNIFE7", "KNIFE8", "KNIFEPAR",
};

bool valid_entry(int e) { return e >= 0 && e < kPredefinedEntries; }

uint8_t function_or_none(uint8_t f) { return FixtureTypeDef::valid(f) ? f : 0; }

}  // namespace

const char* named_function_keyword(NamedFunction slot) {
    const auto i = static_cast<size_t>(slot);
    return i < kKeywords.size() ? kKeywords[i] : "";
}

uint16_t FixtureTypeDef::u16(size_t offset) const {
    if (offset + 1 >= bytes.size()) return 0;
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::string FixtureTypeDef::text(size_t offset, size_t size) const {
    std::string out;
    for (size_t i = 0; i + 1 < size && offset + i < bytes.size(); ++i) {
        const char c = static_cast<char>(bytes[offset + i]);
        if (c == '\0') break;
        out.push_back(c);
    }
    return out;
}

std::string FixtureTypeDef::protocol_name(int protocol) const {
    if (protocol < 1 || protocol > 4) return "";
    return text(kTypeProtocolNames + kProtocolNameBytes * static_cast<size_t>(protocol - 1), kProtocolNameBytes);
}

uint8_t FixtureTypeDef::named(NamedFunction slot) const {
    const auto i = static_cast<size_t>(slot);
    if (i >= static_cast<size_t>(kNamedFunctions)) return 0;
    return function_or_none(u8(kTypeNamedSlots + i));
}

int16_t FixtureTypeDef::entry_symbol(int f, int e) const {
    if (!valid(f) || !valid_entry(e)) return 0;
    return static_cast<int16_t>(u16(function_def(f) + kFunctionSymbols + 2 * static_cast<size_t>(e)));
}

std::string FixtureTypeDef::entry_text(int f, int e) const {
    if (!valid(f) || !valid_entry(e)) return "";
    return text(function_def(f) + kFunctionEntryTexts + kEntryTextBytes * static_cast<size_t>(e), kEntryTextBytes);
}

uint8_t FixtureTypeDef::entry_value(int f, int e) const {
    if (!valid(f) || !valid_entry(e)) return 0;
    return u8(function_def(f) + kFunctionEntryValues + static_cast<size_t>(e));
}

uint8_t FixtureTypeDef::entry_flag(int f, int e) const {
    if (!valid(f) || !valid_entry(e)) return 0;
    return u8(function_def(f) + kFunctionEntryFlags + static_cast<size_t>(e));
}

uint8_t FixtureTypeDef::sub_count(int f) const {
    return std::min<uint8_t>(sub_byte(f, kSubCount), static_cast<uint8_t>(kSubFunctions));
}

uint8_t FixtureTypeDef::sub_from(int f, int k) const {
    if (k < 1 || k > kSubFunctions) return 0;
    return sub_byte(f, kSubFrom + static_cast<size_t>(k - 1));
}

uint8_t FixtureTypeDef::sub_to(int f, int k) const {
    if (k < 1 || k > kSubFunctions) return 0;
    return sub_byte(f, kSubTo + static_cast<size_t>(k - 1));
}

uint8_t FixtureTypeDef::linked_function(int f) const { return function_or_none(sub_byte(f, kSubLinked)); }

const FixtureTypeDef* type_def_of_index(int type_index) {
    if (type_index < 0 || type_index >= kMaxFixtureTypes) return nullptr;
    return fixture_type_defs[static_cast<size_t>(type_index + 1)];
}

}  // namespace setup
