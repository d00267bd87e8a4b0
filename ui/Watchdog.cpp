#include "Watchdog.h"

#include <map>

namespace ui {

namespace {

// One flag per message, made and looked up on the user-interface thread only;
// the timer's callback keeps a pointer to its own.
std::atomic<bool>& PendingFlag(UINT message) {
  static std::map<UINT, std::atomic<bool>> flags;
  return flags[message];
}

}  // namespace

Watchdog::Watchdog(HWND window, UINT message, DWORD intervalMilliseconds)
    : window_(window), message_(message), pending_(&PendingFlag(message)) {
  *pending_ = false;
  // A timer of the system's pool costs next to nothing to start.
  if (!CreateTimerQueueTimer(&timer_, nullptr, &Watchdog::Tick, this, intervalMilliseconds, intervalMilliseconds,
                             WT_EXECUTEDEFAULT)) {
    timer_ = nullptr;
  }
}

Watchdog::~Watchdog() {
  // Waits for a callback under way; it never blocks.
  if (timer_) DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
}

void CALLBACK Watchdog::Tick(void* context, BOOLEAN) {
  auto* self = static_cast<Watchdog*>(context);
  // Sent, not posted: while such a call blocks, only sent messages are sure to
  // be handled. SendNotifyMessage does not wait for the answer.
  if (!self->pending_->exchange(true)) {
    if (!SendNotifyMessageW(self->window_, self->message_, 0, 0)) *self->pending_ = false;
  }
}

void Watchdog::Acknowledge(UINT message) { PendingFlag(message) = false; }

}  // namespace ui
