// A push button with a click event.
#pragma once

#include <functional>

#include "Control.h"

namespace ui {

class Button : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds, const std::wstring& caption, HFONT font);
  void Notify(WORD code) override;

  std::function<void()> OnClick;
};

}  // namespace ui
