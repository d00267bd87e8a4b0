// The download button and the queue over the whole download list.
#include "DownloadTestSupport.h"
#include "ResponsivenessProbe.h"

#include <commctrl.h>

#include "Application.h"
#include "DownloadProgress.h"
#include "WindowTestSupport.h"

namespace {

std::string Join(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TEST_F(DownloadTest, FolderLinesSendImagesToTheirFolders) {
  const std::string x = ServeImage("x.gif", ImageBytes(10));
  const std::string y = ServeImage("y.gif", ImageBytes(11));
  const std::string top = ServeImage("top.gif", ImageBytes(12));
  const std::string a = Folder("a");
  const std::string b = Folder("b");
  form->ImageListMemo.SetText(Join({top, "$" + a, x, "$" + b, y}));
  SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->ImageListMemo.Text(), Join({"-" + top, "$" + a, "-" + x, "$" + b, "-" + y}));
  // Above every folder line: the folder chosen last.
  EXPECT_EQ(form->SavePathLabel.Text(), root);
  auto savedIn = [](const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.gif").c_str(), &found);
    int count = 0;
    if (search != INVALID_HANDLE_VALUE) {
      do ++count;
      while (FindNextFileA(search, &found));
      FindClose(search);
    }
    return count;
  };
  EXPECT_EQ(savedIn(root), 1);
  EXPECT_EQ(savedIn(a), 1);
  EXPECT_EQ(savedIn(b), 1);
}

TEST_F(DownloadTest, DoneLinesAreSkippedAndFailedLinesRetried) {
  const std::string good = ServeImage("good.gif", ImageBytes(13));
  TestHttpAnswer missing;
  missing.status = 404;
  const std::string later = ServeImage("later.gif", missing);
  const std::string gone = ServeImage("gone.gif", missing);
  const std::string done = ServeImage("done.gif", ImageBytes(14));
  // A line with a leading space is an address as it stands.
  form->ImageListMemo.SetText(Join({"-" + done, good, later, "", " " + gone}));
  form->DownloadImageList();
  EXPECT_EQ(form->ImageListMemo.Text(), Join({"-" + done, "-" + good, later, "", " " + gone}));
  EXPECT_EQ(server.Requests(PathOf(done)), 0);

  TestHttpAnswer found;
  found.body = ImageBytes(15);
  server.Serve(PathOf(later), found);
  form->DownloadImageList();
  EXPECT_EQ(form->ImageListMemo.Text(), Join({"-" + done, "-" + good, "-" + later, "", " " + gone}));
  EXPECT_EQ(server.Requests(PathOf(good)), 1) << "a done line is never fetched again";
  EXPECT_EQ(server.Requests(PathOf(later)), 2);
}

TEST_F(DownloadTest, HandTypedFolderLines) {
  const std::string x = ServeImage("typed.gif", ImageBytes(16));
  const std::string y = ServeImage("bare.gif", ImageBytes(17));
  const std::string pics = Folder("pics");
  // Without its "\" the folder still gets the file inside it, and a line that
  // is only "$" goes back to the chosen save folder.
  form->ImageListMemo.SetText(Join({"$" + pics.substr(0, pics.size() - 1), x, "$", y}));
  form->DownloadImageList();
  EXPECT_EQ(form->ImageListMemo.Line(1), "-" + x);
  EXPECT_EQ(form->ImageListMemo.Line(3), "-" + y);
  EXPECT_FALSE(FileExists(root + "pics" + "typed.gif"));
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((pics + "typed*").c_str(), &found);
  EXPECT_NE(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  search = FindFirstFileA((root + "bare*").c_str(), &found);
  EXPECT_NE(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(DownloadTest, WithoutAChosenFolderTheErrorBoxShows) {
  form->SavePathLabel.SetText("");
  const std::string x = ServeImage("nofolder.gif", ImageBytes(18));
  form->ImageListMemo.SetText(Join({"$" + root, x}));
  testsupport::MessageBoxAnswerer answerer(L"错误");
  SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(answerer.WaitAnswered(10000));
  EXPECT_EQ(answerer.Texts(), L"请先选择要保存的路径！");
  EXPECT_TRUE(answerer.HadIcon());
  EXPECT_EQ(server.Requests(PathOf(x)), 0);
  EXPECT_EQ(form->ImageListMemo.Line(1), x);
}

TEST_F(DownloadTest, AnEmptyListWithAFolderDoesNothing) {
  form->DownloadBtnClick();
  EXPECT_EQ(form->ImageListMemo.Text(), "");
}

// Counts the progress messages that reach a window.
class ProgressCounter {
 public:
  explicit ProgressCounter(HWND window) : window_(window) {
    SetWindowSubclass(window_, &ProgressCounter::Procedure, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ~ProgressCounter() { RemoveWindowSubclass(window_, &ProgressCounter::Procedure, 1); }
  int Reports() const { return reports_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR data) {
    if (message == WM_DOWNLOAD_PROGRESS) ++reinterpret_cast<ProgressCounter*>(data)->reports_;
    return DefSubclassProc(window, message, wParam, lParam);
  }
  HWND window_;
  int reports_ = 0;
};

TEST_F(DownloadTest, ASlowTransferMovesTheBarAndKeepsTheWindowAnswering) {
  TestHttpAnswer slow;
  slow.body = ImageBytes(19, 2 << 20);
  slow.chunkSize = 128 << 10;
  slow.chunkDelayMilliseconds = 60;
  const std::string address = ServeImage("big.gif", slow);
  // While the transfer runs, another thread asks the list for its text.
  form->ImageListMemo.SetText(address + "\r\n");
  ProgressCounter counter(form->Handle());
  ResponsivenessProbe probe(form->ImageListMemo.Handle());
  form->DownloadImageList();
  const DWORD slowestAnswer = probe.Stop();
  EXPECT_GE(counter.Reports(), 3) << "the transfer reported its progress as it went";
  EXPECT_EQ(form->ImageListMemo.Line(0), "-" + address);
  EXPECT_EQ(form->SingFileProgressBar.Max(), 2 << 20);
  EXPECT_EQ(form->SingFileProgressBar.Position(), 2 << 20);
  EXPECT_LT(slowestAnswer, 500u);
}

TEST_F(DownloadTest, ASecondClickDuringATransferRunsANestedQueue) {
  HWND button = form->DownloadBtn.Handle();
  TestHttpAnswer slow;
  slow.body = ImageBytes(20, 1 << 20);
  slow.chunkSize = 128 << 10;
  slow.chunkDelayMilliseconds = 50;
  // The click arrives while the first transfer reports its progress.
  slow.afterFirstChunk = [button] { PostMessageW(button, BM_CLICK, 0, 0); };
  const std::string first = ServeImage("first.gif", slow);
  const std::string second = ServeImage("second.gif", ImageBytes(21));
  form->ImageListMemo.SetText(Join({first, second}));
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(form->ImageListMemo.Text(), Join({"-" + first, "-" + second}));
  EXPECT_EQ(server.Requests(PathOf(second)), 1) << "the nested run marked it; the first run skipped it";
}

TEST_F(DownloadTest, AQuitRequestDuringATransferStopsAfterIt) {
  TestHttpAnswer slow;
  slow.body = ImageBytes(22, 512 << 10);
  slow.chunkSize = 64 << 10;
  slow.chunkDelayMilliseconds = 40;
  const DWORD uiThread = GetCurrentThreadId();
  slow.afterFirstChunk = [uiThread] { PostThreadMessageW(uiThread, WM_QUIT, 0, 0); };
  const std::string first = ServeImage("closing.gif", slow);
  const std::string second = ServeImage("never.gif", ImageBytes(23));
  form->ImageListMemo.SetText(Join({first, second}));
  form->DownloadImageList();
  EXPECT_EQ(form->ImageListMemo.Text(), Join({"-" + first, second})) << "the transfer under way is marked";
  EXPECT_EQ(server.Requests(PathOf(second)), 0);
  EXPECT_TRUE(ui::Application::Instance().Terminated());
  ui::Application::Instance().ResumeAfterQuit();
}

}  // namespace
