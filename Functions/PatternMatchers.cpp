// Why the image tag matcher can work on ">"-free stretches:
// - A match starts at "<" followed by one of the tag words; no word is a prefix
//   of another, so at most one word fits.
// - Nothing the pattern matches after the word can be ">", so the match lies in
//   the stretch from the word's end s to e, the first ">" at or after s (or the
//   end of the text). The greedy [^>]* runs to e and gives back until an
//   attribute name, spaces and "=" follow it: the match uses the last such "="
//   in [s, e). After the "=" both runs are maximal and are never given back,
//   and the value ends at the first space, line break or e.
// - A later "<" in the same stretch has a later s, so it can only match where
//   the earlier one could, which makes the first candidate of a stretch the only
//   one worth trying. Each stretch is read once, its value a second time at
//   most, and a short tag that repeats the tag before byte for byte not at all.
#include "PatternMatchers.h"

#include "AsciiCase.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define PIXORRA_SSE2 1
#include <emmintrin.h>
#endif
#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace {

bool IsQuoteOrSpace(char c) { return c == '"' || c == '\'' || c == ' '; }

#if PIXORRA_SSE2
unsigned LowestBit(unsigned mask) {
#if defined(_MSC_VER)
  unsigned long index = 0;
  _BitScanForward(&index, mask);
  return static_cast<unsigned>(index);
#else
  return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}
#endif

// The next "<" at or after `from` whose following letter could begin a tag
// word (i, b or t in either case), or `size`. Pages hold a "<" every few dozen
// bytes and only a few of them open img, body, td, input or table tags, so
// sixteen bytes are looked at in one step where the processor allows it.
std::size_t FindTagOpening(const char* data, std::size_t from, std::size_t size) {
  std::size_t at = from;
#if PIXORRA_SSE2
  const __m128i open = _mm_set1_epi8('<');
  const __m128i caseBit = _mm_set1_epi8(0x20);
  const __m128i i = _mm_set1_epi8('i');
  const __m128i b = _mm_set1_epi8('b');
  const __m128i t = _mm_set1_epi8('t');
  for (; at + 17 <= size; at += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const __m128i next = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + 1)), caseBit);
    const __m128i letter =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(next, i), _mm_cmpeq_epi8(next, b)), _mm_cmpeq_epi8(next, t));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, open), letter)));
    if (mask) return at + LowestBit(mask);
  }
#endif
  while (at < size) {
    const void* hit = std::memchr(data + at, '<', size - at);
    if (!hit) return size;
    at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    if (at + 1 < size) {
      const char next = AsciiLower(data[at + 1]);
      if (next == 'i' || next == 'b' || next == 't') return at;
    }
    ++at;
  }
  return size;
}

constexpr std::string_view kSrc = "src";
constexpr std::string_view kBackground = "background";
constexpr std::string_view kHttp = "http://";

// Whether the bytes before `end` read the lower-case letters `word` in some
// case. Setting the case bit folds a letter and nothing else onto a lower-case
// letter, so one OR per byte does what a full fold would.
inline bool EndsWithLetters(const char* end, std::string_view word) {
  const char* text = end - word.size();
  for (std::size_t i = 0; i < word.size(); ++i) {
    if ((text[i] | 0x20) != word[i]) return false;
  }
  return true;
}

