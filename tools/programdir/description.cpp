#include "programdir/description.h"

#include <cctype>
#include <climits>

namespace progdir {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Tokens of one line; false when a quoted text is not closed.
bool tokenise(std::string_view line, std::vector<Token>& tokens) {
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (is_blank(c)) {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            const size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) return false;
            tokens.push_back(Token{std::string(line.substr(i + 1, end - i - 1)), true});
            i = end + 1;
        } else {
            size_t end = i;
            while (end < line.size() && !is_blank(line[end]) && line[end] != '#' && line[end] != '"') ++end;
            tokens.push_back(Token{std::string(line.substr(i, end - i)), false});
            i = end;
        }
    }
    return true;
}

}  // namespace

bool split_description(std::string_view description, std::vector<DescriptionLine>& lines, std::string& error) {
    lines.clear();
    int number = 0;
    size_t start = 0;
    while (start < description.size()) {
        size_t end = description.find('\n', start);
        if (end == std::string_view::npos) end = description.size();
        ++number;
        DescriptionLine line{number, {}};
        if (!tokenise(description.substr(start, end - start), line.tokens)) {
            error = line_error(number, "a quoted text is not closed");
            return false;
        }
        if (!line.tokens.empty()) lines.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

std::optional<long> parse_integer(const Token& token) {
    if (token.quoted || token.text.empty()) return std::nullopt;
    std::string_view text = token.text;
    bool negative = false;
    if (text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    long value = 0;
    for (char c : text) {
        int digit = 0;
        if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)) != 0) {
            digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        } else {
            return std::nullopt;
        }
        if (value > (LONG_MAX - digit) / base) return std::nullopt;
        value = value * base + digit;
    }
    return negative ? -value : value;
}

std::string line_error(int line_number, const std::string& message) {
    return "line " + std::to_string(line_number) + ": " + message;
}

}  // namespace progdir
