// What link resolution needs of a page, worked out once per page so that a
// scan with many thousands of references does not redo it for each.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "UrlParser.h"

class PageLinkBase {
 public:
  explicit PageLinkBase(const std::string& pageAddress);

  // The document's base becomes `href` (the first <base href> of the
  // markup, its characters), resolved against the page address; the page
  // address stays the base when it fails, as in a browser.
  void SetBaseHref(std::u32string_view href);

  // The address a browser requests for an attribute's value (its characters,
  // character references decoded), appended to `out`; false, with nothing
  // appended, when it requests nothing.
  bool AppendImageLink(std::u32string_view value, std::string& out) const;

 private:
  std::optional<ParsedUrl> page_;
  std::optional<ParsedUrl> base_;
};
