#include "Label.h"

#include <commctrl.h>

#include "Application.h"

namespace ui {

void Label::Create(HWND parent, const Bounds& bounds, const std::wstring& caption, HFONT font,
                   Alignment alignment) {
  DWORD style = WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX;
  if (alignment == Alignment::Centered) style |= SS_CENTER | SS_CENTERIMAGE;
  CreateHandle({WC_STATICW, style, 0, caption, bounds, parent, font});
  SetWindowSubclass(Handle(), &Label::SubclassProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
}

Label::~Label() {
  if (tooltip_) DestroyWindow(tooltip_);
  if (Handle()) RemoveWindowSubclass(Handle(), &Label::SubclassProcedure, 1);
}

void Label::SetWideTextFitting(const std::wstring& before, const std::wstring& middle, const std::wstring& after) {
  RECT client;
  GetClientRect(Handle(), &client);
  const HDC dc = GetDC(Handle());
  if (!dc) {
    SetWideText(before + middle + after);
    return;
  }
  const HGDIOBJ font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
  const auto fits = [&](const std::wstring& text) {
    SIZE size = {};
    return GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) &&
           size.cx <= client.right - client.left;
  };
  // The longest start of `middle` that fits, found by halving.
  std::wstring text = before + middle + after;
  if (!fits(text)) {
    std::size_t fitting = 0;
    for (std::size_t low = 0, high = middle.size(); low < high;) {
      const std::size_t mid = (low + high + 1) / 2;
      if (fits(before + middle.substr(0, mid) + L"\u2026" + after)) {
        low = fitting = mid;
      } else {
        high = mid - 1;
      }
    }
    if (fitting > 0 && IS_HIGH_SURROGATE(middle[fitting - 1])) --fitting;
    text = before + middle.substr(0, fitting) + L"\u2026" + after;
  }
  SelectObject(dc, font);
  ReleaseDC(Handle(), dc);
  if (WideText() != text) SetWideText(text);
}

void Label::SetHint(const std::wstring& hint) {
  hint_ = hint;
  if (!tooltip_) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(Handle()),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    // Lets the hint break at its "\r\n".
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
  }
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(Handle());
  tool.uId = reinterpret_cast<UINT_PTR>(Handle());
  tool.lpszText = &hint_[0];
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT Label::HandleMouse(UINT message, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
    pressed_ = true;
    SetCapture(Handle());
    return 0;
  }
  // WM_LBUTTONUP
  if (!pressed_) return 0;
  pressed_ = false;
  RECT client;
  GetClientRect(Handle(), &client);
  const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  // The capture goes on whatever the handler does, also when it throws.
  struct CaptureRelease {
    ~CaptureRelease() { ReleaseCapture(); }
  } release;
  if (PtInRect(&client, at) && OnClick) OnClick();
  return 0;
}

LRESULT CALLBACK Label::SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
  auto* self = reinterpret_cast<Label*>(data);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
      return Application::Guarded([&] { return self->HandleMouse(message, lParam); });
    case WM_CAPTURECHANGED:
      self->pressed_ = false;
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace ui
