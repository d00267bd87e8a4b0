// A page's markup read as a browser's tokenizer reads it, for the attributes
// that name its images: which tags they stand in, where each value runs, and
// where no tag can stand (comments, script, style, textarea and the like).
// Platform-free: works on the bytes of code page 936, whose trail bytes are
// never one of the characters that mark up a tag.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "PendingMessages.h"

// One value, as offsets into the markup, character references not decoded.
struct MarkupValue {
  std::size_t start = 0;
  std::size_t end = 0;
};

struct ImageAttributes {
  // Every src and background of an img, body, td, input or table tag, and
  // every attribute of theirs whose name ends in "src": in attribute order
  // within a tag, the first of each name only, tags in markup order. A tag
  // the markup never ends names nothing, as in a browser.
  std::vector<MarkupValue> values;
  // The href of the first base tag that has one.
  std::optional<MarkupValue> baseHref;
};

// Lets pending messages through with `pacer` once per tag.
ImageAttributes FindImageAttributes(std::string_view markup, PendingMessagesPacer& pacer);