// Eight bytes as one number, in whatever order the processor keeps them: it is
// only ever compared with numbers read the same way.
inline std::uint64_t LoadEight(const char* bytes) {
  std::uint64_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// Four bytes likewise.
inline std::uint32_t LoadFour(const char* bytes) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// Whether `length` bytes (four or more) at `a` and at `b` are the same: the
// last eight first, where two different tags mostly differ, then eight at a
// time; under eight, the first four and the last four.
inline bool SameBytes(const char* a, const char* b, std::size_t length) {
  if (length < 8) {
    return LoadFour(a) == LoadFour(b) && LoadFour(a + length - 4) == LoadFour(b + length - 4);
  }
  if (LoadEight(a + length - 8) != LoadEight(b + length - 8)) return false;
  for (std::size_t at = 0; at + 8 < length; at += 8) {
    if (LoadEight(a + at) != LoadEight(b + at)) return false;
  }
  return true;
}

// A tag word as it reads in eight bytes with the case bit set, and the mask
// that keeps only its own bytes.
struct TagWord {
  explicit TagWord(std::string_view lowerWord) {
    char letters[8] = {};
    char keep[8] = {};
    for (std::size_t i = 0; i < lowerWord.size(); ++i) {
      letters[i] = lowerWord[i];
      keep[i] = static_cast<char>(0xFF);
    }
    text = LoadEight(letters);
    mask = LoadEight(keep);
  }
  bool Matches(std::uint64_t foldedBytes) const { return (foldedBytes & mask) == text; }

  std::uint64_t text;
  std::uint64_t mask;
};

const TagWord kImg("img");
const TagWord kInput("input");
const TagWord kBody("body");
const TagWord kTd("td");
const TagWord kTable("table");
const std::uint64_t kCaseBits = LoadEight("\x20\x20\x20\x20\x20\x20\x20\x20");

const std::uint32_t kCaseBitsFour = LoadFour("\x20\x20\x20\x20");
const std::uint32_t kSrcEquals = LoadFour("src=");

// The length of the tag word at `at`, or 0 when none stands there. The first
// letter leaves at most two words to try; with eight bytes to read, each try
// is one comparison.
inline std::size_t TagWordLength(const char* data, std::size_t at, std::size_t size) {
  const char* word = data + at;
  const std::size_t room = size - at;
  if (room >= 8) {
    const std::uint64_t folded = LoadEight(word) | kCaseBits;
    switch (word[0] | 0x20) {
      case 'i':
        return kImg.Matches(folded) ? 3 : kInput.Matches(folded) ? 5 : 0;
      case 'b':
        return kBody.Matches(folded) ? 4 : 0;
      case 't':
        return kTd.Matches(folded) ? 2 : kTable.Matches(folded) ? 5 : 0;
      default:
        return 0;
    }
  }
  auto is = [word, room](std::string_view lowerWord) {
    return room >= lowerWord.size() && EqualsIgnoringAsciiCase(word, lowerWord);
  };
  switch (word[0] | 0x20) {
    case 'i':
      return is("img") ? 3 : is("input") ? 5 : 0;
    case 'b':
      return is("body") ? 4 : 0;
    case 't':
      return is("td") ? 2 : is("table") ? 5 : 0;
    default:
      return 0;
  }
}

// Looks at one "=" of the stretch that starts at `floor`: when src or
// background, then spaces, stand wholly between the two, it becomes the
// match's attribute, as the last such "=" of the stretch must. The first one
// with no spaces is kept as well.
inline bool CheckEqualsSign(const char* data, std::size_t floor, std::size_t equals, ImageTagMatch& match) {
  // Mostly "src=" as it stands: one comparison of four bytes ("=" has the
  // case bit set already).
  if (equals - floor >= kSrc.size()) {
    if ((LoadFour(data + equals - kSrc.size()) | kCaseBitsFour) == kSrcEquals) {
      match.attributeStart = equals - kSrc.size();
      match.equalsSign = equals;
      if (match.firstNameEquals == std::string_view::npos) match.firstNameEquals = equals;
      return true;
    }
  }
  std::size_t nameEnd = equals;
  while (nameEnd > floor && data[nameEnd - 1] == ' ') --nameEnd;
  const std::size_t room = nameEnd - floor;
  if (room >= kSrc.size() && EndsWithLetters(data + nameEnd, kSrc)) {
    match.attributeStart = nameEnd - kSrc.size();
  } else if (room >= kBackground.size() && EndsWithLetters(data + nameEnd, kBackground)) {
    match.attributeStart = nameEnd - kBackground.size();
  } else {
    return false;
  }
  match.equalsSign = equals;
  if (match.firstNameEquals == std::string_view::npos && nameEnd == equals) match.firstNameEquals = equals;
  return true;
}

// The end of the ">"-free stretch from `wordEnd` (its ">" or `size`), with
// every "=" in it checked: true in `found` when one qualifies. When the last
// sixteen bytes read hold that "=" and the ">", the value is read from them
// too, and `valueFound` says so.
inline std::size_t ScanStretch(const char* data, std::size_t wordEnd, std::size_t size, ImageTagMatch& match,
                               bool& found, bool& valueFound) {
  std::size_t at = wordEnd;
#if PIXORRA_SSE2
  // Most tags close within a few dozen bytes: look for the ">" and the "=" on
  // the way in one pass, instead of a memchr call for each.
  constexpr std::size_t kShortStretch = 64;
  const __m128i close = _mm_set1_epi8('>');
  const __m128i equals = _mm_set1_epi8('=');
  while (at + 16 <= size && at - wordEnd < kShortStretch) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const unsigned closeMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, close)));
    unsigned equalsMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, equals)));
    if (closeMask) equalsMask &= (closeMask & (0u - closeMask)) - 1;  // only those before the ">"
    for (; equalsMask; equalsMask &= equalsMask - 1) {
      if (CheckEqualsSign(data, wordEnd, at + LowestBit(equalsMask), match)) found = true;
    }
    if (!closeMask) {
      at += 16;
      continue;
    }
    const unsigned closeBit = LowestBit(closeMask);
    if (found && match.equalsSign >= at) {
      // The quotes and spaces after the "=", then the value up to a space, a
      // line break or the ">": the ">" is neither a quote nor a space, so both
      // ends lie in these bytes.
      std::size_t valueStart = match.equalsSign + 1;
      while (IsQuoteOrSpace(data[valueStart])) ++valueStart;
      const __m128i stop = _mm_or_si128(_mm_cmpeq_epi8(here, _mm_set1_epi8(' ')),
                                        _mm_or_si128(_mm_cmpeq_epi8(here, _mm_set1_epi8('\n')),
                                                     _mm_cmpeq_epi8(here, _mm_set1_epi8('\r'))));
      const unsigned stopMask = static_cast<unsigned>(_mm_movemask_epi8(stop)) | closeMask;
      match.valueStart = valueStart;
      match.end = at + LowestBit(stopMask & (~0u << (valueStart - at)));
      valueFound = true;
    }
    return at + closeBit;
  }
