// The system's folder browser, answered as a user would: a folder selected and
// OK, or Cancel. It is found as a visible dialog of its process with a tree of
// folders in it; what it does between the selection and OK is the platform's own.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

// Answers the folder browser of this process, from a thread of its own.
class FolderBrowserDriver {
 public:
  explicit FolderBrowserDriver(std::wstring folder);  // empty: press Cancel
  ~FolderBrowserDriver();

  bool WaitAnswered(DWORD milliseconds);
  std::wstring Texts() const { return texts_; }  // of the dialog's static controls, joined by "|"

 private:
  void Drive();

  std::wstring folder_, texts_;
  std::atomic<bool> answered_{false}, stop_{false};
  std::thread thread_;
};

// Answers the folder browser of another process (Pixorra's). True when a
// browser was found and closed.
bool ChooseFolderInBrowser(HANDLE process, const std::wstring& folder, DWORD milliseconds);
