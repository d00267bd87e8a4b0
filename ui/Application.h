// The application object: the message loop, the call that dispatches every
// queued message, the quit flag, and the standard exception box that shows an
// exception escaping an event handler while the program goes on.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace ui {

// Sent to the main window with each key pressed in it (the MSG's address in
// lParam) before the control with the focus, or the dialog manager, gets
// it; the window answers TRUE when it took the key for itself.
constexpr UINT WM_PREVIEW_KEY = WM_USER + 2325;

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
  // sets the quit flag and posts the quit again for the loop outside.
  // Windows are painted here at most every kPaintIntervalMilliseconds: long
  // work lets messages through many times a second, and under Wine each
  // paint of a control costs about a millisecond, more than the work
  // between two passes. Input, sent and posted messages always go through.
  void ProcessMessages();
  static constexpr ULONGLONG kPaintIntervalMilliseconds = 40;

  // For the length of a step that no other handler may run inside (a copy,
  // the mark that tells where it went, and its record): ProcessMessages lets
  // nothing through meanwhile, whoever calls it.
  class NoPumping {
   public:
    NoPumping() { ++Instance().noPumping_; }
    ~NoPumping() { --Instance().noPumping_; }
    NoPumping(const NoPumping&) = delete;
    NoPumping& operator=(const NoPumping&) = delete;
  };

  // Asks the program to end: the quit flag is set at once and the quit message
  // posted. Set at once, because a modal loop of the platform (a download
  // service's wait) may take the quit message before any pump of ours does.
  void RequestQuit(int exitCode);

  // True once the program was asked to quit, or the quit message was taken.
  bool Terminated() const { return terminated_; }
  // Forgets a quit request, and the quit still queued, for a program that
  // goes on after one.
  void ResumeAfterQuit();

  // Shows `error` in the standard exception box: a standard exception with its
  // message, anything else as an exception with an empty message.
  void ShowException(std::exception_ptr error);

  // For catch blocks at a window procedure or callback boundary.
  void HandleException() { ShowException(std::current_exception()); }

  // Runs the work of one of the program's window procedures: counted as a
  // message handler (below), and no exception leaves it: it is shown in the
  // exception box, and the procedure answers 0.
  template <typename Work>
  static LRESULT Guarded(Work&& work) {
    const Handling handling;
    try {
      return work();
    } catch (...) {
      Instance().HandleException();
      return 0;
    }
  }

  // For the length of a message handler, in every window procedure of the
  // program. When the outermost handler returns after a quit request was
  // taken inside it, the quit is posted again: the handler may have run
  // inside the loop's wait for the next message (a message sent to a
  // window), and a modal loop of the platform may have taken the quit that
  // a pump posted back meanwhile. Either way the loop must wake and end.
  class Handling {
   public:
    Handling();
    ~Handling();
    Handling(const Handling&) = delete;
    Handling& operator=(const Handling&) = delete;
  };

 private:
  void Dispatch(MSG& message);

  std::wstring title_;
  HWND mainWindow_ = nullptr;
  bool terminated_ = false;
  int exitCode_ = 0;
  ULONGLONG lastPaintPass_ = 0;
  // Message handlers under way on the thread, nested in each other.
  int handlers_ = 0;
  int noPumping_ = 0;
};

}  // namespace ui
