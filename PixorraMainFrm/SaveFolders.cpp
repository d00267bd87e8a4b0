// Choosing save folders: each choice becomes a folder line in the list.
#include "FolderSelection.h"
#include "PixorraMainFrm.h"

void TPixorraMainForm::SavePathBtnClick() {
  std::string folder;
  {
    Operations::FolderDialog dialog(operations_);
    if (!SelectFolder(Handle(), folder, L"保存路径")) return;
  }
  // The first folder always goes to the top; later ones where the caret is.
  if (SavePathLabel.Text().empty()) ImageListMemo.SetSelStart(0);
  ImageListMemo.SetSelLength(0);
  ImageListMemo.ReplaceSelection("\r\n$" + folder + "\r\n");
  SavePathLabel.SetText(folder);
}
