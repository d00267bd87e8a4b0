// Choosing save folders: each choice becomes a folder line in the list.
#include "FolderSelection.h"
#include "PixorraMainFrm.h"

void TPixorraMainForm::SavePathBtnClick() {
  std::wstring folder;
  {
    Operations::FolderDialog dialog(operations_);
    if (!SelectFolder(Handle(), folder, L"保存路径")) return;
  }
  Downloads.FolderChosen(folder);
}
