// Owns a GDI font.
#pragma once

#include <windows.h>

namespace ui {

class Font {
 public:
  Font(const wchar_t* face, int height)
      : handle_(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face)) {}
  ~Font() {
    if (handle_) DeleteObject(handle_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  HFONT Handle() const { return handle_; }

 private:
  HFONT handle_;
};

}  // namespace ui
