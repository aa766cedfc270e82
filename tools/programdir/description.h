// Reading the text descriptions the program-directory generators work from:
// one item per line, words separated by blanks, text in double quotes, '#'
// to the end of the line a comment.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace progdir {

struct Token {
    std::string text;
    bool quoted = false;
};

struct DescriptionLine {
    int number = 0;  // 1-based line number in the description
    std::vector<Token> tokens;
};

// The lines that hold anything but blanks and comments. False with a
// message when a quote is not closed.
bool split_description(std::string_view description, std::vector<DescriptionLine>& lines, std::string& error);

// A whole token as an integer: decimal, or hexadecimal after "0x"; a leading
// '-' for negative numbers. Nothing when the token is anything else.
std::optional<long> parse_integer(const Token& token);

// "line N: message".
std::string line_error(int line_number, const std::string& message);

}  // namespace progdir
