// The pictures a demo page shows: every .jpg, .gif and .png of a folder, read
// from disk and laid out in rows with their file names, as a gallery page
// would show them. They are read from the files rather than fetched, so that
// the page puts nothing into the URL cache that Pixorra's run would then find.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class PagePictures {
 public:
  explicit PagePictures(const std::wstring& folder);  // empty: no pictures
  ~PagePictures();
  PagePictures(const PagePictures&) = delete;
  PagePictures& operator=(const PagePictures&) = delete;

  void Paint(HDC dc, const RECT& area) const;

 private:
  struct Picture;
  ULONG_PTR token_ = 0;  // GDI+ is started only with pictures to show
  std::vector<std::unique_ptr<Picture>> pictures_;
};
