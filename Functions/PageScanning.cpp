// The scan reads the markup as a browser's tokenizer does, then resolves
// each value it took against the document's base, which a <base href>
// anywhere in the page sets for every image of it.
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_set>

#include "CharacterReferences.h"
#include "CodePage.h"
#include "Functions.h"
#include "LinkResolution.h"
#include "MarkupTokens.h"
#include "PendingMessages.h"

namespace {

// Whether the value's bytes spell out a scheme no image is fetched by
// (data:, javascript:, ...), which the parser would refuse: an inline image
// need not be read into characters first.
bool NamesAnotherScheme(std::string_view raw) {
  std::size_t at = 0;
  while (at < raw.size() && static_cast<unsigned char>(raw[at]) <= ' ') ++at;
  const std::size_t start = at;
  for (; at < raw.size(); ++at) {
    const char c = static_cast<char>(raw[at] | 0x20);
    if (c >= 'a' && c <= 'z') continue;
    const bool otherSchemeCharacter = (raw[at] >= '0' && raw[at] <= '9') || raw[at] == '+' || raw[at] == '-' ||
                                      raw[at] == '.';
    if (at == start || !otherSchemeCharacter) break;
  }
  if (at == start || at == raw.size() || raw[at] != ':') return false;
  std::string scheme(raw.substr(start, at - start));
  for (char& c : scheme) c = static_cast<char>(c | 0x20);
  return scheme != "http" && scheme != "https" && scheme != "file";
}

// A value's characters, as the browser's document holds them.
std::u32string ValueCharacters(std::string_view raw) {
  std::u32string characters = codepage::Decode(raw);
  if (raw.find('&') == std::string_view::npos && raw.find('\0') == std::string_view::npos) return characters;
  return DecodeCharacterReferences(characters);
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
  PendingMessagesPacer pendingMessages;
  const ImageAttributes attributes = FindImageAttributes(markup, pendingMessages);
  PageLinkBase base(pageAddress);
  if (attributes.baseHref) {
    const MarkupValue& href = *attributes.baseHref;
    base.SetBaseHref(ValueCharacters(std::string_view(markup).substr(href.start, href.end - href.start)));
  }
  std::string result;
  // Whole lines already in the result. A substring test would drop a.gif after
  // a.gif?id=1 came first, losing a different image.
  ResultLines lines(result);
  // Resolution is a pure function of the value: the same value as the one
  // before (a spacer or bullet image repeated down the page) can only give
  // an address that was refused or is in the result already.
  std::string_view previous;
  bool hasPrevious = false;
  for (const MarkupValue& value : attributes.values) {
    pendingMessages.Step();
    const std::string_view raw(markup.data() + value.start, value.end - value.start);
    if (hasPrevious && SameReference(raw, previous)) continue;
    previous = raw;
    hasPrevious = true;
    // The address goes straight onto the end of the result and is taken back
    // when it is already there.
    const std::size_t lineStart = result.size();
    const bool added = !NamesAnotherScheme(raw) && base.AppendImageLink(ValueCharacters(raw), result) &&
                       lines.Insert(lineStart, result.size() - lineStart);
    if (added) {
      result.append("\r\n");
    } else {
      result.resize(lineStart);
    }
  }
  return result;
}
