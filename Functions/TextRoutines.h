// Text routines on 8-bit ANSI text that any part of the program may use. They
// take their arguments by value, return a new text, and never throw on their
// own account.
#pragma once

#include <string>
#include <vector>

// `text` with every occurrence of `oldText` replaced by `newText`, left to right,
// without overlaps and without searching inserted text again. Matching is
// byte-exact; an occurrence that would begin on the trail byte of a double-byte
// character does not count. An empty `oldText` leaves the text unchanged.
std::string ReplaceAll(std::string oldText, std::string text, std::string newText);

// The text after the last "/" of `address`; all of it when it has none.
std::string UrlFileName(std::string address);

// The lines of a list's text, split at "\r\n"; a final line break adds no line.
std::vector<std::string> SplitLines(const std::string& text);
