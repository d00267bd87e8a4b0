// Any markup, with any page address taken from its first line: the scan must
// neither crash nor break its own promises about the result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>

#include "Functions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string page = newline == std::string::npos ? "http://host.example/dir/page.htm" : input.substr(0, newline);
  const std::string markup = newline == std::string::npos ? input : input.substr(newline + 1);

  const std::string result = ScanPageImages(page, markup);
  // The scan reads nothing but its own copies.
  if (ScanPageImages(page, markup) != result) std::abort();
  // Lines, each ended by "\r\n", none empty, none twice: each a request a
  // browser could send (ASCII, no space, no fragment, an http, https or file
  // address) that reads again as itself, so that a run sends it as it stands.
  std::unordered_set<std::string_view> lines;
  const std::string_view text(result);
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos || end == start) std::abort();
    const std::string_view line = text.substr(start, end - start);
    if (!lines.insert(line).second) std::abort();
    for (char c : line) {
      if (c <= ' ' || c > '~' || c == '#') std::abort();
    }
    if (line.rfind("http://", 0) != 0 && line.rfind("https://", 0) != 0 && line.rfind("file://", 0) != 0) std::abort();
    if (RequestedAddress(std::string(line)) != line) std::abort();
    start = end + 2;
  }
  return 0;
}
