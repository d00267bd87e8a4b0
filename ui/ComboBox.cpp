#include "ComboBox.h"

#include <commctrl.h>

#include "WideText.h"

namespace ui {

void ComboBox::Create(HWND parent, const Bounds& bounds, const std::vector<std::string>& items, HFONT font,
                      int listHeight) {
  // The height of a drop-down combo box is that of its list when dropped.
  Bounds dropped = bounds;
  dropped.height = bounds.height + listHeight;
  CreateHandle({WC_COMBOBOXW, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, L"",
                dropped, parent, font});
  for (const std::string& item : items) {
    const std::wstring wide = AnsiToWide(item);
    SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
}

int ComboBox::ItemCount() const { return static_cast<int>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0)); }

std::string ComboBox::Item(int index) const {
  const LRESULT length = SendMessageW(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length <= 0) return std::string();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(length));
  return WideToAnsi(text);
}

void ComboBox::Notify(WORD code) {
  if (code == CBN_SELCHANGE) {
    // The edit part still shows the old text while this notification runs.
    const LRESULT selected = SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR) SetText(Item(static_cast<int>(selected)));
    if (OnChange) OnChange();
  } else if (code == CBN_EDITCHANGE) {
    if (OnChange) OnChange();
  }
}

}  // namespace ui
