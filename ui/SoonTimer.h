// Work on a control that is done a moment later rather than at once, once for
// every request made meanwhile: painting under Wine costs a millisecond or
// more each time, and long work asks for it many times a second.
#pragma once

#include <windows.h>

#include <functional>

namespace ui {

class SoonTimer {
 public:
  enum class Pace {
    // At once when the work last ran `delay` ago or longer, else when it
    // did: a report's new values show within the delay, the last always.
    AtMostEvery,
    // `delay` after the first request since the work last ran: the edits of
    // a moment are painted together.
    AfterFirstRequest,
  };

  SoonTimer(Pace pace, UINT delayMilliseconds, std::function<void()> work);
  ~SoonTimer();
  SoonTimer(const SoonTimer&) = delete;
  SoonTimer& operator=(const SoonTimer&) = delete;

  // The work runs now or within the delay, on a timer of `window`; where the
  // system has no timer to give, it runs now.
  void Request(HWND window);
  // Runs the work now if a request waits for it.
  void RunWaiting();
  bool Waiting() const { return window_ != nullptr; }

 private:
  static void CALLBACK Fire(HWND window, UINT message, UINT_PTR timer, DWORD time) noexcept;
  void Run();

  Pace pace_;
  UINT delay_;
  std::function<void()> work_;
  // The window whose timer waits; null when none does.
  HWND window_ = nullptr;
  ULONGLONG lastRun_ = 0;
};

}  // namespace ui
