// The picking gesture's state machine on the real main window: real capture,
// real window moves, real pointer position. Only the cursor calls go through a
// recording seam, so that no test ever changes the system's arrow.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Application.h"
#include "FakePointer.h"
#include "PixorraMainFrm.h"
#include "WindowTestSupport.h"

namespace {

// The form with its page reading replaced by a record of what it was handed.
class PickForm : public TPixorraMainForm {
 public:
  explicit PickForm(PointerServices& pointer) : TPixorraMainForm(pointer) {}
  void ReadBrowserPage(HWND window) override {
    read.push_back(window);
    if (duringRead) duringRead();
  }
  std::vector<HWND> read;
  std::function<void()> duringRead;
};

// A plain window of this process to point at, where a page would be. It
// answers hit tests (SS_NOTIFY), so WindowFromPoint finds it.
class TargetWindow {
 public:
  TargetWindow() {
    handle_ = CreateWindowExW(WS_EX_TOPMOST, L"Static", L"target", WS_POPUP | WS_VISIBLE | SS_NOTIFY, 600, 400, 200, 150, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~TargetWindow() { DestroyWindow(handle_); }
  HWND Handle() const { return handle_; }
  void PointAt() const { SetCursorPos(700, 475); }

 private:
  HWND handle_;
};

int Left(HWND window) {
  RECT frame;
  GetWindowRect(window, &frame);
  return frame.left;
}

int Top(HWND window) {
  RECT frame;
  GetWindowRect(window, &frame);
  return frame.top;
}

class PickingTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<PickForm>(pointer);
    form->Show();
    SetWindowPos(form->Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    testsupport::PumpMessages();
    offScreen = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) + 100;
  }
  void TearDown() override {
    ReleaseCapture();
    form.reset();
    testsupport::PumpMessages();
  }

  // The capture is lost for real: the window gets its WM_CAPTURECHANGED.
  void LoseCapture() {
    ASSERT_EQ(GetCapture(), form->Handle()) << "the main window should hold the capture";
    ReleaseCapture();
  }

  testsupport::FakePointer pointer;
  std::unique_ptr<PickForm> form;
  TargetWindow target;
  int offScreen = 0;
};

TEST_F(PickingTest, ArmingReplacesTheArrowTakesTheCaptureAndMovesAway) {
  form->Label2Click();
  EXPECT_TRUE(form->Armed);
  EXPECT_FALSE(form->Picking);
  EXPECT_EQ(GetCapture(), form->Handle());
  EXPECT_EQ(Left(form->Handle()), offScreen);
  EXPECT_EQ(Top(form->Handle()), 30);
  EXPECT_EQ(form->SavedLeft, 40);
  EXPECT_EQ(pointer.calls,
            (std::vector<std::string>{"StandardArrow", "Copy", "PickingCursor", "Copy", "ReplaceSystemArrow"}));
  EXPECT_EQ(form->SavedArrowCursor, pointer.copies[0]);
  EXPECT_EQ(pointer.replaced[0], pointer.copies[1]) << "the system gets a copy of the picking cursor";
}

TEST_F(PickingTest, FirstLossAfterArmingOnlyRetakesTheCapture) {
  form->Label2Click();
  pointer.calls.clear();
  LoseCapture();
  EXPECT_FALSE(form->Armed);
  EXPECT_TRUE(form->Picking);
  EXPECT_EQ(GetCapture(), form->Handle());
  EXPECT_EQ(Left(form->Handle()), offScreen);
  EXPECT_TRUE(pointer.calls.empty()) << "no pick, and the picking cursor stays";
  EXPECT_TRUE(form->read.empty());
}

TEST_F(PickingTest, SecondLossPicksTheWindowUnderThePointerAndComesBack) {
  form->Label2Click();
  const HCURSOR savedArrow = form->SavedArrowCursor;
  LoseCapture();
  pointer.calls.clear();
  target.PointAt();
  LoseCapture();
  EXPECT_EQ(form->read, std::vector<HWND>({target.Handle()}));
  EXPECT_FALSE(form->Armed);
  EXPECT_FALSE(form->Picking);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Left(form->Handle()), 40);
  EXPECT_EQ(Top(form->Handle()), 30);
  // The arrow is restored with the saved copy before the window is looked up.
  EXPECT_EQ(pointer.calls, (std::vector<std::string>{"ReplaceSystemArrow", "WindowAtPointer"}));
  EXPECT_EQ(pointer.replaced.back(), savedArrow);
  EXPECT_EQ(form->SavedArrowCursor, nullptr);
}

