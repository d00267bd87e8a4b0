#include "SoonTimer.h"

#include <unordered_set>

#include "Application.h"

namespace ui {

namespace {

// The timers alive, by their ids (their own addresses): a WM_TIMER taken
// from the queue after its timer was killed finds nothing here. They live on
// the user-interface thread.
std::unordered_set<const SoonTimer*>& Alive() {
  static std::unordered_set<const SoonTimer*> alive;
  return alive;
}

}  // namespace

SoonTimer::SoonTimer(Pace pace, UINT delayMilliseconds, std::function<void()> work)
    : pace_(pace), delay_(delayMilliseconds), work_(std::move(work)) {
  Alive().insert(this);
}

SoonTimer::~SoonTimer() {
  Alive().erase(this);
  if (window_) KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
}

void SoonTimer::Request(HWND window) {
  if (window_) return;
  UINT wait = delay_;
  if (pace_ == Pace::AtMostEvery) {
    const ULONGLONG since = GetTickCount64() - lastRun_;
    if (since >= delay_) {
      Run();
      return;
    }
    wait = static_cast<UINT>(delay_ - since);
  }
  // The id is the timer's own address, apart from any id a control's own
  // class uses (the edit control's and the progress bar's are small).
  if (SetTimer(window, reinterpret_cast<UINT_PTR>(this), wait, &SoonTimer::Fire) != 0) {
    window_ = window;
  } else {
    Run();
  }
}

void SoonTimer::RunWaiting() {
  if (window_) Run();
}

void SoonTimer::Run() {
  if (window_) {
    KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
    window_ = nullptr;
  }
  lastRun_ = GetTickCount64();
  work_();
}

void CALLBACK SoonTimer::Fire(HWND window, UINT, UINT_PTR timer, DWORD) noexcept {
  auto* soon = reinterpret_cast<SoonTimer*>(timer);
  if (Alive().count(soon) == 0) {
    KillTimer(window, timer);
    return;
  }
  try {
    soon->RunWaiting();
  } catch (...) {
    Application::Instance().HandleException();
  }
}

}  // namespace ui
