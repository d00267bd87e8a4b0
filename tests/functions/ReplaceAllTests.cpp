#include <gtest/gtest.h>

#include "Functions.h"

namespace {

struct ReplaceCase {
  const char* name;
  std::string oldText;
  std::string text;
  std::string newText;
  std::string expected;
};

class ReplaceAllTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAllTest, Replaces) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceAll(c.oldText, c.text, c.newText), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    testing::Values(
        ReplaceCase{"EveryOccurrence", "\"", "\"a\"b\"", "", "ab"},
        ReplaceCase{"LongerReplacement", "%20", "a%20b%20", " ", "a b "},
        ReplaceCase{"NoOverlaps", "aa", "aaaaa", "b", "bba"},
        ReplaceCase{"InsertedTextNotSearchedAgain", "a", "aXa", "aa", "aaXaa"},
        ReplaceCase{"CaseSensitive", "src", "SRC src", "x", "SRC x"},
        ReplaceCase{"EmptyTextUnchanged", "a", "", "b", ""},
        ReplaceCase{"TextShorterThanOld", "abc", "ab", "x", "ab"},
        ReplaceCase{"NothingFound", "q", "abc", "x", "abc"},
        ReplaceCase{"EmptyOldLeavesTextAlone", "", "abc", "x", "abc"},
        ReplaceCase{"WholeText", "abc", "abc", "", ""},
        // 0x81 0x5C is one double-byte character whose trail byte is "\".
        ReplaceCase{"TrailByteDoesNotCount", "\\", "\x81\\a\\", "/", "\x81\\a/"},
        ReplaceCase{"LeadByteThenMatch", "a", "\xb0\xa1" "a", "b", "\xb0\xa1" "b"},
        ReplaceCase{"TrailByteLetterDoesNotCount", "a", "\x81" "aa", "b", "\x81" "ab"},
        ReplaceCase{"LoneLeadByteAtEnd", "\\", "a\\\x81", "", "a\x81"}),
    [](const testing::TestParamInfo<ReplaceCase>& info) { return info.param.name; });

TEST(UrlFileNameTest, TakesTheTextAfterTheLastSlash) {
  EXPECT_EQ(UrlFileName("http://host.example/dir/logo.gif"), "logo.gif");
  EXPECT_EQ(UrlFileName("http://host.example/show.php?f=a/b.gif"), "b.gif");
  EXPECT_EQ(UrlFileName("http://host.example/dir/"), "");
  EXPECT_EQ(UrlFileName("logo.gif"), "logo.gif");
  EXPECT_EQ(UrlFileName(""), "");
}

}  // namespace
