// Picking a browser window with the mouse: click the label, then the page.
//
// The label holds the mouse capture from the press to the release; its click
// handler takes the capture for the main window and the label gives it up
// right after, which is the first capture loss after arming and only re-takes
// the capture. The next loss, when the user's click on another application's
// window makes the system cancel this window's capture, picks the window under
// the pointer.
#include "PixorraMainFrm.h"

#include "Application.h"

namespace {

int LeftEdge(HWND window) {
  RECT frame;
  GetWindowRect(window, &frame);
  return frame.left;
}

void MoveLeftEdge(HWND window, int left) {
  RECT frame;
  GetWindowRect(window, &frame);
  SetWindowPos(window, nullptr, left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void TPixorraMainForm::Label2Click() {
  // Arming again during a pick (possible where the moved window shows on a
  // second display) keeps what the first arming saved: by now the system's
  // arrow is the picking cursor and the window's left edge is off-screen.
  const bool alreadyPicking = Armed || Picking;
  // A pick still reading its page (possible on a second display, or after
  // the watch gave up a page) keeps reading, but the pick state is this
  // arming's now: that pick's end must not end this one.
  for (Operations::Pick* pick : operations_.Picks()) pick->LosePickState();
  if (!SavedArrowCursor) SavedArrowCursor = pointer_->Copy(pointer_->StandardArrow());
  // The system takes over the handle it is given, so it gets a copy of ours.
  if (HCURSOR picking = pointer_->PickingCursor()) pointer_->ReplaceSystemArrow(pointer_->Copy(picking));
  Armed = true;
  // Wine tells a window that takes the capture it already holds that it lost
  // it; Windows does not. Only a real change is wanted here.
  if (GetCapture() != Handle()) SetCapture(Handle());
  if (!alreadyPicking) SavedLeft = LeftEdge(Handle());
  // Beyond the right edge of the whole desktop: on a second screen to the
  // right of the first it would stand in plain view, under the pointer.
  MoveLeftEdge(Handle(), GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) + 100);
}

void TPixorraMainForm::RestoreSystemArrow() {
  if (!SavedArrowCursor) return;
  pointer_->ReplaceSystemArrow(SavedArrowCursor);
  SavedArrowCursor = nullptr;  // the system owns it now
}

void TPixorraMainForm::CaptureChanged(TMessage& message) {
  if (Armed) {
    // The first loss after arming never picks.
    Armed = false;
    Picking = true;
    ReleaseCapture();
    SetCapture(Handle());
    message.Result = 0;
    return;
  }
  if (!Picking) return;

  // The arrow comes back before anything else, whether or not a window is found.
  RestoreSystemArrow();
  // The pick is under way from here, so that an arming in the pump below
  // takes the pick state from it.
  Operations::Pick pick(operations_);
  ui::Application::Instance().ProcessMessages();
  if (!pick.OwnsPickState()) return;
  HWND window = pointer_->WindowAtPointer();
  // The bare desktop shows no page: no window to read there either.
  if (window == GetDesktopWindow()) window = nullptr;
  if (!window || window == Handle()) {
    // Nothing to read there. The window stays off-screen, but the capture is
    // taken again so that the user's next click picks instead of stranding it.
    SetCapture(Handle());
    return;
  }
  {
    // The pick ends here on every path, also when the read throws (a page too
    // large for memory, say): the state is Idle, the capture given up and the
    // window back in its place before the exception goes on to the exception
    // box. A window left off-screen with no capture could never be picked back.
    struct EndOfPick {
      TPixorraMainForm& form;
      Operations::Pick& pick;
      ~EndOfPick() { form.EndPick(pick); }
    } endOfPick{*this, pick};
    ReadBrowserPage(window);
  }
  message.Result = 0;
}

void TPixorraMainForm::EndPick(Operations::Pick& pick) {
  // A pick whose state was taken over (the watch ended it, or the user armed
  // again) leaves alone what belongs to the newer one.
  if (!pick.OwnsPickState()) return;
  pick.LosePickState();
  Picking = false;
  // Every way out of a pick gives the system its arrow back.
  RestoreSystemArrow();
  if (GetCapture() == Handle()) ReleaseCapture();
  MoveLeftEdge(Handle(), SavedLeft);
}
