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
#include "Watchdog.h"

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
  if (!SavedArrowCursor) SavedArrowCursor = pointer_->Copy(pointer_->StandardArrow());
  // The system takes over the handle it is given, so it gets a copy of ours.
  if (HCURSOR picking = pointer_->PickingCursor()) pointer_->ReplaceSystemArrow(pointer_->Copy(picking));
  Armed = true;
  // Wine tells a window that takes the capture it already holds that it lost
  // it; Windows does not. Only a real change is wanted here.
  if (GetCapture() != Handle()) SetCapture(Handle());
  if (!alreadyPicking) SavedLeft = LeftEdge(Handle());
  MoveLeftEdge(Handle(), GetSystemMetrics(SM_CXSCREEN) + 100);
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
  ui::Application::Instance().ProcessMessages();
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
    // A pick that the watch ended early, or a later pick, is left alone.
    const unsigned pick = ++picks_;
    struct EndOfPick {
      TPixorraMainForm& form;
      unsigned pick;
      ~EndOfPick() {
        if (form.picks_ == pick) form.EndPick();
      }
    } endOfPick{*this, pick};
    ReadBrowserPage(window);
  }
  message.Result = 0;
}

void TPixorraMainForm::EndPick() {
  Picking = false;
  ReleaseCapture();
  MoveLeftEdge(Handle(), SavedLeft);
}

void TPixorraMainForm::PageReadWatch() {
  ui::Watchdog::Acknowledge(WM_PAGE_READ_WATCH);
  // Past its deadline a call into the page is cancelled, and the read returns
  // at once. Where the platform goes on waiting for the page all the same
  // (Wine), the pick ends here a little later: the window comes back and
  // answers, and whatever the page sends afterwards is dropped.
  constexpr ULONGLONG kCancelGraceMilliseconds = 1000;
  if (pageReadDeadline_ == kNoPageRead || GetTickCount64() < pageReadDeadline_ + kCancelGraceMilliseconds) return;
  if (!Picking || Armed) return;
  ++picks_;
  EndPick();
}
