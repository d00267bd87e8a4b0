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
  // The first "=" in the match with src or background (in any case) right
  // before it, no spaces between, or npos: the page scan takes its reference
  // from such an "=", and this spares it looking for one.
  std::size_t firstNameEquals = std::string_view::npos;
  // The tag, from its "<" through its ">", reads byte for byte as the one of
  // the match before: the match is that one moved along.
  bool repeatsPrevious = false;
};

// Walks the matches of the image tag pattern from left to right.
class ImageTagMatcher {
 public:
  explicit ImageTagMatcher(std::string_view text) : text_(text) {}

  // The next match after the previous one; false when there are no more.
  bool Next(ImageTagMatch& match) { return NextMatches(&match, 1) == 1; }

  // Up to `capacity` next matches into `matches`, as many calls to Next would
  // give them, but without a call for each: the count, below `capacity` only
  // at the end of the text.
  std::size_t NextMatches(ImageTagMatch* matches, std::size_t capacity);

 private:
  // Keeps the tag from `start` to its stretch's end, with its match if any,
  // for a tag of the same bytes to come.
  void Remember(std::size_t start, std::size_t stretchEnd, const ImageTagMatch* match);

  static constexpr std::size_t kShortestRemembered = 4;
  static constexpr std::size_t kLongestRemembered = 64;

  std::string_view text_;
  std::size_t position_ = 0;
  std::size_t lastTagStart_ = 0;
  std::size_t lastTagLength_ = 0;  // through its ">"; 0 when there is none to compare with
  bool lastTagMatched_ = false;
  ImageTagMatch lastTagMatch_;  // offsets from the tag's start
};

// The first match of the host pattern (?i)http://[^/]*/? in `address`: true,
// with its offset and length, when there is one.
bool FindHostPrefix(std::string_view address, std::size_t& start, std::size_t& length);
