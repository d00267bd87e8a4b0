// The whole road of use on the real Pixorra.exe: pick a page, choose types,
// choose a folder in the system's folder browser, type a folder line by hand,
// download, and find every image on disk byte for byte, its line marked.
#include "TestHttpServer.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

#include "FakePageProcess.h"
#include "FolderBrowser.h"
#include "MessageWatch.h"
#include "PictureRequest.h"
#include "PixorraProcess.h"
#include "ResponsivenessProbe.h"
#include "TemporaryFile.h"

namespace {

using testsupport::FilesIn;
using testsupport::NamesIn;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// A new folder among the temporary ones, its path without the final "\".
std::string NewFolder(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = temp + ("pixorra-e2e-" + name);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// The folders are those the lines name, every character kept: the one
// chosen in the browser holds a character the code page lacks, the one typed
// is not there yet and is made, with its parent; a relative one fails, and
// says why there and under the caret.
TEST(DownloadEndToEndTest, FromPageToFilesOnDisk) {
  TestHttpServer server;
  const std::string run = "/e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
  const std::string smallGif = ImageBytes(1, 900), otherGif = ImageBytes(2, 1200), png = ImageBytes(3, 700);
  const std::string chinese = ImageBytes(6, 800);
  const TestHttpAnswer big = Trickled(ImageBytes(4, 2 << 20), 100);  // a couple of seconds in all
  server.Serve(run + "/a.gif", {200, smallGif});
  server.Serve(run + "/b.gif", {200, otherGif});
  server.Serve(run + "/c.png", {200, png});
  server.Serve(run + "/big.gif", big);
  server.Serve(run + "/%E5%9B%BE%E7%89%87.gif", {200, chinese});  // "图片.gif"
  server.Serve(run + "/relative.gif", {200, smallGif});
  const std::string origin = server.Origin() + run + "/";
  const std::string markup = "<html><body><img src=\"" + origin + "a.gif\"><img src=" + origin +
                             "big.gif><table background=" + origin + "b.gif><td><img src='" + origin +
                             "c.png'></td></table><img src=" + origin + "%E5%9B%BE%E7%89%87.gif></body></html>";

  wchar_t temp[MAX_PATH] = {}, working[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  GetCurrentDirectoryW(MAX_PATH, working);
  const std::wstring tag = L"pixorra-e2e-" + Wide(run.substr(5));
  const std::wstring chosen = temp + tag + L"-\uC0AC\uC9C4\\", zoe = temp + tag + L"-Zo\u00EB\\";  // 사진, Zoë
  const std::wstring typed = zoe + L"\u65B0\u5EFA";  // 新建, not there yet
  CreateDirectoryW(chosen.c_str(), nullptr);

  FakePageProcess page(markup, L"http://host.example/gallery/index.htm");
  ASSERT_NE(page.PageWindow(), nullptr);
  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr);
  for (int i = 0; i < 3; ++i) MoveMouse(300 + i, 700);

  // 1. Pick the page.
  HWND label = pixorra.ControlWithText(L"Static", L"点我获取");
  ASSERT_NE(label, nullptr);
  POINT at = CentreOf(label);
  ClickAt(at.x, at.y);
  ASSERT_TRUE(WaitFor([&] { return pixorra.Frame().left != 0; }, 5000));
  const POINT onPage = CentreOf(page.PageWindow());
  ClickOnAnotherApplication(pixorra.MainWindow(), page.PageWindow(), onPage.x, onPage.y);
  ASSERT_TRUE(WaitFor([&] { return !PixorraProcess::Text(pixorra.CollectedList()).empty(); }, 15000));
  ASSERT_TRUE(WaitFor([&] { return pixorra.Frame().left == 0; }, 5000));

  // 2. A folder from the system's folder browser. The page has the
  // foreground now: a first click on the list brings Pixorra back. Buttons
  // are pressed with BM_CLICK, the button's own click, which Wine's mouse
  // now and then loses on the way.
  HWND list = pixorra.DownloadList();
  ASSERT_TRUE(ClickToFocus(list));
  HWND savePath = pixorra.ControlWithText(L"Button", L"保存路径");
  ASSERT_NE(savePath, nullptr);
  PostMessageW(savePath, BM_CLICK, 0, 0);
  ASSERT_TRUE(ChooseFolderInBrowser(pixorra.Process(), chosen.substr(0, chosen.size() - 1), 20000));
  ASSERT_TRUE(WaitFor([&] { return PixorraProcess::Text(pixorra.SavePathLabel()) == chosen; }, 10000))
      << "the browser's choice did not arrive: " << testing::PrintToString(PixorraProcess::Text(pixorra.SavePathLabel()));

  // 3. Type ".gif": its images are listed below the folder line.
  HWND selector = pixorra.TypeSelector();
  ASSERT_TRUE(ClickToFocus(selector, -50));
  TypeText(L".gif");
  ASSERT_TRUE(WaitFor([&] { return PixorraProcess::Text(selector) == L".gif"; }, 5000));

  // 4. A folder line typed by hand at the end of the list, without its "\".
  ASSERT_TRUE(ClickToFocus(list));
  PressKey(VK_END, true);
  TypeText(L"$" + typed);
  PressKey(VK_RETURN);

  // 5. Then ".png": its image goes below the typed line.
  ASSERT_TRUE(ClickToFocus(selector, -50));
  PressKey(VK_END);
  for (int i = 0; i < 4; ++i) PressKey(VK_BACK);
  TypeText(L".png");
  const std::wstring expectedList = L"\r\n$" + chosen + L"\r\n" + Wide(origin) + L"a.gif\r\n" + Wide(origin) +
                                    L"big.gif\r\n" + Wide(origin) + L"b.gif\r\n" + Wide(origin) +
                                    L"%E5%9B%BE%E7%89%87.gif\r\n$" + typed + L"\r\n" + Wide(origin) + L"c.png\r\n";
  ASSERT_TRUE(WaitFor([&] { return PixorraProcess::Text(list) == expectedList; }, 5000))
      << testing::PrintToString(PixorraProcess::Text(list));

  // 6. A relative folder line, and an image below it.
  ASSERT_TRUE(ClickToFocus(list));
  PressKey(VK_END, true);
  TypeText(L"$\u56FE\u7247\\");  // 图片
  PressKey(VK_RETURN);
  TypeText(Wide(origin) + L"relative.gif");
  PressKey(VK_RETURN);
  const std::wstring relative = L"$\u56FE\u7247\\\r\n" + Wide(origin) + L"relative.gif\r\n";
  ASSERT_TRUE(WaitFor([&] { return PixorraProcess::Text(list) == expectedList + relative; }, 5000))
      << testing::PrintToString(PixorraProcess::Text(list));

  // 7. Download, and keep asking the window for its list while it works.
  HWND download = pixorra.ControlWithText(L"Button", L"下载图片");
  ResponsivenessProbe probe(list);
  PostMessageW(download, BM_CLICK, 0, 0);
  const std::wstring expectedDone = L"\r\n$" + chosen + L"\r\n-" + Wide(origin) + L"a.gif\r\n-" + Wide(origin) +
                                    L"big.gif\r\n-" + Wide(origin) + L"b.gif\r\n-" + Wide(origin) +
                                    L"%E5%9B%BE%E7%89%87.gif\r\n$" + typed + L"\r\n-" + Wide(origin) + L"c.png\r\n" +
                                    relative;
  const bool marked = WaitFor([&] { return PixorraProcess::Text(list) == expectedDone; }, 60000);
  const DWORD slowest = probe.Stop();
  ASSERT_TRUE(marked) << testing::PrintToString(PixorraProcess::Text(list));
  EXPECT_LT(slowest, 200u) << "the window answered slowly during the transfer";
  const std::wstring end = L"下载结束：已保存 5 张，1 行失败（";
  EXPECT_TRUE(WaitFor([&] { return PixorraProcess::Text(pixorra.FileLabel()) == end + L"文件夹无效 ×1）" ||
                                   PixorraProcess::Text(pixorra.FileLabel()) == end + L"…）"; }, 5000))
      << testing::PrintToString(PixorraProcess::Text(pixorra.FileLabel()));

  // 8. The caret on the failed line, by keys, says why.
  ASSERT_TRUE(ClickToFocus(list));
  PressKey(VK_END, true);
  PressKey(VK_UP);
  const std::wstring why = L"这一行没有下载：文件夹无效（\u56FE\u7247\\）";
  EXPECT_TRUE(WaitFor([&] { return PixorraProcess::Text(pixorra.FileLabel()) == why; }, 5000))
      << testing::PrintToString(PixorraProcess::Text(pixorra.FileLabel()));

  EXPECT_TRUE(FilesIn(chosen) == (std::multiset<std::string>{smallGif, big.body, otherGif, chinese}))
      << FilesIn(chosen).size() << " files in the chosen folder";
  EXPECT_TRUE(FilesIn(typed + L"\\") == (std::multiset<std::string>{png})) << FilesIn(typed + L"\\").size() << " files";
  EXPECT_EQ(NamesIn(chosen + L"\u56FE\u7247*").size(), 1u) << "the Chinese name is not saved readable";
  // No folder named otherwise, wherever one could have gone: "%EC%82%AC…",
  // "??", "?", "Zoe", or the relative one in the working folder.
  EXPECT_EQ(NamesIn(temp + tag + L"*"), (std::set<std::wstring>{tag + L"-\uC0AC\uC9C4", tag + L"-Zo\u00EB"}));
  EXPECT_EQ(NamesIn(zoe + L"*"), (std::set<std::wstring>{L"\u65B0\u5EFA"}));
  EXPECT_EQ(NamesIn(chosen + L"*").size(), 4u) << "only the four images";
  EXPECT_TRUE(NamesIn(working + std::wstring(L"\\\u56FE\u7247")).empty());
  EXPECT_EQ(server.Requests(run + "/big.gif"), 1);
  EXPECT_TRUE(pixorra.Close(10000));
  ASSERT_TRUE(page.Finish());
  EXPECT_EQ(page.OutstandingReferences(), 0);
}

// A folder chosen during a run governs the lines below it: with the caret at
// the end of a line marked done, above the line under way, that line's image
// and the ones after it go into the chosen folder, and only there.
TEST(DownloadEndToEndTest, AFolderChosenDuringARunTakesTheLinesBelowIt) {
  TestHttpServer server;
  const std::string run = "/fold-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
  const std::string f1 = ImageBytes(11, 900), f3 = ImageBytes(13, 1100);
  const TestHttpAnswer f2 = Trickled(ImageBytes(12, 1 << 20), 1000);  // eight seconds: the user acts meanwhile
  server.Serve(run + "/f1.gif", {200, f1});
  server.Serve(run + "/f2.gif", f2);
  server.Serve(run + "/f3.gif", {200, f3});
  const std::wstring origin = Wide(server.Origin() + run + "/");
  const std::string old = NewFolder(run.substr(1) + "-old") + "\\";
  const std::string chosen = NewFolder(run.substr(1) + "-chosen") + "\\";

  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr);
  SendMessageW(pixorra.SavePathLabel(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(old).c_str()));
  const std::wstring list = L"$" + Wide(old) + L"\r\n" + origin + L"f1.gif\r\n" + origin + L"f2.gif\r\n" + origin +
                            L"f3.gif\r\n";
  HWND memo = pixorra.DownloadList();
  SendMessageW(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(list.c_str()));
  HWND savePath = pixorra.ControlWithText(L"Button", L"保存路径");
  PostMessageW(pixorra.ControlWithText(L"Button", L"下载图片"), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return server.Requests(run + "/f2.gif") == 1; }, 10000));
  // The caret to the end of the marked line, by keyboard, then the folder.
  ASSERT_TRUE(ClickToFocus(memo));
  PressKey(VK_HOME, true);
  PressKey(VK_DOWN);
  PressKey(VK_END);
  // Keys come after posted messages in a pump: the button waits for them.
  const std::size_t caret = 1 + Wide(old).size() + 2 + 1 + (origin + L"f1.gif").size();
  ASSERT_TRUE(WaitFor([&] { return LOWORD(SendMessageW(memo, EM_GETSEL, 0, 0)) == caret; }, 5000));
  PostMessageW(savePath, BM_CLICK, 0, 0);
  ASSERT_TRUE(ChooseFolderInBrowser(pixorra.Process(), Wide(chosen.substr(0, chosen.size() - 1)), 20000));
  const std::wstring done = L"$" + Wide(old) + L"\r\n-" + origin + L"f1.gif\r\n$" + Wide(chosen) + L"\r\n\r\n-" +
                            origin + L"f2.gif\r\n-" + origin + L"f3.gif\r\n";
  ASSERT_TRUE(WaitFor([&] { return PixorraProcess::Text(memo) == done; }, 30000))
      << testing::PrintToString(PixorraProcess::Text(memo));
  // Compared whole, reported by count: the images are a megabyte.
  EXPECT_TRUE(FilesIn(old) == (std::multiset<std::string>{f1})) << FilesIn(old).size() << " files in the old folder";
  EXPECT_TRUE(FilesIn(chosen) == (std::multiset<std::string>{f2.body, f3}))
      << FilesIn(chosen).size() << " files in the chosen folder";
  EXPECT_TRUE(pixorra.Close(10000));
}

