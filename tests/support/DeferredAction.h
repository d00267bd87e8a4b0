// Runs a test's action at this thread's next dispatch of its messages, that
// is, inside whatever pump the thread is in then: a pick's slices, a
// transfer's reports, the wait on a page in another process. It runs once,
// however often it is asked for.
#pragma once

#include "MessageWatch.h"

namespace testsupport {

class DeferredAction {
 public:
  explicit DeferredAction(std::function<void()> action)
      : action_(std::move(action)), watch_(WM_APP, [this](WPARAM, LPARAM) {
          if (Ran()) return;
          ranAt_ = GetTickCount64();  // first: an action that pumps takes no second run
          action_();
        }) {}

  // From any thread.
  void Post() { PostMessageW(watch_.Window(), WM_APP, 0, 0); }
  // From another thread, into a wait that lets only sent messages through.
  void Send() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(watch_.Window(), WM_APP, 0, 0, SMTO_NORMAL, 20000, &ignored);
  }
  bool Ran() const { return ranAt_ != 0; }
  ULONGLONG RanAt() const { return ranAt_; }

  // A procedure for SetWindowSubclass with a DeferredAction as its data: posts
  // it the first time the window is handed `Message`, and takes itself off.
  template <UINT Message>
  static LRESULT CALLBACK PostAtFirst(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR action) {
    if (message == Message) {
      RemoveWindowSubclass(window, &PostAtFirst<Message>, id);
      reinterpret_cast<DeferredAction*>(action)->Post();
    }
    return DefSubclassProc(window, message, wParam, lParam);
  }

 private:
  std::function<void()> action_;
  ULONGLONG ranAt_ = 0;
  MessageWatch watch_;
};

}  // namespace testsupport
