// The picking gesture on the real Pixorra.exe with real mouse input: press and
// release on "点我获取", then click on a browser page in another process.
//
// The driver moves the mouse and clicks with SendInput and reads the controls
// with WM_GETTEXT. One thing Wine does not do is added by hand: when the click
// lands on the other application's page, Windows brings that page to the
// foreground and sends WM_CANCELMODE to the window that held the capture in
// the thread losing the foreground, whose default processing gives up the
// capture: that loss is the pick. Wine keeps the capture and hands the click to
// the capture window, so ClickOnAnotherApplication activates the page and sends
// that WM_CANCELMODE before pressing. Everything after it is Pixorra's own.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ExeFolder.h"
#include "FakePageProcess.h"
#include "PixorraProcess.h"

namespace {

const char kMarkup[] = "<html><body><img src=\"a.gif\"><IMG SRC=/img/b.GIF><img src=c.png></body></html>";
// Beyond the right edge of the whole desktop, where the armed window goes.
int OffEveryScreen() { return GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) + 100; }

const std::wstring kExpectedCollected =
    L"http://host.example/dir/a.gif\r\nhttp://host.example/img/b.GIF\r\nhttp://host.example/dir/c.png\r\n\r\n";

class PickEndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    // On Wine the first moves of a fresh driver can be undone by the X
    // pointer's own position; a few settling moves make the later ones stick.
    for (int i = 0; i < 3; ++i) {
      MoveMouse(300 + i, 700);
      Sleep(200);
    }
  }

  // Chooses the image type by typing it, as a user may.
  void TypeImageType(PixorraProcess& pixorra, const wchar_t* type) {
    HWND selector = pixorra.TypeSelector();
    ASSERT_NE(selector, nullptr);
    ASSERT_TRUE(ClickToFocus(selector, -50));
    TypeText(type);
    ASSERT_TRUE(WaitFor([&] { return PixorraProcess::Text(selector) == type; }, 5000))
        << "the type selector holds \"" << testing::PrintToString(PixorraProcess::Text(selector)) << "\"";
  }

  // Press and release on the picking label.
  void ClickPickLabel(PixorraProcess& pixorra) {
    HWND label = pixorra.ControlWithText(L"Static", L"点我获取");
    ASSERT_NE(label, nullptr);
    const POINT at = CentreOf(label);
    ClickAt(at.x, at.y);
  }

  // The whole gesture: the window leaves every screen (its top kept), the
  // page is picked, and the window comes back.
  void Pick(PixorraProcess& pixorra, FakePageProcess& page, const std::wstring& collected = kExpectedCollected) {
    const RECT before = pixorra.Frame();
    ClickPickLabel(pixorra);
    ASSERT_TRUE(WaitFor([&] { return pixorra.Frame().left == OffEveryScreen(); }, 5000))
        << "the window stands at " << pixorra.Frame().left;
    const RECT away = pixorra.Frame();
    EXPECT_EQ(away.top, before.top);
    EXPECT_EQ(MonitorFromRect(&away, MONITOR_DEFAULTTONULL), nullptr) << "in sight on a screen";
    const POINT onPage = CentreOf(page.PageWindow());
    ClickOnAnotherApplication(pixorra.MainWindow(), page.PageWindow(), onPage.x, onPage.y);
    ASSERT_TRUE(WaitFor([&] { return !PixorraProcess::Text(pixorra.CollectedList()).empty(); }, 15000))
        << "no images arrived";
    ASSERT_TRUE(WaitFor([&] { return pixorra.Frame().left == before.left; }, 5000)) << "the window did not come back";
    EXPECT_EQ(PixorraProcess::Text(pixorra.CollectedList()), collected);
    EXPECT_EQ(pixorra.Frame().top, before.top);
  }
};

