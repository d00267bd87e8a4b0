#include <gtest/gtest.h>

#include "Functions.h"

namespace {

const char kPage[] = "http://host.example/dir/page.htm";

struct LinkCase {
  const char* name;
  std::string page;
  std::string raw;
  std::string expected;
};

class ResolveImageLinkTest : public testing::TestWithParam<LinkCase> {};

TEST_P(ResolveImageLinkTest, Resolves) {
  const LinkCase& c = GetParam();
  EXPECT_EQ(ResolveImageLink(c.page, c.raw), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolveImageLinkTest,
    testing::Values(
        LinkCase{"Relative", kPage, "pic.gif", "http://host.example/dir/pic.gif"},
        LinkCase{"DoubleQuotedKeepsQuotes", kPage, "\"pic.gif\"", "\"http://host.example/dir/pic.gif\""},
        LinkCase{"SingleQuotedLosesQuotes", kPage, "'pic.gif'", "http://host.example/dir/pic.gif"},
        LinkCase{"RootRelative", kPage, "/img/a.jpg", "http://host.example/img/a.jpg"},
        LinkCase{"ProtocolRelativeIsRootRelative", kPage, "//other.example/a.jpg",
                 "http://host.example//other.example/a.jpg"},
        LinkCase{"AbsoluteHttp", kPage, "http://other.example/a.jpg", "http://other.example/a.jpg"},
        LinkCase{"AbsoluteHttpsAnyCase", kPage, "HTTPS://other.example/a.jpg", "HTTPS://other.example/a.jpg"},
        LinkCase{"HttpPrefixedFolderLooksAbsolute", kPage, "httpdocs/a.jpg", "httpdocs/a.jpg"},
        LinkCase{"OtherSchemeIsRelative", kPage, "ftp://other.example/a.jpg",
                 "http://host.example/dir/ftp://other.example/a.jpg"},
        LinkCase{"DotSegmentsKept", kPage, "../up.gif", "http://host.example/dir/../up.gif"},
        LinkCase{"AnchorRejected", kPage, "#top", ""},
        LinkCase{"QuotedAnchorKept", kPage, "\"#top\"", "\"http://host.example/dir/#top\""},
        LinkCase{"ParenthesisRejected", kPage, "a(1).gif", ""},
        LinkCase{"ClosingParenthesisRejected", kPage, "a1).gif", ""},
        LinkCase{"AtSignRejected", kPage, "mail@x.gif", ""},
        LinkCase{"EmptyReference", kPage, "", "http://host.example/dir/"},
        LinkCase{"EmptyQuotedValue", kPage, "\"\"", "\"http://host.example/dir/\""},
        LinkCase{"AngleBracketsRemoved", kPage, "a<b>.gif", "http://host.example/dir/ab.gif"},
        LinkCase{"SpacesNotTrimmed", kPage, " /img/a.jpg", "http://host.example/dir/ /img/a.jpg"},
        LinkCase{"HttpsPageFallsBackToFolder", "https://host.example/dir/page.htm", "/img/a.jpg",
                 "https://host.example/dir/img/a.jpg"},
        LinkCase{"HostKeepsPageCase", "HTTP://HOST.EXAMPLE/dir/page.htm", "/img/a.jpg",
                 "HTTP://HOST.EXAMPLE/img/a.jpg"},
        LinkCase{"HostFoundInQuery", "https://host.example/go?u=http://other.example/x.htm", "/a.gif",
                 "http://other.example/a.gif"},
        LinkCase{"HostWithoutPath", "http://host.example", "/a.gif", "http://host.examplea.gif"},
        LinkCase{"HostWithAtSignRejected", "http://user@host.example/p.htm", "/a.gif", ""},
        LinkCase{"LastSlashOfQuery", "http://host.example/dir/list.asp?p=a/b", "pic.gif",
                 "http://host.example/dir/list.asp?p=a/pic.gif"},
        LinkCase{"PageWithoutSlash", "page.htm", "pic.gif", "pic.gif"},
        LinkCase{"ChineseName", kPage, "\xcd\xbc\xc6\xac.gif", "http://host.example/dir/\xcd\xbc\xc6\xac.gif"},
        // 0x81 0x40 is one double-byte character; its trail byte still counts as "@".
        LinkCase{"TrailByteAtSignRejected", kPage, "\x81@.gif", ""},
        LinkCase{"TrailByteBackslashKept", kPage, "\x81\\.gif", "http://host.example/dir/\x81\\.gif"}),
    [](const testing::TestParamInfo<LinkCase>& info) { return info.param.name; });

TEST(MakeAbsoluteLinkTest, OnlyHttpPrefixCountsAsAbsolute) {
  EXPECT_EQ(MakeAbsoluteLink("hTtP://a/b.gif", kPage), "hTtP://a/b.gif");
  EXPECT_EQ(MakeAbsoluteLink("htt", kPage), "http://host.example/dir/htt");
  EXPECT_EQ(MakeAbsoluteLink("", kPage), "http://host.example/dir/");
}

TEST(GetPageFolderTest, UpToTheLastSlashWithoutQuotes) {
  EXPECT_EQ(GetPageFolder(kPage), "http://host.example/dir/");
  EXPECT_EQ(GetPageFolder("\"http://host.example/a/\"b.htm"), "http://host.example/a/");
  EXPECT_EQ(GetPageFolder("http://host.example/p.htm#x/y"), "http://host.example/p.htm#x/");
  EXPECT_EQ(GetPageFolder("page.htm"), "");
  EXPECT_EQ(GetPageFolder(""), "");
}

}  // namespace
