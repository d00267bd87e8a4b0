// A horizontal progress bar with a 32-bit range.
#pragma once

#include <windows.h>

#include <optional>

#include "Control.h"
#include "SoonTimer.h"

namespace ui {

class ProgressBar : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds);

  // The setters below show at once, after whatever ShowSoon left waiting.
  void SetMin(int minimum);
  void SetMax(int maximum);
  // Both ends at once; nothing is sent when the range stays as it is.
  void SetRange(int minimum, int maximum);
  // Nothing is sent when the position stays as it is. The bar paints its
  // new position with the next paint of the window, not at once as the
  // control does by itself: under Wine that paint costs a millisecond or
  // more.
  void SetPosition(int position);
  // The range and the position for a report that may come a millisecond
  // after the last: the control takes them at most every
  // kShowIntervalMilliseconds, and the last ones set always reach it, a
  // moment later if need be (a timer). Each time the control takes new
  // values the bar is painted again, and a small image reports six times
  // in a few milliseconds.
  void ShowSoon(int minimum, int maximum, int position);
  static constexpr ULONGLONG kShowIntervalMilliseconds = 100;

  // The values set, whether the control took them yet or not.
  int Min() const;
  int Max() const;
  int Position() const;

 private:
  struct Values {
    int minimum;
    int maximum;
    int position;
  };
  // Hands the waiting values, if any, to the control.
  void ShowWaiting();
  void SendRange(int minimum, int maximum);
  void SendPosition(int position);

  std::optional<Values> waiting_;
  SoonTimer show_{SoonTimer::Pace::AtMostEvery, static_cast<UINT>(kShowIntervalMilliseconds), [this] { ShowWaiting(); }};
};

}  // namespace ui
