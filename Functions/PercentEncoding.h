// Characters that an address cannot carry in the ANSI code page travel as
// their UTF-8 bytes, percent-encoded, the way browsers send them.
#pragma once

#include <cstdint>
#include <string>

// Appends "%XX" for each UTF-8 byte of `codePoint`; a value that is no
// character (a lone surrogate, or above U+10FFFF) is sent as U+FFFD.
void AppendPercentEncodedUtf8(std::string& text, std::uint32_t codePoint);
