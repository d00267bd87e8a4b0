#include "PagePictures.h"

#include <algorithm>

// GDI+'s headers use min and max unqualified; NOMINMAX takes the macros away.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace {

constexpr int kTileWidth = 160, kTileHeight = 120, kGap = 12, kNameHeight = 18;

bool IsPicture(const std::wstring& name) {
  const std::size_t dot = name.find_last_of(L'.');
  if (dot == std::wstring::npos) return false;
  std::wstring extension = name.substr(dot);
  for (wchar_t& c : extension) c = static_cast<wchar_t>(towlower(c));
  return extension == L".jpg" || extension == L".gif" || extension == L".png";
}

struct SearchCloser {
  void operator()(HANDLE search) const {
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
  }
};
using SearchHandle = std::unique_ptr<void, SearchCloser>;

}  // namespace

struct PagePictures::Picture {
  std::wstring name;
  std::unique_ptr<Gdiplus::Image> image;
};

PagePictures::PagePictures(const std::wstring& folder) {
  if (folder.empty()) return;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) {
    token_ = 0;
    return;
  }
  WIN32_FIND_DATAW found;
  const SearchHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (search.get() == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> names;
  do {
    const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!isFolder && IsPicture(found.cFileName)) names.push_back(found.cFileName);
  } while (FindNextFileW(search.get(), &found));
  std::sort(names.begin(), names.end());
  for (const std::wstring& name : names) {
    auto picture = std::make_unique<Picture>();
    picture->name = name;
    picture->image = std::make_unique<Gdiplus::Image>((folder + L"\\" + name).c_str());
    if (picture->image->GetLastStatus() == Gdiplus::Ok) pictures_.push_back(std::move(picture));
  }
}

PagePictures::~PagePictures() {
  pictures_.clear();  // every image before GDI+ goes
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

void PagePictures::Paint(HDC dc, const RECT& area) const {
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Gdiplus::Graphics graphics(dc);
  const int columns = std::max(1, static_cast<int>((area.right - area.left - kGap) / (kTileWidth + kGap)));
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  for (std::size_t i = 0; i < pictures_.size(); ++i) {
    const int x = kGap + static_cast<int>(i % columns) * (kTileWidth + kGap);
    const int y = kGap + static_cast<int>(i / columns) * (kTileHeight + kNameHeight + kGap);
    graphics.DrawImage(pictures_[i]->image.get(), x, y, kTileWidth, kTileHeight);
    RECT nameArea = {x, y + kTileHeight + 2, x + kTileWidth, y + kTileHeight + kNameHeight};
    DrawTextW(dc, pictures_[i]->name.c_str(), -1, &nameArea, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  SelectObject(dc, oldFont);
}
