// Helpers for tests that work on real windows in this process.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "WindowQueries.h"  // ClassName, Children, WindowText

namespace testsupport {

// Dispatches every queued message of this thread.
void PumpMessages();

// The window's rectangle in the client coordinates of its parent.
RECT RectInParent(HWND window);

// Watches, on a thread of its own, for a message box with the given caption
// owned by this process, remembers its texts and answers it with OK, after
// leaving it open for `holdMilliseconds`.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(std::wstring caption, DWORD holdMilliseconds = 0);
  ~MessageBoxAnswerer();

  // Waits until a box was answered or the time ran out; true if answered.
  bool WaitAnswered(DWORD milliseconds);
  // The texts of the box's static controls, joined by "|".
  std::wstring Texts() const { return texts_; }
  // The icon it showed (the handle of its icon control), non-null if any.
  bool HadIcon() const { return hadIcon_; }

 private:
  void Watch();

  std::wstring caption_;
  DWORD hold_;
  std::wstring texts_;
  bool hadIcon_ = false;
  std::atomic<bool> answered_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace testsupport