TEST_F(PickEndToEndTest, ClickTheLabelThenThePageAndTheImagesAreListed) {
  FakePageProcess page(kMarkup, L"http://host.example/dir/page.htm");
  ASSERT_NE(page.PageWindow(), nullptr);
  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr) << "Pixorra did not start";
  TypeImageType(pixorra, L".gif");
  ASSERT_NO_FATAL_FAILURE(Pick(pixorra, page));
  EXPECT_EQ(PixorraProcess::Text(pixorra.DownloadList()),
            L"http://host.example/dir/a.gif\r\nhttp://host.example/img/b.GIF\r\n");

  EXPECT_TRUE(pixorra.Close(10000)) << "closing the window ends the program";
  ASSERT_TRUE(page.Finish());
  EXPECT_EQ(page.TimesAsked(), 1);
  EXPECT_EQ(page.OutstandingReferences(), 0);
}

// Pages of the kinds real pages are misread by (tests/e2e/pages/), at an
// https address as nearly every page is served: the Collected list holds
// what a browser fetches for them, as jsdom reads them (make_expected.js).
class BrowserReadingTest : public PickEndToEndTest, public testing::WithParamInterface<const char*> {};

TEST_P(BrowserReadingTest, TheCollectedListIsWhatABrowserFetches) {
  const auto contents = [](const std::string& name) {
    const std::wstring path = testsupport::ExeFolder() + L"pages\\" + std::wstring(name.begin(), name.end());
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  };
  std::wstring expected;
  for (const char c : contents(std::string(GetParam()) + ".expected")) {
    expected += c == '\n' ? L"\r\n" : std::wstring(1, c);
  }
  FakePageProcess page(contents(std::string(GetParam()) + ".html"), L"https://host.example/dir/page.htm");
  ASSERT_NE(page.PageWindow(), nullptr);
  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr);
  ASSERT_NO_FATAL_FAILURE(Pick(pixorra, page, expected + L"\r\n"));
  EXPECT_TRUE(pixorra.Close(10000));
  page.Finish();
}

INSTANTIATE_TEST_SUITE_P(Pages, BrowserReadingTest,
                         testing::Values("cdn-and-queries", "base-and-dots", "lazy-attributes", "nothing-to-fetch",
                                         "comments-and-scripts", "old-document-mode"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           for (char& c : name) c = c == '-' ? '_' : c;
                           return name;
                         });

// Two screens side by side, from the test script's X server with two heads;
// skipped on one screen, unless PIXORRA_TWO_SCREENS asks for two.
TEST_F(PickEndToEndTest, OnTwoScreensAPageOnTheSecondIsPicked) {
  if (GetSystemMetrics(SM_CMONITORS) < 2) {
    ASSERT_EQ(GetEnvironmentVariableW(L"PIXORRA_TWO_SCREENS", nullptr, 0), 0u)
        << "two screens were asked for; Wine shows " << GetSystemMetrics(SM_CMONITORS);
    GTEST_SKIP() << "one screen";
  }
  FakePageProcess page(kMarkup, L"http://host.example/dir/page.htm");
  ASSERT_NE(page.PageWindow(), nullptr);
  const POINT secondScreen = {GetSystemMetrics(SM_CXSCREEN) + 100, 100};  // right of the primary one
  SetWindowPos(GetAncestor(page.PageWindow(), GA_ROOT), nullptr, secondScreen.x, secondScreen.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_EQ(MonitorFromPoint(CentreOf(page.PageWindow()), MONITOR_DEFAULTTONULL),
            MonitorFromPoint(secondScreen, MONITOR_DEFAULTTONULL));
  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr);
  TypeImageType(pixorra, L".gif");
  ASSERT_NO_FATAL_FAILURE(Pick(pixorra, page));
  EXPECT_TRUE(pixorra.Close(10000));
}

