#include "RunOnTaskbar.h"

RunOnTaskbar::RunOnTaskbar(TaskbarButton& button, HWND window, Operations::DownloadRun& run)
    : button_(button), window_(window), run_(run), shown_(run.Outermost()) {
  if (!shown_) return;
  run_.ShowOn(this);
  button_.SetState(window_, TaskbarButton::State::Normal);
}

void RunOnTaskbar::Show(std::size_t ahead) {
  if (!shown_) return;
  if (run_.FailedCount() > 0 && !error_) {
    error_ = true;
    button_.SetState(window_, TaskbarButton::State::Error);
  }
  button_.SetProgress(window_, run_.HandledCount(), run_.HandledCount() + ahead);
}

void RunOnTaskbar::Pause(bool paused) {
  if (!shown_) {
    if (run_.Taskbar()) Shown().Pause(paused);
    return;
  }
  // Waits nest (a nested run waits inside the outer one's): paused until the
  // last of them is over.
  const bool wasPaused = pauses_ > 0;
  pauses_ += paused ? 1 : -1;
  if (error_ || wasPaused == (pauses_ > 0)) return;
  button_.SetState(window_, pauses_ > 0 ? TaskbarButton::State::Paused : TaskbarButton::State::Normal);
}

void RunOnTaskbar::End() {
  if (!shown_) return;
  button_.SetState(window_, TaskbarButton::State::NoProgress);
  run_.ShowOn(nullptr);
  shown_ = false;
}