#else
  (void)valueFound;
#endif
  // A long stretch (an inline image) holds few "=": memchr finds the ">" and
  // then each "=" before it.
  const void* closeHit = std::memchr(data + at, '>', size - at);
  const std::size_t stretchEnd = closeHit ? static_cast<std::size_t>(static_cast<const char*>(closeHit) - data) : size;
  for (const char* equalsHit = static_cast<const char*>(std::memchr(data + at, '=', stretchEnd - at)); equalsHit;
       equalsHit = static_cast<const char*>(
           std::memchr(equalsHit + 1, '=', static_cast<std::size_t>(data + stretchEnd - equalsHit - 1)))) {
    if (CheckEqualsSign(data, wordEnd, static_cast<std::size_t>(equalsHit - data), match)) found = true;
  }
  return stretchEnd;
}

// Where a value from `from` ends: its first space or line break, else the
// stretch's end.
inline std::size_t ValueEnd(const char* data, std::size_t from, std::size_t stretchEnd, std::size_t size) {
  // Most values are short: look at them sixteen bytes at a time where the
  // processor allows it, else byte by byte, and hand a long one (an inline
  // image) to memchr.
  constexpr std::size_t kShortValue = 64;
  const std::size_t shortEnd = stretchEnd - from > kShortValue ? from + kShortValue : stretchEnd;
  std::size_t at = from;
#if PIXORRA_SSE2
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i lineFeed = _mm_set1_epi8('\n');
  const __m128i carriageReturn = _mm_set1_epi8('\r');
  for (; at < shortEnd && at + 16 <= size; at += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const __m128i stop = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(here, space), _mm_cmpeq_epi8(here, lineFeed)),
                                      _mm_cmpeq_epi8(here, carriageReturn));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stop));
    if (mask) {
      const std::size_t hit = at + LowestBit(mask);
      return hit < stretchEnd ? hit : stretchEnd;
    }
  }
  if (at >= stretchEnd) return stretchEnd;
