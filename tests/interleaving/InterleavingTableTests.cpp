// What runs inside what. Every long operation lets pending messages through,
// so any handler can run inside it: each cell of this table does one user
// action inside one long operation, on the real form with its real controls,
// the stand-in page in a process of its own and the test HTTP server, then
// checks what must hold whatever the interleaving:
//  - the pick is over: the window back in its place, the arrow restored;
//  - no line lost, doubled or split by a line the user added;
//  - a mark only on a line whose image is in its folder;
//  - a silent server given up, and after the close box the outermost
//    operation back within the platform's floor with the quit still queued
//    for the loop that ends the program;
//  - while a run waits for a folder line the user has half typed, nothing
//    goes into the half-typed folder, whatever the user presses: the cells of
//    that column act with real presses and releases, as a mouse makes them.
// The rules themselves are the table in docs/design.md.
#include "DownloadTestSupport.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <set>
#include <stdexcept>
#include <thread>

#include "Application.h"
#include "FakePageProcess.h"
#include "FakePointer.h"
#include "FolderBrowser.h"
#include "ImageTransfer.h"
#include "MessageWatch.h"
#include "RealInput.h"
#include "UrlCache.h"
#include "WindowTestSupport.h"

namespace {

enum class Operation { HungPageRead, PickSlices, SlowTransfer, SilentServer, RunWaits };
enum class Action {
  Clear, PickAnotherPage, ChangeType, Download, DownloadWithALineOpen, ChooseFolder, TypeInList, Close, Escape,
  CancelFolder };

const char* Name(Operation operation) {
  const char* names[] = {"HungPageRead", "PickSlices", "SlowTransfer", "SilentServer", "RunWaits"};
  return names[static_cast<int>(operation)];
}
const char* Name(Action action) {
  const char* names[] = {"Clear",        "PickAnotherPage", "ChangeType", "Download", "DownloadWithALineOpen",
                         "ChooseFolder", "TypeInList",      "Close",      "Escape",   "CancelFolder"};
  return names[static_cast<int>(action)];
}

// The window's close box, found as the system finds it, by hit testing.
POINT CloseBoxOf(HWND window) {
  RECT frame;
  GetWindowRect(window, &frame);
  for (int y = frame.top + 2; y < frame.top + 40; y += 2) {
    for (int x = frame.right - 2; x > frame.right - 80; x -= 2) {
      if (SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return {x, y};
    }
  }
  return {frame.right - 12, frame.top + 10};
}

using testsupport::DeferredAction;

int Left(HWND window) {
  RECT frame;
  GetWindowRect(window, &frame);
  return frame.left;
}

// A page of `images` image tags, .gif and .png in turn, on host.example.
std::string ManyImages(int images) {
  std::string markup = "<html><body>";
  for (int i = 0; i < images; ++i) markup += "<img src=\"" + std::to_string(i) + (i % 2 ? ".png\">" : ".gif\">");
  return markup + "</body></html>";
}

constexpr int kSlicedImages = 10000;  // three slices of the Collected list, two of the download list
const wchar_t kPageUrl[] = L"http://host.example/dir/page.htm";
const char kTypedLine[] = "-typed by hand";

class InterleavingHarness : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    form = std::make_unique<TPixorraMainForm>(pointer);
    form->Show();
    SetWindowPos(form->Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    form->SavePathLabel.SetText(root);
    form->FileTypeComboBox.SetText(".gif");
    ui::Application::Instance().SetMainWindow(form->Handle());
    // Silence is given up after a few seconds here instead of thirty, and a
    // page read's time runs out after three instead of eight.
    limits().transferSilenceMilliseconds = 3000;
    limits().pageReadMilliseconds = kReadBudget;
  }
  void TearDown() override {
    ui::Application::Instance().SetMainWindow(nullptr);
    ui::Application::Instance().ResumeAfterQuit();
    ReleaseCapture();
    DownloadTest::TearDown();
  }

  // The click on the label: the first loss of the capture after it only
  // takes the capture again.
  void Arm(HWND page) {
    pointer.target = page;
    form->Label2Click();
    ReleaseCapture();
  }
  // The click on the page: the second loss picks.
  void ClickOnThePage() {
    EXPECT_EQ(GetCapture(), form->Handle()) << "the pick was ended before the user reached the page";
    EXPECT_TRUE(form->Picking);
    ReleaseCapture();
  }
  void Pick(HWND page) {
    Arm(page);
    ClickOnThePage();
  }

  std::string Served(const std::string& name, int seed) { return ServeImage(name, ImageBytes(seed, 3000)); }
  Operations::Limits& limits() { return form->OperationsModel().limits; }

  static constexpr ULONGLONG kReadBudget = 3000;
  testsupport::FakePointer pointer;  // the window at the pointer is the one the test names
};

class InterleavingTest : public InterleavingHarness,
                         public testing::WithParamInterface<std::tuple<Operation, Action>> {};

TEST_P(InterleavingTest, EveryPromiseHolds) {
  const Operation operation = std::get<0>(GetParam());
  const Action action = std::get<1>(GetParam());
  // What the user does inside the operation.
  std::unique_ptr<FakePageProcess> otherPage;
  std::unique_ptr<FolderBrowserDriver> folderDriver;
  DeferredAction clickOnThePage([&] { ClickOnThePage(); });
  std::thread secondClick, leaveTheLine;
  DeferredAction beginAFolderLine([&] {
    SetFocus(form->ImageListMemo.Handle());
    for (wchar_t key : {L'\r', L'$'}) {
      form->ImageListMemo.SetSelStart(0);
      SendMessageW(form->ImageListMemo.Handle(), WM_CHAR, key, 0);
    }
  });
  // The column "while a run waits": the run fetched its line, and the user
  // has half typed a folder line above it meanwhile ("...\H", a folder that
  // exists, on the way to "...\HX\"). What the user does then is real input.
  const std::string half = Folder("H"), finished = Folder("HX");
  const std::string halfLine = "$" + half.substr(0, half.size() - 1);
  DeferredAction typeHalfAFolderLine([&] {
    SetFocus(form->ImageListMemo.Handle());
    form->ImageListMemo.SetSelStart(0);
    for (char c : halfLine) SendMessageW(form->ImageListMemo.Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
  });
  std::thread hand;
  std::atomic<bool> handDone{false};
  const int home = Left(form->Handle());
  auto byHand = [&] {
    HWND memo = form->ImageListMemo.Handle();
    // Wine's input now and then loses a press or a key on the way: each step
    // is tried again until what it does shows, read through messages.
    const auto step = [](const std::function<void()>& act, const std::function<bool()>& shows, int attempts = 3) {
      for (int attempt = 0; attempt < attempts; ++attempt) {
        act();
        if (WaitFor(shows, attempts > 1 ? 2000 : 20000)) return;
      }
      ADD_FAILURE() << "a step of the user's did not arrive";
    };
    const auto press = [&](POINT at, const std::function<bool()>& shows, int attempts = 3) {
      step([at] { PressAndRelease(at); }, shows, attempts);
    };
    // Away from where the last cell's hand left the pointer (a close box on
    // this window's place): under load Wine can take a press at the
    // pointer's old place.
    MoveMouse(1100, 900);
    const auto waiting = [&] { return testsupport::WindowText(form->UrlLabel.Handle()).rfind(L"等待输入完成", 0) == 0; };
    const auto caretAt = [memo](DWORD position) {
      return [memo, position] { return LOWORD(SendMessageW(memo, EM_GETSEL, 0, 0)) == position; };
    };
    // Back to the end of the half-typed line by a click, on with "X\", and Down.
    const auto finishTheLine = [&] {
      const auto end = static_cast<DWORD>(halfLine.size());
      step(
          [&] {
            const POINT at = CharacterOnScreen(memo, static_cast<int>(end));
            ClickAt(at.x, at.y);
          },
          caretAt(end));
      step([] { TypeText(L"X\\"); }, caretAt(end + 2));
      step([] { PressKey(VK_DOWN); }, [&] { return !waiting(); });
    };
    const auto dialogAnswered = [&] { return folderDriver->WaitAnswered(100); };
    const auto focusIs = [memo](HWND control) {
      GUITHREADINFO thread = {sizeof(thread)};
      return GetGUIThreadInfo(GetWindowThreadProcessId(memo, nullptr), &thread) &&
             (thread.hwndFocus == control || GetParent(thread.hwndFocus) == control);
    };
    switch (action) {
      case Action::Clear: {
        // The release only once the press took the focus to the button: the
        // wait looks between the two.
        HWND clear = form->ClearListBtn.Handle();
        const POINT at = CentreOf(clear);
        step(
            [&] {
              PressAt(at.x, at.y);
              WaitFor([&] { return focusIs(clear); }, 2000);
              Sleep(150);
              Release();
            },
            [memo] { return GetWindowTextLengthW(memo) == 0; });
        break;
      }
      case Action::Escape:
        step([] { PressKey(VK_ESCAPE); }, [&] { return !waiting(); });
        break;
      case Action::Close:
        press(CloseBoxOf(form->Handle()), [&] { return !IsWindowVisible(form->Handle()); });
        break;
      case Action::PickAnotherPage:
        // The click on the label arms; the click on the page is the harness's.
        press(CentreOf(form->Label2.Handle()), [&] { return Left(form->Handle()) != home; });
        clickOnThePage.Post();
        WaitFor([&] { return Left(form->Handle()) == home; }, 15000);
        finishTheLine();
        break;
      case Action::ChangeType: {
        RECT selector;
        GetWindowRect(form->FileTypeComboBox.Handle(), &selector);
        press({selector.left + 20, selector.top + 10}, [&] { return focusIs(form->FileTypeComboBox.Handle()); });
        PressKey(VK_END);
        for (int i = 0; i < 4; ++i) PressKey(VK_BACK);
        TypeText(L".png");
        break;
      }
      case Action::Download:
        press(CentreOf(form->DownloadBtn.Handle()), [&] { return !waiting(); });
        break;
      // A second press would open a second dialog: the first may just be slow.
      case Action::ChooseFolder:
        press(CentreOf(form->SavePathBtn.Handle()), dialogAnswered, 1);
        break;
      case Action::CancelFolder: {
        press(CentreOf(form->SavePathBtn.Handle()), dialogAnswered, 1);
        // Back from the dialog by a click on another line: the user coming back, not moving on.
        const auto other = static_cast<DWORD>(SendMessageW(memo, EM_LINEINDEX, 2, 0));
        press(CharacterOnScreen(memo, static_cast<int>(other)), caretAt(other));
        finishTheLine();
        break;
      }
      default:
        break;
    }
    handDone = true;
  };
  // When the user leaves the line, no wait for it stands inside another operation.
  bool heldInside = false;
  testsupport::MessageWatch leaving(form->ImageListMemo.Handle(), WM_KEYDOWN, [&](WPARAM, LPARAM) {
    Operations& model = form->OperationsModel();
    heldInside = heldInside || (!model.All<Operations::Scope>(Operations::Kind::LineWait).empty() &&
                                !(model.Transfers().empty() && model.ListAppends().empty() && model.Picks().empty()));
  });
  DeferredAction user([&] {
    if (operation == Operation::RunWaits) {
      hand = std::thread(byHand);
      return;
    }
    switch (action) {
      case Action::Clear:
        SendMessageW(form->ClearListBtn.Handle(), BM_CLICK, 0, 0);
        break;
      case Action::PickAnotherPage:
        // The click on the page comes later, once the pick under way has
        // run out of its read's time: it must not end this one.
        Arm(otherPage->PageWindow());
        secondClick = std::thread([&] {
          Sleep(kReadBudget);
          if (operation == Operation::HungPageRead) {
            clickOnThePage.Send();
          } else {
            clickOnThePage.Post();
          }
        });
        break;
      case Action::ChangeType:
        form->FileTypeComboBox.SetText("*.gif|*.png");
        form->FileTypeComboBoxChange();
        break;
      case Action::Download:
        SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
        break;
      case Action::DownloadWithALineOpen:
        // 下载图片, and while that run fetches its first line the user begins
        // a folder line above everything, leaving it 3 s later.
        leaveTheLine = std::thread([this] { Sleep(3000); PostMessageW(form->ImageListMemo.Handle(), WM_KEYDOWN, VK_DOWN, 1); });
        beginAFolderLine.Post();
        SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
        break;
      case Action::ChooseFolder:
        SendMessageW(form->SavePathBtn.Handle(), BM_CLICK, 0, 0);
        break;
      case Action::TypeInList:
        for (char c : std::string(kTypedLine) + "\r") SendMessageW(form->ImageListMemo.Handle(), WM_CHAR, c, 0);
        break;
      case Action::Close:
        SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
        break;
      case Action::Escape:
        PostMessageW(form->ImageListMemo.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
        break;
    }
  });

  // What the operation works on.
  const std::string fast = Served("fast.gif", 1);
  TestHttpAnswer slow = Trickled(ImageBytes(2, 1 << 20), 60);
  DeferredAction& atFirstChunk = operation == Operation::RunWaits ? typeHalfAFolderLine : user;
  slow.afterFirstChunk = [&atFirstChunk] { atFirstChunk.Post(); };
  TestHttpAnswer silent;
  silent.silenceMilliseconds = 120000;
  const std::string slowLine = ServeImage("slow.gif", slow);
  const std::string silentLine = ServeImage("silent.gif", silent);
  // The page that a second pick reads: two .gif and one .png on this server.
  const std::string other1 = Served("other1.gif", 3), other2 = Served("other2.gif", 4);
  const std::string otherPng = Served("other3.png", 5);
  const std::string otherMarkup = "<html><img src=\"" + other1 + "\"><img src=" + other2 + "><img src='" + otherPng +
                                  "'></html>";
  const std::string chosen = Folder("chosen");
  if (action == Action::PickAnotherPage) otherPage = std::make_unique<FakePageProcess>(otherMarkup, L"");
  if (action == Action::ChooseFolder || action == Action::CancelFolder) {
    folderDriver = std::make_unique<FolderBrowserDriver>(
        action == Action::ChooseFolder ? std::wstring(chosen.begin(), chosen.end() - 1) : std::wstring());
  }
  if (operation == Operation::RunWaits) {
    if (otherPage) pointer.target = otherPage->PageWindow();
    // The user's hand works in this window, in front of a page just started.
    SetForegroundWindow(form->Handle());
    WaitFor([&] { return GetForegroundWindow() == form->Handle(); }, 3000);
  }
  // The wait says so on the label: the user acts then.
  testsupport::MessageWatch waiting(form->UrlLabel.Handle(), WM_SETTEXT, [&](WPARAM, LPARAM text) {
    const std::wstring said = text ? reinterpret_cast<const wchar_t*>(text) : L"";
    if (operation == Operation::RunWaits && said.rfind(L"等待输入完成", 0) == 0) user.Post();
  });
  // A second click downloads the list's line, and a type change brings these in.
  form->AllImageListMemo.SetText(other1 + "\r\n" + otherPng + "\r\n");

  // The operation, with the action posted at its middle; the user's caret
  // stands at the top of the list.
  std::unique_ptr<FakePageProcess> page;
  std::thread poster;
  std::atomic<ULONGLONG> silentRequestAt{0};
  std::string before;
  switch (operation) {
    case Operation::HungPageRead:
    case Operation::PickSlices:
      before = fast + "\r\n";
      break;
    case Operation::SlowTransfer:
      before = slowLine + "\r\n" + fast + "\r\n";
      break;
    case Operation::RunWaits:
      before = "\r\n" + slowLine + "\r\n" + fast + "\r\n";
      break;
    case Operation::SilentServer:
      before = silentLine + "\r\n" + fast + "\r\n";
      break;
  }
  form->ImageListMemo.SetText(before);
  form->ImageListMemo.SetSelStart(0);
  const ULONGLONG start = GetTickCount64();
  switch (operation) {
    case Operation::HungPageRead:
      page = std::make_unique<FakePageProcess>("<html><img src=x.gif></html>", kPageUrl,
                                               std::vector<std::wstring>{L"--slow-all-ms", L"6000"});
      // While a call into another process is pending, the platform's wait
      // hands the thread only paint and sent messages (on Windows and Wine
      // alike): a click waits in the queue until the call is over. What can
      // run inside is a message sent from another thread, as here.
      poster = std::thread([&] {
        Sleep(1500);  // inside the call that hangs
        user.Send();
      });
      Pick(page->PageWindow());
      break;
    case Operation::PickSlices: {
      // Between the slices of the download list, the ones the user sees; a
      // run between them would walk thousands of addresses on no real host,
      // so 下载图片 is clicked between the Collected list's slices instead.
      page = std::make_unique<FakePageProcess>(ManyImages(kSlicedImages), kPageUrl);
      const bool run = action == Action::Download || action == Action::DownloadWithALineOpen;
      HWND sliced = (run ? form->AllImageListMemo : form->ImageListMemo).Handle();
      testsupport::MessageWatch slices(sliced, EM_REPLACESEL, [&user](WPARAM, LPARAM) { user.Post(); });
      Pick(page->PageWindow());
      break;
    }
    case Operation::SlowTransfer:
    case Operation::RunWaits:
      SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
      break;
    case Operation::SilentServer:
      // Longer than Wine takes between two messages to a thread blocked in
      // the service (about 5 s), so that the action reaches the thread
      // inside the blocked transfer rather than after it was given up.
      limits().transferSilenceMilliseconds = 8000;
      poster = std::thread([&] {
        while (server.Requests(PathOf(silentLine)) == 0 && GetTickCount64() - start < 10000) Sleep(20);
        silentRequestAt = GetTickCount64();
        // Past the request's own reports, whose pumps would take it at once:
        // it reaches the thread through the watch while the service blocks.
        Sleep(1000);
        user.Post();
      });
      SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
      break;
  }
  const ULONGLONG returned = GetTickCount64();
  MSG quit;
  const bool quitQueued = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
  if (poster.joinable()) poster.join();
  // The hand asks the list where its lines are: it is answered while this
  // thread lets messages through.
  while (hand.joinable() && !handDone) {
    testsupport::PumpMessages();
    Sleep(10);
  }
  if (hand.joinable()) hand.join();
  if (leaveTheLine.joinable()) {
    leaveTheLine.join();
    testsupport::PumpMessages();
  }
  ASSERT_TRUE(user.Ran()) << "the action did not run inside the operation, which returned "
                          << returned - start << " ms after the cell began";
  if (secondClick.joinable()) {
    // The pick that the action armed ends, inside the operation or after it;
    // the click may be on its way as a sent message meanwhile.
    const ULONGLONG deadline = GetTickCount64() + 15000;
    while (!clickOnThePage.Ran() || form->Picking) {
      if (GetTickCount64() > deadline) break;
      testsupport::PumpMessages();
      Sleep(20);
    }
    secondClick.join();
    EXPECT_TRUE(clickOnThePage.Ran());
  }
  if (folderDriver) {
    EXPECT_TRUE(folderDriver->WaitAnswered(20000));
  }
  EXPECT_FALSE(heldInside) << "a run waited for the user inside another operation";
  std::printf("    %s inside %s: over %llu ms after the action, %llu ms in all\n", Name(action), Name(operation),
              returned - user.RanAt(), returned - start);

  // The pick is over, whatever ran inside it: Idle, the window back, the arrow restored.
  EXPECT_FALSE(form->Armed);
  EXPECT_FALSE(form->Picking);
  EXPECT_EQ(Left(form->Handle()), home) << "the window is back in its place";
  EXPECT_FALSE(pointer.systemArrowIsPicking) << "the system's arrow is the arrow again";
  EXPECT_EQ(form->SavedArrowCursor, nullptr);

  // No line lost, doubled or split; a mark only where its image was saved.
  const std::vector<std::string> lines = form->ImageListMemo.Lines();
  std::set<std::string> seen;
  for (const std::string& line : lines) {
    if (!line.empty()) {
      EXPECT_TRUE(seen.insert(line).second) << "doubled: " << line;
    }
  }
  auto has = [&](const std::string& line) { return seen.count(line) > 0; };
  EXPECT_FALSE(has("-" + silentLine)) << "a silent server's line is never marked";
  for (const std::string& line : lines) {
    if (line.empty() || line[0] != '-' || line == kTypedLine) continue;
    const std::string address = line.substr(1);
    EXPECT_TRUE(address == fast || address == slowLine || address == other1 || address == other2 ||
                address == otherPng)
        << "marked, but nothing was served: " << line;
  }
  // No line the user added while the pick's lines arrived stands among them.
  std::vector<std::size_t> pageLines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("http://host.example/dir/", 0) == 0) pageLines.push_back(i);
  }
  for (std::size_t i = pageLines.empty() ? 0 : pageLines.front(); !pageLines.empty() && i < pageLines.back(); ++i) {
    EXPECT_TRUE(lines[i] != kTypedLine && lines[i].rfind('$', 0) != 0) << "the pick's lines were split at " << i;
  }
  if (action == Action::ChooseFolder) {
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "$" + chosen) << "the folder line goes where the user's caret stood";
    // Every line of a run stands below it now: each image saved went there alone.
    const bool run = operation >= Operation::SlowTransfer;
    EXPECT_EQ(ImagesIn(chosen), run ? (operation == Operation::SilentServer ? 1u : 2u) : 0u);
    EXPECT_EQ(ImagesIn(root), 0u) << "an image went into the folder that no longer governs its line";
  }
  if (action == Action::TypeInList) {
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0], kTypedLine) << "typed text goes where the user's caret stood";
  }

  // What each operation still owes, unless the lists were cleared or the program is ending.
  if (action == Action::Clear) {
    EXPECT_EQ(form->ImageListMemo.Text(), "");
    EXPECT_EQ(form->AllImageListMemo.Text(), "");
  } else if (action == Action::Close) {
    EXPECT_TRUE(quitQueued) << "the loop that ends the program would not wake";
    // The floor: the page's own answer where the platform does not cancel a
    // call into it (Wine), the transfer under way, and Wine's handing of
    // messages to a thread blocked in the service about every five seconds.
    const ULONGLONG floor = 10000;
    EXPECT_LT(returned - user.RanAt(), floor) << "the program did not end within the platform's floor";
    if (operation == Operation::PickSlices) {
      EXPECT_LT(pageLines.size(), kSlicedImages / 2u) << "the pick goes on appending for a program that is ending";
    }
  } else if (action == Action::Escape) {
    // The run stops, its lines kept; its transfer is given up at once, not finished nor left to its silence.
    EXPECT_EQ(form->UrlLabel.WideText(), L"下载已停止：已保存 0 张，2 行未下载（未标“-”，可再下载）");
    if (operation != Operation::RunWaits) EXPECT_EQ(GetCacheFileName(slowLine), L"") << "the transfer went on after Esc";
    EXPECT_LT(returned - user.RanAt(), 2000u) << "the blocked transfer waited for its silence limit";
  } else {
    switch (operation) {
      case Operation::HungPageRead:
        EXPECT_FALSE(has("http://host.example/dir/x.gif")) << "a page that did not answer in time adds nothing";
        break;
      case Operation::PickSlices: {
        const std::size_t expected = action == Action::ChangeType ? kSlicedImages : kSlicedImages / 2;
        EXPECT_EQ(pageLines.size(), expected) << "the pick's lines, each once";
        break;
      }
      case Operation::SlowTransfer:
        EXPECT_TRUE(has("-" + slowLine));
        EXPECT_TRUE(has("-" + fast));
        break;
      case Operation::RunWaits:
        break;
      case Operation::SilentServer:
        // Given up long before the server's two minutes of silence are over,
        // however often the line is met (a shifted list meets it twice).
        EXPECT_LT(returned - start, 60000u) << "a silent server held the run";
        // Posted during the silence, the action ran inside the blocked
        // transfer, let through by the watch, not once it was given up.
        EXPECT_LT(user.RanAt() - silentRequestAt, limits().transferSilenceMilliseconds)
            << "nothing let the user's click through while the service blocked";
        EXPECT_TRUE(has(silentLine)) << "given up, and left as it was";
        EXPECT_TRUE(has("-" + fast)) << "the run went on after giving it up";
        break;
    }
    if (action == Action::PickAnotherPage) {
      // Inside a sent message no call may go out to another process: there
      // the second page is refused and its pick just ends.
      if (operation == Operation::HungPageRead) {
        EXPECT_FALSE(has(other2) || has("-" + other2));
      } else {
        EXPECT_TRUE(has(other2) || has("-" + other2)) << "the second page's images are listed";
      }
    }
    if (action == Action::Download) {
      EXPECT_TRUE(has("-" + fast)) << "the second run saved it";
    }
    if (action == Action::DownloadWithALineOpen) {
      // Only a run outside every other operation saves it, once the user left the line.
      EXPECT_EQ(has("-" + fast), operation == Operation::SlowTransfer || operation == Operation::SilentServer);
    }
  }
  if (operation == Operation::RunWaits) {
    // Nothing in the half-typed folder: the images went where the line read
    // once the user left it, or nowhere when the run ended first.
    const std::string into = action == Action::PickAnotherPage || action == Action::CancelFolder ? finished
                             : action == Action::ChangeType || action == Action::Download       ? half
                             : action == Action::ChooseFolder                                    ? chosen
                                                                                                 : std::string();
    const auto marked = static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [](const std::string& line) { return line.rfind('-', 0) == 0; }));
    EXPECT_EQ(marked > 0, !into.empty()) << marked << " lines marked";
    for (const std::string& folder : {half, finished, chosen, root}) {
      EXPECT_EQ(ImagesIn(folder), folder == into ? marked : 0u) << folder;
    }
  }
  if (page) page->Finish();
  if (otherPage) otherPage->Finish();
}

