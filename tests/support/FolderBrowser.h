// The system's folder browser, answered from a thread of the test as a user
// would answer it: a folder selected and OK, or Cancel. Either way the browser
// is found as a visible dialog of its process with a tree of folders in it,
// and what it does between the selection and OK is the platform's own.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

// Answers the folder browser of this process, from a thread of its own.
class FolderBrowserDriver {
 public:
  // An empty folder means: press Cancel.
  explicit FolderBrowserDriver(std::wstring folder);
  ~FolderBrowserDriver();

  bool WaitAnswered(DWORD milliseconds);
  // The texts of the dialog's static controls, joined by "|".
  std::wstring Texts() const { return texts_; }

 private:
  void Drive();

  std::wstring folder_;
  std::wstring texts_;
  std::atomic<bool> answered_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Answers the folder browser of another process (Pixorra's): waits for it,
// selects `folder` and presses OK. True when a browser was found and closed.
bool ChooseFolderInBrowser(HANDLE process, DWORD processId, const std::wstring& folder, DWORD milliseconds);
