// What a page may not write into the lists: a line that the download walk
// would read as one of its own kinds, a folder line ("$") or a done line ("-").
// Only the user and the program write those; a page that could would choose
// where files go (the program runs elevated) and which images count as saved.
// Platform-free: "$", "-", CR and LF are never trail bytes of code page 936.
#pragma once

#include <string>
#include <string_view>

// True when `line` starts with "$" or "-", or holds one right after a CR or a
// LF. Any CR or LF counts as a break: only CR LF breaks a line in the list
// today, but nothing that a page wrote should rest on that.
bool StartsListSyntax(std::string_view line);

// `text` (lines ended by CR LF, as the scan gives them) without the lines for
// which StartsListSyntax holds; every other line as it came.
std::string DropListSyntaxLines(std::string text);
