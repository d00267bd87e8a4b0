// Choosing save folders: each choice becomes a folder line in the list.
#include "FolderSelection.h"
#include "ListLines.h"
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
  const std::string caretLineBefore = ImageListMemo.Line(caretLine);
  ImageListMemo.ReplaceSelection("\r\n$" + folder + "\r\n");
  SavePathLabel.SetText(folder);
  KeepMarksTrue(caretLine + 1, caretLineBefore, previous);
}

void TPixorraMainForm::KeepMarksTrue(int folderLine, const std::string& caretLineBefore,
                                     const std::string& previousSaveFolder) {
  ImageListMemo.RemoveMarks(MarksAFolderChoiceTakes(ImageListMemo.Lines(), static_cast<std::size_t>(folderLine),
                                                    caretLineBefore, SavePathLabel.Text(), previousSaveFolder,
                                                    MarksMade),
                            kDoneMark);
}
