// Reading a live page from another process through the real ObjectFromLresult.
#include "TestHttpServer.h"  // winsock2.h before windows.h
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <set>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakePageProcess.h"
#include "MessageWatch.h"
#include "PixorraMainFrm.h"
#include "ResponsivenessProbe.h"
#include "WindowTestSupport.h"

namespace {

const char kMarkup[] =
    "<html><head><title>\xe5\x9b\xbe\xe7\x89\x87</title></head>"  // "图片"
    "<body background=\"bg.jpg\">"
    "<img src=\"a.gif\"><IMG SRC=/img/b.GIF><img src='c.png'>"
    "<img src=\"\xe5\x9b\xbe.gif\">"  // "图.gif"
    "<script>var s = '<img src=d.gif>';</script></body></html>";
const wchar_t kUrl[] = L"http://host.example/dir/page.htm";

class ReadBrowserPageTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TPixorraMainForm>();
    form->FileTypeComboBox.SetText(".gif");
  }
  void TearDown() override { form.reset(); }

  // Reads the page and checks that it let go of every reference.
  void ReadAndFinish(FakePageProcess& page, bool expectAsked = true) {
    ASSERT_NE(page.PageWindow(), nullptr) << "the fake page did not start";
    form->ReadBrowserPage(page.PageWindow());
    ASSERT_TRUE(page.Finish());
    EXPECT_EQ(page.TimesAsked(), expectAsked ? 1 : 0);
    EXPECT_EQ(page.OutstandingReferences(), 0);
  }

  std::unique_ptr<TPixorraMainForm> form;
};

TEST_F(ReadBrowserPageTest, ImagesReachBothLists) {
  FakePageProcess page(kMarkup, kUrl);
  ReadAndFinish(page);
  // As a browser requests them; script text holds no tags.
  EXPECT_EQ(form->AllImageListMemo.Text(),
            "http://host.example/dir/bg.jpg\r\n"
            "http://host.example/dir/a.gif\r\n"
            "http://host.example/img/b.GIF\r\n"
            "http://host.example/dir/c.png\r\n"
            "http://host.example/dir/%E5%9B%BE.gif\r\n\r\n");
  EXPECT_EQ(form->ImageListMemo.Text(),
            "http://host.example/dir/a.gif\r\n"
            "http://host.example/img/b.GIF\r\n"
            "http://host.example/dir/%E5%9B%BE.gif\r\n");
}

TEST_F(ReadBrowserPageTest, ElementsBeforeTheRootAndOddItemsAreSkipped) {
  FakePageProcess page("<html><img src=x.gif></html>", kUrl, {L"--before", L"3", L"--odd-items"});
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Text(), "http://host.example/dir/x.gif\r\n");
}

TEST_F(ReadBrowserPageTest, RootNamedInLowerCaseIsFound) {
  FakePageProcess page("<html><img src=x.gif></html>", kUrl, {L"--lowercase-root"});
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Text(), "http://host.example/dir/x.gif\r\n");
}

TEST_F(ReadBrowserPageTest, NoRootElementAddsNothing) {
  FakePageProcess page("<body><img src=x.gif></body>", kUrl, {L"--no-root"});
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Text(), "");
  EXPECT_EQ(form->AllImageListMemo.Lines(), std::vector<std::string>({""}));
}

TEST_F(ReadBrowserPageTest, WithoutAnAddressOnlyWholeAddressesCount) {
  FakePageProcess page("<html><img src=a.gif><img src=/b.gif><img src=//h.example/c.gif></html>", L"");
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Text(), "");
  FakePageProcess second("<html><img src=a.gif><img src=HTTP://H.example/d.gif></html>", L"");
  ReadAndFinish(second);
  EXPECT_EQ(form->ImageListMemo.Text(), "http://h.example/d.gif\r\n");
}