std::string CellName(const testing::TestParamInfo<std::tuple<Operation, Action>>& info) {
  return std::string(Name(std::get<1>(info.param))) + "Inside" + Name(std::get<0>(info.param));
}
INSTANTIATE_TEST_SUITE_P(
    Table, InterleavingTest,
    testing::Combine(testing::Values(Operation::HungPageRead, Operation::PickSlices, Operation::SlowTransfer,
                                     Operation::SilentServer),
                     testing::Values(Action::Clear, Action::PickAnotherPage, Action::ChangeType, Action::Download,
                                     Action::DownloadWithALineOpen, Action::ChooseFolder, Action::TypeInList,
                                     Action::Close)),
    CellName);
// The user acts while a run waits for a folder line they have half typed.
INSTANTIATE_TEST_SUITE_P(Waits, InterleavingTest,
                         testing::Combine(testing::Values(Operation::RunWaits),
                                          testing::Values(Action::Clear, Action::Escape, Action::Close,
                                                          Action::PickAnotherPage, Action::ChangeType,
                                                          Action::Download, Action::ChooseFolder,
                                                          Action::CancelFolder)),
                         CellName);
INSTANTIATE_TEST_SUITE_P(Runs, InterleavingTest,
                         testing::Combine(testing::Values(Operation::SlowTransfer, Operation::SilentServer),
                                          testing::Values(Action::Escape)),
                         CellName);

