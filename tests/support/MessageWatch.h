// Lets a test act when a window of this thread is handed a given message: the
// handler runs first, inside whatever sent or dispatched the message, then the
// window's own procedure. So a test steps into the middle of a long
// operation: at a list's slice, at a transfer's progress report. The window is
// subclassed only while the watch lives: no watch acts in a later case.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

namespace testsupport {

class MessageWatch {
 public:
  using Handler = std::function<void(WPARAM, LPARAM)>;

  MessageWatch(HWND window, UINT message, Handler handler)
      : window_(window), message_(message), handler_(std::move(handler)) {
    // The watch's address tells it from other watches on the same window.
    SetWindowSubclass(window_, &Procedure, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this));
  }
  // On a message-only window of its own, Window(), for what a test posts or sends there.
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

}  // namespace testsupport
