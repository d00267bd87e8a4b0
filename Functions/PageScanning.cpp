#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_set>

#include "CodePage.h"
#include "Functions.h"
#include "LinkResolution.h"
#include "PatternMatchers.h"
#include "PendingMessages.h"

namespace {

// Whether the bytes before `end` read the lower-case letters `word` in some
// case. Setting the case bit folds a letter and nothing else onto a lower-case
// letter, so one OR per byte does what a full fold would.
bool EndsWithLetters(std::string_view text, std::size_t end, std::string_view word) {
  if (end < word.size()) return false;
  const char* at = text.data() + end - word.size();
  for (std::size_t i = 0; i < word.size(); ++i) {
    if ((at[i] | 0x20) != word[i]) return false;
  }
  return true;
}

// Where the raw reference of a match begins: after the first "SRC=", else after
// the first "BACKGROUND=", searched in the upper-cased match wherever they
// stand. A match written as "src = x" holds neither; its reference then starts
// at the value after the matched "=" and the quotes and spaces behind it.
//
// Both end in "=", which is never part of a double-byte character, and
// upper-casing only ever turns ASCII letters into capitals. So only an "="
// behind the right letters in some case can end one, the first of which the
// matcher has noted, and the stretch since the "=" before it (a character
// boundary) is all that needs upper-casing to tell.
std::size_t RawReferenceStart(std::string_view matchText, std::size_t firstNameEquals, std::size_t valueStart) {
  // Mostly "src=" right at the matcher's first candidate, which only src or
  // background can end: its last letter tells which.
  if (firstNameEquals != std::string_view::npos && firstNameEquals >= 4 &&
      (matchText[firstNameEquals - 1] | 0x20) == 'c' &&
      static_cast<unsigned char>(matchText[firstNameEquals - 4]) < 0x80) {
    return firstNameEquals + 1;
  }
  std::size_t backgroundEnd = std::string::npos;
  for (std::size_t equals = firstNameEquals; equals != std::string_view::npos;
       equals = matchText.find('=', equals + 1)) {
    // Never both: one ends in "c", the other in "d".
    const bool maybeSrc = EndsWithLetters(matchText, equals, "src");
    const bool maybeBackground =
        !maybeSrc && backgroundEnd == std::string::npos && EndsWithLetters(matchText, equals, "background");
    if (!maybeSrc && !maybeBackground) continue;
    const std::size_t from = equals - (maybeSrc ? 3 : 10);
    if (from == 0 || static_cast<unsigned char>(matchText[from - 1]) < 0x80) {
      // The word starts a character: a byte below 0x80 always ends one, and
      // none of these letters is a lead byte. Its letters then upper-case to
      // their ASCII capitals in every code page (no "i" for Turkish casing to
      // touch), so the word is what it reads, with no copy to upper-case.
      if (maybeSrc) return equals + 1;
      backgroundEnd = equals + 1;
      continue;
    }
    // A possible lead byte right before the word may take its first letter as
    // a trail byte: upper-case from the "=" before it, or the match's start.
    const std::size_t before = matchText.rfind('=', from);
    const std::size_t stretchStart = before == std::string_view::npos ? 0 : before + 1;
    const std::string upper = codepage::UpperCase(std::string(matchText.substr(stretchStart, equals - stretchStart)));
    const std::string_view tail(upper);
    if (maybeSrc && tail.size() >= 3 && tail.substr(tail.size() - 3) == "SRC") return equals + 1;
    if (maybeBackground && tail.size() >= 10 && tail.substr(tail.size() - 10) == "BACKGROUND") {
      backgroundEnd = equals + 1;
    }
  }
  return backgroundEnd != std::string::npos ? backgroundEnd : valueStart;
}

// Equality for references, which are mostly a few dozen bytes: eight at a
// time in line, the last eight overlapping the ones before, where a call to
// memcmp would cost more than the comparing.
bool SameReference(std::string_view a, std::string_view b) {
  const std::size_t size = a.size();
  if (size != b.size()) return false;
  constexpr std::size_t kShortReference = 64;
  if (size > kShortReference || size < 8) return a == b;
  auto same = [&a, &b](std::size_t at) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, a.data() + at, sizeof x);
    std::memcpy(&y, b.data() + at, sizeof y);
    return x == y;
  };
  for (std::size_t at = 0; at + 8 < size; at += 8) {
    if (!same(at)) return false;
  }
  return same(size - 8);
}

// The lines of the result so far, as offsets into it, so that checking an
// address copies nothing. The result only grows, so the offsets stay valid.
class ResultLines {
 public:
  explicit ResultLines(const std::string& result)
      : lines_(64, Hash{&result}, Equal{&result}) {}

  // True when the line [start, start + length) of the result was not there yet.
  bool Insert(std::size_t start, std::size_t length) { return lines_.insert({start, length}).second; }

 private:
  struct Line {
    std::size_t start;
    std::size_t length;
  };
  struct Hash {
    const std::string* text;
    std::size_t operator()(const Line& line) const {
      return std::hash<std::string_view>()(std::string_view(*text).substr(line.start, line.length));
    }
  };
  struct Equal {
    const std::string* text;
    bool operator()(const Line& a, const Line& b) const {
      const std::string_view view(*text);
      return view.substr(a.start, a.length) == view.substr(b.start, b.length);
    }
  };
  std::unordered_set<Line, Hash, Equal> lines_;
};

}  // namespace

std::string ScanPageImages(std::string pageAddress, std::string markup) {
  std::string result;
  // Whole lines already in the result. A substring test would drop a.gif after
  // a.gif?id=1 came first, losing a different image.
  ResultLines lines(result);
  const PageLinkBase base(pageAddress);

  ImageTagMatcher matcher(markup);
  // Matches come a batch at a time, which spares a call for each small tag of
  // a dense page.
  constexpr std::size_t kBatch = 64;
  ImageTagMatch matches[kBatch];
  // Resolution is a pure function of the reference: the same reference as the
  // match before (a spacer or bullet image repeated down the page) can only
  // give an address that was rejected or is in the result already.
  std::string_view previousReference;
  bool hasPrevious = false;
  PendingMessagesPacer pendingMessages;
  for (std::size_t count; (count = matcher.NextMatches(matches, kBatch)) != 0;) {
    for (std::size_t n = 0; n < count; ++n) {
      const ImageTagMatch& match = matches[n];
      // The same tag as the match before has the same reference.
      if (match.repeatsPrevious) {
        pendingMessages.Step();
        continue;
      }
      const std::string_view matchText(markup.data() + match.start, match.end - match.start);
      const std::size_t start = RawReferenceStart(
          matchText,
          match.firstNameEquals == std::string_view::npos ? std::string_view::npos
                                                          : match.firstNameEquals - match.start,
          match.valueStart - match.start);
      const std::string_view rawReference(matchText.data() + start, matchText.size() - start);
      if (hasPrevious && SameReference(rawReference, previousReference)) {
        pendingMessages.Step();
        continue;
      }
      previousReference = rawReference;
      hasPrevious = true;

      // The address is resolved straight onto the end of the result and taken
      // back when it is rejected, empty or already there.
      const std::size_t lineStart = result.size();
      if (AppendImageLink(base, rawReference, result) && result.size() > lineStart &&
          lines.Insert(lineStart, result.size() - lineStart)) {
        result.append("\r\n");
      } else {
        result.resize(lineStart);
      }
      pendingMessages.Step();
    }
  }
  return result;
}
