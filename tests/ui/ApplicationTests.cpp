// The application object: the exception box, the quit flag and the loop.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "Application.h"
#include "PixorraMainFrm.h"
#include "WindowTestSupport.h"

namespace {

class ApplicationTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TPixorraMainForm>();
    ui::Application::Instance().SetMainWindow(form->Handle());
    form->Show();
    testsupport::PumpMessages();
  }
  void TearDown() override {
    ui::Application::Instance().SetMainWindow(nullptr);
    form.reset();
    testsupport::PumpMessages();
  }
  std::unique_ptr<TPixorraMainForm> form;
};

TEST_F(ApplicationTest, ExceptionInAHandlerIsShownAndTheProgramGoesOn) {
  form->DownloadBtn.OnClick = [] { throw std::runtime_error("disk full"); };
  {
    testsupport::MessageBoxAnswerer answerer(L"Pixorra");
    SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(answerer.WaitAnswered(10000));
    EXPECT_EQ(answerer.Texts(), L"disk full");
    EXPECT_TRUE(answerer.HadIcon());
  }
  // The window still answers its controls.
  form->ImageListMemo.SetText("x\r\n");
  SendMessageW(form->ClearListBtn.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->ImageListMemo.Text(), "");
}

// A dialog of the system's that opens inside a long operation (the folder
// browser, a message box) gets its keys also when the operation's pump takes
// them instead of the dialog's own loop: Esc taken there closes the box.
TEST_F(ApplicationTest, KeysTakenByTheProgramsPumpReachTheirDialog) {
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND box = FindWindowW(L"#32770", L"Keys");
    HWND focus = GetFocus();
    PostMessageW(focus && GetAncestor(focus, GA_ROOT) == box ? focus : box, WM_KEYDOWN, VK_ESCAPE, 0);
    ui::Application::Instance().ProcessMessages();
  });
  testsupport::MessageBoxAnswerer fallback(L"Keys", 3000);  // OK, should Esc be lost
  const int answer = MessageBoxW(form->Handle(), L"keys", L"Keys", MB_OKCANCEL);
  EXPECT_EQ(answer, IDCANCEL) << "Esc was lost in the program's pump";
}

TEST_F(ApplicationTest, AnythingElseIsShownWithAnEmptyMessage) {
  form->SavePathBtn.OnClick = [] { throw 42; };
  testsupport::MessageBoxAnswerer answerer(L"Pixorra");
  SendMessageW(form->SavePathBtn.Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(answerer.WaitAnswered(10000));
  EXPECT_EQ(answerer.Texts(), L"");
}

TEST_F(ApplicationTest, ChineseMessageReadsRight) {
  form->ClearListBtn.OnClick = [] { throw std::runtime_error("\xb4\xed\xce\xf3"); };  // "错误" in GBK
  testsupport::MessageBoxAnswerer answerer(L"Pixorra");
  SendMessageW(form->ClearListBtn.Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(answerer.WaitAnswered(10000));
  EXPECT_EQ(answerer.Texts(), L"错误");
}

TEST(ApplicationLoopTest, ProcessMessagesTakesTheQuitMessageAndSetsTheFlag) {
  ui::Application application;
  bool dispatched = false;
  TPixorraMainForm form;
  form.ClearListBtn.OnClick = [&] { dispatched = true; };
  PostMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(form.ClearListBtn.Handle()));
  PostQuitMessage(0);
  application.ProcessMessages();
  EXPECT_TRUE(dispatched);
  EXPECT_TRUE(application.Terminated());
}

TEST(ApplicationLoopTest, TheLoopRunsUntilTheQuitMessage) {
  ui::Application application;
  TPixorraMainForm form;
  bool dispatched = false;
  form.ClearListBtn.OnClick = [&] { dispatched = true; };
  PostMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(form.ClearListBtn.Handle()));
  PostQuitMessage(0);
  application.Run();
  EXPECT_TRUE(dispatched);
  EXPECT_TRUE(application.Terminated());
}

TEST(ApplicationLoopTest, ClosingTheMainWindowHidesItAndAsksToQuit) {
  auto form = std::make_unique<TPixorraMainForm>();
  ui::Application::Instance().SetMainWindow(form->Handle());
  form->Show();
  SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
  // The window stays until the program ends, so a transfer under way can
  // still mark its line.
  EXPECT_TRUE(IsWindow(form->Handle()));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_TRUE(ui::Application::Instance().Terminated()) << "asked to quit at once, whoever takes the message";
  ui::Application::Instance().SetMainWindow(nullptr);
  ui::Application::Instance().ResumeAfterQuit();
}

TEST(ApplicationLoopTest, ClosingAnotherFormAsksNothing) {
  TPixorraMainForm form;
  SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
  MSG quit;
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
