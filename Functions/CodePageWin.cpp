// The ANSI code page as the running Windows system has it.
#include "CodePage.h"

#include <windows.h>

#include <limits>

#include "WideText.h"

namespace codepage {

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::string UpperCase(std::string text) {
  // CharUpperBuffA takes a DWORD count; texts past that size are not pages.
  if (!text.empty() && text.size() <= std::numeric_limits<DWORD>::max()) {
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  }
  return text;
}

std::u32string Decode(std::string_view text) {
  std::u32string characters;
  characters.reserve(text.size());
  std::size_t ascii = 0;
  while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) characters += text[ascii++];
  if (ascii == text.size()) return characters;  // most values: no call into the system
  characters.clear();
  const std::wstring wide = AnsiToWide(std::string(text));
  for (std::size_t at = 0; at < wide.size(); ++at) {
    const char32_t unit = wide[at];
    const bool pair = unit >= 0xD800 && unit <= 0xDBFF && at + 1 < wide.size() && wide[at + 1] >= 0xDC00 &&
                      wide[at + 1] <= 0xDFFF;
    if (pair) {
      characters += 0x10000 + ((unit - 0xD800) << 10) + (wide[++at] - 0xDC00u);
    } else {
      characters += unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : unit;
    }
  }
  return characters;
}

std::string EncodeAddress(std::u32string_view characters) {
  std::wstring wide;
  wide.reserve(characters.size());
  for (char32_t character : characters) {
    if (character >= 0x10000 && character <= 0x10FFFF) {
      wide += static_cast<wchar_t>(0xD800 + ((character - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(character);
    }
  }
  return WideToAnsiAddress(wide);
}

}  // namespace codepage
