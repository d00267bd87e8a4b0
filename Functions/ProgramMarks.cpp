#include "ProgramMarks.h"

#include <algorithm>

#include "ListLines.h"

void ProgramMarks::Made(const std::string& doneLine, const std::string& folder) {
  folders_[doneLine].insert(folder);
}

bool ProgramMarks::SavedIn(const std::string& doneLine, const std::string& folder) const {
  const auto found = folders_.find(doneLine);
  return found != folders_.end() && found->second.count(folder) > 0;
}

std::vector<int> MarksAFolderChoiceTakes(const std::vector<std::string>& lines, std::size_t folderLine,
                                         const std::string& caretLineBefore, const std::string& saveFolder,
                                         const std::string& previousSaveFolder, const ProgramMarks& marks) {
  std::vector<int> taken;
  const std::size_t count = lines.size();
  if (folderLine < 1 || folderLine >= count) return taken;
  const auto take = [&](std::size_t line, const std::string& folder) {
    if (IsDoneLine(lines[line]) && marks.MadeByTheProgram(lines[line]) && !marks.SavedIn(lines[line], folder)) {
      taken.push_back(static_cast<int>(line));
    }
  };
  // The caret stood inside a line when text stands on both sides of the new
  // folder line: a caret at a line's start leaves an empty line above it,
  // one at its end an empty line below it. Neither half of a marked line
  // names the image that was saved, and a second half that starts with "-"
  // was never a mark: the "-" stood inside the line.
  const bool splitLine = folderLine + 1 < count && !lines[folderLine - 1].empty() && !lines[folderLine + 1].empty();
  if (splitLine) {
    if (IsDoneLine(lines[folderLine - 1]) && IsDoneLine(caretLineBefore) && marks.MadeByTheProgram(caretLineBefore)) {
      taken.push_back(static_cast<int>(folderLine - 1));
    }
    if (IsDoneLine(lines[folderLine + 1])) taken.push_back(static_cast<int>(folderLine + 1));
  }
  // The lines below the new folder line, up to the next one, fall to it; a
  // second half that starts with "$" is a new folder line, and the lines
  // below it fall to that one.
  std::string folder = FolderOfLine(lines[folderLine], saveFolder);
  for (std::size_t i = folderLine + 1; i < count; ++i) {
    if (IsFolderLine(lines[i])) {
      if (i != folderLine + 1 || !splitLine) break;
      folder = FolderOfLine(lines[i], saveFolder);
    } else {
      take(i, folder);
    }
  }
  // The lines no folder line governs follow the save folder.
  if (saveFolder != previousSaveFolder) {
    bool followsSaveFolder = true;
    for (std::size_t i = 0; i < count; ++i) {
      if (IsFolderLine(lines[i])) {
        followsSaveFolder = lines[i] == "$";
      } else if (followsSaveFolder) {
        take(i, saveFolder);
      }
    }
  }
  std::sort(taken.begin(), taken.end());
  taken.erase(std::unique(taken.begin(), taken.end()), taken.end());
  return taken;
}
