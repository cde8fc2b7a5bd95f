#include "proxylist/decoding.h"

namespace proxylist {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

unsigned Byte(char c) { return static_cast<unsigned char>(c); }

bool IsSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

// Well-formed UTF-8 only: no overlong forms, no surrogates, nothing past
// U+10FFFF, no sequence cut short.
bool IsUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const unsigned lead = Byte(text[at]);
    std::size_t length = 1;
    char32_t code = lead;
    char32_t least = 0;
    if (lead < 0x80) {
      ++at;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (text.size() - at < length) return false;
    for (std::size_t i = 1; i < length; ++i) {
      const unsigned next = Byte(text[at + i]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || IsSurrogate(code)) return false;
    at += length;
  }
  return true;
}

void AppendUtf8(std::string& text, char32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::optional<std::string> FromUtf16(std::string_view bytes, bool big_endian) {
  // An odd byte at the end is half a character: the file was cut short.
  if (bytes.size() % 2 != 0) return std::nullopt;
  auto unit = [&](std::size_t at) -> char32_t {
    const unsigned first = Byte(bytes[at]), second = Byte(bytes[at + 1]);
    return big_endian ? (first << 8) | second : (second << 8) | first;
  };
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size(); at += 2) {
    char32_t code = unit(at);
    if (code >= 0xDC00 && code <= 0xDFFF) return std::nullopt;
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (bytes.size() - at < 4) return std::nullopt;
      const char32_t low = unit(at + 2);
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      at += 2;
    }
    AppendUtf8(text, code);
  }
  return text;
}

}  // namespace

std::optional<std::string> DecodeText(std::string_view bytes, LegacyDecoder legacy) {
  std::optional<std::string> text;
  if (bytes.starts_with(kUtf8Mark)) {
    const std::string_view rest = bytes.substr(kUtf8Mark.size());
    if (IsUtf8(rest)) text.emplace(rest);
  } else if (bytes.starts_with(kUtf16LeMark)) {
    text = FromUtf16(bytes.substr(kUtf16LeMark.size()), false);
  } else if (bytes.starts_with(kUtf16BeMark)) {
    text = FromUtf16(bytes.substr(kUtf16BeMark.size()), true);
  } else if (IsUtf8(bytes)) {
    // Plain ASCII lands here too: it reads the same in either.
    text.emplace(bytes);
  } else {
    text = legacy(bytes);
  }
  // No entry of the list can hold a NUL: such a file is not 8-bit or UTF-8
  // text, and its items would be fragments.
  if (text && text->find('\0') != std::string::npos) text.reset();
  return text;
}

}  // namespace proxylist
