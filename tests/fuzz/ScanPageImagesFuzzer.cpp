// Any markup, with any page address taken from its first line: the scan must
// neither crash nor break its own promises about the result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Functions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string page = newline == std::string::npos ? "http://host.example/dir/page.htm" : input.substr(0, newline);
  const std::string markup = newline == std::string::npos ? input : input.substr(newline + 1);

  const std::string result = ScanPageImages(page, markup);
  // Every line ends with "\r\n".
  if (!result.empty() && (result.size() < 2 || result.compare(result.size() - 2, 2, "\r\n") != 0)) std::abort();
  // The scan reads nothing but its own copies.
  if (ScanPageImages(page, markup) != result) std::abort();
  return 0;
}
