// Any markup, with any page address taken from its first line: the scan must
// neither crash nor break its own promises about the result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>

#include "Functions.h"

namespace {

// A reference runs from the tag's first "src=" (or "background=") to the end of
// the match, over any line breaks between its attributes, and the page address
// goes into every relative line: an address holds a "\r" or "\n" when the input
// gave it one. Without any in the input, the result must read as its lines.
std::string WithoutLineBreaks(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// Lines, each ended by "\r\n", none empty, none twice, no other "\r" or "\n".
void CheckLines(std::string_view result) {
  std::unordered_set<std::string_view> lines;
  for (std::size_t start = 0; start < result.size();) {
    const std::size_t end = result.find_first_of("\r\n", start);
    if (end == std::string_view::npos || result[end] != '\r' || end + 1 == result.size() || result[end + 1] != '\n') {
      std::abort();
    }
    if (end == start) std::abort();
    if (!lines.insert(result.substr(start, end - start)).second) std::abort();
    start = end + 2;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string page = newline == std::string::npos ? "http://host.example/dir/page.htm" : input.substr(0, newline);
  const std::string markup = newline == std::string::npos ? input : input.substr(newline + 1);

  const std::string result = ScanPageImages(page, markup);
  // Whatever the addresses hold, "\r\n" comes after the last.
  if (!result.empty() && (result.size() < 2 || result.compare(result.size() - 2, 2, "\r\n") != 0)) std::abort();
  // The scan reads nothing but its own copies.
  if (ScanPageImages(page, markup) != result) std::abort();

  // Every line, on the same input with its line breaks made spaces.
  const std::string flatPage = WithoutLineBreaks(page);
  const std::string flatMarkup = WithoutLineBreaks(markup);
  CheckLines(flatPage == page && flatMarkup == markup ? result : ScanPageImages(flatPage, flatMarkup));
  return 0;
}
