#include "ListSyntax.h"

#include <algorithm>

#include "ListLines.h"

bool HoldsListSyntax(std::string_view line) {
  if (IsFolderLine(line) || IsDoneLine(line)) return true;
  return line.find_first_of("\r\n") != std::string_view::npos;
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
    if (!HoldsListSyntax(std::string_view(text).substr(start, lineEnd - start))) {
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
