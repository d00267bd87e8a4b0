#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Functions.h"
#include "PendingMessages.h"

namespace {

const char kPage[] = "http://host.example/dir/page.htm";
const char kDir[] = "http://host.example/dir/";

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

struct ScanCase {
  const char* name;
  std::string markup;
  std::string expected;
  std::string page = kPage;
};

class ScanPageImagesTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanPageImagesTest, Scans) {
  const ScanCase& c = GetParam();
  EXPECT_EQ(ScanPageImages(c.page, c.markup), c.expected);
}

const std::string kFilePage = "file:///C:/saved/page.htm";

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanPageImagesTest,
    testing::Values(
        ScanCase{"EmptyMarkup", "", ""},
        ScanCase{"ImgWithoutSrc", "<img alt=x><IMG width=1>", ""},
        ScanCase{"CaseOfNamesIgnoredCaseOfValueKept", "<IMG SRC=Pic.GIF>", Lines({std::string(kDir) + "Pic.GIF"})},
        ScanCase{"QuotesAreNoPartOfTheValue", "<img src=\"a.gif\"><img src='b.gif'>",
                 Lines({std::string(kDir) + "a.gif", std::string(kDir) + "b.gif"})},
        ScanCase{"QuotedValueRunsToItsQuote", "<img src=\"my photo>1.jpg\" alt='x'>",
                 Lines({std::string(kDir) + "my%20photo%3E1.jpg"})},
        ScanCase{"BodyTdTableBackgroundsAndInputSrc",
                 "<body background=b.jpg><td background=t.jpg><table background=tb.jpg>"
                 "<input type=image src=go.gif>",
                 Lines({std::string(kDir) + "b.jpg", std::string(kDir) + "t.jpg", std::string(kDir) + "tb.jpg",
                        std::string(kDir) + "go.gif"})},
        ScanCase{"UpperCaseAndUnquotedAsOlderModesWrite", "<TD BACKGROUND=bg.gif><INPUT TYPE=image SRC=go.gif>",
                 Lines({std::string(kDir) + "bg.gif", std::string(kDir) + "go.gif"})},
        ScanCase{"OtherTagsIgnored", "<div background=x.gif><th background=y.gif><tr src=z.gif>", ""},
        ScanCase{"LongerTagNamesAreOtherTags", "<imgx src=a.gif><tdx background=b.gif>", ""},
        ScanCase{"AttributesOverSeveralLines", "<img\r\n alt=\"x\"\r\n src=a.gif\r\n width=1>",
                 Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"EverySrcOfATagInOrder",
                 "<img data-src=\"a.jpg\" alt=\"x\" class=\"lazy\" src=\"b.gif\" lowsrc=c.gif>",
                 Lines({std::string(kDir) + "a.jpg", std::string(kDir) + "b.gif", std::string(kDir) + "c.gif"})},
        ScanCase{"FirstOfTwoAlikeNames", "<img src=a.gif SRC=b.gif>", Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"ValueStopsAtLineBreak", "<img src=a.gif\nb.gif>", Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"UnquotedValueKeepsItsSlash", "<img src=a.gif/>", Lines({std::string(kDir) + "a.gif/"})},
        ScanCase{"CharacterReferencesDecoded", "<img src=\"a.jpg?w=300&amp;h=2&#38;q=&#x31&lt;\">",
                 Lines({std::string(kDir) + "a.jpg?w=300&h=2&q=1%3C"})},
        ScanCase{"OtherNamedReferencesStay", "<img src=\"a.gif?x=&copy;&amp\">",
                 Lines({std::string(kDir) + "a.gif?x=&copy;&amp"})},
        ScanCase{"SchemeRelative", "<img src=\"//cdn.example/i/a.png?s=48&amp;d=1\">",
                 Lines({"http://cdn.example/i/a.png?s=48&d=1"})},
        ScanCase{"RootRelativeOnAnHttpsPage", "<img src=/i/a.png>", Lines({"https://host.example/i/a.png"}),
                 "https://host.example/dir/page.htm"},
        ScanCase{"DotSegmentsFolded", "<img src=../up.gif><img src=./a/./b/../c.gif>",
                 Lines({"http://host.example/up.gif", std::string(kDir) + "a/c.gif"})},
        ScanCase{"BaseHrefIsTheBase", "<img src=a.gif><base href=\"//cdn.example/i/\"><base href=/other/>",
                 Lines({"http://cdn.example/i/a.gif"})},
        ScanCase{"BaseWithoutHrefOrInACommentIsNone",
                 "<base target=_top><!-- <base href=/c/> --><base href=/b/><img src=a.gif>",
                 Lines({"http://host.example/b/a.gif"})},
        ScanCase{"NothingABrowserDoesNotFetch",
                 "<img src=\"data:image/png;base64,AAAA\"><img src=\"javascript:void(0)\"><img src=#top>"
                 "<img src=\" \"><img src=\"mailto:a@b.example\"><img src=\"ftp://h/a.gif\"><img src=ok.gif>",
                 Lines({std::string(kDir) + "ok.gif"})},
        ScanCase{"ParenthesesAndAtSignsAreOrdinary", "<img src=a(1).gif><img src=mail@x.gif>",
                 Lines({std::string(kDir) + "a(1).gif", std::string(kDir) + "mail@x.gif"})},
        ScanCase{"CommentsScriptsAndTextHoldNoTags",
                 "<!-- <img src=c.gif> --><script>var s = '<img src=s.gif>';</script><style><img src=y.gif></style>"
                 "<textarea><img src=t.gif></textarea><title><img src=u.gif></title><img src=ok.gif>",
                 Lines({std::string(kDir) + "ok.gif"})},
        ScanCase{"CommentsEndAsABrowserEndsThem", "<!--><img src=a.gif><!-- x --!><img src=b.gif><!-- <img src=c.gif>",
                 Lines({std::string(kDir) + "a.gif", std::string(kDir) + "b.gif"})},
        ScanCase{"AScriptInsideAnOldScriptCommentIsText",
                 "<script><!-- document.write('<script></script><img src=x.gif>') --></script><img src=ok.gif>",
                 Lines({std::string(kDir) + "ok.gif"})},
        ScanCase{"NoscriptIsRead", "<noscript><img src=n.gif></noscript>", Lines({std::string(kDir) + "n.gif"})},
        ScanCase{"AddressInsideAnotherIsKept", "<img src=a.gif?id=1><img src=a.gif>",
                 Lines({std::string(kDir) + "a.gif?id=1", std::string(kDir) + "a.gif"})},
        ScanCase{"SameImageTwiceOnce", "<img src=a.gif><td background=a.gif><IMG SRC=\"a.gif#x\">",
                 Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"TagWithoutClosingBracketNamesNothing", "<img src=a.gif><img src=b.gif",
                 Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"ChineseFileName", "<img src=\"\xcd\xbc\xc6\xac.jpg\">",
                 Lines({std::string(kDir) + "%E5%9B%BE%E7%89%87.jpg"})},
        ScanCase{"TrailBackslashIsNoSlash", "<img src=\"\x81\\.gif\">", Lines({std::string(kDir) + "%E4%B9%97.gif"})},
        // "\x81s" is one character: its name ends "rc". "啊" (B0 A1) is whole.
        ScanCase{"SrcBehindLeadByteIsNoSrc", "<img \x81src=a.gif src=b.gif>", Lines({std::string(kDir) + "b.gif"})},
        ScanCase{"SrcAfterWholeChineseCharacterCounts", "<img \xb0\xa1src=a.gif src=b.gif>",
                 Lines({std::string(kDir) + "a.gif", std::string(kDir) + "b.gif"})},
        ScanCase{"FileImagesOnAFilePageOnly", "<img src=a.gif><img src=\"file:///D:/b.gif\">",
                 Lines({"file:///C:/saved/a.gif", "file:///D:/b.gif"}), kFilePage},
        ScanCase{"NoFileImageOnAWebPage", "<img src=\"file:///D:/b.gif\">", ""}),
    [](const testing::TestParamInfo<ScanCase>& info) { return info.param.name; });