TEST_F(ReadBrowserPageTest, CharactersTheCodePageLacksArePercentEncoded) {
  // Neither U+1F600 nor the Korean U+D55C has a place in code page 936. A "?"
  // in their place would end the address's path and fetch another resource.
  FakePageProcess page("<html><img src=\"\xed\x95\x9c.gif\"></html>", L"http://host.example/\U0001F600/p.htm");
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Text(), "http://host.example/%F0%9F%98%80/%ED%95%9C.gif\r\n");
}

// A preview pane's page chooses no folder and marks nothing as saved.
TEST_F(ReadBrowserPageTest, APageAtAboutBlankWritesNoFolderOrDoneLine) {
  TestHttpServer server;
  server.Serve("/ok.gif", TestHttpAnswer{200, ImageBytes(26)});
  const std::string ok = server.Origin() + "/ok.gif";
  char temp[MAX_PATH] = {};
  const std::string chosen = std::string(temp, GetTempPathA(MAX_PATH, temp)) + std::to_string(GetTickCount64()) + "\\";
  ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr) && CreateDirectoryA((chosen + "EVIL").c_str(), nullptr));
  FakePageProcess page("<html><img src=\"$" + chosen + "EVIL\\x/..\"><img src=\"-" + server.Origin() +
                           "/skip.gif\"><img src=" + ok + "></html>", L"about:blank");
  form->SavePathLabel.SetText(chosen);
  ReadAndFinish(page);
  EXPECT_EQ(form->AllImageListMemo.Text() + "|" + form->ImageListMemo.Text(), ok + "\r\n\r\n|" + ok + "\r\n");
  form->DownloadBtnClick();
  EXPECT_EQ(testsupport::FilesIn(chosen + "EVIL\\").size(), 0u) << "a run saved into the folder the page named";
  EXPECT_EQ(testsupport::FilesIn(chosen), std::multiset<std::string>{ImageBytes(26)});
}

// A path in Chinese goes out as a browser sends it, percent-encoded UTF-8:
// the server has the images under that path only. The line the page gives,
// and one typed by hand in the code page, are both fetched and saved.
TEST_F(ReadBrowserPageTest, AChinesePathIsFetchedAsABrowserAsksForIt) {
  TestHttpServer server;
  server.Serve("/%E5%9B%BE%E7%89%87/%E7%85%A7.gif", TestHttpAnswer{200, ImageBytes(27)});
  server.Serve("/%E5%9B%BE%E7%89%87/%E6%89%8B.gif", TestHttpAnswer{200, ImageBytes(28)});
  char temp[MAX_PATH] = {};
  const std::string chosen = std::string(temp, GetTempPathA(MAX_PATH, temp)) + std::to_string(GetTickCount64()) + "\\";
  ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));
  const std::string origin = server.Origin();
  FakePageProcess page("<html><img src=\"\xe5\x9b\xbe\xe7\x89\x87/\xe7\x85\xa7.gif\"></html>",  // "图片/照.gif"
                       std::wstring(origin.begin(), origin.end()) + L"/page.htm");
  form->SavePathLabel.SetText(chosen);
  ReadAndFinish(page);
  // "图片/手.gif", typed in the code page.
  form->ImageListMemo.SetText(form->ImageListMemo.Text() + origin + "/\xcd\xbc\xc6\xac/\xca\xd6.gif\r\n");
  form->DownloadBtnClick();
  EXPECT_EQ(testsupport::FilesIn(chosen), (std::multiset<std::string>{ImageBytes(27), ImageBytes(28)}));
  EXPECT_EQ(form->ImageListMemo.Lines()[0], "-" + origin + "/%E5%9B%BE%E7%89%87/%E7%85%A7.gif");
}

TEST_F(ReadBrowserPageTest, TopLevelPageWindowIsRead) {
  FakePageProcess page("<html><img src=x.gif></html>", kUrl, {L"--top-level"});
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Text(), "http://host.example/dir/x.gif\r\n");
}

struct ParentCase {
  const char* name;
  std::vector<std::wstring> switches;
  bool refused;
};

class ParentClassTest : public ReadBrowserPageTest, public testing::WithParamInterface<ParentCase> {};

