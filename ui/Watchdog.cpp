#include "Watchdog.h"

#include <map>

namespace ui {

namespace {

// One flag per message, made and looked up on the user-interface thread only;
// a watchdog's thread keeps a pointer to its own.
std::atomic<bool>& PendingFlag(UINT message) {
  static std::map<UINT, std::atomic<bool>> flags;
  return flags[message];
}

}  // namespace

Watchdog::Watchdog(HWND window, UINT message, DWORD intervalMilliseconds)
    : pending_(&PendingFlag(message)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  *pending_ = false;
  if (!stop_) return;
  thread_ = std::thread([this, window, message, intervalMilliseconds] {
    while (WaitForSingleObject(stop_, intervalMilliseconds) == WAIT_TIMEOUT) {
      // Sent, not posted: while such a call blocks, only sent messages are
      // sure to be handled. SendNotifyMessage does not wait for the answer,
      // so this thread never hangs on a busy window.
      if (!pending_->exchange(true)) {
        if (!SendNotifyMessageW(window, message, 0, 0)) *pending_ = false;
      }
    }
  });
}

Watchdog::~Watchdog() {
  if (!stop_) return;
  SetEvent(stop_);
  if (thread_.joinable()) thread_.join();
  CloseHandle(stop_);
}

void Watchdog::Acknowledge(UINT message) { PendingFlag(message) = false; }

}  // namespace ui
