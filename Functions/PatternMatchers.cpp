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
//   one worth trying. Each stretch is read once forwards and once backwards.
#include "PatternMatchers.h"

#include "AsciiCase.h"

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

constexpr std::string_view kTagWords[] = {"img", "body", "td", "input", "table"};
constexpr std::string_view kSrc = "src";
constexpr std::string_view kBackground = "background";
constexpr std::string_view kHttp = "http://";

}  // namespace

std::size_t ImageTagMatcher::TagWordLength(std::size_t at) const {
  const char first = AsciiLower(text_[at]);
  for (std::string_view word : kTagWords) {
    if (word[0] == first && text_.size() - at >= word.size() && EqualsIgnoringAsciiCase(text_.data() + at, word)) {
      return word.size();
    }
  }
  return 0;
}

bool ImageTagMatcher::FindLastAttribute(std::size_t from, std::size_t to, ImageTagMatch& match) const {
  // Forwards with memchr: a long stretch (an inline image) holds few "=".
  const char* data = text_.data();
  bool found = false;
  for (const char* equals = static_cast<const char*>(std::memchr(data + from, '=', to - from)); equals;
       equals = static_cast<const char*>(std::memchr(equals + 1, '=', static_cast<std::size_t>(data + to - equals - 1)))) {
    const std::size_t at = static_cast<std::size_t>(equals - data);
    std::size_t nameEnd = at;
    while (nameEnd > from && data[nameEnd - 1] == ' ') --nameEnd;
    const std::size_t room = nameEnd - from;
    if (room >= kSrc.size() && EqualsIgnoringAsciiCase(data + nameEnd - kSrc.size(), kSrc)) {
      match.attributeStart = nameEnd - kSrc.size();
    } else if (room >= kBackground.size() &&
               EqualsIgnoringAsciiCase(data + nameEnd - kBackground.size(), kBackground)) {
      match.attributeStart = nameEnd - kBackground.size();
    } else {
      continue;
    }
    match.equalsSign = at;
    found = true;
  }
  return found;
}

std::size_t ImageTagMatcher::ValueEnd(std::size_t from, std::size_t stretchEnd) const {
  // Most values are short: look at them byte by byte, and hand a long one
  // (an inline image) to memchr.
  constexpr std::size_t kShortValue = 64;
  const std::size_t shortEnd = stretchEnd - from > kShortValue ? from + kShortValue : stretchEnd;
  for (std::size_t at = from; at < shortEnd; ++at) {
    const char c = text_[at];
    if (c == ' ' || c == '\n' || c == '\r') return at;
  }
  if (shortEnd == stretchEnd) return stretchEnd;
  from = shortEnd;
  std::size_t end = stretchEnd;
  for (char stop : {' ', '\n', '\r'}) {
    if (const void* hit = std::memchr(text_.data() + from, stop, end - from)) {
      end = static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
    }
  }
  return end;
}

bool ImageTagMatcher::Next(ImageTagMatch& match) {
  const char* data = text_.data();
  const std::size_t size = text_.size();
  while (position_ < size) {
    const std::size_t start = FindTagOpening(data, position_, size);
    if (start >= size) break;
    position_ = start + 1;
    const std::size_t wordLength = TagWordLength(position_);
    if (wordLength == 0) continue;

    const std::size_t wordEnd = start + 1 + wordLength;
    const void* close = std::memchr(data + wordEnd, '>', size - wordEnd);
    const std::size_t stretchEnd =
        close ? static_cast<std::size_t>(static_cast<const char*>(close) - data) : size;
    // Whatever happens, no other match can start before the stretch's end.
    position_ = stretchEnd;
    if (!FindLastAttribute(wordEnd, stretchEnd, match)) continue;

    std::size_t at = match.equalsSign + 1;
    while (at < size && IsQuoteOrSpace(data[at])) ++at;
    match.valueStart = at;
    match.start = start;
    match.end = ValueEnd(at, stretchEnd);
    return true;
  }
  position_ = size;
  return false;
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
