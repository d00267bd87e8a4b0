#include "PercentEncoding.h"

namespace {

void AppendPercentByte(std::string& text, unsigned byte) {
  static const char kHexDigits[] = "0123456789ABCDEF";
  text += '%';
  text += kHexDigits[(byte >> 4) & 0xF];
  text += kHexDigits[byte & 0xF];
}

// The UTF-8 bytes of a character, a value that is none as U+FFFD.
std::string Utf8(std::uint32_t codePoint) {
  if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) codePoint = 0xFFFD;
  std::string bytes;
  if (codePoint < 0x80) {
    bytes += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    bytes += static_cast<char>(0xC0 | (codePoint >> 6));
    bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    bytes += static_cast<char>(0xE0 | (codePoint >> 12));
    bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    bytes += static_cast<char>(0xF0 | (codePoint >> 18));
    bytes += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return bytes;
}

// UTF-8 read as the Encoding Standard reads it: each maximal run that
// cannot be completed is one U+FFFD.
std::u32string DecodedUtf8(const std::string& bytes) {
  std::u32string text;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const unsigned char first = static_cast<unsigned char>(bytes[at++]);
    if (first < 0x80) {
      text += first;
      continue;
    }
    int needed = 0;
    char32_t value = 0;
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
      needed = 1;
      value = first & 0x1F;
    } else if (first >= 0xE0 && first <= 0xEF) {
      needed = 2;
      value = first & 0x0F;
      if (first == 0xE0) lower = 0xA0;
      if (first == 0xED) upper = 0x9F;
    } else if (first >= 0xF0 && first <= 0xF4) {
      needed = 3;
      value = first & 0x07;
      if (first == 0xF0) lower = 0x90;
      if (first == 0xF4) upper = 0x8F;
    } else {
      text += 0xFFFD;
      continue;
    }
    bool whole = true;
    for (int i = 0; i < needed; ++i) {
      const unsigned char next = at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0;
      if (at >= bytes.size() || next < lower || next > upper) {
        whole = false;
        break;
      }
      value = (value << 6) | (next & 0x3F);
      lower = 0x80;
      upper = 0xBF;
      ++at;
    }
    text += whole ? value : 0xFFFD;
  }
  return text;
}

}  // namespace

int HexDigitValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

void AppendPercentEncodedUtf8(std::string& text, std::uint32_t codePoint) {
  for (char byte : Utf8(codePoint)) AppendPercentByte(text, static_cast<unsigned char>(byte));
}

std::u32string PercentDecodedUtf8(std::u32string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool escape =
        text[at] == '%' && at + 2 < text.size() && HexDigitValue(text[at + 1]) >= 0 && HexDigitValue(text[at + 2]) >= 0;
    if (escape) {
      bytes += static_cast<char>(HexDigitValue(text[at + 1]) * 16 + HexDigitValue(text[at + 2]));
      at += 2;
    } else {
      bytes += Utf8(text[at]);
    }
  }
  return DecodedUtf8(bytes);
}
