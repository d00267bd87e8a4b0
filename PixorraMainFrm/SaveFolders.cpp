// Choosing save folders: each choice becomes a folder line in the list.
#include <algorithm>

#include "FolderSelection.h"
#include "ListWalk.h"
#include "PixorraMainFrm.h"

void TPixorraMainForm::SavePathBtnClick() {
  std::string folder;
  {
    Operations::FolderDialog dialog(operations_);
    if (!SelectFolder(Handle(), folder, L"保存路径")) return;
  }
  const std::string previous = SavePathLabel.Text();
  // The first folder always goes to the top; later ones where the caret is.
  if (previous.empty()) ImageListMemo.SetSelStart(0);
  ImageListMemo.SetSelLength(0);
  const int caretLine = ImageListMemo.CaretLine();
  ImageListMemo.ReplaceSelection("\r\n$" + folder + "\r\n");
  SavePathLabel.SetText(folder);
  // Before the first choice no run can have marked a line: marks there are
  // the user's own.
  if (!previous.empty()) KeepMarksTrue(caretLine + 1, previous);
}

void TPixorraMainForm::KeepMarksTrue(int folderLine, const std::string& previousSaveFolder) {
  const std::vector<std::string> lines = ImageListMemo.Lines();
  const int count = static_cast<int>(lines.size());
  if (folderLine < 1 || folderLine >= count) return;
  // The caret stood inside a line when text stands on both sides of the new
  // folder line: a caret at a line's start leaves an empty line above it,
  // one at its end an empty line below it.
  const bool splitLine = folderLine + 1 < count && !lines[folderLine - 1].empty() && !lines[folderLine + 1].empty();
  const std::string saveFolder = SavePathLabel.Text();
  std::vector<int> unmark;
  // Both halves of a split line read otherwise than the line did: neither
  // names an image that was saved.
  if (splitLine && IsDoneLine(lines[folderLine - 1])) unmark.push_back(folderLine - 1);
  // The lines below the new folder line, up to the next one, had the folder
  // that governed the line above it, unless that line was a folder line the
  // new one split: then any of them may have another folder now.
  std::string before;
  for (int i = folderLine - 1; i >= 0 && before.empty(); --i) {
    if (IsFolderLine(lines[i])) before = FolderOfLine(lines[i], previousSaveFolder);
  }
  if (before.empty()) before = previousSaveFolder;
  if (splitLine || before != FolderOfLine(lines[folderLine], saveFolder)) {
    for (int i = folderLine + 1; i < count && !IsFolderLine(lines[i]); ++i) {
      if (IsDoneLine(lines[i])) unmark.push_back(i);
    }
  }
  // The lines no folder line governs (above the first one, or below a line
  // that is only "$") follow the save folder.
  if (saveFolder != previousSaveFolder) {
    bool followsSaveFolder = true;
    for (int i = 0; i < count; ++i) {
      if (IsFolderLine(lines[i])) {
        followsSaveFolder = lines[i] == "$";
      } else if (followsSaveFolder && IsDoneLine(lines[i])) {
        unmark.push_back(i);
      }
    }
  }
  std::sort(unmark.begin(), unmark.end());
  unmark.erase(std::unique(unmark.begin(), unmark.end()), unmark.end());
  ImageListMemo.RemoveMarks(unmark);
}
