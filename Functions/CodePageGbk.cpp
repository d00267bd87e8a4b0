// Model of Windows' ANSI code page 936 for builds that have no Windows: lead
// bytes are 0x81 to 0xFE, ASCII letters are upper-cased, and both bytes of a
// double-byte character are left alone, as CharUpperBuffA does there.
#include "CodePage.h"

namespace codepage {

bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::string UpperCase(std::string text) {
  const std::size_t size = text.size();
  std::size_t at = 0;
  if (size <= 16) {
    // Short texts (attribute names, scheme prefixes) in one plain pass.
    while (at < size) {
      const unsigned char c = static_cast<unsigned char>(text[at]);
      if (c - 'a' < 26u) {
        text[at] = static_cast<char>(c - 0x20);
      } else if (IsLeadByte(c)) {
        ++at;  // the trail byte belongs to this character and is left alone
      }
      ++at;
    }
    return text;
  }
  while (at < size) {
    // A run of single-byte characters, in a loop the compiler can vectorise.
    std::size_t runEnd = at;
    while (runEnd < size && static_cast<unsigned char>(text[runEnd]) < 0x80) ++runEnd;
    for (std::size_t i = at; i < runEnd; ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      text[i] = static_cast<char>(c - ((c - 'a' < 26u) ? 0x20 : 0));
    }
    at = runEnd;
    if (at < size) at += (IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1);  // left alone
  }
  return text;
}

}  // namespace codepage
