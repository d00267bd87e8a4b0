// Code-page helpers built on the lead-byte test, the same on every platform.
#include "CodePage.h"

namespace codepage {

namespace {

std::size_t NextCharBoundary(std::string_view text, std::size_t at) {
  if (IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) return at + 2;
  return at + 1;
}

bool HasLeadBytes(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80 && IsLeadByte(static_cast<unsigned char>(c))) return true;
  }
  return false;
}

}  // namespace

std::size_t FindOnCharBoundary(std::string_view text, std::string_view needle, std::size_t from) {
  std::size_t boundary = from;  // a known character boundary, never past the next hit
  for (std::size_t hit = text.find(needle, from); hit != std::string_view::npos;
       hit = text.find(needle, hit + 1)) {
    if (hit < boundary) continue;  // on the trail byte found last time
    // Lead bytes are never below 0x80, so a lower byte always ends a character:
    // only the run of high bytes right before the hit needs walking.
    std::size_t runStart = hit;
    while (runStart > boundary && static_cast<unsigned char>(text[runStart - 1]) >= 0x80) --runStart;
    boundary = runStart;
    while (boundary < hit) boundary = NextCharBoundary(text, boundary);
    if (boundary == hit) return hit;
  }
  return std::string_view::npos;
}

std::size_t FindLastDelimiter(std::string_view text, std::string_view delimiters) {
  if (!HasLeadBytes(text)) return text.find_last_of(delimiters);
  std::size_t last = std::string_view::npos;
  for (std::size_t at = 0; at < text.size(); at = NextCharBoundary(text, at)) {
    if (delimiters.find(text[at]) != std::string_view::npos) last = at;
  }
  return last;
}

bool EndsWithBackslash(std::string_view path) {
  return !path.empty() && FindLastDelimiter(path, "\\") == path.size() - 1;
}

}  // namespace codepage
