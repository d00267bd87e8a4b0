#include "DownloadNaming.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <utility>

#include "CodePage.h"

std::size_t ExtensionLength(std::string address) {
  // Walked forwards so that a trail byte is never taken for a "\".
  std::size_t characters = 0;
  bool inExtension = false;
  for (std::size_t at = 0; at < address.size(); ++at) {
    const char byte = address[at];
    if (byte == '.') {
      inExtension = true;
      characters = 0;
      continue;
    }
    if (byte == ' ' || byte == '\\') {
      inExtension = false;
      characters = 0;
      continue;
    }
    if (codepage::IsLeadByte(static_cast<unsigned char>(byte)) && at + 1 < address.size()) ++at;
    if (inExtension) ++characters;
  }
  return inExtension ? characters : 0;
}

std::wstring NumberedFileName(std::wstring path, int number) {
  const std::size_t slash = path.find_last_of(L'\\');
  const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  std::size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || dot < nameStart) dot = path.size();
  return path.insert(dot, L" (" + std::to_wstring(number) + L")");
}

std::wstring DecodedCacheName(std::wstring name) {
  // In one pass: no escape's character makes another escape's text.
  static const std::pair<std::wstring_view, wchar_t> kEscapes[] = {
      {L"%20", L' '}, {L"&gt;", L'>'}, {L"&lt;", L'<'}, {L"&quot;", L'"'}};
  std::wstring decoded;
  for (std::size_t at = 0; at < name.size();) {
    const auto* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes), [&](const auto& e) {
      return name.compare(at, e.first.size(), e.first) == 0;
    });
    if (escape == std::end(kEscapes)) {
      decoded += name[at++];
    } else {
      decoded += escape->second;
      at += escape->first.size();
    }
  }
  return decoded;
}

namespace {

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

// The byte that the escape "%XX" at `at` stands for, or -1 for no escape.
int EscapedByte(const std::wstring& text, std::size_t at) {
  if (at + 2 >= text.size() || text[at] != L'%') return -1;
  const int high = HexValue(text[at + 1]);
  const int low = HexValue(text[at + 2]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// The character the run of escapes at `at` spells in UTF-8, and how many
// escapes it takes; 0 escapes when they spell none.
std::pair<std::uint32_t, std::size_t> EscapedCharacter(const std::wstring& text, std::size_t at) {
  const int lead = EscapedByte(text, at);
  if (lead < 0x80) return {static_cast<std::uint32_t>(lead), lead < 0 ? 0 : 1};
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  std::uint32_t character = static_cast<std::uint32_t>(lead) & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    // No overlong form, no surrogate, nothing past U+10FFFF.
    const int low = i > 1 ? 0x80 : lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const int high = i > 1 ? 0xBF : lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    const int next = EscapedByte(text, at + 3 * i);
    if (next < low || next > high) return {0, 0};
    character = character << 6 | (static_cast<std::uint32_t>(next) & 0x3F);
  }
  return {character, length};
}

bool FileNameMayHold(std::uint32_t character) {
  return character >= 0x20 && (character > 0x7F || std::wstring_view(L"\\/:*?\"<>|").find(static_cast<wchar_t>(
                                                        character)) == std::wstring_view::npos);
}

void AppendCharacter(std::wstring& text, std::uint32_t character) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (character >= 0x10000) {
      character -= 0x10000;
      text += static_cast<wchar_t>(0xD800 + (character >> 10));
      text += static_cast<wchar_t>(0xDC00 + (character & 0x3FF));
      return;
    }
  }
  text += static_cast<wchar_t>(character);
}

// `name` with its escapes of UTF-8 decoded where a file name may hold what
// they spell (a request for ".../%E4%B8%AD.jpg" is cached as such), then
// with every "%" and "," left taken out.
std::wstring ReadableName(const std::wstring& name) {
  std::wstring readable;
  for (std::size_t at = 0; at < name.size();) {
    const auto [character, escapes] = EscapedCharacter(name, at);
    if (escapes > 0 && FileNameMayHold(character)) {
      AppendCharacter(readable, character);
      at += 3 * escapes;
      continue;
    }
    readable += name[at++];
  }
  readable.erase(std::remove_if(readable.begin(), readable.end(), [](wchar_t c) { return c == L'%' || c == L','; }),
                 readable.end());
  return readable;
}

}  // namespace

std::wstring SavedFilePath(const std::wstring& folder, const std::wstring& cacheFile) {
  const std::size_t delimiter = cacheFile.find_last_of(L"\\:");
  return folder + ReadableName(delimiter == std::wstring::npos ? cacheFile : cacheFile.substr(delimiter + 1));
}
