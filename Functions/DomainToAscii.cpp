// Domain to ASCII as browsers do it (UTS #46, non-transitional, without the
// STD3 rules), for the characters whose mapping we know for sure: ASCII,
// full-width ASCII and the ideographic full stops, Latin-1 letters, the CJK
// ideographs, kana, Hangul syllables and the emoticons. Any other character
// outside ASCII makes the domain fail: a missed image, never a wrong address.
#include <cstdint>

#include "UrlHost.h"

namespace {

// The character a domain's character stands for, 0 when it is not one we
// know.
char32_t Mapped(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
  if (c == 0x3002 || c == 0xFF0E || c == 0xFF61) return '.';
  if (c >= 0xFF01 && c <= 0xFF5E) return Mapped(c - 0xFF01 + 0x21);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if ((c >= 0xDF && c <= 0xFF && c != 0xF7) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
      (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) || (c >= 0xAC00 && c <= 0xD7A3) ||
      (c >= 0x1F600 && c <= 0x1F64F)) {
    return c;
  }
  return 0;
}

// RFC 3492's parameters.
constexpr std::uint32_t kBase = 36;
constexpr std::uint32_t kTMin = 1;
constexpr std::uint32_t kTMax = 26;
constexpr std::uint32_t kSkew = 38;
constexpr std::uint32_t kDamp = 700;
constexpr std::uint32_t kInitialBias = 72;
constexpr std::uint32_t kInitialN = 0x80;

std::uint32_t Adapt(std::uint32_t delta, std::uint32_t points, bool first) {
  delta = first ? delta / kDamp : delta / 2;
  delta += delta / points;
  std::uint32_t k = 0;
  while (delta > ((kBase - kTMin) * kTMax) / 2) {
    delta /= kBase - kTMin;
    k += kBase;
  }
  return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

char Digit(std::uint32_t value) { return static_cast<char>(value < 26 ? 'a' + value : '0' + value - 26); }

std::optional<std::string> PunycodeEncoded(const std::u32string& label) {
  std::string output;
  for (char32_t c : label) {
    if (c < 0x80) output += static_cast<char>(c);
  }
  const std::uint32_t basic = static_cast<std::uint32_t>(output.size());
  std::uint32_t handled = basic;
  if (basic > 0) output += '-';
  std::uint32_t n = kInitialN;
  std::uint32_t delta = 0;
  std::uint32_t bias = kInitialBias;
  while (handled < label.size()) {
    std::uint32_t next = 0xFFFFFFFF;
    for (char32_t c : label) {
      if (c >= n && c < next) next = c;
    }
    if ((next - n) > (0xFFFFFFFF - delta) / (handled + 1)) return std::nullopt;
    delta += (next - n) * (handled + 1);
    n = next;
    for (char32_t c : label) {
      if (c < n && ++delta == 0) return std::nullopt;
      if (c != n) continue;
      std::uint32_t q = delta;
      for (std::uint32_t k = kBase;; k += kBase) {
        const std::uint32_t t = k <= bias ? kTMin : (k >= bias + kTMax ? kTMax : k - bias);
        if (q < t) break;
        output += Digit(t + (q - t) % (kBase - t));
        q = (q - t) / (kBase - t);
      }
      output += Digit(q);
      bias = Adapt(delta, handled + 1, handled == basic);
      delta = 0;
      ++handled;
    }
    ++delta;
    ++n;
  }
  return output;
}

std::optional<std::u32string> PunycodeDecoded(const std::string& input) {
  std::u32string output;
  const std::size_t delimiter = input.rfind('-');
  std::size_t at = 0;
  if (delimiter != std::string::npos) {
    for (std::size_t i = 0; i < delimiter; ++i) output += static_cast<unsigned char>(input[i]);
    at = delimiter + 1;
  }
  std::uint32_t n = kInitialN;
  std::uint32_t i = 0;
  std::uint32_t bias = kInitialBias;
  while (at < input.size()) {
    const std::uint32_t oldI = i;
    std::uint32_t w = 1;
    for (std::uint32_t k = kBase;; k += kBase) {
      if (at >= input.size()) return std::nullopt;
      const char c = input[at++];
      std::uint32_t digit = 0;
      if (c >= 'a' && c <= 'z') {
        digit = static_cast<std::uint32_t>(c - 'a');
      } else if (c >= '0' && c <= '9') {
        digit = static_cast<std::uint32_t>(c - '0' + 26);
      } else {
        return std::nullopt;
      }
      if (digit > (0xFFFFFFFF - i) / w) return std::nullopt;
      i += digit * w;
      const std::uint32_t t = k <= bias ? kTMin : (k >= bias + kTMax ? kTMax : k - bias);
      if (digit < t) break;
      if (w > 0xFFFFFFFF / (kBase - t)) return std::nullopt;
      w *= kBase - t;
    }
    const std::uint32_t points = static_cast<std::uint32_t>(output.size()) + 1;
    bias = Adapt(i - oldI, points, oldI == 0);
    if (i / points > 0x10FFFF - n) return std::nullopt;
    n += i / points;
    i %= points;
    output.insert(output.begin() + i, static_cast<char32_t>(n));
    ++i;
  }
  return output;
}

// A label already in ASCII that says "xn--": taken only when it decodes to
// characters we know and is the way they are written.
bool IsKnownPunycodeLabel(const std::string& label) {
  const std::optional<std::u32string> decoded = PunycodeDecoded(label.substr(4));
  if (!decoded) return false;
  bool beyondAscii = false;
  for (char32_t c : *decoded) {
    if (Mapped(c) != c || c == '.') return false;
    beyondAscii = beyondAscii || c >= 0x80;
  }
  if (!beyondAscii || decoded->compare(0, 4, U"xn--") == 0) return false;
  const std::optional<std::string> again = PunycodeEncoded(*decoded);
  return again && "xn--" + *again == label;
}

}  // namespace

std::optional<std::string> DomainToAscii(std::u32string_view domain) {
  std::string result;
  std::u32string label;
  const auto endLabel = [&result, &label]() {
    bool ascii = true;
    for (char32_t c : label) ascii = ascii && c < 0x80;
    if (ascii) {
      const std::string text(label.begin(), label.end());
      if (text.compare(0, 4, "xn--") == 0 && !IsKnownPunycodeLabel(text)) return false;
      result += text;
    } else {
      // Only an ASCII label may say it is punycode already.
      if (label.compare(0, 4, U"xn--") == 0) return false;
      const std::optional<std::string> encoded = PunycodeEncoded(label);
      if (!encoded) return false;
      result += "xn--" + *encoded;
    }
    label.clear();
    return true;
  };
  for (char32_t c : domain) {
    const char32_t mapped = Mapped(c);
    if (mapped == 0) return std::nullopt;
    if (mapped == '.') {
      if (!endLabel()) return std::nullopt;
      result += '.';
    } else {
      label += mapped;
    }
  }
  if (!endLabel()) return std::nullopt;
  return result;
}