// A folder's name typed through a real input method (pinyin, over XIM): the
// user types "$...\T\" above the line under way, then "tupian", reads the
// candidates for 6 s, commits "图片", types "\" and Enter. Nothing reaches
// the list while the candidates are open, and no pause ends the line: every
// image waits for the whole line and goes into T\图片\, none into T\. Keys
// reach an input method only through the X server, so the script that runs
// this types them (xdotool), asked through PIXORRA_X_KEYS; elsewhere it skips.
TEST(DownloadEndToEndTest, AFolderNameTypedThroughAnInputMethodWaitsForTheWholeLine) {
  const wchar_t* keys = _wgetenv(L"PIXORRA_X_KEYS");
  if (!keys) GTEST_SKIP() << "needs an input method and keys typed through X: scripts/test gives both";
  TestHttpServer server;
  const std::string run = "/ime-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
  std::multiset<std::string> images;
  std::wstring list = L"\r\n";
  for (int i = 0; i < 3; ++i) {  // the first for four seconds: the user types meanwhile
    const TestHttpAnswer answer = i == 0 ? Trickled(ImageBytes(21, 1 << 20), 500) : TestHttpAnswer{200, ImageBytes(21 + i)};
    images.insert(answer.body);
    server.Serve(run + "/m" + std::to_string(i) + ".gif", answer);
    list += Wide(server.Origin() + run + "/m" + std::to_string(i) + ".gif\r\n");
  }
  const std::string t = NewFolder(run.substr(1) + "-T") + "\\";  // named half typed, and the save folder
  const std::string pictures = t + "\xcd\xbc\xc6\xac\\";  // "图片\" in code page 936
  CreateDirectoryA(pictures.c_str(), nullptr);
  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr);
  SendMessageW(pixorra.SavePathLabel(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(t).c_str()));
  HWND memo = pixorra.DownloadList();
  SendMessageW(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(list.c_str()));
  PostMessageW(pixorra.ControlWithText(L"Button", L"下载图片"), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return server.Requests(run + "/m0.gif") == 1; }, 10000));
  RECT box;
  GetWindowRect(memo, &box);
  int step = 0;
  const auto x = [&](std::vector<std::string> xdotool) {
    EXPECT_EQ(TypeThroughX(keys, L"key" + std::to_wstring(step++), xdotool), L"");
  };
  // The click through X too, which gives the list X's keyboard focus. The
  // folder's path goes in as the other tests type: X's typing of it loses
  // the shift of ":" and "T" under Wine. Keys through X and keys through
  // SendInput take two roads to the list, and xdotool returns before Wine
  // has taken the click (a thread inside a transfer takes X's events late):
  // each step waits until the one before it shows in the list.
  const auto shows = [&](const std::wstring& start) {
    return WaitFor([&] { return PixorraProcess::Text(memo).rfind(start, 0) == 0; }, 10000);
  };
  const auto caretAtTop = [&] { return HasKeyboardFocus(memo) && SendMessageW(memo, EM_GETSEL, 0, 0) == 0; };
  // Another click only well past the platform's floor of about 5 s, lest a
  // late first one land in the path being typed.
  bool placed = false;
  for (int attempt = 0; attempt < 2 && !placed; ++attempt) {
    x({"mousemove", std::to_string(box.left + 30), std::to_string(box.top + 8), "click", "1"});
    placed = WaitFor(caretAtTop, 12000);
  }
  ASSERT_TRUE(placed) << "the click through X did not put the caret at the list's top";
  TypeText(L"$" + Wide(t));
  ASSERT_TRUE(shows(L"$" + Wide(t))) << testing::PrintToString(PixorraProcess::Text(memo));
  x({"key", "ctrl+space"});
  x({"type", "--delay", "100", "tupian"});
  // Reading the candidates: the run waits, and says for which line.
  Sleep(6000);
  bool waitShown = false;
  for (HWND child : testsupport::Children(GetParent(pixorra.ProgressBar()))) {
    waitShown = waitShown || PixorraProcess::Text(child).rfind(L"等待输入完成：$", 0) == 0;
  }
  EXPECT_TRUE(waitShown) << "the label did not say that the run waits for the line";
  x({"key", "space", "ctrl+space"});
  ASSERT_TRUE(shows(L"$" + Wide(t) + L"\u56fe\u7247")) << "the input method did not commit 图片";
  TypeText(L"\\");
  ASSERT_TRUE(shows(L"$" + Wide(t) + L"\u56fe\u7247\\"));
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return FilesIn(pictures) == images; }, 30000)) << FilesIn(pictures).size() << " files";
  EXPECT_EQ(FilesIn(t).size(), 0u) << "images went into the folder the line named half typed";
  EXPECT_TRUE(pixorra.Close(10000));
}