TEST_P(ParentClassTest, RefusesOnlyShellViewsAndBrowserDialogs) {
  FakePageProcess page("<html><img src=x.gif></html>", kUrl, GetParam().switches);
  ReadAndFinish(page, !GetParam().refused);
  EXPECT_EQ(form->ImageListMemo.Text(), GetParam().refused ? "" : "http://host.example/dir/x.gif\r\n");
  EXPECT_EQ(form->AllImageListMemo.Text(), GetParam().refused ? "" : "http://host.example/dir/x.gif\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParentClassTest,
    testing::Values(ParentCase{"ShellView", {L"--parent-class", L"SHELLDLL_DefView"}, true},
                    ParentCase{"ShellViewInsideLongerName", {L"--parent-class", L"xSHELLDLL_DefViewy"}, true},
                    ParentCase{"BrowserDialog", {L"--parent-class", L"Internet Explorer_TridentDlgFrame"}, true},
                    ParentCase{"OtherLetterCaseIsRead", {L"--parent-class", L"shelldll_defview"}, false},
                    ParentCase{"GrandparentNotLookedAt",
                               {L"--grandparent-class", L"SHELLDLL_DefView", L"--parent-class", L"Frame"}, false},
                    ParentCase{"OrdinaryFrame", {L"--parent-class", L"Shell DocObject View"}, false}),
    [](const testing::TestParamInfo<ParentCase>& info) { return info.param.name; });

TEST_F(ReadBrowserPageTest, HungPageGivesUpAfterASecond) {
  FakePageProcess page("<html><img src=x.gif></html>", kUrl, {L"--hang-ms", L"4000"});
  ASSERT_NE(page.PageWindow(), nullptr);
  const ULONGLONG start = GetTickCount64();
  form->ReadBrowserPage(page.PageWindow());
  const ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_GE(elapsed, 900u);
  EXPECT_LT(elapsed, 2500u);
  EXPECT_EQ(form->ImageListMemo.Text(), "");
  ASSERT_TRUE(page.Finish());
  EXPECT_EQ(page.TimesAsked(), 1);
  // The page answers after the reader gave up: the references that its late
  // answer holds for the taker are never taken up. The reader got nothing.
  std::printf("hung page: %ld outstanding after its late answer\n", page.OutstandingReferences());
}

// Pages that answer too slowly or never come to the end of their elements.
// The pick over such a page ends within about ten seconds all the same, and
// adds nothing. Where the platform cancels the late call (Windows), the read
// itself returns then; Wine goes on waiting for the page, and the pick ends
// from the read's watch message while the read waits on.
TEST_F(ReadBrowserPageTest, APickEndsWhateverThePageDoes) {
  const std::vector<std::wstring> pages[] = {
      {L"--slow-all-ms", L"15000"},
      {L"--slow-outer-ms", L"15000"},
      {L"--no-root", L"--before", L"150"},  // each element a new proxy, none the root
      {L"--length", L"2000000000", L"--no-root"},
  };
  for (const std::vector<std::wstring>& switches : pages) {
    SCOPED_TRACE(testing::PrintToString(switches[0]));
    FakePageProcess page("<html><img src=x.gif></html>", kUrl, switches);
    ASSERT_NE(page.PageWindow(), nullptr);
    form->ClearListBtnClick();
    // Picking, with the pointer on the page: the next capture loss picks it.
    form->SavedLeft = 40;
    form->Picking = true;
    SetWindowPos(form->Handle(), nullptr, GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) + 100, 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT pageFrame;
    GetWindowRect(page.PageWindow(), &pageFrame);
    SetCursorPos((pageFrame.left + pageFrame.right) / 2, (pageFrame.top + pageFrame.bottom) / 2);

    std::atomic<ULONGLONG> backAfter{0};
    std::atomic<bool> done{false};
    const ULONGLONG start = GetTickCount64();
    HWND window = form->Handle();
    std::thread watch([&] {
      while (!done && backAfter == 0) {
        RECT frame;
        GetWindowRect(window, &frame);
        if (frame.left == 40) backAfter = GetTickCount64() - start;
        Sleep(20);
      }
    });
    SendMessageW(window, WM_CAPTURECHANGED, 0, 0);
    const ULONGLONG returned = GetTickCount64() - start;
    done = true;
    watch.join();
    RECT frame;
    GetWindowRect(window, &frame);
    if (backAfter == 0 && frame.left == 40) backAfter = returned;  // back as the pick returned
    EXPECT_NE(backAfter.load(), 0u) << "the window never came back";
    EXPECT_LT(backAfter.load(), 12000u) << "the window came back too late";
    EXPECT_FALSE(form->Picking);
    EXPECT_EQ(form->AllImageListMemo.Text(), "") << "nothing, not even an empty line";
    page.Finish();
    std::printf("    %ls: the window came back after %llu ms\n", switches[0].c_str(), backAfter.load());
  }
}

TEST_F(ReadBrowserPageTest, ANulInThePageLosesNoAddressAfterIt) {
  // A control's text ends at its first NUL; it arrives there as U+FFFD, which
  // is what a browser's parser makes of it, and goes out percent-encoded.
  const std::string markup("<html><img alt=\"a\0b\" src=x.gif><img src=\"y\0z.gif\"><img src=w.gif></html>", 72);
  FakePageProcess page(markup, kUrl);
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Lines(),
            (std::vector<std::string>{"http://host.example/dir/x.gif", "http://host.example/dir/y%EF%BF%BDz.gif",
                                      "http://host.example/dir/w.gif"}));
}

