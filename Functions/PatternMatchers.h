// Dedicated matchers for Pixorra's two fixed patterns. Each gives exactly the
// matches a backtracking Perl-style engine gives for its pattern, with ASCII-only
// case folding on bytes, in linear time and without recursion, so that neither a
// megabyte-long tag nor a page without a single ">" can hurt the scan.
#pragma once

#include <cstddef>
#include <string_view>

// One match of the image tag pattern
//   (?i)<(img|body|td|input|table)[^>]*(src|background)( )*=("|'| )*[^ >\n\r]*
// as offsets into the searched text.
struct ImageTagMatch {
  std::size_t start = 0;           // the "<"
  std::size_t end = 0;             // one past the last matched byte
  std::size_t attributeStart = 0;  // the matched "src" or "background"
  std::size_t equalsSign = 0;      // the "=" after it
  std::size_t valueStart = 0;      // first byte after the quotes and spaces that follow the "="
};

// Walks the matches of the image tag pattern from left to right.
class ImageTagMatcher {
 public:
  explicit ImageTagMatcher(std::string_view text) : text_(text) {}

  // The next match after the previous one; false when there are no more.
  bool Next(ImageTagMatch& match);

 private:
  std::size_t TagWordLength(std::size_t at) const;
  bool FindLastAttribute(std::size_t from, std::size_t to, ImageTagMatch& match) const;
  std::size_t ValueEnd(std::size_t from, std::size_t stretchEnd) const;

  std::string_view text_;
  std::size_t position_ = 0;
};

// The first match of the host pattern (?i)http://[^/]*/? in `address`: true,
// with its offset and length, when there is one.
bool FindHostPrefix(std::string_view address, std::size_t& start, std::size_t& length);
