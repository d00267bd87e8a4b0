#include "ListLines.h"

#include <algorithm>

#include "CodePage.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// `endsInSeparator` tells whether a folder ends in "\" or "/" as its text
// is coded: in the code page a trail byte is no "\".
template <typename Text, typename EndsInSeparator>
Text FolderOf(const Text& line, const Text& saveFolder, EndsInSeparator endsInSeparator) {
  if (line.empty()) return saveFolder;
  Text folder = line.substr(1);
  // A line that is only "$" means the chosen save folder again, not the
  // process's current directory; a hand-typed folder gets its "\".
  if (folder.empty()) return saveFolder;
  if (!endsInSeparator(folder)) folder += '\\';
  return folder;
}

}  // namespace

std::string FolderOfLine(const std::string& line, const std::string& saveFolder) {
  return FolderOf(line, saveFolder,
                  [](const std::string& f) { return f.back() == '/' || codepage::EndsWithBackslash(f); });
}

std::wstring FolderOfLine(const std::wstring& line, const std::wstring& saveFolder) {
  return FolderOf(line, saveFolder, [](const std::wstring& f) { return IsSeparator(f.back()); });
}

bool IsAbsoluteFolder(std::wstring_view folder) {
  const auto letter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
  if (folder.size() >= 3 && letter(folder[0]) && folder[1] == L':' && IsSeparator(folder[2])) return true;
  // "\\server\share\": a server and a share, each named.
  if (folder.size() < 2 || !IsSeparator(folder[0]) || !IsSeparator(folder[1])) return false;
  const std::size_t server = 2;
  std::size_t share = server;
  while (share < folder.size() && !IsSeparator(folder[share])) ++share;
  std::size_t end = share + 1;
  while (end < folder.size() && !IsSeparator(folder[end])) ++end;
  return share > server && share < folder.size() && end > share + 1;
}

std::size_t GoverningFolderLine(const std::vector<std::string>& lines, std::size_t index) {
  for (std::size_t i = (std::min)(index, lines.size()); i > 0; --i) {
    if (IsFolderLine(lines[i - 1])) return i - 1;
  }
  return std::string::npos;
}
