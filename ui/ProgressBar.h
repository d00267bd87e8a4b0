// A horizontal progress bar with a 32-bit range.
#pragma once

#include "Control.h"

namespace ui {

class ProgressBar : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds);

  void SetMin(int minimum);
  void SetMax(int maximum);
  // Both ends at once; nothing is sent when the range stays as it is.
  void SetRange(int minimum, int maximum);
  // Nothing is sent when the position stays as it is. The bar paints its
  // new position with the next paint of the window, not at once as the
  // control does by itself: under Wine that paint costs a millisecond, and
  // a run of small images moves the bar twice an image.
  void SetPosition(int position);
  int Min() const;
  int Max() const;
  int Position() const;
};

}  // namespace ui
