// Messages stay one printable line that a terminal shows as it is: a file full of binary bytes,
// a 10 MB token or an escape sequence must not flood or drive the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

// Longest token quoted whole in a message, and longest message.
inline constexpr std::size_t kMostTokenChars = 40;
inline constexpr std::size_t kMostMessageChars = 300;

// The length in bytes of the well-formed UTF-8 character at the start of `t` (1 for any ASCII
// byte), or 0 when `t` is empty or starts with a broken or cut sequence.
std::size_t utf8_char_length(std::string_view t);

// A token for a message: its bytes escaped as by message_line(), cut to its first 40 characters
// with its length in bytes after it when it is longer: "aaaa…aaa... (10000058 bytes)".
std::string token_text(std::string_view token);

// One printable line of at most 300 characters: bytes that are not printable UTF-8 (control
// characters, line ends, NUL, broken sequences) written as \xHH; a longer text cut with "...".
std::string message_line(std::string_view text);

}  // namespace quorvane
