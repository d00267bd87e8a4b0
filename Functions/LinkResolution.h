// What link resolution needs of a page address, worked out once per page so
// that a scan with many thousands of references does not redo it for each.
#pragma once

#include <string>
#include <string_view>

struct PageLinkBase {
  explicit PageLinkBase(const std::string& pageAddress);

  std::string folder;  // GetPageFolder of the page address
  std::string host;    // the first match of the host pattern, when hasHost
  bool hasHost = false;
  bool hostHasRejected = false;  // the host holds "@", "(" or ")"
};

// ResolveImageLink against a page address already worked out, appending the
// result to `out`: false, with nothing appended, when the reference is rejected.
bool AppendImageLink(const PageLinkBase& base, std::string_view rawReference, std::string& out);
