#include "ProgressBar.h"

#include <commctrl.h>

namespace ui {

void ProgressBar::Create(HWND parent, const Bounds& bounds) {
  CreateHandle({PROGRESS_CLASSW, WS_VISIBLE | WS_TABSTOP, 0, L"", bounds, parent, nullptr});
  SendMessageW(Handle(), PBM_SETRANGE32, 0, 100);
}

int ProgressBar::Min() const {
  return waiting_ ? waiting_->minimum : static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, TRUE, 0));
}
int ProgressBar::Max() const {
  return waiting_ ? waiting_->maximum : static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, FALSE, 0));
}
int ProgressBar::Position() const {
  return waiting_ ? waiting_->position : static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0));
}

void ProgressBar::SetMin(int minimum) {
  show_.RunWaiting();
  SendRange(minimum, Max());
}

void ProgressBar::SetMax(int maximum) {
  show_.RunWaiting();
  SendRange(Min(), maximum);
}

void ProgressBar::SetRange(int minimum, int maximum) {
  show_.RunWaiting();
  SendRange(minimum, maximum);
}

void ProgressBar::SetPosition(int position) {
  show_.RunWaiting();
  SendPosition(position);
}

void ProgressBar::ShowSoon(int minimum, int maximum, int position) {
  waiting_ = Values{minimum, maximum, position};
  show_.Request(Handle());
}

void ProgressBar::ShowWaiting() {
  if (!waiting_) return;
  const Values values = *waiting_;
  waiting_.reset();
  SendRange(values.minimum, values.maximum);
  SendPosition(values.position);
}

void ProgressBar::SendRange(int minimum, int maximum) {
  PBRANGE range = {};
  SendMessageW(Handle(), PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  if (range.iLow != minimum || range.iHigh != maximum) SendMessageW(Handle(), PBM_SETRANGE32, minimum, maximum);
}

void ProgressBar::SendPosition(int position) {
  if (static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0)) == position) return;
  OutOfSight sight(*this);
  SendMessageW(Handle(), PBM_SETPOS, position, 0);
  sight.Restore();
  if (sight.WasVisible()) InvalidateRect(Handle(), nullptr, FALSE);
}

}  // namespace ui
