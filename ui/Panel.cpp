#include "Panel.h"

namespace ui {

void Panel::Create(HWND parent, const Bounds& bounds) {
  CreateParams params;
  params.className = L"PixorraPanel";
  params.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP;
  params.exStyle = WS_EX_CONTROLPARENT;
  params.bounds = bounds;
  params.parent = parent;
  CreateHandle(params);
}

}  // namespace ui
