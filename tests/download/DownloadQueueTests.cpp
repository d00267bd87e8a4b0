// The download button and the queue over the whole download list.
#include "DownloadTestSupport.h"
#include "ResponsivenessProbe.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "Application.h"
#include "DownloadProgress.h"
#include "FolderBrowser.h"
#include "MessageWatch.h"
#include "TemporaryFile.h"
#include "UrlCache.h"
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

TEST_F(DownloadTest, ARunShowsOnTheTaskbarAndSaysHowItWent) {
  TestHttpAnswer missing;
  missing.status = 404;
  // Twenty image lines, the 4th, 9th and 15th failing, among a folder line
  // and a done line; above them the first image under a relative folder,
  // which is never made: it fails there, and its save below makes that line
  // no less failed.
  std::vector<std::string> images;
  for (int i = 0; i < 20; ++i) {
    const std::string name = std::to_string(i) + ".gif";
    images.push_back(i == 3 || i == 8 || i == 14 ? ServeImage(name, missing) : ServeImage(name, ImageBytes(31 + i)));
  }
  std::string list = "$no such folder\\\r\n" + images[0] + "\r\n$" + Folder("sub") + "\r\n-" +
                     ServeImage("done.gif", ImageBytes(30)) + "\r\n";
  for (const std::string& image : images) list += image + "\r\n";
  form->ImageListMemo.SetText(list);
  SendMessageW(form->Handle(), RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0);
  form->DownloadImageList();

  using Call = RecordingTaskbar::Call;
  const std::vector<Call>& calls = taskbar.calls;
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls.front().kind, Call::Created);
  unsigned long long done = 0;
  std::size_t error = 0;
  for (std::size_t i = 1; i < calls.size(); ++i) {
    if (calls[i].kind == Call::Progress) {
      EXPECT_EQ(calls[i].total, 21u);
      EXPECT_GE(calls[i].done, done) << "values only rise";
      done = calls[i].done;
    }
    if (calls[i].kind == Call::State && calls[i].state == TaskbarButton::State::Error) {
      EXPECT_EQ(error, 0u) << "red once";
      error = i;
      EXPECT_EQ(done, 0u) << "red from the first failure on, not before";
    }
  }
  EXPECT_EQ(done, 21u);
  EXPECT_NE(error, 0u);
  // No progress at the end, and the hidden window is not in the foreground.
  EXPECT_EQ(calls[calls.size() - 2].kind, Call::State);
  EXPECT_EQ(calls[calls.size() - 2].state, TaskbarButton::State::NoProgress);
  EXPECT_EQ(calls.back().kind, Call::Flash);
  EXPECT_EQ(form->UrlLabel.WideText(), L"下载结束：已保存 17 张，4 行失败（服务器答复 404 ×3，文件夹无效 ×1）");
  // The caret on a failed line says why; off it, the end comes back, here
  // on a label too narrow for any cause.
  SendMessageW(form->ImageListMemo.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(form->UrlLabel.WideText(), L"这一行没有下载：文件夹无效（no such folder\\）");
  SetWindowPos(form->UrlLabel.Handle(), nullptr, 0, 0, 1, 20, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageW(form->ImageListMemo.Handle(), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(form->UrlLabel.WideText(), L"下载结束：已保存 17 张，4 行失败（…）");
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

// Counts the progress messages that reach a window, and does what a user
// would do during a transfer: once, at the first report of a body of
// `actionAtSize` bytes.
class ProgressCounter {
 public:
  explicit ProgressCounter(HWND window, std::function<void()> action = nullptr, ULONG actionAtSize = 0)
      : action_(std::move(action)), watch_(window, WM_DOWNLOAD_PROGRESS, [this, actionAtSize](WPARAM, LPARAM lParam) {
          if (!lParam) return;
          ++reports_;
          const auto* progress = reinterpret_cast<const DownloadProgress*>(lParam);
          if (action_ && (progress->ProgressMax == actionAtSize || progress->ProgressMax == 0) && progress->Progress > 0) {
            std::function<void()> action = std::move(action_);
            action_ = nullptr;
            action();
          }
        }) {}
  int Reports() const { return reports_; }

 private:
  std::function<void()> action_;
  int reports_ = 0;
  testsupport::MessageWatch watch_;
};

// Keys posted to a box one at a time from another thread, as the keyboard's
// come: the run meets the line between two of them. Besides characters: Down,
// an input method beginning to compose (Windows tells it before any
// character), the focus to another program and back, the close box.
constexpr char kDown = '\x01', kComposing = '\x02', kAway = '\x03', kBack = '\x04', kClose = '\x05', kEscAgain = '\x06',
               kEscHeld = '\x07';

class Typist {
 public:
  ~Typist() { Finish(); }
  // A key every `pause` ms, the first at once, or the pause `longer` gives.
  // `user` gets kAway and kBack as WM_APP (0 or 1) and kClose as WM_CLOSE.
  void Type(HWND box, const std::string& text, DWORD pause, std::map<std::size_t, DWORD> longer, HWND user) {
    Finish();
    typed_ = false;
    thread_ = std::thread([this, box, text, pause, longer, user] {
      for (std::size_t i = 0; i < text.size(); ++i) {
        Sleep(longer.count(i) ? longer.at(i) : i == 0 ? 0 : pause);
        const struct { HWND to; UINT message; WPARAM wParam; } keys[] = {
            {box, WM_KEYDOWN, VK_DOWN}, {box, WM_IME_STARTCOMPOSITION, 0}, {user, WM_APP, 0}, {user, WM_APP, 1},
            {user, WM_CLOSE, 0},        {box, WM_KEYDOWN, VK_ESCAPE}, {box, WM_KEYDOWN, VK_ESCAPE},
            {box, WM_CHAR, static_cast<unsigned char>(text[i])}};
        const auto& key = keys[text[i] >= kDown && text[i] <= kEscHeld ? text[i] - kDown : 7];
        PostMessageW(key.to, key.message, key.wParam, text[i] == kEscHeld ? 1 | (1 << 30) : 1);
      }
      typed_ = true;
    });
  }
  // Keys are handled as they come, as the program's own loop would.
  void Finish() {
    if (!thread_.joinable()) return;
    for (; !typed_; Sleep(10)) ui::Application::Instance().ProcessMessages();
    thread_.join();
    ui::Application::Instance().ProcessMessages();
  }

 private:
  std::thread thread_;
  std::atomic<bool> typed_{true};
};

// What the user does while line `slow` of the list is being fetched, and
// what the list must read when the run is over. Every mark must stand on the
// line that was downloaded, with the status of its own transfer.
TEST_F(DownloadTest, WhatTheUserDoesDuringATransferNeverMisplacesAMark) {
  constexpr ULONG kSlowSize = 1 << 20;
  auto slowAnswer = [&](int status) {
    TestHttpAnswer slow = Trickled(ImageBytes(40 + status, kSlowSize), 40);
    slow.status = status;
    return slow;
  };
  TestHttpAnswer error;
  error.status = 500;
  error.body = "oops";
  const std::string chosen = Folder("chosen"), chosenAtMark = Folder("chosen at mark");
  const std::string rewritten = Folder("rewritten"), chosenAbove = Folder("chosen above");
  const std::string bad = ServeImage("bad.gif", slowAnswer(500));
  const std::string good = ServeImage("good.gif", slowAnswer(200));
  const std::string fine = ServeImage("fine.gif", ImageBytes(41));
  const std::string broken = ServeImage("broken.gif", error);
  const std::string z0 = ServeImage("z0.gif", slowAnswer(200));
  const std::string a = ServeImage("a.gif", ImageBytes(42));
  const std::string b = ServeImage("b.gif", slowAnswer(200));
  const std::string other = ServeImage("other.gif", ImageBytes(43));
  TestHttpAnswer stream = Trickled(ImageBytes(44, 2048), 50);
  stream.streamMilliseconds = 60000;
  const std::string camera = ServeImage("camera.jpg", stream);
  auto close = [&] { PostMessageW(form->Handle(), WM_CLOSE, 0, 0); };
  // Each state of an address typed key by key is an image of its own.
  std::vector<std::string> typed;
  for (int x = 0; x <= 8; ++x) typed.push_back(ServeImage("t" + std::string(x, 'x') + ".gif", ImageBytes(60 + x)));
  const std::string half = Folder("half"), full = Folder("half\\full");
  const std::string composed = Folder("composed"), composedFull = Folder("composed\\full");
  const std::string parked = ServeImage("p.gif", ImageBytes(70));
  const std::string parkedxx = parked.substr(0, parked.size() - 4) + "xx.gif";
  const std::string second = ServeImage("s.gif", ImageBytes(71)), secondx = ServeImage("sx.gif", ImageBytes(72));
  const std::string afterFull = ServeImage("after-full.gif", ImageBytes(73));
  Typist typist;
  // Esc, pressed again just after the run stopped, then held: neither closes the window.
  auto escape = [&] {
    PostMessageW(form->ImageListMemo.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    typist.Type(form->ImageListMemo.Handle(), {kEscAgain, kEscHeld}, 0, {{0, 300}, {1, 1200}}, form->Handle());
  };
  // The focus to another program (none of this one's windows) and back.
  testsupport::MessageWatch focus(form->Handle(), WM_APP, [&](WPARAM back, LPARAM) {
    SetFocus(back ? form->ImageListMemo.Handle() : nullptr);
  });
  // The user types `text` into the list at `at`, a key every `pause` ms.
  auto type = [&](std::size_t at, const std::string& text, DWORD pause, std::map<std::size_t, DWORD> longer = {}) {
    return [&, at, text, pause, longer] {
      SetFocus(form->ImageListMemo.Handle());
      form->ImageListMemo.SetSelStart(static_cast<int>(at));
      typist.Type(form->ImageListMemo.Handle(), text, pause, longer, form->Handle());
    };
  };
  testsupport::DeferredAction typeInTheSecondRun([&] {
    SetFocus(form->ImageListMemo.Handle());
    form->ImageListMemo.SetSelStart(static_cast<int>(z0.size() + 2 + second.size() - 4));
    SendMessageW(form->ImageListMemo.Handle(), WM_CHAR, 'x', 1);
  });
  // A wait for the user never holds a transfer or a pick: a run inside one
  // ends instead, and leaves the line to the run outside it.
  int heldInside = 0;
  testsupport::MessageWatch finishing(form->ImageListMemo.Handle(), WM_KEYDOWN, [&](WPARAM, LPARAM) {
    Operations& model = form->OperationsModel();
    heldInside += !model.All<Operations::Scope>(Operations::Kind::LineWait).empty() &&
                  (!model.Transfers().empty() || !model.ListAppends().empty());
  });
  // The close box hides the window; on Windows its application then leaves
  // the foreground and the list the focus, in the same pass.
  ui::Application::Instance().SetMainWindow(form->Handle());
  testsupport::MessageWatch focusGoes(form->Handle(), WM_CLOSE, [](WPARAM, LPARAM) { SetFocus(nullptr); });
  const std::string typedAway = Join({"", z0});
  const std::string halfName = half.substr(0, half.size() - 1);
  auto click = [this](ui::Button& button) { return [&button] { SendMessageW(button.Handle(), BM_CLICK, 0, 0); }; };
  auto choose = [&](const std::string& folder, int caret = -1) {
    if (caret >= 0) form->ImageListMemo.SetSelStart(caret);
    FolderBrowserDriver driver(std::wstring(folder.begin(), folder.end() - 1));
    SendMessageW(form->SavePathBtn.Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(driver.WaitAnswered(20000));
  };
  // The user's own edits, as the keyboard and the clipboard make them.
  auto replace = [&](int from, std::size_t length, const std::string& text) {
    const std::wstring wide(text.begin(), text.end());
    SendMessageW(form->ImageListMemo.Handle(), EM_SETSEL, from, from + static_cast<int>(length));
    SendMessageW(form->ImageListMemo.Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
  };
  auto paste = [&](const std::string& text) {
    const std::wstring wide(text.begin(), text.end());
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    ASSERT_TRUE(OpenClipboard(form->Handle()));
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    SendMessageW(form->ImageListMemo.Handle(), WM_PASTE, 0, 0);
  };
  struct Case {
    const char* name;
    std::string list;
    std::function<void()> action;
    std::string after;
    std::size_t imagesSaved;
    std::string chosen;  // the folder a case chooses, and the images that must be there
    std::size_t imagesInChosen = 0;
    const char* afterUndo = nullptr;  // what Ctrl+Z leaves, where the user's edit came last
    unsigned long copyFails = 0;      // with this error, after half the image was written when `halfWay`
    bool halfWay = false;
    std::string neverFetched;
  } cases[] = {
      {"a nested run of good images inside a 500", Join({bad, fine}), click(form->DownloadBtn), Join({bad, "-" + fine}),
       1},
      {"a nested 500 inside a good image", Join({good, broken}), click(form->DownloadBtn),
       Join({"-" + good, broken}), 1},
      // The run ends with the transfer under way; its image stays in the cache.
      {"clearing during line 0", Join({z0}), click(form->ClearListBtn), "", 0},
      // A stream, never silent: given up at once, or by the close (below) after its grace.
      {"clearing during a stream", Join({camera}), click(form->ClearListBtn), "", 0},
      {"Esc during a stream", Join({camera, fine}), escape, Join({camera, fine}), 0},
      {"shortening the list during line 1", Join({a, b}), [&] { form->ImageListMemo.SetText(Join({b})); },
       Join({"-" + b}), 2},
      // The line, moved down below the folder line, goes into the new folder.
      {"a folder chosen during a transfer", Join({z0}), [&] { choose(chosen); }, Join({"", "$" + chosen, "-" + z0}),
       0, chosen, 1},
      // At the end of a marked line, above the line under way: that line and
      // the ones below it go into the new folder. The marked line, which no
      // folder line governs, now falls to the new save folder: its mark goes.
      {"a folder chosen at the marked line", Join({a, z0, other}),
       [&] { choose(chosenAtMark, static_cast<int>(a.size()) + 1); },
       Join({a, "$" + chosenAtMark, "", "-" + z0, "-" + other}), 1, chosenAtMark, 2},
      // Above a marked line: that image is not in the new folder, so the
      // line loses its mark, to be copied there from the cache next time.
      {"a folder chosen above a marked line", Join({a, z0, other}), [&] { choose(chosenAbove); },
       Join({"", "$" + chosenAbove, a, "-" + z0, "-" + other}), 1, chosenAbove, 2},
      // Rewritten while the list does not have the focus (the button the run
      // was started with has it): no line being typed, done as it came. The
      // mark of the image saved under the old folder goes: a later run
      // copies it from the cache.
      {"a folder line rewritten above the line under way", Join({"$", a, z0, other}),
       [&] { replace(0, 1, "$" + rewritten); }, Join({"$" + rewritten, a, "-" + z0, "-" + other}), 1,
       rewritten, 2},
      {"the marked line above deleted", Join({a, z0, other}), [&] { replace(0, a.size() + 3, ""); },
       Join({"-" + z0, "-" + other}), 3},
      // The run ends with the clearing: what comes in afterwards is a new list.
      {"clearing then a paste", Join({z0, other}),
       [&] {
         SendMessageW(form->ClearListBtn.Handle(), BM_CLICK, 0, 0);
         paste(Join({a, other}));
       },
       Join({a, other}), 0, "", 0, ""},
      // Text set from outside the program sends a multi-line box no EN_CHANGE.
      {"another program rewriting the list during line 0", Join({z0, a}),
       [&] {
         const std::string list = Join({z0, other});
         const std::wstring text(list.begin(), list.end());
         SendMessageW(form->ImageListMemo.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
       },
       Join({"-" + z0, "-" + other}), 2},
      // A line pasted behind the walk is left without a mark: the label
      // says so.
      {"a line pasted above the line under way", Join({z0, other}), [&] { paste(Join({a})); },
       Join({a, "-" + z0, "-" + other}), 2},
      // Keys 300 ms apart while the walk reaches the line, then Down: it is
      // fetched as it reads once the user left it, no half-typed address is.
      {"an address typed into while the walk reaches it", Join({z0, typed[0]}),
       type(z0.size() + 2 + typed[0].size() - 4, "xxxxxxxx" + std::string(1, kDown), 300),
       Join({"-" + z0, "-" + typed[8]}), 2},
      // A folder line typed above the line under way, another program in
      // front after the "$" (the save folder), a pause after a folder that
      // exists: the images wait for the whole line, ended with Enter.
      {"a folder line typed above the line under way, away meanwhile", Join({"", z0, a, other}),
       type(0, "$" + std::string(1, kAway) + std::string(1, kBack) + halfName + "\\full\\\r", 20,
            {{1, 300}, {2, 1200}, {2 + halfName.size(), 1200}}),
       Join({"$" + full, "", "-" + z0, "-" + a, "-" + other}), 0, full, 3},
      // An input method composes in a folder line before any character
      // reaches the list: the line is open from then on.
      {"a folder line an input method composes in", Join({"$" + composed, z0, a}),
       type(composed.size() + 1, std::string(1, kComposing) + "full\\" + std::string(1, kDown), 200, {{1, 1200}}),
       Join({"$" + composedFull, "-" + z0, "-" + a}), 0, composedFull, 2},
      // The close box while the line is open, during the transfer or the
      // wait: the run ends at once, the image left in the cache.
      {"the close box while the run waits for the typing", Join({"", z0}),
       type(0, "$" + halfName + std::string(1, kClose), 20, {{1 + halfName.size(), 500}}),
       Join({"$" + halfName, z0}), 0, "", 0, typedAway.c_str()},
      {"the close box during the transfer, a folder line open", Join({"", z0}),
       type(0, "$" + std::string(1, kClose), 20), Join({"$", z0}), 0, "", 0, typedAway.c_str()},
      // A caret parked ahead of the walk is no edit: the line is marked. Keys
      // then give it another address: once left, it loses the program's "-".
      {"a marked line given another address", Join({z0, parked}),
       type(z0.size() + 2 + parked.size() - 4, "xx" + std::string(1, kDown), 100, {{0, 1500}}),
       Join({"-" + z0, parkedxx}), 2},
      // A done line left open above the walk holds nothing; the label counts
      // it not done while it reads another address.
      {"a done line left open above the walk", Join({a, z0, other}), type(a.size() - 3, "x", 20),
       Join({"-" + a.substr(0, a.size() - 4) + "x.gif", "-" + z0, "-" + other}), 3, "", 0,
       nullptr},
      // A second run in the transfer's report ends at a line it needs open
      // (begun inside it: the click finishes a line); the outer run waits
      // for it after its own transfer.
      {"a second run while a line is open", Join({z0, second}),
       [&] {
         typist.Type(form->ImageListMemo.Handle(), std::string(1, kDown), 0, {{0, 1500}}, form->Handle());
         typeInTheSecondRun.Post();
         SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
       },
       Join({"-" + z0, "-" + secondx}), 2},
      // A copy of a failed line pasted behind the walk was never tried.
      {"a copy of a failed line pasted behind the walk", Join({broken, z0}),
       [&] {
         form->ImageListMemo.SetSelStart(static_cast<int>(broken.size() + 2));
         paste(Join({broken}));
       },
       Join({broken, broken, "-" + z0}), 1},
      {"the close box during a stream", Join({camera, fine}), close, Join({camera, fine}), 0},
      // A copy never leaves part of an image under its name. A full disk
      // fails the lines bound for it without fetching them.
      {"a full disk", Join({z0, a, afterFull}), nullptr, Join({z0, a, afterFull}), 0, "", 0, nullptr, ERROR_DISK_FULL,
       true, afterFull},
      {"a folder without write permission", Join({a, fine}), nullptr, Join({a, fine}), 0, "", 0, nullptr,
       ERROR_ACCESS_DENIED},
      {"a copy cut off half-way", Join({z0}), nullptr, Join({z0}), 0, "", 0, nullptr, ERROR_UNEXP_NET_ERR, true},
  };
  // What the label says at the end: a nested run's lines count with the
  // outer run's, a line failed by both once; a clearing stops the run.
  const std::map<std::string, std::wstring> labels = {
      {"a nested run of good images inside a 500", L"下载结束：已保存 1 张，1 行失败（服务器答复 500 ×1）"},
      {"clearing during line 0", L"下载已停止：已保存 0 张图片"},
      {"Esc during a stream", L"下载已停止：已保存 0 张，2 行未下载（未标“-”，可再下载）"},
      {"a line pasted above the line under way", L"下载结束：已保存 2 张，1 行未下载（未标“-”，可再下载）"},
      {"a folder line typed above the line under way, away meanwhile", L"下载完成：已保存 3 张图片"},
      {"a done line left open above the walk", L"下载结束：已保存 3 张，1 行未下载（未标“-”，可再下载）"},
      {"a folder line rewritten above the line under way", L"下载结束：已保存 3 张，1 行未下载（未标“-”，可再下载）"},
      {"a copy of a failed line pasted behind the walk",
       L"下载结束：已保存 1 张，1 行失败（服务器答复 500 ×1），1 行未下载（未标“-”，可再下载）"},
      {"a full disk", L"下载结束：已保存 0 张，3 行失败（磁盘已满 ×3）"},
      {"a folder without write permission", L"下载结束：已保存 0 张，2 行失败（没有写入权限 ×2）"},
      {"a copy cut off half-way", L"下载结束：已保存 0 张，1 行失败（其他错误 ×1）"}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Every case starts with an empty cache for its addresses.
    for (const std::string& address : {bad, good, fine, broken, z0, a, b, other, camera}) DeleteCacheEntry(address);
    const std::string folder = Folder(c.name);
    form->SavePathLabel.SetText(folder);
    form->ImageListMemo.SetText(c.list);
    form->ImageListMemo.SetSelStart(0);
    ProgressCounter user(form->Handle(), std::move(c.action), kSlowSize);
    const ULONGLONG start = GetTickCount64();
    copies.error = c.copyFails;
    copies.halfWay = c.halfWay;
    SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
    copies.error = 0;
    EXPECT_LT(GetTickCount64() - start, 30000u) << "a transfer went on after the user stopped it";
    typist.Finish();
    if (!c.neverFetched.empty()) EXPECT_EQ(server.Requests(PathOf(c.neverFetched)), 0) << "fetched for a full disk";
    EXPECT_EQ(form->ImageListMemo.Text(), c.after);
    EXPECT_EQ(ImagesIn(folder), c.imagesSaved) << "no error page is saved, and every image that came is";
    if (labels.count(c.name) > 0) {
      EXPECT_EQ(form->UrlLabel.WideText(), labels.at(c.name));
    }
    if (!c.chosen.empty()) {
      EXPECT_EQ(ImagesIn(c.chosen), c.imagesInChosen) << "every image below the folder line went there";
    }
    for (int x = 0; x < 8; ++x) EXPECT_EQ(server.Requests(PathOf(typed[x])), 0) << "half-typed: " << typed[x];
    if (c.after.find(typed[8]) != std::string::npos) {
      EXPECT_EQ(testsupport::FilesIn(folder).count(ImageBytes(68)), 1u) << "the image of the address as it reads";
    }
    EXPECT_EQ(ImagesIn(half) + ImagesIn(composed), 0u) << "no image under a half-typed folder line";
    EXPECT_EQ(heldInside, 0) << "a wait for the user held a transfer or a pick";
    EXPECT_EQ(ui::Application::Instance().Terminated(), std::string(c.name).find("close box") != std::string::npos);
    // Ctrl+Z takes back none of the program's edits.
    SendMessageW(form->ImageListMemo.Handle(), WM_CHAR, 0x1A, 0);
    EXPECT_EQ(form->ImageListMemo.Text(), c.afterUndo ? c.afterUndo : c.after) << "Ctrl+Z took back a mark";
    ui::Application::Instance().ResumeAfterQuit();
  }
  ui::Application::Instance().SetMainWindow(nullptr);
}

// A real full volume and a real read-only folder, which scripts/test mounts
// as root (see testing.md): only whole images stand there, the label says
// why the rest failed, and the line bound for another volume is saved.
TEST_F(DownloadTest, ARealFullVolumeOrReadOnlyFolderSaysWhy) {
  struct Case {
    const char* volume;
    const char* folder;  // made below the volume, for twelve images of 150 KB
    std::size_t whole;
    const wchar_t* label;
  } cases[] = {
      {"PIXORRA_FULL_VOLUME", "made\\", 6, L"下载结束：已保存 7 张，6 行失败（磁盘已满 ×6）"},
      {"PIXORRA_READ_ONLY", "", 0, L"下载结束：已保存 1 张，12 行失败（没有写入权限 ×12）"},
  };
  int ran = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.volume);
    const char* volume = std::getenv(c.volume);
    if (!volume) {
      std::printf("    skipped: no %s (scripts/test mounts it, as root)\n", c.volume);
      continue;
    }
    ++ran;
    const std::string folder = std::string(volume) + "\\" + c.folder;
    std::set<std::string> images;
    std::string list = "$" + folder + "\r\n";
    for (int i = 0; i < 12; ++i) {
      images.insert(ImageBytes(80 + i, 150 << 10));
      list += ServeImage(c.volume + std::to_string(i) + ".gif", ImageBytes(80 + i, 150 << 10)) + "\r\n";
    }
    form->ImageListMemo.SetText(list + "$\r\n" + ServeImage(std::string(c.volume) + ".gif", ImageBytes(99)) + "\r\n");
    form->DownloadImageList();
    EXPECT_EQ(form->UrlLabel.WideText(), c.label);
    const std::multiset<std::string> files = testsupport::FilesIn(folder);
    EXPECT_EQ(files.size(), c.whole) << "a part or an empty file stands there";
    for (const std::string& file : files) EXPECT_EQ(images.count(file), 1u) << "a file of " << file.size() << " bytes";
    std::error_code ignored;  // the volume is left empty for the next run
    if (*c.folder) std::filesystem::remove_all(folder, ignored);
  }
  if (ran == 0) GTEST_SKIP() << "no volume was mounted";
}

TEST_F(DownloadTest, DifferentImagesTheCacheNamesAlikeAreAllKept) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 12; ++i) lines.push_back(ServeImage(std::to_string(i) + "/same.gif", ImageBytes(50 + i)));
  std::string list;
  for (const std::string& line : lines) list += line + "\r\n";
  form->ImageListMemo.SetText(list);
  form->DownloadImageList();
  for (int i = 0; i < 12; ++i) EXPECT_EQ(form->ImageListMemo.Line(i), "-" + lines[i]);
  EXPECT_EQ(ImagesIn(root), 12u);
}

// The service follows redirects without end, so the program counts them:
// twenty still bring the image, the twenty-first gives the line up.
TEST_F(DownloadTest, TwentyRedirectsAreFollowedAndNoMore) {
  const std::string image = ImageBytes(32, 4096);
  struct Case {
    const char* name;
    int redirects;
    bool marked;
  } cases[] = {
      {"twenty redirects", 20, true},
      {"twenty-one redirects", 21, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string chain = "chain" + std::to_string(c.redirects) + "/";
    for (int hop = 0; hop < c.redirects; ++hop) {
      TestHttpAnswer redirect;
      redirect.status = 302;
      redirect.location = prefix + chain + std::to_string(hop + 1) + ".gif";
      ServeImage(chain + std::to_string(hop) + ".gif", redirect);
    }
    ServeImage(chain + std::to_string(c.redirects) + ".gif", image);
    const std::string first = server.Origin() + prefix + chain + "0.gif";
    const std::string folder = Folder(c.name);
    form->SavePathLabel.SetText(folder);
    form->ImageListMemo.SetText(first + "\r\n");
    form->DownloadImageList();
    EXPECT_EQ(form->ImageListMemo.Text(), (c.marked ? "-" : "") + first + "\r\n");
    EXPECT_EQ(ImagesIn(folder), c.marked ? 1u : 0u);
  }
}

// Characters outside ASCII travel percent-encoded in UTF-8, as a browser
// sends them, those the code page has as well as those it lacks; the list
// keeps showing them as typed.
TEST_F(DownloadTest, LinesWithCharactersOutsideTheCodePage) {
  struct Case {
    const wchar_t* typed;
    const char* requested;
  } cases[] = {
      {L"\uD55C\uAD6D\uC5B4.gif", "%ED%95%9C%EA%B5%AD%EC%96%B4.gif"},  // Korean
      {L"\U0001F600.gif", "%F0%9F%98%80.gif"},                          // an emoji
      {L"\u56FE\uD55C.gif", "%E5%9B%BE%ED%95%9C.gif"},                 // Chinese too, as a browser sends it
  };
  for (const Case& c : cases) {
    const std::string address = ServeImage(c.requested, ImageBytes(43));
    const std::string origin = address.substr(0, address.size() - std::strlen(c.requested));
    const std::wstring line = std::wstring(origin.begin(), origin.end()) + c.typed;
    form->ImageListMemo.SetWideText(line + L"\r\n");
    form->DownloadImageList();
    EXPECT_EQ(form->ImageListMemo.WideText(), L"-" + line + L"\r\n") << c.requested;
    EXPECT_EQ(server.Requests(PathOf(address)), 1) << c.requested;
  }
}

TEST_F(DownloadTest, ASlowTransferMovesTheBarAndKeepsTheWindowAnswering) {
  const std::string address = ServeImage("big.gif", Trickled(ImageBytes(19, 2 << 20), 60));
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
  TestHttpAnswer slow = Trickled(ImageBytes(20, 1 << 20), 50);
  // The click arrives while the first transfer reports its progress.
  slow.afterFirstChunk = [button] { PostMessageW(button, BM_CLICK, 0, 0); };
  const std::string first = ServeImage("first.gif", slow);
  const std::string second = ServeImage("second.gif", ImageBytes(21));
  form->ImageListMemo.SetText(Join({first, second}));
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(form->ImageListMemo.Text(), Join({"-" + first, "-" + second}));
  EXPECT_EQ(server.Requests(PathOf(second)), 1) << "the nested run marked it; the first run skipped it";
  // The taskbar button and the label are the outer run's, the inner run's
  // lines counted with its own.
  int states = 0;
  for (const RecordingTaskbar::Call& call : taskbar.calls) states += call.kind == RecordingTaskbar::Call::State;
  EXPECT_EQ(states, 2);
  EXPECT_EQ(form->UrlLabel.WideText(), L"下载完成：已保存 2 张图片");
}

TEST_F(DownloadTest, AQuitRequestDuringATransferStopsAfterIt) {
  TestHttpAnswer slow = Trickled(ImageBytes(22, 512 << 10), 40, 64 << 10);
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

  // A quit taken after a fast transfer, whose reports came too close
  // together to let it through: the next line's image is not fetched.
  const std::string fast = ServeImage("fast.gif", ImageBytes(24));
  const std::string notFetched = ServeImage("not-fetched.gif", ImageBytes(25));
  form->ImageListMemo.SetText(Join({fast, notFetched}));
  {
    testsupport::MessageWatch mark(form->ImageListMemo.Handle(), EM_REPLACESEL,
                                   [uiThread](WPARAM, LPARAM) { PostThreadMessageW(uiThread, WM_QUIT, 0, 0); });
    form->DownloadImageList();
  }
  EXPECT_EQ(form->ImageListMemo.Text(), Join({"-" + fast, notFetched}));
  EXPECT_EQ(server.Requests(PathOf(notFetched)), 0);
  ui::Application::Instance().ResumeAfterQuit();
}

}  // namespace
