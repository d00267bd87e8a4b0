// How a test steps into a long operation (a list's slices, a transfer's
// reports, the wait on another process's page): a watch acts when a window of
// this thread is handed a message, a deferred action at the next dispatch.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

namespace testsupport {

// The handler runs before the window's own procedure, inside whatever sent or
// dispatched the message. The window is subclassed only while the watch
// lives: no watch acts in a later case.
class MessageWatch {
 public:
  using Handler = std::function<void(WPARAM, LPARAM)>;

  MessageWatch(HWND window, UINT message, Handler handler)
      : window_(window), message_(message), handler_(std::move(handler)) {
    // The watch's address tells it from other watches on the same window.
    SetWindowSubclass(window_, &Procedure, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this));
  }
  // On a message-only window of its own, Window().
  MessageWatch(UINT message, Handler handler)
      : MessageWatch(CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr),
                     message, std::move(handler)) {
    ownsWindow_ = true;
  }
  ~MessageWatch() {
    RemoveWindowSubclass(window_, &Procedure, reinterpret_cast<UINT_PTR>(this));
    if (ownsWindow_) DestroyWindow(window_);
  }
  MessageWatch(const MessageWatch&) = delete;
  MessageWatch& operator=(const MessageWatch&) = delete;

  HWND Window() const { return window_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR data) {
    auto* self = reinterpret_cast<MessageWatch*>(data);
    if (message == self->message_) self->handler_(wParam, lParam);
    return DefSubclassProc(window, message, wParam, lParam);
  }

  HWND window_;
  UINT message_;
  Handler handler_;
  bool ownsWindow_ = false;
};

// Runs once, however often it is posted or sent.
class DeferredAction {
 public:
  explicit DeferredAction(std::function<void()> action)
      : action_(std::move(action)), watch_(WM_APP, [this](WPARAM, LPARAM) {
          if (Ran()) return;
          ranAt_ = GetTickCount64();  // first: an action that pumps takes no second run
          action_();
        }) {}

  void Post() { PostMessageW(watch_.Window(), WM_APP, 0, 0); }  // from any thread
  // From another thread, into a wait that lets only sent messages through.
  void Send() { SendMessageTimeoutW(watch_.Window(), WM_APP, 0, 0, SMTO_NORMAL, 20000, nullptr); }
  bool Ran() const { return ranAt_ != 0; }
  ULONGLONG RanAt() const { return ranAt_; }

 private:
  std::function<void()> action_;
  ULONGLONG ranAt_ = 0;
  MessageWatch watch_;
};

}  // namespace testsupport
