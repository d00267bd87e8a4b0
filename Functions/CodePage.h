// The one place where text routines meet the ANSI code page. On Windows these
// are the system's own calls; elsewhere a model of code page 936 (GBK), which
// is what Pixorra's users run.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace codepage {

// True when `byte` starts a double-byte character.
bool IsLeadByte(unsigned char byte);

// Locale-aware upper-casing that keeps the length, so a position in the result
// is the same position in the input.
std::string UpperCase(std::string text);

// Position of the first occurrence of `needle` in `text` at or after `from`
// (which must be a character boundary) that starts on a character boundary, or
// npos. Linear in the length of `text`.
std::size_t FindOnCharBoundary(std::string_view text, std::string_view needle, std::size_t from = 0);

// Position of the last byte equal to one of `delimiters` in `text` that is not
// the trail byte of a double-byte character, or npos.
std::size_t FindLastDelimiter(std::string_view text, std::string_view delimiters);

// True when the last character of `path` is "\" (not a trail byte).
bool EndsWithBackslash(std::string_view path);

// The characters of `text` as the code page reads them, so that a routine
// that works on characters never takes the second byte of a double-byte
// character for a character of its own.
std::u32string Decode(std::string_view text);

// `characters` in the code page, as the program writes addresses: a character
// the code page lacks becomes its UTF-8 bytes, percent-encoded.
std::string EncodeAddress(std::u32string_view characters);

}  // namespace codepage
