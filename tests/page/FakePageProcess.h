// Runs the stand-in browser page in a process of its own and talks to it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ChildProcess.h"
#include "TemporaryFile.h"

class FakePageProcess {
 public:
  // Starts FakeBrowserPage.exe (in the build's demo folder) with the markup
  // written to a file of its own and the given switches; waits until its page
  // window exists.
  FakePageProcess(const std::string& utf8Markup, const std::wstring& url, const std::vector<std::wstring>& switches = {});

  HWND PageWindow() const { return page_; }

  // Closes the page and waits for it to end; true when it reported.
  bool Finish();
  // What it reported at exit: how often it was asked for its document, and
  // how many references other processes still held on its objects.
  long TimesAsked() const { return asked_; }
  long OutstandingReferences() const { return outstanding_; }

 private:
  std::string ReadLine(DWORD milliseconds);

  // The page reads the file until it ends, so the file goes after it.
  testsupport::TemporaryFile markupFile_;
  testsupport::ChildProcess process_;
  std::string pending_;
  HWND page_ = nullptr;
  long asked_ = -1;
  long outstanding_ = -1;
  bool finished_ = false;
};
