// A plain container window without an outer bevel. Its controls' notifications
// reach their event handlers through the standard processing.
#pragma once

#include "Window.h"

namespace ui {

class Panel : public Window {
 public:
  void Create(HWND parent, const Bounds& bounds);
};

}  // namespace ui
