// An editable drop-down list. Its change event fires when the user picks an
// item or edits the text; Text() already holds the new text then.
#pragma once

#include <functional>
#include <vector>

#include "Control.h"

namespace ui {

class ComboBox : public Control {
 public:
  // `listHeight` more than `bounds` is the height of the dropped-down list.
  void Create(HWND parent, const Bounds& bounds, const std::vector<std::string>& items, HFONT font,
              int listHeight = 200);
  void Notify(WORD code) override;

  int ItemCount() const;
  std::string Item(int index) const;

  std::function<void()> OnChange;
};

}  // namespace ui
