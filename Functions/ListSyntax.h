// What a page may not write into the lists: a line that the download walk
// would read as one of its own kinds, a folder line ("$") or a done line ("-"),
// and a line break of its own. Only the user and the program write those; a
// page that could would choose where files go (the program runs elevated) and
// which images count as saved.
// Platform-free: "$", "-", CR and LF are never trail bytes of code page 936.
#pragma once

#include <string>
#include <string_view>

// True when `line` starts with "$" or "-", or holds a CR or a LF. The walk
// splits the list at CR LF only, but the edit control breaks a line at a lone
// LF too under Wine: what followed it would stand as a line of its own, a
// folder line as likely as any, and the walk's lines would no longer be the
// list's, so no mark would land below it.
bool HoldsListSyntax(std::string_view line);

// `text` (lines ended by CR LF, as the scan gives them) without the lines for
// which HoldsListSyntax holds; every other line as it came.
std::string DropListSyntaxLines(std::string text);