// A click on another application's window: on Windows the system cancels the
// capture; Wine only brings that window to the front, and leaving the front
// gives the capture up. Either picks.
TEST_F(PickingTest, AClickOnAnotherApplicationPicksOnEitherRoad) {
  for (const UINT message : {WM_CANCELMODE, WM_ACTIVATEAPP}) {
    SCOPED_TRACE(message == WM_CANCELMODE ? "WM_CANCELMODE" : "WM_ACTIVATEAPP");
    form->read.clear();
    form->Label2Click();
    LoseCapture();
    target.PointAt();
    SendMessageW(form->Handle(), message, FALSE, 0);
    EXPECT_EQ(form->read, std::vector<HWND>({target.Handle()}));
    EXPECT_FALSE(form->Picking);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Left(form->Handle()), 40);
  }
}

TEST_F(PickingTest, PickOverNothingRestoresTheArrowAndWaitsForTheNextClick) {
  form->Label2Click();
  LoseCapture();
  pointer.nothingThere = true;
  LoseCapture();
  EXPECT_TRUE(form->Picking);
  EXPECT_TRUE(form->read.empty());
  EXPECT_EQ(Left(form->Handle()), offScreen);
  EXPECT_EQ(form->SavedArrowCursor, nullptr);
  EXPECT_EQ(GetCapture(), form->Handle()) << "the capture is taken again, so the next click picks";

  // The next click picks, and the arrow, already normal, is not restored twice.
  pointer.nothingThere = false;
  pointer.calls.clear();
  target.PointAt();
  LoseCapture();
  EXPECT_EQ(form->read, std::vector<HWND>({target.Handle()}));
  EXPECT_FALSE(form->Picking);
  EXPECT_EQ(Left(form->Handle()), 40);
  EXPECT_EQ(pointer.calls, std::vector<std::string>({"WindowAtPointer"}));
}

