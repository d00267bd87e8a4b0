// Characters that an address cannot carry in the ANSI code page travel as
// their UTF-8 bytes, percent-encoded, the way browsers send them; and back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends "%XX" for each UTF-8 byte of `codePoint`; a value that is no
// character (a lone surrogate, or above U+10FFFF) is sent as U+FFFD.
void AppendPercentEncodedUtf8(std::string& text, std::uint32_t codePoint);

// The value of a hexadecimal digit, -1 for any other character.
int HexDigitValue(char32_t c);

// `text` with its percent-escapes taken as bytes and the whole read as UTF-8,
// as a host is read: a character outside ASCII counts as its UTF-8 bytes, and
// bytes that are no UTF-8 become U+FFFD.
std::u32string PercentDecodedUtf8(std::u32string_view text);
