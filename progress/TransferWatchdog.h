// A thread that only sends a window the watch message, a few times a second,
// for as long as it lives. The download service can block the user-interface
// thread with no report at all (a server that accepts and stays silent); a
// message sent from another thread is still handled meanwhile, and that
// handler is what bounds such a transfer. The work itself stays on the
// user-interface thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

constexpr UINT WM_TRANSFER_WATCH = WM_USER + 2324;

class TransferWatchdog {
 public:
  TransferWatchdog(HWND window, DWORD intervalMilliseconds);
  ~TransferWatchdog();
  TransferWatchdog(const TransferWatchdog&) = delete;
  TransferWatchdog& operator=(const TransferWatchdog&) = delete;

  // Called by the window when it handles the watch message: the next one may
  // be sent. One at a time, so they never pile up behind a busy window.
  static void Acknowledge();

 private:
  HANDLE stop_;
  std::thread thread_;
};
