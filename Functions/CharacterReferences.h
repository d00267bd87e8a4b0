// The characters a browser's tokenizer makes of an attribute's value.
// Platform-free.
#pragma once

#include <string>
#include <string_view>

// `value` with its character references decoded: the named ones a browser's
// serializer writes (&amp; &quot; &lt; &gt; &nbsp; &apos;, with their ";")
// and every numeric one, decimal or hexadecimal, its ";" optional, with the
// tokenizer's rules for the values that are no character; a NUL becomes
// U+FFFD, as the tokenizer makes it.
std::u32string DecodeCharacterReferences(std::u32string_view value);
