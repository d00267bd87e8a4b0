// The outermost download run on the window's taskbar button: the share of its
// image lines handled so far, counted over the lines as it meets them, red
// from the first failed line on, paused while it waits for the user, and
// taken off the button however the run ends. A nested run shows through the
// outermost one's.
#pragma once

#include <windows.h>

#include "Operations.h"
#include "TaskbarButton.h"

class RunOnTaskbar {
 public:
  RunOnTaskbar(TaskbarButton& button, HWND window, Operations::DownloadRun& run);
  ~RunOnTaskbar() { End(); }
  RunOnTaskbar(const RunOnTaskbar&) = delete;
  RunOnTaskbar& operator=(const RunOnTaskbar&) = delete;

  // `ahead`: the image lines still to meet, the one under way included.
  void Show(std::size_t ahead);
  // The run waits for the user, or goes on; an error shown stays shown.
  void Pause(bool paused);
  // No progress on the button once the run is over.
  void End();

 private:
  RunOnTaskbar& Shown() { return *run_.Taskbar(); }

  TaskbarButton& button_;
  HWND window_;
  Operations::DownloadRun& run_;
  bool shown_;
  bool error_ = false;
  int pauses_ = 0;
};