TEST_F(PickEndToEndTest, AClickOnTheBareDesktopFirstThenOnThePage) {
  FakePageProcess page(kMarkup, L"http://host.example/dir/page.htm");
  ASSERT_NE(page.PageWindow(), nullptr);
  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr);
  const RECT before = pixorra.Frame();

  ClickPickLabel(pixorra);
  ASSERT_TRUE(WaitFor([&] { return pixorra.Frame().left != before.left; }, 5000));
  ClickOnAnotherApplication(pixorra.MainWindow(), nullptr, 1100, 900);  // nothing there but the desktop
  Sleep(500);
  EXPECT_EQ(PixorraProcess::Text(pixorra.CollectedList()), L"");
  EXPECT_NE(pixorra.Frame().left, before.left) << "still picking, out of the way";

  const POINT onPage = CentreOf(page.PageWindow());
  ClickOnAnotherApplication(pixorra.MainWindow(), page.PageWindow(), onPage.x, onPage.y);
  ASSERT_TRUE(WaitFor([&] { return !PixorraProcess::Text(pixorra.CollectedList()).empty(); }, 15000))
      << "the second click did not pick";
  EXPECT_EQ(PixorraProcess::Text(pixorra.CollectedList()), kExpectedCollected);
  EXPECT_TRUE(WaitFor([&] { return pixorra.Frame().left == before.left; }, 5000));
  EXPECT_TRUE(pixorra.Close(10000));
}

// The close box right after the click on a large page: the quit is taken in
// one of the pick's own pumps, which runs inside the loop's wait for the next
// message, and the pick pumps again after it. The hidden program must end all
// the same, and soon.
TEST_F(PickEndToEndTest, TheCloseBoxDuringALargePickEndsTheProgram) {
  std::string markup = "<html><body>";
  for (int i = 0; i < 30000; ++i) markup += "<img src=\"" + std::to_string(i) + ".gif\">";
  FakePageProcess page(markup + "</body></html>", L"http://host.example/dir/page.htm");
  ASSERT_NE(page.PageWindow(), nullptr);
  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr);
  const RECT before = pixorra.Frame();

  ClickPickLabel(pixorra);
  ASSERT_TRUE(WaitFor([&] { return pixorra.Frame().left != before.left; }, 5000));
  // The click returns once the pick is over (the driver sends Pixorra the
  // system's part of it and waits), so the close box comes from a thread
  // while the page's lines arrive.
  ULONGLONG closed = 0;
  std::thread closeBox([&] {
    Sleep(1500);
    closed = GetTickCount64();
    PostMessageW(pixorra.MainWindow(), WM_CLOSE, 0, 0);
  });
  const POINT onPage = CentreOf(page.PageWindow());
  ClickOnAnotherApplication(pixorra.MainWindow(), page.PageWindow(), onPage.x, onPage.y);
  closeBox.join();
  EXPECT_EQ(WaitForSingleObject(pixorra.Process(), 20000), WAIT_OBJECT_0) << "the hidden program outlived its pick";
  std::printf("    the process ended %llu ms after the close box\n", GetTickCount64() - closed);
  page.Finish();
}

// What the file's properties show, and how the window meets the screen.
TEST(PixorraFileTest, VersionAndScreenScaling) {
  PixorraProcess pixorra;
  ASSERT_NE(pixorra.MainWindow(), nullptr);
  wchar_t path[MAX_PATH] = {};
  DWORD pathSize = MAX_PATH;
  ASSERT_TRUE(QueryFullProcessImageNameW(pixorra.Process(), 0, path, &pathSize));
  DWORD ignored = 0;
  std::vector<BYTE> info(GetFileVersionInfoSizeW(path, &ignored));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(info.size()), info.data()));
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)) return std::wstring();
    return std::wstring(text);
  };
  EXPECT_EQ(value(L"ProductName"), L"Pixorra");
  EXPECT_EQ(value(L"FileVersion"), L"" PIXORRA_VERSION_TEXT);
  EXPECT_EQ(value(L"ProductVersion"), L"" PIXORRA_VERSION_TEXT);
  EXPECT_FALSE(value(L"FileDescription").empty());
  EXPECT_NE(value(L"LegalCopyright").find(L"Copyright"), std::wstring::npos);

  // The manifest makes the window scale per monitor.
  using GetContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
  using AwarenessFunction = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto getContext = reinterpret_cast<GetContextFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
  const auto awareness = reinterpret_cast<AwarenessFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  ASSERT_TRUE(getContext && awareness);
  EXPECT_EQ(awareness(getContext(pixorra.MainWindow())), DPI_AWARENESS_PER_MONITOR_AWARE);
  EXPECT_TRUE(pixorra.Close(10000));
}

}  // namespace
