// Reading a live page from another process through the real ObjectFromLresult.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "FakePageProcess.h"
#include "PixorraMainFrm.h"
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
  // Quotes are stripped from the Collected list; script text is scanned too.
  EXPECT_EQ(form->AllImageListMemo.Text(),
            "http://host.example/dir/bg.jpg\r\n"
            "http://host.example/dir/a.gif\r\n"
            "http://host.example/img/b.GIF\r\n"
            "http://host.example/dir/c.png\r\n"
            "http://host.example/dir/\xcd\xbc.gif\r\n"
            "http://host.example/dir/d.gif\r\n\r\n");
  EXPECT_EQ(form->ImageListMemo.Text(),
            "http://host.example/dir/a.gif\r\n"
            "http://host.example/img/b.GIF\r\n"
            "http://host.example/dir/\xcd\xbc.gif\r\n"
            "http://host.example/dir/d.gif\r\n");
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

TEST_F(ReadBrowserPageTest, EmptyUrlIsAnEmptyPageAddress) {
  FakePageProcess page("<html><img src=a.gif><img src=/b.gif></html>", L"");
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Text(), "a.gif\r\nb.gif\r\n");
}

TEST_F(ReadBrowserPageTest, CharactersTheCodePageLacksArePercentEncoded) {
  // Neither U+1F600 nor the Korean U+D55C has a place in code page 936. A "?"
  // in their place would end the address's path and fetch another resource.
  FakePageProcess page("<html><img src=\"\xed\x95\x9c.gif\"></html>", L"http://host.example/\U0001F600/p.htm");
  ReadAndFinish(page);
  EXPECT_EQ(form->ImageListMemo.Text(), "http://host.example/%F0%9F%98%80/%ED%95%9C.gif\r\n");
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
