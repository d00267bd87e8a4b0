#include "Control.h"

#include <unordered_map>

#include "WideText.h"

namespace ui {

namespace {
// The wrappers by their windows, kept in the process: a window property
// costs a round trip to the server under Wine for every notification, and a
// run's every mark sends one. Controls live on the user-interface thread.
std::unordered_map<HWND, Control*>& Wrappers() {
  static std::unordered_map<HWND, Control*> wrappers;
  return wrappers;
}
}  // namespace

Control::~Control() {
  if (!handle_) return;
  Wrappers().erase(handle_);
  if (IsWindow(handle_)) DestroyWindow(handle_);
}

Control::OutOfSight::OutOfSight(const Control& control)
    : window_(control.Handle()), style_(GetWindowLongPtrW(window_, GWL_STYLE)), hidden_(WasVisible()) {
  if (hidden_) SetWindowLongPtrW(window_, GWL_STYLE, style_ & ~static_cast<LONG_PTR>(WS_VISIBLE));
}

void Control::OutOfSight::Restore() {
  if (hidden_) SetWindowLongPtrW(window_, GWL_STYLE, style_);
  hidden_ = false;
}

Control* Control::FromHandle(HWND window) {
  const auto found = Wrappers().find(window);
  return found == Wrappers().end() ? nullptr : found->second;
}

void Control::CreateHandle(const CreateParams& params) {
  static int nextId = 100;
  handle_ = CreateWindowExW(params.exStyle, params.className, params.text.c_str(), params.style | WS_CHILD,
                            params.bounds.left, params.bounds.top, params.bounds.width, params.bounds.height,
                            params.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)),
                            GetModuleHandleW(nullptr), nullptr);
  if (!handle_) return;
  Wrappers()[handle_] = this;
  if (params.font) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(params.font), FALSE);
}

std::wstring Control::WideText() const {
  const int length = GetWindowTextLengthW(handle_);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(handle_, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void Control::SetWideText(const std::wstring& text) { SetWindowTextW(handle_, text.c_str()); }

std::string Control::Text() const { return WideToAnsi(WideText()); }

void Control::SetText(const std::string& text) { SetWideText(AnsiToControlText(text)); }

bool Control::Visible() const { return (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Control::SetVisible(bool visible) { ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE); }

void Control::SetBounds(const Bounds& bounds) {
  SetWindowPos(handle_, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ui
