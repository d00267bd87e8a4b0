// Model of Windows' ANSI code page 936 for builds that have no Windows: lead
// bytes are 0x81 to 0xFE, ASCII letters are upper-cased, and both bytes of a
// double-byte character are left alone, as CharUpperBuffA does there. Its
// characters come from the table make_gbk_table.py writes, which holds what
// the system's MultiByteToWideChar gives for every pair.
#include <cstdint>
#include <unordered_map>

#include "CodePage.h"
#include "PercentEncoding.h"

namespace codepage {

namespace {

constexpr unsigned char kFirstLead = 0x81;
constexpr unsigned char kFirstTrail = 0x40;
constexpr unsigned char kLastTrail = 0xFE;
// The two single bytes above ASCII that are characters of their own.
constexpr char32_t kEuro = 0x20AC;       // 0x80
constexpr char32_t kLastByteChar = 0xF8F5;  // 0xFF

const std::uint16_t kPairs[0xFE - kFirstLead + 1][kLastTrail - kFirstTrail + 1] = {
#include "GbkTable.inc"
};

// Where the system has no character for a pair, or a lead byte stands alone.
constexpr char32_t kNoCharacter = '?';

const std::unordered_map<char32_t, std::uint16_t>& EncodedPairs() {
  static const std::unordered_map<char32_t, std::uint16_t> pairs = [] {
    std::unordered_map<char32_t, std::uint16_t> made;
    for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
      for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
        const std::uint16_t character = kPairs[lead - kFirstLead][trail - kFirstTrail];
        if (character != 0) made.emplace(character, static_cast<std::uint16_t>((lead << 8) | trail));
      }
    }
    return made;
  }();
  return pairs;
}

}  // namespace

bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::string UpperCase(std::string text) {
  const std::size_t size = text.size();
  std::size_t at = 0;
  if (size <= 16) {
    // Short texts (attribute names, scheme prefixes) in one plain pass.
    while (at < size) {
      const unsigned char c = static_cast<unsigned char>(text[at]);
      if (static_cast<unsigned>(c - 'a') < 26u) {
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
      text[i] = static_cast<char>(c - ((static_cast<unsigned>(c - 'a') < 26u) ? 0x20 : 0));
    }
    at = runEnd;
    if (at < size) at += (IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1);  // left alone
  }
  return text;
}

std::u32string Decode(std::string_view text) {
  std::u32string characters;
  characters.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      characters += byte;
    } else if (byte == 0x80) {
      characters += kEuro;
    } else if (byte == 0xFF) {
      characters += kLastByteChar;
    } else if (at + 1 == text.size() || text[at + 1] == '\0') {
      characters += kNoCharacter;  // a NUL after a lead byte stays a character of its own
    } else {
      // As the system does, a lead byte takes the byte after it along,
      // whether or not the pair is a character.
      const unsigned char trail = static_cast<unsigned char>(text[++at]);
      const std::uint16_t character =
          trail >= kFirstTrail && trail <= kLastTrail ? kPairs[byte - kFirstLead][trail - kFirstTrail] : 0;
      characters += character != 0 ? character : kNoCharacter;
    }
  }
  return characters;
}

std::string EncodeAddress(std::u32string_view characters) {
  std::string text;
  text.reserve(characters.size());
  for (char32_t character : characters) {
    if (character < 0x80) {
      text += static_cast<char>(character);
    } else if (character == kEuro) {
      text += '\x80';
    } else if (character == kLastByteChar) {
      text += '\xFF';
    } else if (const auto pair = EncodedPairs().find(character); pair != EncodedPairs().end()) {
      text += static_cast<char>(pair->second >> 8);
      text += static_cast<char>(pair->second & 0xFF);
    } else {
      AppendPercentEncodedUtf8(text, character);
    }
  }
  return text;
}

}  // namespace codepage
