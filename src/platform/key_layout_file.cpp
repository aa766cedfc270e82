#include "platform/key_layout_file.h"

#include <fstream>
#include <sstream>

#include <cctype>
#include <climits>

namespace platform {

std::optional<int> key_layout_number(std::string_view line, size_t position) {
    size_t i = position;
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])) != 0) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    if (i >= line.size() || std::isdigit(static_cast<unsigned char>(line[i])) == 0) return std::nullopt;
    long long value = 0;
    for (; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) != 0; ++i) {
        if (value <= INT_MAX) value = value * 10 + (line[i] - '0');
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string read_key_layout_file(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    return text.str();
}

}  // namespace platform
