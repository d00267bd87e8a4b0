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
