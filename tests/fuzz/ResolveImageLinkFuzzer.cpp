// Any page address and value: resolution never crashes, and what it gives is
// a request a browser could send: ASCII without spaces or fragment, of a
// scheme an image is fetched by, read again as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Functions.h"

namespace {

bool IsRequest(const std::string& address, bool filePage) {
  for (char c : address) {
    if (c <= ' ' || c > '~' || c == '#') return false;
  }
  return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0 ||
         (filePage && address.rfind("file://", 0) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string page = split == std::string::npos ? "http://host.example/dir/page.htm" : input.substr(0, split);
  const std::string value = split == std::string::npos ? input : input.substr(split + 1);

  const std::string address = ResolveImageLink(page, value);
  if (address.empty()) return 0;
  const std::size_t first = value.find_first_not_of(std::string("\0\x01\x02\x03\x04\x05\x06\x07\x08\t\n\x0b\x0c\r"
                                                                "\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19"
                                                                "\x1a\x1b\x1c\x1d\x1e\x1f ", 33));
  if (first == std::string::npos || value[first] == '#') std::abort();  // names the page itself
  if (!IsRequest(address, RequestedAddress(page).rfind("file:", 0) == 0)) std::abort();
  if (RequestedAddress(address) != address || ResolveImageLink(page, address) != address) std::abort();
  return 0;
}
