#include "ProgressBar.h"

#include <commctrl.h>

namespace ui {

void ProgressBar::Create(HWND parent, const Bounds& bounds) {
  CreateHandle({PROGRESS_CLASSW, WS_VISIBLE | WS_TABSTOP, 0, L"", bounds, parent, nullptr});
  SendMessageW(Handle(), PBM_SETRANGE32, 0, 100);
}

int ProgressBar::Min() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, TRUE, 0)); }
int ProgressBar::Max() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, FALSE, 0)); }
int ProgressBar::Position() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0)); }

void ProgressBar::SetMin(int minimum) { SendMessageW(Handle(), PBM_SETRANGE32, minimum, Max()); }
void ProgressBar::SetMax(int maximum) { SendMessageW(Handle(), PBM_SETRANGE32, Min(), maximum); }
void ProgressBar::SetRange(int minimum, int maximum) {
  PBRANGE range = {};
  SendMessageW(Handle(), PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  if (range.iLow != minimum || range.iHigh != maximum) SendMessageW(Handle(), PBM_SETRANGE32, minimum, maximum);
}

void ProgressBar::SetPosition(int position) {
  if (Position() == position) return;
  OutOfSight sight(*this);
  SendMessageW(Handle(), PBM_SETPOS, position, 0);
  sight.Restore();
  if (sight.WasVisible()) InvalidateRect(Handle(), nullptr, FALSE);
}

}  // namespace ui
