// Letter case of ASCII bytes only, as the fixed patterns fold it: bytes above
// 0x7F are never letters here.
#pragma once

#include <string_view>

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the bytes at `text` read `lowerWord` in some letter case.
inline bool EqualsIgnoringAsciiCase(const char* text, std::string_view lowerWord) {
  for (std::size_t i = 0; i < lowerWord.size(); ++i) {
    if (AsciiLower(text[i]) != lowerWord[i]) return false;
  }
  return true;
}
