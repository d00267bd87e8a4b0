#include "UrlHost.h"

#include <cstdint>
#include <vector>

#include "PercentEncoding.h"

namespace {

bool IsForbiddenDomainCodePoint(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  if (byte <= 0x20 || byte == 0x7F) return true;
  switch (c) {
    case '#': case '%': case '/': case ':': case '<': case '>': case '?': case '@':
    case '[': case '\\': case ']': case '^': case '|':
      return true;
    default:
      return false;
  }
}

std::vector<std::string> SplitOnDots(const std::string& text) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == '.') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// An IPv4 part: decimal, "0x" hexadecimal or "0" octal; nothing when it is
// none. Values past 2^32 all stand as 2^32: too big either way.
std::optional<std::uint64_t> Ipv4Number(std::string text) {
  if (text.empty()) return std::nullopt;
  unsigned radix = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.erase(0, 2);
    radix = 16;
  } else if (text.size() >= 2 && text[0] == '0') {
    text.erase(0, 1);
    radix = 8;
  }
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(static_cast<unsigned char>(c));
    if (digit < 0 || static_cast<unsigned>(digit) >= radix) return std::nullopt;
    value = value * radix + static_cast<unsigned>(digit);
    if (value > (std::uint64_t{1} << 32)) value = std::uint64_t{1} << 32;
  }
  return value;
}

bool EndsInANumber(const std::string& domain) {
  std::vector<std::string> parts = SplitOnDots(domain);
  if (parts.back().empty()) {
    if (parts.size() == 1) return false;
    parts.pop_back();
  }
  const std::string& last = parts.back();
  if (!last.empty() && last.find_first_not_of("0123456789") == std::string::npos) return true;
  return Ipv4Number(last).has_value();
}

std::optional<std::string> Ipv4(const std::string& domain) {
  std::vector<std::string> parts = SplitOnDots(domain);
  if (parts.back().empty() && parts.size() > 1) parts.pop_back();
  if (parts.size() > 4) return std::nullopt;
  std::vector<std::uint64_t> numbers;
  for (const std::string& part : parts) {
    const std::optional<std::uint64_t> number = Ipv4Number(part);
    if (!number) return std::nullopt;
    numbers.push_back(*number);
  }
  for (std::size_t i = 0; i + 1 < numbers.size(); ++i) {
    if (numbers[i] > 255) return std::nullopt;
  }
  if (numbers.back() >= (std::uint64_t{1} << (8 * (5 - numbers.size())))) return std::nullopt;
  std::uint64_t address = numbers.back();
  for (std::size_t i = 0; i + 1 < numbers.size(); ++i) address += numbers[i] << (8 * (3 - i));
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    text += std::to_string((address >> shift) & 0xFF);
    if (shift > 0) text += '.';
  }
  return text;
}

std::optional<std::string> Ipv6(std::u32string_view input) {
  unsigned address[8] = {};
  int pieceIndex = 0;
  int compress = -1;
  std::size_t pointer = 0;
  const auto at = [&input](std::size_t i) { return i < input.size() ? input[i] : char32_t{0xFFFFFFFF}; };
  const auto isDigit = [](char32_t c) { return c >= '0' && c <= '9'; };
  if (at(0) == ':') {
    if (at(1) != ':') return std::nullopt;
    pointer += 2;
    compress = ++pieceIndex;
  }
  while (pointer < input.size()) {
    if (pieceIndex == 8) return std::nullopt;
    if (at(pointer) == ':') {
      if (compress >= 0) return std::nullopt;
      ++pointer;
      compress = ++pieceIndex;
      continue;
    }
    unsigned value = 0;
    std::size_t length = 0;
    while (length < 4 && HexDigitValue(at(pointer)) >= 0) {
      value = value * 16 + static_cast<unsigned>(HexDigitValue(at(pointer)));
      ++pointer;
      ++length;
    }
    if (at(pointer) == '.') {
      if (length == 0) return std::nullopt;
      pointer -= length;
      if (pieceIndex > 6) return std::nullopt;
      int numbersSeen = 0;
      while (pointer < input.size()) {
        int piece = -1;
        if (numbersSeen > 0) {
          if (at(pointer) != '.' || numbersSeen >= 4) return std::nullopt;
          ++pointer;
        }
        if (!isDigit(at(pointer))) return std::nullopt;
        while (isDigit(at(pointer))) {
          const int number = static_cast<int>(at(pointer) - '0');
          if (piece < 0) {
            piece = number;
          } else if (piece == 0) {
            return std::nullopt;
          } else {
            piece = piece * 10 + number;
          }
          if (piece > 255) return std::nullopt;
          ++pointer;
        }
        address[pieceIndex] = address[pieceIndex] * 0x100 + static_cast<unsigned>(piece);
        ++numbersSeen;
        if (numbersSeen == 2 || numbersSeen == 4) ++pieceIndex;
      }
      if (numbersSeen != 4) return std::nullopt;
      break;
    }
    if (at(pointer) == ':') {
      ++pointer;
      if (pointer >= input.size()) return std::nullopt;
    } else if (pointer < input.size()) {
      return std::nullopt;
    }
    address[pieceIndex++] = value;
  }
  if (compress >= 0) {
    int swaps = pieceIndex - compress;
    for (pieceIndex = 7; pieceIndex != 0 && swaps > 0; --pieceIndex, --swaps) {
      std::swap(address[pieceIndex], address[compress + swaps - 1]);
    }
  } else if (pieceIndex != 8) {
    return std::nullopt;
  }

  // The first longest run of two or more zero pieces is written "::".
  int longestStart = -1;
  int longestLength = 1;
  for (int i = 0; i < 8;) {
    int end = i;
    while (end < 8 && address[end] == 0) ++end;
    if (end - i > longestLength) {
      longestStart = i;
      longestLength = end - i;
    }
    i = end > i ? end : i + 1;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string text = "[";
  for (int i = 0; i < 8; ++i) {
    if (i == longestStart) {
      text += i == 0 ? "::" : ":";
      i += longestLength - 1;
      continue;
    }
    std::string piece;
    for (unsigned value = address[i]; value != 0 || piece.empty(); value >>= 4) piece.insert(0, 1, kHex[value & 0xF]);
    text += piece;
    if (i != 7) text += ':';
  }
  return text + "]";
}

}  // namespace

std::optional<std::string> ParseHost(std::u32string_view input) {
  if (!input.empty() && input[0] == '[') {
    if (input.back() != ']') return std::nullopt;
    return Ipv6(input.substr(1, input.size() - 2));
  }
  std::optional<std::string> domain = DomainToAscii(PercentDecodedUtf8(input));
  if (!domain || domain->empty()) return std::nullopt;
  for (char c : *domain) {
    if (IsForbiddenDomainCodePoint(c)) return std::nullopt;
  }
  if (EndsInANumber(*domain)) return Ipv4(*domain);
  return domain;
}
