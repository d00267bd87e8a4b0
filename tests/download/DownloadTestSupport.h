// What the download tests share: a server, a fresh folder, a fresh form, and
// addresses that no earlier run has put in the URL cache.
#pragma once

#include "TestHttpServer.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PixorraMainFrm.h"

std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);
// How many different images the folder holds: an image fetched by two runs
// may be cached, and so saved, under two names.
std::size_t ImagesIn(const std::string& folder);

// The taskbar button as a run shows it: every call, in order.
class RecordingTaskbar : public TaskbarButton {
 public:
  struct Call {
    enum Kind { Created, Progress, State, Flash } kind;
    unsigned long long done = 0;
    unsigned long long total = 0;
    TaskbarButton::State state = TaskbarButton::State::NoProgress;
  };
  void ButtonCreated(HWND) override { calls.push_back({Call::Created}); }
  void SetProgress(HWND, unsigned long long done, unsigned long long total) override {
    calls.push_back({Call::Progress, done, total});
  }
  void SetState(HWND, State state) override { calls.push_back({Call::State, 0, 0, state}); }
  void FlashUntilForeground(HWND) override { calls.push_back({Call::Flash}); }
  std::vector<Call> calls;
};

// The copy of an image into its folder, failing on request with `error`,
// when `halfWay` after half the image was written: a full disk, a folder
// without write permission, a share that went away mid-copy, on any machine.
class FailingCopies : public CopyServices {
 public:
  unsigned long Copy(const std::wstring& from, const std::wstring& to) override;
  unsigned long error = 0;
  bool halfWay = false;
};

class DownloadTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // An address under a path unique to this test run, served with `answer`.
  std::string ServeImage(const std::string& name, TestHttpAnswer answer);
  std::string ServeImage(const std::string& name, const std::string& body);
  // The server path of an address made by ServeImage.
  std::string PathOf(const std::string& address) const;
  // A folder (ending in "\") below this test's own folder, created.
  std::string Folder(const std::string& name) const;

  TestHttpServer server;
  std::string prefix;  // "/run-<unique>/"
  std::string root;    // this test's folder, ending in "\"
  RecordingTaskbar taskbar;
  FailingCopies copies;
  std::unique_ptr<TPixorraMainForm> form;
};
