#include "Button.h"

#include <commctrl.h>

namespace ui {

void Button::Create(HWND parent, const Bounds& bounds, const std::wstring& caption, HFONT font) {
  CreateHandle({WC_BUTTONW, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, caption, bounds, parent, font});
}

void Button::Notify(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick();
}

}  // namespace ui