// The program's own time is no silence of the server. While the service
// blocks on a server yet to answer, a message sent from another thread is
// still handled (under Wine within about 5 s, hence a limit of 8 s): it
// fetches another image for longer than a server may stay silent, and the
// outer transfer's clock stops meanwhile. (Posted instead, it would run in a
// report's pump, which stops the clock by itself.)
TEST_F(InterleavingHarness, TimeSpentInsideATransferIsNoSilenceOfItsServer) {
  limits().transferSilenceMilliseconds = 8000;
  const std::string inner = ServeImage("inner.gif", Trickled(ImageBytes(7, 1 << 20), 1300));
  ULONGLONG innerTook = 0;
  DeferredAction fetchInside([&] {
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(form->DownloadImage(root, inner).empty());
    innerTook = GetTickCount64() - start;
  });
  TestHttpAnswer outer;
  outer.body = ImageBytes(6, 3000);
  // Sent by the server's thread of this request, which answers once it was handled.
  outer.beforeAnswer = [&fetchInside] {
    Sleep(300);
    fetchInside.Send();
  };
  const std::string line = ServeImage("outer.gif", outer);
  form->ImageListMemo.SetText(line + "\r\n");
  SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(fetchInside.Ran());
  EXPECT_GE(innerTook, limits().transferSilenceMilliseconds)
      << "the transfer inside did not outlast the limit of silence";
  EXPECT_EQ(form->ImageListMemo.Text(), "-" + line + "\r\n");
}

