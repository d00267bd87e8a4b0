#include "TransferWatchdog.h"

namespace {
std::atomic<bool> messagePending{false};
}

TransferWatchdog::TransferWatchdog(HWND window, DWORD intervalMilliseconds)
    : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  messagePending = false;
  if (!stop_) return;
  thread_ = std::thread([this, window, intervalMilliseconds] {
    while (WaitForSingleObject(stop_, intervalMilliseconds) == WAIT_TIMEOUT) {
      // Sent, not posted: while the service blocks, only sent messages are
      // handled. SendNotifyMessage does not wait for the answer, so the
      // thread never hangs on a busy window.
      if (!messagePending.exchange(true)) {
        if (!SendNotifyMessageW(window, WM_TRANSFER_WATCH, 0, 0)) messagePending = false;
      }
    }
  });
}

TransferWatchdog::~TransferWatchdog() {
  if (!stop_) return;
  SetEvent(stop_);
  if (thread_.joinable()) thread_.join();
  CloseHandle(stop_);
}

void TransferWatchdog::Acknowledge() { messagePending = false; }
