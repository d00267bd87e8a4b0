// The Collected list and the download list, and the type filter between them.
#include <windows.h>

#include "BrowserPage.h"
#include "Functions.h"
#include "ListFiltering.h"
#include "PixorraMainFrm.h"

void TPixorraMainForm::AddPageImages(std::string pageAddress, IHTMLDocument2* document) {
  std::string markup = GetPageMarkup(document);
  const std::string images = ScanPageImages(std::move(pageAddress), std::move(markup));
  AllImageListMemo.AppendLine(images);
  // The scan keeps the quotes of values written in double quotes.
  AllImageListMemo.SetText(ReplaceAll("\"", AllImageListMemo.Text(), ""));
  FilterImageList();
}

void TPixorraMainForm::FilterImageList() {
  // Nothing here lets other handlers run, so both lists are read once and the
  // new lines are appended with one edit.
  const std::vector<std::string> added =
      SelectNewImageLines(AllImageListMemo.Lines(), ImageListMemo.Lines(), FileTypeComboBox.Text());
  ImageListMemo.AppendLines(added);
}

void TPixorraMainForm::FileTypeComboBoxChange() { FilterImageList(); }

void TPixorraMainForm::ClearListBtnClick() {
  AllImageListMemo.SetText(std::string());
  ImageListMemo.SetText(std::string());
}
