// An etched separator line along one side of its rectangle. It never takes
// the mouse and never paints over the controls it lies under.
#pragma once

#include "Window.h"

namespace ui {

class Bevel : public Window {
 public:
  enum class Shape { LeftLine, RightLine, TopLine };

  void Create(HWND parent, const Bounds& bounds, Shape shape);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  Shape shape_ = Shape::TopLine;
};

}  // namespace ui