// The wait for a half-typed folder line holds against a real mouse. The run
// fetches the first line while the user types "$..." above it, and waits
// before the copy. Away to another program and back by a click on another
// line, the line stays open until the user goes on with it; in the window all
// along, a click on another line finishes it as it reads; 清空列表 pressed
// and released 150 ms later ends the run before anything is copied. Outside a
// run, Esc closes nothing, wherever the focus is.
TEST(DownloadEndToEndTest, TheWaitHoldsAgainstARealMouseAndEscClosesNothing) {
  enum Case { AwayAndBack, ClickOnAnotherLine, ClearPressed, EscInList, EscInSelector, EscOnButton };
  for (const Case c : {AwayAndBack, ClickOnAnotherLine, ClearPressed, EscInList, EscInSelector, EscOnButton}) {
    SCOPED_TRACE(c);
    TestHttpServer server;
    const std::string run = "/wait-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
    std::multiset<std::string> images;
    std::wstring list = L"\r\n";
    for (int i = 0; i < 3; ++i) {  // the first for two seconds: the user types meanwhile
      const TestHttpAnswer answer = i == 0 ? Trickled(ImageBytes(31, 1 << 19), 250) : TestHttpAnswer{200, ImageBytes(31 + i)};
      images.insert(answer.body);
      server.Serve(run + "/w" + std::to_string(i) + ".gif", answer);
      list += Wide(server.Origin() + run + "/w" + std::to_string(i) + ".gif\r\n");
    }
    const std::string saveFolder = NewFolder(run.substr(1) + "-save") + "\\";
    const std::string half = NewFolder(run.substr(1) + "-H"), whole = NewFolder(run.substr(1) + "-HX") + "\\";
    PixorraProcess pixorra;
    ASSERT_NE(pixorra.MainWindow(), nullptr);
    for (int i = 0; i < 3; ++i) MoveMouse(300 + i, 700);
    SendMessageW(pixorra.SavePathLabel(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(saveFolder).c_str()));
    HWND memo = pixorra.DownloadList();
    SendMessageW(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(list.c_str()));
    // Each click is checked by the line it put the caret in (marks move the
    // caret's place in the text), and tried again where Wine's mouse lost
    // it on the way.
    const auto clickAt = [memo](DWORD position) {
      const POINT at = CharacterOnScreen(memo, static_cast<int>(position));
      const LRESULT line = SendMessageW(memo, EM_LINEFROMCHAR, position, 0);
      for (int attempt = 0; attempt < 3; ++attempt) {
        ClickAt(at.x, at.y);
        if (WaitFor([&] { return SendMessageW(memo, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0) == line; }, 3000)) {
          return true;
        }
      }
      return false;
    };
    if (c >= EscInList) {
      HWND clear = pixorra.ControlWithText(L"Button", L"清空列表");
      ASSERT_TRUE(ClickToFocus(c == EscInList ? memo : pixorra.TypeSelector(), c == EscInList ? 0 : -50));
      if (c == EscInList) {
        PressKey(VK_HOME, true);
        ASSERT_TRUE(WaitFor([&] { return LOWORD(SendMessageW(memo, EM_GETSEL, 0, 0)) == 0; }, 2000));
      }
      if (c == EscOnButton) {
        PressKey(VK_TAB);  // to 清空列表, next in the tab order
        ASSERT_TRUE(WaitFor([&] { return HasKeyboardFocus(clear); }, 2000));
      }
      PressKey(VK_ESCAPE);
      // A key after it shows that the Esc arrived: keys come in order.
      if (c == EscInList) PressKey(VK_END, true);
      if (c == EscInSelector) TypeText(L"x");
      if (c == EscOnButton) PressKey(VK_TAB);
      EXPECT_TRUE(WaitFor(
          [&] {
            return c == EscInList      ? LOWORD(SendMessageW(memo, EM_GETSEL, 0, 0)) != 0
                   : c == EscInSelector ? PixorraProcess::Text(pixorra.TypeSelector()) == L"x"
                                        : !HasKeyboardFocus(clear);
          },
          5000))
          << "the keys did not arrive";
      EXPECT_EQ(WaitForSingleObject(pixorra.Process(), 1500), static_cast<DWORD>(WAIT_TIMEOUT)) << "Esc ended the program";
      EXPECT_TRUE(IsWindowVisible(pixorra.MainWindow())) << "Esc closed the window";
      EXPECT_EQ(PixorraProcess::Text(memo), list);
      EXPECT_TRUE(pixorra.Close(10000));
      continue;
    }
    const auto waitSays = [&] {
      for (HWND child : testsupport::Children(GetParent(pixorra.ProgressBar()))) {
        if (PixorraProcess::Text(child).rfind(L"等待输入完成：$", 0) == 0) return true;
      }
      return false;
    };
    PostMessageW(pixorra.ControlWithText(L"Button", L"下载图片"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return server.Requests(run + "/w0.gif") == 1; }, 10000));
    ASSERT_TRUE(ClickToFocus(memo));
    PressKey(VK_HOME, true);
    TypeText(Wide("$" + half));
    ASSERT_TRUE(WaitFor(waitSays, 15000)) << "the run did not wait for the line";
    const auto lineTwo = static_cast<DWORD>(SendMessageW(memo, EM_LINEINDEX, 2, 0));
    std::string into;  // where the images go
    if (c == ClearPressed) {
      // The release only once the press took the focus to the button: the
      // wait looks between the two.
      HWND clear = pixorra.ControlWithText(L"Button", L"清空列表");
      const POINT at = CentreOf(clear);
      PressAt(at.x, at.y);
      EXPECT_TRUE(WaitFor([&] { return HasKeyboardFocus(clear); }, 5000)) << "the press did not arrive";
      Sleep(150);
      Release();
      EXPECT_TRUE(WaitFor([&] { return PixorraProcess::Text(memo).empty(); }, 5000));
    } else if (c == ClickOnAnotherLine) {
      ASSERT_TRUE(clickAt(lineTwo)) << "the click on another line did not arrive";
      into = half + "\\";
    } else {
      // Another program in front, then back by a click on another line.
      HWND other = CreateWindowExW(WS_EX_TOPMOST, L"Static", L"elsewhere", WS_POPUP | WS_VISIBLE | WS_BORDER, 700, 600,
                                   200, 100, nullptr, nullptr, nullptr, nullptr);
      SetForegroundWindow(other);
      ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == other && !HasKeyboardFocus(memo); }, 5000));
      Sleep(1500);
      ASSERT_TRUE(clickAt(lineTwo)) << "the click on another line did not arrive";
      DestroyWindow(other);
      Sleep(1500);
      EXPECT_TRUE(waitSays()) << "the click that came back finished the line";
      // On to the half-typed line, by a click on it: the folder finished.
      const auto end = static_cast<DWORD>(1 + half.size());
      ASSERT_TRUE(clickAt(end)) << "the click on the half-typed line did not arrive";
      TypeText(L"X\\");
      ASSERT_TRUE(WaitFor([&] { return LOWORD(SendMessageW(memo, EM_GETSEL, 0, 0)) == end + 2; }, 5000));
      PressKey(VK_RETURN);
      into = whole;
    }
    if (!into.empty()) {
      EXPECT_TRUE(WaitFor([&] { return FilesIn(into) == images; }, 30000)) << FilesIn(into).size() << " files";
    }
    for (const std::string& folder : {half + "\\", whole, saveFolder}) {
      if (folder != into) EXPECT_EQ(FilesIn(folder).size(), 0u) << "an image went into " << folder;
    }
    EXPECT_TRUE(pixorra.Close(10000));
  }
}

