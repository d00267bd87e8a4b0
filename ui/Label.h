// A static text with an optional multi-line hint and a click event.
//
// A press on the label makes it hold the mouse capture until the release; the
// click fires at the release over the label, and the capture is given up right
// after the handler returns. A handler that takes the capture for another
// window therefore sees that window lose it once, as the classic toolkits do.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Control.h"

namespace ui {

class Label : public Control {
 public:
  enum class Alignment { Left, Centered };

  void Create(HWND parent, const Bounds& bounds, const std::wstring& caption, HFONT font,
              Alignment alignment = Alignment::Left);
  ~Label() override;

  // Shows `before`, `middle` and `after` in one, `middle` cut short with "…"
  // where the whole would not fit the label.
  void SetWideTextFitting(const std::wstring& before, const std::wstring& middle, const std::wstring& after);
  // Shows the first of `texts` that fits the label, or else the last.
  void SetFirstFitting(const std::vector<std::wstring>& texts);

  // The hint shown when the mouse rests on the label; "\r\n" separates lines.
  void SetHint(const std::wstring& hint);
  std::wstring Hint() const { return hint_; }

  std::function<void()> OnClick;

 private:
  static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR data);
  LRESULT HandleMouse(UINT message, LPARAM lParam);

  HWND tooltip_ = nullptr;
  std::wstring hint_;
  bool pressed_ = false;
};

}  // namespace ui
