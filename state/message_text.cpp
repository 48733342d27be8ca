#include "state/message_text.h"

namespace quorvane {

namespace {

// The length of the printable UTF-8 character at the start of `t`, or 0.
std::size_t printable_char(std::string_view t) {
  const auto c = static_cast<unsigned char>(t[0]);
  if (c < 0x80) return c >= 0x20 && c < 0x7F ? 1 : 0;
  // C1 control characters (U+0080..U+009F) move a terminal as the C0 ones do.
  if (c == 0xC2 && t.size() > 1 && static_cast<unsigned char>(t[1]) < 0xA0) return 0;
  return utf8_char_length(t);
}

// Escapes `text`, stopping once `most` characters are written; `cut` tells whether it stopped.
std::string escaped(std::string_view text, std::size_t most, bool& cut) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  std::size_t chars = 0;
  cut = false;
  for (std::size_t i = 0; i < text.size();) {
    if (chars >= most) {
      cut = true;
      break;
    }
    const std::size_t n = printable_char(text.substr(i));
    if (n > 0) {
      out.append(text.substr(i, n));
      i += n;
      ++chars;
    } else {
      const auto c = static_cast<unsigned char>(text[i++]);
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
      chars += 4;
    }
  }
  return out;
}

}  // namespace

std::size_t utf8_char_length(std::string_view t) {
  if (t.empty()) return 0;
  const auto c = static_cast<unsigned char>(t[0]);
  std::size_t extra = 0;
  if (c < 0x80) {
    extra = 0;
  } else if (c >= 0xC2 && c <= 0xDF) {
    extra = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    extra = 2;
  } else if (c >= 0xF0 && c <= 0xF4) {
    extra = 3;
  } else {
    return 0;
  }
  if (t.size() <= extra) return 0;
  for (std::size_t k = 1; k <= extra; ++k) {
    if ((static_cast<unsigned char>(t[k]) & 0xC0) != 0x80) return 0;
  }
  return extra + 1;
}

std::string token_text(std::string_view token) {
  bool cut = false;
  std::string out = escaped(token, kMostTokenChars, cut);
  if (cut) out += "... (" + std::to_string(token.size()) + " bytes)";
  return out;
}

std::string message_line(std::string_view text) {
  bool cut = false;
  std::string out = escaped(text, kMostMessageChars - 3, cut);
  if (cut) out += "...";
  return out;
}

}  // namespace quorvane
