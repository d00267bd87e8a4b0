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
};

class ScanPageImagesTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanPageImagesTest, Scans) {
  const ScanCase& c = GetParam();
  EXPECT_EQ(ScanPageImages(kPage, c.markup), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanPageImagesTest,
    testing::Values(
        ScanCase{"EmptyMarkup", "", ""},
        ScanCase{"ImgWithoutSrc", "<img alt=x><IMG width=1>", ""},
        ScanCase{"CaseOfNamesIgnoredCaseOfValueKept", "<IMG SRC=Pic.GIF>", Lines({std::string(kDir) + "Pic.GIF"})},
        ScanCase{"DoubleQuotedValue", "<img src=\"pic.gif\">", Lines({"\"" + std::string(kDir) + "pic.gif\""})},
        ScanCase{"SingleQuotedValue", "<img src='pic.gif'>", Lines({std::string(kDir) + "pic.gif"})},
        ScanCase{"BodyTdTableBackgroundsAndInputSrc",
                 "<body background=b.jpg><td background=t.jpg><table background=tb.jpg>"
                 "<input type=image src=go.gif>",
                 Lines({std::string(kDir) + "b.jpg", std::string(kDir) + "t.jpg", std::string(kDir) + "tb.jpg",
                        std::string(kDir) + "go.gif"})},
        ScanCase{"OtherTagsIgnored", "<div background=x.gif><th background=y.gif><tr src=z.gif>", ""},
        ScanCase{"LongerTagNamesQualify", "<imgx src=a.gif><tdx background=b.gif>",
                 Lines({std::string(kDir) + "a.gif", std::string(kDir) + "b.gif"})},
        ScanCase{"AttributesOverSeveralLines", "<img\r\n alt=\"x\"\r\n src=a.gif\r\n width=1>",
                 Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"ValueStopsAtLineBreak", "<img src=a.gif\nb.gif>", Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"AddressInsideAnotherIsKept", "<img src=a.gif?id=1><img src=a.gif>",
                 Lines({std::string(kDir) + "a.gif?id=1", std::string(kDir) + "a.gif"})},
        ScanCase{"QuotedAndUnquotedStayApart", "<img src=\"a.gif\"><img src=a.gif>",
                 Lines({"\"" + std::string(kDir) + "a.gif\"", std::string(kDir) + "a.gif"})},
        ScanCase{"SameImageTwiceOnce", "<img src=a.gif><td background=a.gif><IMG SRC=a.gif>",
                 Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"RejectedReferencesSkipped", "<img src=#top><img src=a(1).gif><img src=ok.gif>",
                 Lines({std::string(kDir) + "ok.gif"})},
        ScanCase{"LastQualifyingAttributeEndsTheMatch", "<img src=a.gif lowsrc=b.gif>",
                 Lines({std::string(kDir) + "a.gif lowsrc=b.gif"})},
        ScanCase{"ValueRunsOverSlash", "<img src=a.gif/>", Lines({std::string(kDir) + "a.gif/"})},
        ScanCase{"CommentsAndScriptsScanned",
                 "<!-- <img src=c.gif> --><script>var s = '<img src=s.gif>';</script>",
                 Lines({std::string(kDir) + "c.gif", std::string(kDir) + "s.gif"})},
        ScanCase{"SrcFoundBeforeBackground", "<td background=bg.jpg title=src=x.gif>",
                 Lines({std::string(kDir) + "x.gif"})},
        ScanCase{"SpacesBeforeEquals", "<img src = a.gif>", Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"RootRelative", "<img src=/i/a.png>", Lines({"http://host.example/i/a.png"})},
        ScanCase{"TagWithoutClosingBracket", "<img src=a.gif", Lines({std::string(kDir) + "a.gif"})},
        ScanCase{"ChineseFileName", "<img src=\"\xcd\xbc\xc6\xac.jpg\">",
                 Lines({"\"" + std::string(kDir) + "\xcd\xbc\xc6\xac.jpg\""})},
        ScanCase{"ChineseTextAroundTags", "\xc4\xe3\xba\xc3<img src=a.gif>\xca\xc0\xbd\xe7",
                 Lines({std::string(kDir) + "a.gif"})},
        // The reference starts after the first "SRC=" of the upper-cased tag.
        // Behind a lead byte, "s" is the second half of a Chinese character
        // and stays small, so that "src=" does not count; a capital "S" there
        // still reads as one.
        ScanCase{"SrcBehindLeadByteIsNoSrc", "<img \x81src=a.gif src=b.gif>", Lines({std::string(kDir) + "b.gif"})},
        ScanCase{"CapitalSrcBehindLeadByteCounts", "<img \x81SRC=a.gif src=b.gif>",
                 Lines({std::string(kDir) + "a.gif src=b.gif"})},
        ScanCase{"SrcAfterWholeChineseCharacterCounts", "<img \xb0\xa1src=a.gif src=b.gif>",
                 Lines({std::string(kDir) + "a.gif src=b.gif"})},
        ScanCase{"BackgroundBehindLeadByteIsNoBackground", "<td \x81" "background=a.gif background=b.gif>",
                 Lines({std::string(kDir) + "b.gif"})},
        ScanCase{"RepeatedTagThenOneWithASpaceInside",
                 "<img src=a1234567.gif><img src=a1234567.gif><img src=a1 34567.gif><img src=a1234567.gif>",
                 Lines({std::string(kDir) + "a1234567.gif", std::string(kDir) + "a1"})}),
    [](const testing::TestParamInfo<ScanCase>& info) { return info.param.name; });

TEST(ScanPageImagesTest, SurvivesHugeTagsWithoutClosingBracket) {
  // An inline image of several megabytes, and a page that is one unclosed tag.
  const std::string dataUri = "<img src=\"data:image/png;base64," + std::string(4 << 20, 'A') + "\">";
  const std::string result = ScanPageImages(kPage, dataUri);
  EXPECT_EQ(result.size(), std::string(kDir).size() + dataUri.size() - 10 + 2);

  std::string unclosed = "<img ";
  while (unclosed.size() < (4u << 20)) unclosed += "alt=x <img ";
  EXPECT_EQ(ScanPageImages(kPage, unclosed), "");
}

TEST(ScanPageImagesTest, ProcessesPendingMessagesAfterMatchesEveryTenMilliseconds) {
  // At the first match, then after any match that comes 10 ms or more after
  // the last time: a handler that takes that long is called after every match,
  // a quick one only once on a quick page.
  static int calls;
  const char page[] = "<img src=a.gif><img src=#x><img src=a.gif><p><td background=b.gif>";
  calls = 0;
  SetPendingMessagesHandler([] { ++calls; });
  ScanPageImages(kPage, page);
  EXPECT_GE(calls, 1);
  EXPECT_LT(calls, 4) << "not at every match";
  calls = 0;
  SetPendingMessagesHandler([] {
    ++calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(11));
  });
  ScanPageImages(kPage, page);
  SetPendingMessagesHandler(nullptr);
  EXPECT_EQ(calls, 4);
}

}  // namespace
