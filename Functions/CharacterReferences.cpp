#include "CharacterReferences.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// What the tokenizer makes of a numeric reference to 0x80-0x9F: the
// characters of windows-1252 there, as pages written in it meant.
char32_t RemappedC1(char32_t c) {
  static const char32_t kWindows1252[32] = {
      0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  return c >= 0x80 && c <= 0x9F ? kWindows1252[c - 0x80] : c;
}

int DigitValue(char32_t c, bool hex) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (hex && c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (hex && c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

// A numeric reference after its "&#": the character and how many
// characters it took, 0 when there are no digits.
std::size_t NumericReference(std::u32string_view rest, char32_t& character) {
  std::size_t at = 0;
  const bool hex = !rest.empty() && (rest[0] == 'x' || rest[0] == 'X');
  if (hex) ++at;
  const std::size_t digitsStart = at;
  std::uint32_t value = 0;
  for (; at < rest.size() && DigitValue(rest[at], hex) >= 0; ++at) {
    value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(DigitValue(rest[at], hex));
    if (value > 0x10FFFF) value = 0x110000;  // too big, however many digits follow
  }
  if (at == digitsStart) return 0;
  if (at < rest.size() && rest[at] == ';') ++at;
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    character = kReplacement;
  } else {
    character = RemappedC1(value);
  }
  return at;
}

}  // namespace

std::u32string DecodeCharacterReferences(std::u32string_view value) {
  static const struct {
    std::u32string_view name;
    char32_t character;
  } kNamed[] = {{U"amp;", '&'}, {U"quot;", '"'}, {U"lt;", '<'}, {U"gt;", '>'}, {U"nbsp;", 0xA0}, {U"apos;", '\''}};
  std::u32string text;
  text.reserve(value.size());
  for (std::size_t at = 0; at < value.size(); ++at) {
    const char32_t c = value[at];
    if (c == 0) {
      text += kReplacement;
      continue;
    }
    if (c != '&') {
      text += c;
      continue;
    }
    const std::u32string_view rest = value.substr(at + 1);
    if (!rest.empty() && rest[0] == '#') {
      char32_t character = 0;
      if (const std::size_t taken = NumericReference(rest.substr(1), character)) {
        text += character;
        at += 1 + taken;
        continue;
      }
    }
    bool named = false;
    for (const auto& reference : kNamed) {
      if (rest.substr(0, reference.name.size()) == reference.name) {
        text += reference.character;
        at += reference.name.size();
        named = true;
        break;
      }
    }
    if (!named) text += c;
  }
  return text;
}
