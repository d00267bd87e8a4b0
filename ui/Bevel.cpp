#include "Bevel.h"

namespace ui {

void Bevel::Create(HWND parent, const Bounds& bounds, Shape shape) {
  shape_ = shape;
  CreateParams params;
  params.className = L"PixorraBevel";
  params.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_DISABLED;
  params.bounds = bounds;
  params.parent = parent;
  CreateHandle(params);
}

LRESULT Bevel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Handle(), &paint);
      RECT line;
      GetClientRect(Handle(), &line);
      UINT side = BF_TOP;
      if (shape_ == Shape::LeftLine) side = BF_LEFT;
      if (shape_ == Shape::RightLine) side = BF_RIGHT;
      DrawEdge(dc, &line, EDGE_ETCHED, side);
      EndPaint(Handle(), &paint);
      return 0;
    }
    default:
      return DefaultProcessing(message, wParam, lParam);
  }
}

}  // namespace ui
