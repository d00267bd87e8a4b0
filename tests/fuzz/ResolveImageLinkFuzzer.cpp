// Any page address and raw reference: resolution never crashes, never lets a
// rejected character through, and marks exactly the quoted references.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Functions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string page = split == std::string::npos ? "http://host.example/dir/page.htm" : input.substr(0, split);
  const std::string raw = split == std::string::npos ? input : input.substr(split + 1);

  const std::string result = ResolveImageLink(page, raw);
  if (result.empty()) return 0;
  const bool quoted = raw.find('"') != std::string::npos;
  const std::string inner = quoted ? result.substr(1, result.size() - 2) : result;
  if (quoted && (result.size() < 2 || result.front() != '"' || result.back() != '"')) std::abort();
  // A reference holding "(", ")" or "@", or starting with "#", is rejected.
  if (raw.find_first_of("()@") != std::string::npos || (!raw.empty() && raw[0] == '#')) std::abort();
  // The reference's quotes and angle brackets are gone from what it contributed,
  // unless a byte that may lead a double-byte character hides one as its trail.
  const bool plain = std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (plain && inner.size() >= page.size() && inner.find_first_of("<>'\"", page.size()) != std::string::npos) {
    std::abort();
  }
  return 0;
}
