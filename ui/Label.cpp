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

namespace {

// Texts measured against a label's width, in its font.
class TextMeasure {
 public:
  explicit TextMeasure(HWND label) : label_(label), dc_(GetDC(label)) {
    RECT client;
    GetClientRect(label, &client);
    width_ = client.right - client.left;
    if (dc_) font_ = SelectObject(dc_, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  }
  ~TextMeasure() {
    if (!dc_) return;
    SelectObject(dc_, font_);
    ReleaseDC(label_, dc_);
  }
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  // Without a device context every text is taken to fit.
  bool Fits(const std::wstring& text) const {
    SIZE size = {};
    return !dc_ || (GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size) &&
                    size.cx <= width_);
  }

 private:
  HWND label_;
  HDC dc_;
  HGDIOBJ font_ = nullptr;
  LONG width_;
};

}  // namespace

void Label::SetWideTextFitting(const std::wstring& before, const std::wstring& middle, const std::wstring& after) {
  std::wstring text = before + middle + after;
  {
    const TextMeasure measure(Handle());
    // The longest start of `middle` that fits, found by halving.
    if (!measure.Fits(text)) {
      std::size_t fitting = 0;
      for (std::size_t low = 0, high = middle.size(); low < high;) {
        const std::size_t mid = (low + high + 1) / 2;
        if (measure.Fits(before + middle.substr(0, mid) + L"\u2026" + after)) {
          low = fitting = mid;
        } else {
          high = mid - 1;
        }
      }
      if (fitting > 0 && IS_HIGH_SURROGATE(middle[fitting - 1])) --fitting;
      text = before + middle.substr(0, fitting) + L"\u2026" + after;
    }
  }
  if (WideText() != text) SetWideText(text);
}

void Label::SetFirstFitting(const std::vector<std::wstring>& texts) {
  if (texts.empty()) return;
  std::size_t shown = 0;
  {
    const TextMeasure measure(Handle());
    while (shown + 1 < texts.size() && !measure.Fits(texts[shown])) ++shown;
  }
  if (WideText() != texts[shown]) SetWideText(texts[shown]);
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
