#include "ListLines.h"

#include <algorithm>

#include "CodePage.h"

std::string FolderOfLine(const std::string& line, const std::string& saveFolder) {
  if (line.empty()) return saveFolder;
  std::string folder = line.substr(1);
  // A line that is only "$" means the chosen save folder again, not the
  // process's current directory; a hand-typed folder gets its "\".
  if (folder.empty()) return saveFolder;
  if (folder.back() != '/' && !codepage::EndsWithBackslash(folder)) folder += '\\';
  return folder;
}

std::size_t GoverningFolderLine(const std::vector<std::string>& lines, std::size_t index) {
  for (std::size_t i = (std::min)(index, lines.size()); i > 0; --i) {
    if (IsFolderLine(lines[i - 1])) return i - 1;
  }
  return std::string::npos;
}
