#include "ListSyntax.h"

#include <algorithm>

bool StartsListSyntax(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size()) {
    if (line[at] == '$' || line[at] == '-') return true;
    const std::size_t lineBreak = line.find_first_of("\r\n", at);
    if (lineBreak == std::string_view::npos) return false;
    at = lineBreak + 1;
  }
  return false;
}

std::string DropListSyntaxLines(std::string text) {
  // Kept lines move up over dropped ones, in place: the text of a dense page
  // runs to megabytes, and most pages drop nothing.
  std::size_t kept = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t lineBreak = text.find("\r\n", start);
    const std::size_t end = lineBreak == std::string::npos ? text.size() : lineBreak + 2;
    const std::size_t lineEnd = lineBreak == std::string::npos ? text.size() : lineBreak;
    if (!StartsListSyntax(std::string_view(text).substr(start, lineEnd - start))) {
      if (kept != start) std::copy(text.begin() + static_cast<std::ptrdiff_t>(start),
                                   text.begin() + static_cast<std::ptrdiff_t>(end),
                                   text.begin() + static_cast<std::ptrdiff_t>(kept));
      kept += end - start;
    }
    start = end;
  }
  text.resize(kept);
  return text;
}