// A page of `images` image tags, .gif and .png in turn.
std::string ManyImages(int images) {
  std::string markup = "<html><body>";
  for (int i = 0; i < images; ++i) markup += "<img src=\"" + std::to_string(i) + (i % 2 ? ".png\">" : ".gif\">");
  return markup + "</body></html>";
}

TEST_F(ReadBrowserPageTest, ADensePageLeavesTheWindowAnswering) {
  FakePageProcess page(ManyImages(40000), kUrl);
  ASSERT_NE(page.PageWindow(), nullptr);
  ResponsivenessProbe probe(form->ImageListMemo.Handle());
  form->ReadBrowserPage(page.PageWindow());
  const DWORD slowest = probe.Stop();
  page.Finish();
  EXPECT_EQ(form->ImageListMemo.LineCount(), 20000);
  EXPECT_LT(slowest, 1000u) << "a message waited too long during the pick";
  std::printf("    40,000 images: the longest wait of a message was %lu ms\n", static_cast<unsigned long>(slowest));
}

// A long pick lets other handlers run between its slices. Whatever they do,
// every address ends up in the lists once, or the lists stay as cleared.
TEST_F(ReadBrowserPageTest, WhatRunsBetweenTheSlicesOfAPick) {
  constexpr int kImages = 10000;
  auto allOnce = [](const std::vector<std::string>& lines, const char* extension) {
    std::set<std::string> unique(lines.begin(), lines.end());
    int matching = 0;
    for (const std::string& line : unique) matching += line.find(extension) != std::string::npos;
    return unique.size() == lines.size() ? matching : -1;
  };
  const std::string closed = "http://127.0.0.1:9/x.gif";
  struct Case {
    const char* name;
    bool inCollected;  // between the Collected list's slices, else the download list's
    std::function<void()> action;
    std::function<void()> check;
    bool duringTheScan = false;
  } cases[] = {
      {"clearing during the scan", true, [&] { form->ClearListBtnClick(); },
       [&] { EXPECT_EQ(form->AllImageListMemo.Text() + form->ImageListMemo.Text(), ""); }, true},
      {"clearing the Collected slices", true, [&] { form->ClearListBtnClick(); },
       [&] { EXPECT_EQ(form->AllImageListMemo.Text() + form->ImageListMemo.Text(), ""); }},
      {"clearing the download slices", false, [&] { form->ClearListBtnClick(); },
       [&] { EXPECT_EQ(form->AllImageListMemo.Text() + form->ImageListMemo.Text(), ""); }},
      {"a type change", false,
       [&] {
         form->FileTypeComboBox.SetText(".png");
         form->FileTypeComboBoxChange();
       },
       [&] {
         EXPECT_EQ(allOnce(form->ImageListMemo.Lines(), ".gif"), kImages / 2);
         EXPECT_EQ(form->ImageListMemo.LineCount(), kImages);
       }},
      {"a type change that takes in the slices still to come", false,
       [&] {
         form->FileTypeComboBox.SetText("*.gif|*.png");
         form->FileTypeComboBoxChange();
       },
       [&] { EXPECT_EQ(allOnce(form->ImageListMemo.Lines(), ".png"), kImages / 2); }},
      {"a second pick", true,
       [&] {
         FakePageProcess second("<html><img src=second.gif></html>", kUrl);
         form->ReadBrowserPage(second.PageWindow());
         second.Finish();
       },
       [&] {
         const std::vector<std::string> lines = form->ImageListMemo.Lines();
         EXPECT_EQ(allOnce(lines, ".gif"), kImages / 2 + 1);
         EXPECT_EQ(std::count(lines.begin(), lines.end(), "http://host.example/dir/second.gif"), 1);
       }},
      {"a download", true, [&] { form->DownloadBtnClick(); },
       [&] {
         EXPECT_EQ(form->ImageListMemo.Line(0), closed) << "a failed line stays unmarked";
         EXPECT_EQ(allOnce(form->ImageListMemo.Lines(), ".gif"), kImages / 2 + 1);
       }},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePageProcess page(ManyImages(kImages), kUrl);
    ASSERT_NE(page.PageWindow(), nullptr);
    form->ClearListBtnClick();
    form->FileTypeComboBox.SetText(".gif");
    form->SavePathLabel.SetText("C:\\");
    if (std::string(c.name) == "a download") form->ImageListMemo.SetText(closed + "\r\n");
    // Posted at the list's first slice it runs between two slices; posted at
    // once, at the first dispatch: calls into another process let no posted
    // message through, so that is the scan's.
    testsupport::DeferredAction between(c.action);
    testsupport::MessageWatch slices((c.inCollected ? form->AllImageListMemo : form->ImageListMemo).Handle(),
                                     EM_REPLACESEL, [&between](WPARAM, LPARAM) { between.Post(); });
    if (c.duringTheScan) between.Post();
    form->ReadBrowserPage(page.PageWindow());
    EXPECT_TRUE(between.Ran());
    c.check();
    // Ctrl+Z takes back none of the lines the pick appended.
    const std::string shown = form->ImageListMemo.Text();
    SendMessageW(form->ImageListMemo.Handle(), WM_CHAR, 0x1A, 0);
    EXPECT_EQ(form->ImageListMemo.Text(), shown) << "Ctrl+Z took back the program's lines";
    page.Finish();
  }
}

TEST_F(ReadBrowserPageTest, WindowThatIsNoPageAddsNothing) {
  form->ReadBrowserPage(form->SavePathBtn.Handle());
  EXPECT_EQ(form->ImageListMemo.Text(), "");
  EXPECT_EQ(form->AllImageListMemo.Text(), "");
}

TEST_F(ReadBrowserPageTest, ReadingTwiceAddsEachImageOnce) {
  FakePageProcess first("<html><img src=a.gif><img src=b.png></html>", kUrl);
  form->ReadBrowserPage(first.PageWindow());
  form->ReadBrowserPage(first.PageWindow());
  ASSERT_TRUE(first.Finish());
  EXPECT_EQ(first.TimesAsked(), 2);
  EXPECT_EQ(first.OutstandingReferences(), 0);
  EXPECT_EQ(form->ImageListMemo.Text(), "http://host.example/dir/a.gif\r\n");
  EXPECT_EQ(form->AllImageListMemo.Lines().size(), 6u);
}

}  // namespace
