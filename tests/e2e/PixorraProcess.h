// The real Pixorra.exe, started and read from outside as a user's tools would.
#pragma once

#include <windows.h>

#include <string>

#include "ChildProcess.h"
#include "RealInput.h"
#include "WindowQueries.h"

class PixorraProcess {
 public:
  // Starts Pixorra.exe from the build folder and waits for its main window.
  PixorraProcess();

  HWND MainWindow() const { return main_; }
  // Controls found by what a user sees: class and caption, or place in the window.
  HWND ControlWithText(const wchar_t* className, const wchar_t* text) const;
  HWND DownloadList() const;   // the visible list under the panel
  HWND CollectedList() const;  // the hidden list
  HWND TypeSelector() const;
  HWND ProgressBar() const;    // the current file's bar
  HWND SavePathLabel() const;  // the hidden label that holds the save folder
  HWND FileLabel() const;      // the label after "当前文件进度：": the file, or how the run went
  HANDLE Process() const { return process_.Handle(); }

  // A control's wide text, read from this process (testsupport::WindowText).
  static std::wstring Text(HWND window) { return testsupport::WindowText(window); }
  RECT Frame() const;

  // The pick with real input, as a user makes it: a click on the label, then
  // one on the page. True once the page's images are collected and the window
  // is back in its place.
  bool PickPage(HWND page);

  // Closes the window as the user does and waits for the program to end.
  bool Close(DWORD milliseconds);

 private:
  testsupport::ChildProcess process_;
  HWND main_ = nullptr;
};

// A click on a window of another application while Pixorra is picking; see
// the definition for what it delivers beyond the press and release.
void ClickOnAnotherApplication(HWND pixorraWindow, HWND target, int x, int y);
// Clicks on a control of Pixorra and waits until it (or its edit box) has
// the keyboard focus, so that keys typed next reach it.
bool ClickToFocus(HWND control, int dx = 0);
// Whether `control` (or a child of it, as a combo box's edit) has the keyboard
// focus of its thread, in whatever process.
bool HasKeyboardFocus(HWND control);
