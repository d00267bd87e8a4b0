#include <functional>
#include <string_view>
#include <unordered_set>

#include "AsciiCase.h"
#include "CodePage.h"
#include "Functions.h"
#include "LinkResolution.h"
#include "PatternMatchers.h"
#include "PendingMessages.h"

namespace {

// Whether the bytes before `end` read `lowerWord` in some letter case.
bool EndsWithWord(std::string_view text, std::size_t end, std::string_view lowerWord) {
  return end >= lowerWord.size() && EqualsIgnoringAsciiCase(text.data() + end - lowerWord.size(), lowerWord);
}

// Where the raw reference of a match begins: after the first "SRC=", else after
// the first "BACKGROUND=", searched in the upper-cased match wherever they
// stand. A match written as "src = x" holds neither; its reference then starts
// at the value after the matched "=" and the quotes and spaces behind it.
//
// Both end in "=", which is never part of a double-byte character, and
// upper-casing only ever turns ASCII letters into capitals. So only an "="
// behind the right letters in some case can end one, and the stretch since the
// "=" before it (a character boundary) is all that needs upper-casing to tell.
std::size_t RawReferenceStart(std::string_view matchText, std::size_t valueStart) {
  std::size_t backgroundEnd = std::string::npos;
  std::size_t stretchStart = 0;
  for (std::size_t equals = matchText.find('='); equals != std::string_view::npos;
       stretchStart = equals + 1, equals = matchText.find('=', equals + 1)) {
    const bool maybeSrc = EndsWithWord(matchText, equals, "src");
    const bool maybeBackground = backgroundEnd == std::string::npos && EndsWithWord(matchText, equals, "background");
    if (!maybeSrc && !maybeBackground) continue;
    // Upper-case from a character boundary: the word's first byte is one
    // unless a possible lead byte stands right before it.
    const std::size_t wordLength = maybeBackground ? 10 : 3;
    std::size_t from = equals - wordLength;
    if (from > stretchStart && static_cast<unsigned char>(matchText[from - 1]) >= 0x80) from = stretchStart;
    const std::string upper = codepage::UpperCase(std::string(matchText.substr(from, equals - from)));
    const std::string_view tail(upper);
    if (maybeSrc && tail.size() >= 3 && tail.substr(tail.size() - 3) == "SRC") return equals + 1;
    if (maybeBackground && tail.size() >= 10 && tail.substr(tail.size() - 10) == "BACKGROUND") {
      backgroundEnd = equals + 1;
    }
  }
  return backgroundEnd != std::string::npos ? backgroundEnd : valueStart;
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
  ImageTagMatch match;
  // Resolution is a pure function of the reference: the same reference as the
  // match before (a spacer or bullet image repeated down the page) can only
  // give an address that was rejected or is in the result already.
  std::string_view previousReference;
  bool hasPrevious = false;
  PendingMessagesPacer pendingMessages;
  while (matcher.Next(match)) {
    const std::string_view matchText = std::string_view(markup).substr(match.start, match.end - match.start);
    const std::size_t start = RawReferenceStart(matchText, match.valueStart - match.start);
    const std::string_view rawReference =
        start < matchText.size() ? matchText.substr(start) : std::string_view();
    if (hasPrevious && rawReference == previousReference) {
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
  return result;
}
