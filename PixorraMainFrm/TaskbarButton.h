// The window's button on the taskbar: how far a download run has got, whether
// a line failed, and a flash when a run ends while the user looks elsewhere.
// The form reaches it through this seam so that tests can watch what a run
// shows there, which Wine's taskbar does not draw.
#pragma once

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <memory>

#include "ComHolders.h"

class TaskbarButton {
 public:
  enum class State { NoProgress, Normal, Error, Paused };

  TaskbarButton() = default;
  TaskbarButton(const TaskbarButton&) = delete;
  TaskbarButton& operator=(const TaskbarButton&) = delete;
  virtual ~TaskbarButton() = default;

  // The taskbar announced the window's button (again, after the shell
  // restarted): its object is made now. Where there is none (older systems,
  // some Wine setups), the other calls do nothing.
  virtual void ButtonCreated(HWND window);
  // `done` of `total` on the button; shown only while a run is under way.
  virtual void SetProgress(HWND window, unsigned long long done, unsigned long long total);
  virtual void SetState(HWND window, State state);
  // Flashes the button until the window comes to the foreground.
  virtual void FlashUntilForeground(HWND window);

 private:
  // COM stays initialised for as long as the taskbar's object is held.
  std::unique_ptr<ScopedCoInitialize> com_;
  Microsoft::WRL::ComPtr<ITaskbarList3> list_;
};