// How the user ends a run that a server holds: the close box while the server
// never answers, alone or with an impatient second click on 下载图片 that starts
// a nested run on the same silent line; while an image streams without end,
// the close box, 清空列表, and Esc wherever the focus is. Under Wine the thread
// blocked in the download service is handed messages only about every five
// seconds: that is the platform's floor.
constexpr ULONGLONG kPlatformFloorMilliseconds = 5000;

TEST(DownloadEndToEndTest, NoServerKeepsARunOrTheProgramFromEnding) {
  enum Stop { Close, CloseNested, CloseStream, Clear, EscInList, EscInSelector, EscOnButton };
  for (const Stop stop : {Close, CloseNested, CloseStream, Clear, EscInList, EscInSelector, EscOnButton}) {
    SCOPED_TRACE(stop);
    TestHttpServer server;
    const std::string run = "/held-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
    TestHttpAnswer held = Trickled(ImageBytes(5, 2048), 50);
    if (stop < CloseStream) held.silenceMilliseconds = 120000;
    if (stop >= CloseStream) held.streamMilliseconds = 60000;
    server.Serve(run + "/held.jpg", held);
    // Before it, a page answered for an image: a failure, with no file anywhere.
    server.Serve(run + "/page.jpg", {200, "<html>gone</html>", "text/html"});
    const std::string folder = NewFolder(run.substr(1)) + "\\";

    PixorraProcess pixorra;
    ASSERT_NE(pixorra.MainWindow(), nullptr);
    // The save folder is put into the hidden label where the folder browser
    // leaves it (that road is driven above), the addresses typed into the list.
    SendMessageW(pixorra.SavePathLabel(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(folder).c_str()));
    const std::wstring list = Wide(server.Origin() + run + "/page.jpg\r\n" + server.Origin() + run + "/held.jpg\r\n");
    SendMessageW(pixorra.DownloadList(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(list.c_str()));
    // Found before the stall: while it lasts, every message sent to the
    // program waits seconds.
    HWND download = pixorra.ControlWithText(L"Button", L"下载图片");
    HWND clear = pixorra.ControlWithText(L"Button", L"清空列表");
    PostMessageW(download, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return server.Requests(run + "/held.jpg") == 1; }, 10000));
    if (stop == CloseNested) {
      Sleep(2000);
      PostMessageW(download, BM_CLICK, 0, 0);
      EXPECT_TRUE(WaitFor([&] { return server.Requests(run + "/held.jpg") == 2; }, 15000)) << "no second run";
      Sleep(3000);
    } else {
      Sleep(1000);
    }
    if (stop == Clear || stop >= EscInList) {
      const bool inList = stop == EscInList;
      ASSERT_TRUE(stop == Clear || ClickToFocus(inList ? pixorra.DownloadList() : pixorra.TypeSelector(), inList ? 0 : -50));
      if (stop == EscOnButton) PressKey(VK_TAB);  // to 清空列表, next in the tab order
      GUITHREADINFO thread = {sizeof(thread)};
      ASSERT_TRUE(stop != EscOnButton || WaitFor([&] { return GetGUIThreadInfo(0, &thread) && thread.hwndFocus == clear; }, 2000));
      if (stop == Clear) PostMessageW(clear, BM_CLICK, 0, 0);
      if (stop != Clear) PressKey(VK_ESCAPE);
      // The page's cause, where the label has room for it: the hint at the
      // end goes first, then the cause.
      const auto said = [&, failed = std::wstring(L"下载已停止：已保存 0 张，1 行失败（")] {
        const std::wstring text = PixorraProcess::Text(pixorra.FileLabel()), tail = L"），1 行未下载";
        if (stop == Clear) return text == L"下载已停止：已保存 0 张图片";
        return text == failed + L"不是图片 ×1" + tail + L"（未标“-”，可再下载）" || text == failed + L"不是图片 ×1" + tail ||
               text == failed + L"…" + tail;
      };
      EXPECT_TRUE(WaitFor(said, 2000)) << "the stream was not given up at once";
      EXPECT_EQ(PixorraProcess::Text(pixorra.DownloadList()), stop == Clear ? L"" : list);
    }
    const ULONGLONG closed = GetTickCount64();
    EXPECT_TRUE(pixorra.Close(30000)) << "the process outlived the close box";
    const ULONGLONG took = GetTickCount64() - closed;
    std::printf("    %d: the process ended %llu ms after the close box\n", stop, took);
    // A silent server: one delivery of the watch to the blocked thread,
    // whatever is nested (the outer transfer, which cannot go on before the
    // inner one ends, is given up with it). A stream: the 2 s a close allows.
    EXPECT_LT(took, stop < CloseStream ? kPlatformFloorMilliseconds + 3000 : 2000 + 1000);
    EXPECT_TRUE(FilesIn(folder).empty());
  }
}

// A label that grows inside the first WM_GETTEXT, beyond the read's spare room,
// as the end label replaced the last file's name during a slow run.
TEST(DownloadEndToEndTest, ALabelThatGrowsWhileItIsReadIsReadWhole) {
  const std::wstring end = L"下载结束：已保存 7 张，1 行失败" + std::wstring(300, L'。');
  testsupport::MessageWatch label(WM_GETTEXT, [&](WPARAM, LPARAM) { SetWindowTextW(label.Window(), end.c_str()); });
  SetWindowTextW(label.Window(), L"cyan.jpg");
  EXPECT_EQ(PixorraProcess::Text(label.Window()), end);
}

}  // namespace
