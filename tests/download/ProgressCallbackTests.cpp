// The program's transfer callback and the progress message it sends.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "DownloadProgress.h"
#include "MessageWatch.h"
#include "PixorraMainFrm.h"
#include "ProgressReports.h"
#include "WindowQueries.h"

namespace {

TEST(ProgressCallbackTest, AnswersForItsTwoInterfacesOnly) {
  IBindStatusCallback* callback = &ProgressCallback;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(callback->QueryInterface(IID_IUnknown, &object), S_OK);
  EXPECT_EQ(object, static_cast<void*>(callback));
  callback->Release();
  EXPECT_EQ(callback->QueryInterface(IID_IBindStatusCallback, &object), S_OK);
  EXPECT_EQ(object, static_cast<void*>(callback));
  callback->Release();
  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(callback->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(callback->QueryInterface(IID_IBinding, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST(ProgressCallbackTest, ReleaseToZeroLeavesItUsable) {
  IBindStatusCallback* callback = &ProgressCallback;
  const ULONG count = callback->AddRef() - 1;
  callback->Release();
  for (ULONG i = 0; i <= count; ++i) callback->Release();
  EXPECT_EQ(callback->AddRef(), 0u) << "back from below zero";
  for (ULONG i = 0; i < count; ++i) callback->AddRef();
  EXPECT_EQ(callback->AddRef(), count + 1);
  callback->Release();
  EXPECT_EQ(callback->GetPriority(nullptr), E_NOTIMPL);
  EXPECT_EQ(callback->OnStartBinding(0, nullptr), S_OK);
  EXPECT_EQ(callback->GetBindInfo(nullptr, nullptr), S_OK);
}

TEST(ProgressCallbackTest, ReportsReachTheWindowWithStatusesClamped) {
  // A window of its own that keeps every progress record sent to it.
  std::vector<DownloadProgress> received;
  testsupport::MessageWatch window(WM_DOWNLOAD_PROGRESS, [&received](WPARAM, LPARAM lParam) {
    if (lParam) received.push_back(*reinterpret_cast<DownloadProgress*>(lParam));
  });
  ProgressCallback.Attach(window.Window());
  const wchar_t text[] = L"status";
  const ULONG statuses[] = {0, 1, 13, 24, 25, 100, 0xFFFFFFFFu};
  for (ULONG status : statuses) EXPECT_EQ(ProgressCallback.OnProgress(10, 0, status, text), S_OK);
  ProgressCallback.Attach(nullptr);
  EXPECT_EQ(ProgressCallback.OnProgress(1, 2, 3, text), S_OK);

  ASSERT_EQ(received.size(), 7u) << "nothing is sent without a window";
  const ULONG expected[] = {25, 1, 13, 24, 25, 25, 25};
  for (std::size_t i = 0; i < received.size(); ++i) {
    EXPECT_EQ(received[i].StatusCode, expected[i]);
    EXPECT_EQ(received[i].Progress, 10u);
    EXPECT_EQ(received[i].ProgressMax, 0u);
  }
  EXPECT_EQ(received[0].StatusText, text);
}

TEST(ProgressMessageTest, SetsTheBarFromTheRecord) {
  TPixorraMainForm form;
  const ULONGLONG firstReport = GetTickCount64();
  DownloadProgress progress = {300, 1200, 5, nullptr};
  SendMessageW(form.Handle(), WM_DOWNLOAD_PROGRESS, 0, reinterpret_cast<LPARAM>(&progress));
  EXPECT_EQ(form.SingFileProgressBar.Min(), 0);
  EXPECT_EQ(form.SingFileProgressBar.Max(), 1200);
  EXPECT_EQ(form.SingFileProgressBar.Position(), 300);

  // An unknown size makes the range 0 to 0.
  progress = {4096, 0, 5, nullptr};
  SendMessageW(form.Handle(), WM_DOWNLOAD_PROGRESS, 0, reinterpret_cast<LPARAM>(&progress));
  EXPECT_EQ(form.SingFileProgressBar.Max(), 0);

  // A message without a record changes nothing.
  progress = {10, 20, 5, nullptr};
  SendMessageW(form.Handle(), WM_DOWNLOAD_PROGRESS, 0, reinterpret_cast<LPARAM>(&progress));
  SendMessageW(form.Handle(), WM_DOWNLOAD_PROGRESS, 0, 0);
  EXPECT_EQ(form.SingFileProgressBar.Max(), 20);
  EXPECT_EQ(form.SingFileProgressBar.Position(), 10);

  // Reports close together reach the control itself a moment later, the
  // last one at least; a position set directly (a cached image) wins over
  // whatever still waits.
  const HWND bar = form.SingFileProgressBar.Handle();
  if (GetTickCount64() - firstReport < ui::ProgressBar::kShowIntervalMilliseconds) {
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 300) << "the control took the first report only, so far";
  }
  EXPECT_TRUE(WaitFor([&] { return SendMessageW(bar, PBM_GETPOS, 0, 0) == 10; }, 2000));
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 20);
  progress = {7, 30, 5, nullptr};
  SendMessageW(form.Handle(), WM_DOWNLOAD_PROGRESS, 0, reinterpret_cast<LPARAM>(&progress));
  form.SingFileProgressBar.SetPosition(form.SingFileProgressBar.Max());
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 30);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 30);
}

}  // namespace
