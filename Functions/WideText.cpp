#include "WideText.h"

#include <oleauto.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "PercentEncoding.h"

std::string WideToAnsi(const wchar_t* text, std::size_t length) {
  if (!text || length == 0 || length > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return std::string();
  }
  const int wideLength = static_cast<int>(length);
  const int size = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, wideLength, &result[0], size, nullptr, nullptr);
  return result;
}

std::string WideToAnsi(const std::wstring& text) { return WideToAnsi(text.data(), text.size()); }

std::string BstrToAnsi(BSTR text) { return text ? WideToAnsi(text, SysStringLen(text)) : std::string(); }

namespace {

// Whether the code page holds each BMP character, learnt once per character.
class CodePageCoverage {
 public:
  bool Holds(wchar_t character) {
    std::uint8_t& known = known_[static_cast<std::uint16_t>(character)];
    if (known == kUnknown) {
      BOOL usedDefault = FALSE;
      char bytes[8];
      const int size =
          WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &character, 1, bytes, sizeof(bytes), nullptr, &usedDefault);
      known = size > 0 && !usedDefault ? kHeld : kLacking;
    }
    return known == kHeld;
  }

 private:
  static constexpr std::uint8_t kUnknown = 0;
  static constexpr std::uint8_t kHeld = 1;
  static constexpr std::uint8_t kLacking = 2;
  std::vector<std::uint8_t> known_ = std::vector<std::uint8_t>(0x10000, kUnknown);
};

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string WideToAnsiAddress(const wchar_t* text, std::size_t length) {
  if (!text || length == 0 || length > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return std::string();
  }
  // A UTF-8 code page holds every character; it takes no "used default" flag.
  if (GetACP() == CP_UTF8) return WideToAnsi(text, length);
  BOOL usedDefault = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length), nullptr, 0,
                                       nullptr, &usedDefault);
  if (size > 0 && !usedDefault) return WideToAnsi(text, length);

  // Runs of characters the code page holds are converted as before; each
  // character between them is percent-encoded.
  static CodePageCoverage coverage;
  std::string result;
  result.reserve(length + length / 4);
  std::size_t runStart = 0;
  std::size_t at = 0;
  while (at < length) {
    const wchar_t character = text[at];
    const bool pair = IsHighSurrogate(character) && at + 1 < length && IsLowSurrogate(text[at + 1]);
    if (!pair && !IsHighSurrogate(character) && !IsLowSurrogate(character) && coverage.Holds(character)) {
      ++at;
      continue;
    }
    result += WideToAnsi(text + runStart, at - runStart);
    std::uint32_t codePoint = character;
    if (pair) codePoint = 0x10000 + ((character - 0xD800u) << 10) + (text[at + 1] - 0xDC00u);
    AppendPercentEncodedUtf8(result, codePoint);
    at += pair ? 2 : 1;
    runStart = at;
  }
  result += WideToAnsi(text + runStart, at - runStart);
  return result;
}

std::string WideToAnsiAddress(const std::wstring& text) { return WideToAnsiAddress(text.data(), text.size()); }

std::string BstrToAnsiAddress(BSTR text) { return text ? WideToAnsiAddress(text, SysStringLen(text)) : std::string(); }

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return std::wstring();
  }
  const int ansiLength = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), ansiLength, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), ansiLength, &result[0], size);
  return result;
}

std::wstring AnsiToControlText(const std::string& text) {
  std::wstring wide = AnsiToWide(text);
  for (wchar_t& character : wide) {
    if (character == L'\0') character = 0xFFFD;
  }
  return wide;
}
