// Long routines keep the window alive by letting the windowing layer dispatch
// every queued message between their steps. The layer installs its pump here;
// without one (tests, builds without a window system) the call does nothing.
#pragma once

#include <chrono>

using PendingMessagesHandler = void (*)();

void SetPendingMessagesHandler(PendingMessagesHandler handler);
void ProcessPendingMessages();

// For a loop that would let pending messages through at every step (every
// match of a page scan): lets them through at most once per interval. A look
// at an empty queue costs a server round trip under Wine, about 58 µs, which
// on a page of 50,000 images took longer than the scan itself; every 10 ms
// keeps the window just as alive.
//
// Reading the clock costs about half a quick step (a tag every 20 bytes), so
// it is read only every few steps, as many as the pace allows: the stride
// doubles while reads come under a sixteenth of the interval apart and drops
// back to one step once they come over an eighth apart. While the pace holds,
// messages are late by at most an eighth of the interval. When steps turn slow
// (matches far apart), one stride goes by before the pacer notices, so the
// stride is capped: reads stopped showing on a dense page from 16 steps apart,
// and twice that leaves a margin. The clock is a parameter for the tests.
template <class Clock>
class BasicPendingMessagesPacer {
 public:
  void Step() {
    if (--stepsUntilRead_ > 0) return;
    const typename Clock::time_point now = Clock::now();
    if (started_) {
      const auto sinceRead = now - lastRead_;
      if (sinceRead < kInterval / 16) {
        if (stride_ < kLongestStride) stride_ *= 2;
      } else if (sinceRead > kInterval / 8) {
        stride_ = 1;
      }
    }
    lastRead_ = now;
    stepsUntilRead_ = stride_;
    // The first step always lets them through.
    if (started_ && now - lastPass_ < kInterval) return;
    started_ = true;
    lastPass_ = now;
    ProcessPendingMessages();
  }

 private:
  static constexpr std::chrono::microseconds kInterval{10000};
  static constexpr int kLongestStride = 32;
  int stride_ = 1;
  int stepsUntilRead_ = 1;
  bool started_ = false;
  typename Clock::time_point lastRead_{};
  typename Clock::time_point lastPass_{};
};

using PendingMessagesPacer = BasicPendingMessagesPacer<std::chrono::steady_clock>;
