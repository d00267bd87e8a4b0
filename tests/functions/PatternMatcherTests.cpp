#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PatternMatchers.h"

namespace {

std::vector<std::string> AllMatches(const std::string& text) {
  std::vector<std::string> matches;
  ImageTagMatcher matcher(text);
  ImageTagMatch match;
  while (matcher.Next(match)) matches.push_back(text.substr(match.start, match.end - match.start));
  return matches;
}

TEST(ImageTagMatcherTest, MatchesAsABacktrackingEngineDoes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(AllMatches("<img src=a.gif>"), V({"<img src=a.gif"}));
  EXPECT_EQ(AllMatches("<img src=a src=b>"), V({"<img src=a src=b"}));
  EXPECT_EQ(AllMatches("<IMG Src  =  \"a b\">"), V({"<IMG Src  =  \"a"}));
  EXPECT_EQ(AllMatches("<td background='x'"), V({"<td background='x'"}));
  EXPECT_EQ(AllMatches("<img <img src=a>"), V({"<img <img src=a"}));
  EXPECT_EQ(AllMatches("<a src=x><img src=y><b>"), V({"<img src=y"}));
  EXPECT_EQ(AllMatches("<img alt=x>src=y"), V());
  EXPECT_EQ(AllMatches("<imgsrc=a>"), V({"<imgsrc=a"}));
  EXPECT_EQ(AllMatches("<img src=a\r\n>"), V({"<img src=a"}));
  EXPECT_EQ(AllMatches("<img src=\n"), V({"<img src="}));
}

TEST(ImageTagMatcherTest, ReportsTheMatchedAttributeAndValue) {
  const std::string text = "x<img lowsrc=a src = 'b.gif'>";
  ImageTagMatcher matcher(text);
  ImageTagMatch match;
  ASSERT_TRUE(matcher.Next(match));
  EXPECT_EQ(match.start, 1u);
  EXPECT_EQ(text.substr(match.attributeStart, 3), "src");
  EXPECT_EQ(text[match.equalsSign], '=');
  EXPECT_EQ(text.substr(match.valueStart, match.end - match.valueStart), "b.gif'");
  EXPECT_FALSE(matcher.Next(match));
}

TEST(ImageTagMatcherTest, NotesTheFirstNameRightBeforeAnEqualsSign) {
  const std::string text = "<img src = a lowsrc=b><img src = c>";
  ImageTagMatcher matcher(text);
  ImageTagMatch match;
  ASSERT_TRUE(matcher.Next(match));
  EXPECT_EQ(match.firstNameEquals, text.find("lowsrc=") + 6);
  ASSERT_TRUE(matcher.Next(match));
  EXPECT_EQ(match.firstNameEquals, std::string::npos) << "spaces stand between src and its \"=\"";
}

TEST(ImageTagMatcherTest, RepeatedTagsMatchAtTheirOwnPlaces) {
  using V = std::vector<std::string>;
  EXPECT_EQ(AllMatches("<img src=a.gif><img src=a.gif>x<img src=a.gif><img src=a.gxf>"),
            V({"<img src=a.gif", "<img src=a.gif", "<img src=a.gif", "<img src=a.gxf"}));
  // A repeated tag without a match, then the same with one byte changed.
  EXPECT_EQ(AllMatches("<img alt=a.gif><img alt=a.gif><img alt=a.gif><img src=a.gif>"), V({"<img src=a.gif"}));
  // A short tag, then one that starts the same way.
  EXPECT_EQ(AllMatches("<td s><td s><td src=a>"), V({"<td src=a"}));
  const std::string text = "<td background=x.png><td background=x.png>";
  ImageTagMatcher matcher(text);
  ImageTagMatch match;
  ASSERT_TRUE(matcher.Next(match));
  EXPECT_FALSE(match.repeatsPrevious);
  ASSERT_TRUE(matcher.Next(match));
  EXPECT_TRUE(match.repeatsPrevious);
  EXPECT_EQ(match.start, 21u);
  EXPECT_EQ(match.attributeStart, 25u);
  EXPECT_EQ(match.equalsSign, 35u);
  EXPECT_EQ(match.valueStart, 36u);
  EXPECT_EQ(match.firstNameEquals, 35u);
  EXPECT_EQ(match.end, 41u);
}

TEST(ImageTagMatcherTest, BatchesGiveWhatSingleCallsGive) {
  const std::string text =
      "<img src=a.gif><img src=a.gif><p><td background='b.png'><img alt=x><IMG SRC=c.gif>"
      "<img src=a.gif><input src = d.gif><table background=e.jpg>";
  std::vector<ImageTagMatch> single;
  ImageTagMatcher one(text);
  for (ImageTagMatch match; one.Next(match);) single.push_back(match);
  ASSERT_EQ(single.size(), 7u);

  ImageTagMatcher batched(text);
  ImageTagMatch batch[3];
  std::vector<ImageTagMatch> all;
  for (std::size_t count; (count = batched.NextMatches(batch, 3)) != 0;) all.insert(all.end(), batch, batch + count);
  ASSERT_EQ(all.size(), single.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].start, single[i].start) << i;
    EXPECT_EQ(all[i].end, single[i].end) << i;
    EXPECT_EQ(all[i].attributeStart, single[i].attributeStart) << i;
    EXPECT_EQ(all[i].equalsSign, single[i].equalsSign) << i;
    EXPECT_EQ(all[i].valueStart, single[i].valueStart) << i;
    EXPECT_EQ(all[i].firstNameEquals, single[i].firstNameEquals) << i;
    EXPECT_EQ(all[i].repeatsPrevious, single[i].repeatsPrevious) << i;
  }
  EXPECT_EQ(batched.NextMatches(batch, 3), 0u);
}

TEST(HostPrefixTest, FindsTheFirstHttpHost) {
  std::size_t start = 0;
  std::size_t length = 0;
  const std::string page = "https://a.example/go?u=HTTP://b.example/x";
  ASSERT_TRUE(FindHostPrefix(page, start, length));
  EXPECT_EQ(page.substr(start, length), "HTTP://b.example/");
  ASSERT_TRUE(FindHostPrefix("http://", start, length));
  EXPECT_EQ(length, 7u);
  EXPECT_FALSE(FindHostPrefix("ftp://a/", start, length));
  EXPECT_FALSE(FindHostPrefix("", start, length));
}

}  // namespace
