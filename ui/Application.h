// The application object: the message loop, the call that dispatches every
// queued message, the quit flag, and the standard exception box that shows an
// exception escaping an event handler while the program goes on.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace ui {

class Application {
 public:
  // The program's application object. Tests may make others of their own.
  static Application& Instance();
  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Common controls and the pending-messages pump of the text routines.
  void Initialize();

  void SetTitle(const std::wstring& title) { title_ = title; }
  const std::wstring& Title() const { return title_; }

  // The window whose closing ends the program and which owns message boxes.
  void SetMainWindow(HWND window) { mainWindow_ = window; }
  HWND MainWindow() const { return mainWindow_; }

  // Runs the message loop until the quit message is taken.
  void Run();

  // Dispatches every queued message, then returns. Taking the quit message
  // sets the quit flag instead of dispatching it.
  void ProcessMessages();

  // True once the quit message was taken from the queue.
  bool Terminated() const { return terminated_; }
  // Forgets a quit request, for a program that goes on after one.
  void ResumeAfterQuit() { terminated_ = false; }

  // Shows `error` in the standard exception box: a standard exception with its
  // message, anything else as an exception with an empty message.
  void ShowException(std::exception_ptr error);

  // For catch blocks at a window procedure or callback boundary.
  void HandleException() { ShowException(std::current_exception()); }

 private:
  void Dispatch(MSG& message);

  std::wstring title_;
  HWND mainWindow_ = nullptr;
  bool terminated_ = false;
};

}  // namespace ui