TEST(ScanPageImagesTest, SurvivesHugeTagsWithoutClosingBracket) {
  // A value of several megabytes, and a page that is one unclosed tag.
  const std::string image = "<img src=\"" + std::string(4 << 20, 'A') + "\">";
  const std::string result = ScanPageImages(kPage, image);
  EXPECT_EQ(result.size(), std::string(kDir).size() + (4u << 20) + 2);

  std::string unclosed = "<img ";
  while (unclosed.size() < (4u << 20)) unclosed += "alt=x <img ";
  EXPECT_EQ(ScanPageImages(kPage, unclosed), "");
}

TEST(ScanPageImagesTest, ProcessesPendingMessagesAfterMatchesEveryTenMilliseconds) {
  // At the first step, then at any step 10 ms or more after the last time:
  // a handler that takes that long is called at every step (each tag read,
  // then each value resolved), a quick one only once on a quick page.
  static int calls;
  const char page[] = "<img src=a.gif><img src=#x><img src=a.gif><p><td background=b.gif>";
  calls = 0;
  SetPendingMessagesHandler([] { ++calls; });
  ScanPageImages(kPage, page);
  EXPECT_GE(calls, 1);
  EXPECT_LT(calls, 4) << "not at every step";
  calls = 0;
  SetPendingMessagesHandler([] {
    ++calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(11));
  });
  ScanPageImages(kPage, page);
  SetPendingMessagesHandler(nullptr);
  EXPECT_EQ(calls, 9);
}

}  // namespace
