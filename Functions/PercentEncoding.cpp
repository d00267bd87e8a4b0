#include "PercentEncoding.h"

namespace {

void AppendPercentByte(std::string& text, unsigned byte) {
  static const char kHexDigits[] = "0123456789ABCDEF";
  text += '%';
  text += kHexDigits[(byte >> 4) & 0xF];
  text += kHexDigits[byte & 0xF];
}

}  // namespace

void AppendPercentEncodedUtf8(std::string& text, std::uint32_t codePoint) {
  if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) codePoint = 0xFFFD;
  if (codePoint < 0x80) {
    AppendPercentByte(text, codePoint);
  } else if (codePoint < 0x800) {
    AppendPercentByte(text, 0xC0 | (codePoint >> 6));
    AppendPercentByte(text, 0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    AppendPercentByte(text, 0xE0 | (codePoint >> 12));
    AppendPercentByte(text, 0x80 | ((codePoint >> 6) & 0x3F));
    AppendPercentByte(text, 0x80 | (codePoint & 0x3F));
  } else {
    AppendPercentByte(text, 0xF0 | (codePoint >> 18));
    AppendPercentByte(text, 0x80 | ((codePoint >> 12) & 0x3F));
    AppendPercentByte(text, 0x80 | ((codePoint >> 6) & 0x3F));
    AppendPercentByte(text, 0x80 | (codePoint & 0x3F));
  }
}