TEST_F(PickingTest, PickOverTheMainWindowItselfIsNoPick) {
  form->Label2Click();
  LoseCapture();
  // As on a second display, where the moved window still shows: point at its caption.
  SetWindowPos(form->Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetCursorPos(200, 30 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2);
  LoseCapture();
  EXPECT_TRUE(form->read.empty());
  EXPECT_TRUE(form->Picking);
  EXPECT_EQ(GetCapture(), form->Handle());
}

TEST_F(PickingTest, LossWhileIdleChangesNothing) {
  EXPECT_EQ(SendMessageW(form->Handle(), WM_CAPTURECHANGED, 0, 0), 0);
  EXPECT_FALSE(form->Armed);
  EXPECT_FALSE(form->Picking);
  EXPECT_EQ(Left(form->Handle()), 40);
  EXPECT_TRUE(pointer.calls.empty());
}

TEST_F(PickingTest, ArmingAgainKeepsTheRealArrowAndThePlaceToComeBackTo) {
  form->Label2Click();
  const HCURSOR realArrowCopy = form->SavedArrowCursor;
  LoseCapture();
  form->Label2Click();  // possible where the moved window shows on a second display
  EXPECT_TRUE(form->Armed);
  EXPECT_TRUE(form->Picking);
  EXPECT_EQ(form->SavedArrowCursor, realArrowCopy);
  EXPECT_EQ(form->SavedLeft, 40);
  LoseCapture();  // absorbed again: Armed is tested first
  EXPECT_TRUE(form->read.empty());
  target.PointAt();
  LoseCapture();
  EXPECT_EQ(form->read.size(), 1u);
  EXPECT_EQ(pointer.replaced.back(), realArrowCopy);
  EXPECT_EQ(Left(form->Handle()), 40);
}

// The pick step lets pending messages through before it looks at the
// pointer. A click on the label waiting there arms a new pick, and the step
// under way must leave that one alone.
TEST_F(PickingTest, AnArmingInsideThePickStepTakesOver) {
  form->Label2Click();
  LoseCapture();
  target.PointAt();
  PostMessageW(form->Label2.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageW(form->Label2.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  LoseCapture();
  EXPECT_TRUE(form->read.empty()) << "the step whose pick was taken over read a page";
  EXPECT_TRUE(form->Picking);
  EXPECT_EQ(GetCapture(), form->Handle()) << "the new pick waits for its click";
  EXPECT_EQ(Left(form->Handle()), offScreen);
}

TEST_F(PickingTest, ClosingDuringAPickPutsTheArrowBack) {
  form->Label2Click();
  const HCURSOR realArrowCopy = form->SavedArrowCursor;
  LoseCapture();
  DestroyWindow(form->Handle());
  EXPECT_EQ(pointer.replaced.back(), realArrowCopy);
  EXPECT_EQ(form->SavedArrowCursor, nullptr);
}

TEST_F(PickingTest, PressAndReleaseOnTheLabelArmsAndGivesTheFirstLoss) {
  HWND label = form->Label2.Handle();
  SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), label) << "the label holds the capture while pressed";
  SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_FALSE(form->Armed);
  EXPECT_TRUE(form->Picking);
  EXPECT_EQ(GetCapture(), form->Handle());
  EXPECT_EQ(Left(form->Handle()), offScreen);
}

TEST_F(PickingTest, ReleaseOutsideTheLabelIsNoClick) {
  HWND label = form->Label2.Handle();
  SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(300, 10));
  EXPECT_FALSE(form->Armed);
  EXPECT_FALSE(form->Picking);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(pointer.calls.empty());
}

TEST_F(PickingTest, AnExceptionDuringTheReadStillEndsThePick) {
  form->duringRead = [] { throw std::runtime_error("out of memory"); };
  ui::Application::Instance().SetTitle(L"Pixorra");
  form->Label2Click();
  LoseCapture();
  target.PointAt();
  testsupport::MessageBoxAnswerer answerer(L"Pixorra");
  LoseCapture();
  ASSERT_TRUE(answerer.WaitAnswered(10000)) << "the exception box shows as usual";
  EXPECT_NE(answerer.Texts().find(L"out of memory"), std::wstring::npos);
  EXPECT_FALSE(form->Picking);
  EXPECT_NE(GetCapture(), form->Handle());
  EXPECT_EQ(Left(form->Handle()), 40) << "the window is back in its place";
}

TEST_F(PickingTest, ClosingDuringThePickEndsTheProgramOnceThePickIsOver) {
  ui::Application& application = ui::Application::Instance();
  application.SetMainWindow(form->Handle());
  // The close box while the page's lines arrive: the quit is taken in one
  // pump, and the pick's later slices pump again.
  form->duringRead = [&] {
    PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    for (int slice = 0; slice < 3; ++slice) application.ProcessMessages();
  };
  form->Label2Click();
  LoseCapture();
  target.PointAt();
  LoseCapture();
  application.SetMainWindow(nullptr);
  EXPECT_TRUE(application.Terminated());
  // The pick arrives inside the message loop's wait for the next message;
  // only a quit still queued wakes that wait, or the hidden program sleeps
  // on until some other message comes.
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  application.ResumeAfterQuit();
}

}  // namespace
