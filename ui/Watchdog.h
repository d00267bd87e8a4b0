// Sends a window one message, a few times a second, from a thread of the
// system's timer pool, for as long as it lives. Some platform calls block the
// user-interface thread with nothing to report (a download service facing a
// silent server, a call into a page that does not answer); a message sent
// from another thread is still handled meanwhile, and that handler is what
// bounds such a call. The work itself stays on the user-interface thread.
#pragma once

#include <windows.h>

#include <atomic>

namespace ui {

class Watchdog {
 public:
  Watchdog(HWND window, UINT message, DWORD intervalMilliseconds);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Called by the window when it handles `message`: the next one may be
  // sent. One at a time, so they never pile up behind a busy window.
  static void Acknowledge(UINT message);

 private:
  static void CALLBACK Tick(void* context, BOOLEAN timedOut);

  HWND window_;
  UINT message_;
  std::atomic<bool>* pending_;
  HANDLE timer_ = nullptr;
};

}  // namespace ui