#else
  (void)size;
#endif
  for (; at < shortEnd; ++at) {
    const char c = data[at];
    if (c == ' ' || c == '\n' || c == '\r') return at;
  }
  if (shortEnd == stretchEnd) return stretchEnd;
  std::size_t end = stretchEnd;
  for (char stop : {' ', '\n', '\r'}) {
    if (const void* hit = std::memchr(data + at, stop, end - at)) {
      end = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    }
  }
  return end;
}

}  // namespace

std::size_t ImageTagMatcher::NextMatches(ImageTagMatch* matches, std::size_t capacity) {
  const char* data = text_.data();
  const std::size_t size = text_.size();
  std::size_t position = position_;
  std::size_t count = 0;
  while (count < capacity && position < size) {
    const std::size_t start = FindTagOpening(data, position, size);
    if (start >= size) break;
    // The bytes up to and including a stretch's ">" decide everything about a
    // tag, so the same bytes again (a spacer image down a page) give the same
    // outcome, moved along.
    if (lastTagLength_ != 0 && size - start >= lastTagLength_ &&
        SameBytes(data + start, data + lastTagStart_, lastTagLength_)) {
      position = start + lastTagLength_ - 1;
      if (!lastTagMatched_) continue;
      ImageTagMatch& match = matches[count++];
      match = lastTagMatch_;
      match.start += start;
      match.end += start;
      match.attributeStart += start;
      match.equalsSign += start;
      match.valueStart += start;
      if (match.firstNameEquals != std::string_view::npos) match.firstNameEquals += start;
      match.repeatsPrevious = true;
      continue;
    }
    position = start + 1;
    const std::size_t wordLength = TagWordLength(data, position, size);
    if (wordLength == 0) continue;

    ImageTagMatch& match = matches[count];
    const std::size_t wordEnd = start + 1 + wordLength;
    bool found = false;
    bool valueFound = false;
    match.firstNameEquals = std::string_view::npos;
    // Whatever happens, no other match can start before the stretch's end.
    const std::size_t stretchEnd = ScanStretch(data, wordEnd, size, match, found, valueFound);
    position = stretchEnd;
    if (found) {
      match.start = start;
      match.repeatsPrevious = false;
      if (!valueFound) {
        std::size_t at = match.equalsSign + 1;
        while (at < size && IsQuoteOrSpace(data[at])) ++at;
        match.valueStart = at;
        match.end = ValueEnd(data, at, stretchEnd, size);
      }
    }
    Remember(start, stretchEnd, found ? &match : nullptr);
    if (found) ++count;
  }
  position_ = count < capacity ? size : position;
  return count;
}

void ImageTagMatcher::Remember(std::size_t start, std::size_t stretchEnd, const ImageTagMatch* match) {
  // Only a tag closed by a ">" is decided by its own bytes, and only a short
  // one is worth comparing.
  const std::size_t length = stretchEnd - start + 1;
  if (stretchEnd >= text_.size() || length < kShortestRemembered || length > kLongestRemembered) {
    lastTagLength_ = 0;
    return;
  }
  lastTagStart_ = start;
  lastTagLength_ = length;
  lastTagMatched_ = match != nullptr;
  if (!match) return;
  lastTagMatch_ = *match;
  lastTagMatch_.start -= start;
  lastTagMatch_.end -= start;
  lastTagMatch_.attributeStart -= start;
  lastTagMatch_.equalsSign -= start;
  lastTagMatch_.valueStart -= start;
  if (lastTagMatch_.firstNameEquals != std::string_view::npos) lastTagMatch_.firstNameEquals -= start;
}

bool FindHostPrefix(std::string_view address, std::size_t& start, std::size_t& length) {
  if (address.size() < kHttp.size()) return false;
  for (std::size_t at = 0; at + kHttp.size() <= address.size(); ++at) {
    if (!EqualsIgnoringAsciiCase(address.data() + at, kHttp)) continue;
    const std::size_t slash = address.find('/', at + kHttp.size());
    start = at;
    length = (slash == std::string_view::npos ? address.size() : slash + 1) - at;
    return true;
  }
  return false;
}