// A report is the transfer's own time too: the exception box of a handler
// that threw in a report's pump, left open for longer than a server may stay
// silent, does not make the transfer look silent.
TEST_F(InterleavingHarness, AnExceptionBoxInAReportIsNoSilenceOfItsServer) {
  limits().transferSilenceMilliseconds = 1500;
  form->ClearListBtn.OnClick = [] { throw std::runtime_error("disk full"); };
  TestHttpAnswer slow = Trickled(ImageBytes(8, 1 << 20), 60);
  HWND clear = form->ClearListBtn.Handle();
  slow.afterFirstChunk = [clear] { PostMessageW(clear, BM_CLICK, 0, 0); };
  const std::string line = ServeImage("boxed.gif", slow);
  testsupport::MessageBoxAnswerer user(L"Pixorra", 3000);
  form->ImageListMemo.SetText(line + "\r\n");
  SendMessageW(form->DownloadBtn.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->ImageListMemo.Text(), "-" + line + "\r\n");
}

// A caret at the end of the list goes on standing at its end once a long
// append is in, as after one append: what the user types next starts its own
// line below the new ones instead of running into the first of them.
TEST_F(InterleavingHarness, ACaretAtTheEndStaysAtTheEnd) {
  std::string collected;
  for (int i = 0; i < 6000; ++i) collected += "http://host.example/dir/" + std::to_string(i) + ".gif\r\n";
  form->AllImageListMemo.SetText(collected);
  form->ImageListMemo.SetText("typed by hand\r\n");
  form->ImageListMemo.SetSelStart(static_cast<int>(form->ImageListMemo.WideText().size()));
  form->FilterImageList();
  EXPECT_EQ(form->ImageListMemo.LineCount(), 6001);
  EXPECT_EQ(form->ImageListMemo.SelLength(), 0);
  EXPECT_EQ(form->ImageListMemo.SelStart(), static_cast<int>(form->ImageListMemo.WideText().size()));
}

}  // namespace
