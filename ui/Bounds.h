#pragma once

namespace ui {

// Left, top, width and height in pixels, relative to the parent's client area.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

}  // namespace ui
