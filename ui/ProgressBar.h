// A horizontal progress bar with a 32-bit range.
#pragma once

#include "Control.h"

namespace ui {

class ProgressBar : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds);

  void SetMin(int minimum);
  void SetMax(int maximum);
  void SetPosition(int position);
  int Min() const;
  int Max() const;
  int Position() const;
};

}  // namespace ui
