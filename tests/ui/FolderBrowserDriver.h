// Answers the system's folder browser of this process from a thread of its
// own, as a user would: a folder chosen and OK, or Cancel.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

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
