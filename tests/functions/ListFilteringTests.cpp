#include <gtest/gtest.h>

#include "Functions.h"
#include "ListFiltering.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SplitLinesTest, CrLfSeparatesAndAFinalBreakAddsNoLine) {
  EXPECT_EQ(SplitLines(""), Lines());
  EXPECT_EQ(SplitLines("a"), Lines({"a"}));
  EXPECT_EQ(SplitLines("a\r\nb\r\n"), Lines({"a", "b"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), Lines({"a", "", "b"}));
  EXPECT_EQ(SplitLines("\r\n"), Lines({""}));
  EXPECT_EQ(SplitLines("a\nb\r"), Lines({"a\nb\r"}));
}

struct ExtensionCase {
  const char* name;
  std::string address;
  std::string extension;
};

class AddressExtensionTest : public testing::TestWithParam<ExtensionCase> {};

TEST_P(AddressExtensionTest, Extension) { EXPECT_EQ(AddressExtension(GetParam().address), GetParam().extension); }

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressExtensionTest,
    testing::Values(ExtensionCase{"Plain", "http://host.example/a/B.JPG", ".JPG"},
                    ExtensionCase{"UpperCased", "http://host.example/a.gif", ".GIF"},
                    ExtensionCase{"HostIsTheExtension", "http://host.example/img", ".EXAMPLE/IMG"},
                    ExtensionCase{"QueryString", "http://host.example/show.php?f=a.gif", ".GIF"},
                    ExtensionCase{"ColonEndsIt", "http://host.example:8080", ""},
                    ExtensionCase{"BackslashEndsIt", "C:\\a.b\\c", ""},
                    ExtensionCase{"NoDot", "abc", ""},
                    ExtensionCase{"TrimmedOfSpaces", "x.gif \t", ".GIF"},
                    ExtensionCase{"TrailBackslashIsNoDelimiter", "a.gif\x81\\x", ".GIF\x81\\X"},
                    ExtensionCase{"ChineseName", "\xcd\xbc.PnG", ".PNG"}),
    [](const testing::TestParamInfo<ExtensionCase>& info) { return info.param.name; });

struct FilterCase {
  const char* name;
  Lines collected;
  Lines downloadList;
  std::string filter;
  Lines added;
};

class SelectNewImageLinesTest : public testing::TestWithParam<FilterCase> {};

TEST_P(SelectNewImageLinesTest, Selects) {
  const FilterCase& c = GetParam();
  EXPECT_EQ(SelectNewImageLines(c.collected, c.downloadList, c.filter), c.added);
}

const std::string kAll = "*.gif|*.png|*.jpg|*.jpeg|*.bmp|*.ico";

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectNewImageLinesTest,
    testing::Values(
        FilterCase{"JpgPassesInAnyCase", {"http://h/a/B.JPG"}, {}, ".jpg", {"http://h/a/B.JPG"}},
        FilterCase{"JpgIsNotJpeg", {"http://h/a/B.JPG"}, {}, ".jpeg", {}},
        FilterCase{"JpeOccursInJpeg", {"http://h/x.jpe"}, {}, ".jpeg", {"http://h/x.jpe"}},
        FilterCase{"AllTypesItem",
                   {"h/1.gif", "h/2.png", "h/3.jpg", "h/4.jpeg", "h/5.bmp", "h/6.ico", "h/7.G", "h/8.JP", "h/9.tif"},
                   {},
                   kAll,
                   {"h/1.gif", "h/2.png", "h/3.jpg", "h/4.jpeg", "h/5.bmp", "h/6.ico", "h/7.G", "h/8.JP"}},
        FilterCase{"NoExtensionNeverPasses", {"http://host.example/img"}, {}, kAll, {}},
        FilterCase{"QueryStringExtension", {"http://h/show.php?f=a.gif"}, {}, ".gif", {"http://h/show.php?f=a.gif"}},
        FilterCase{"PathExtensionBeforeTheQuery",
                   {"http://h/a.jpg?w=300&s=1", "http://h/b.JPG#x", "http://h/c.jpg?f=d.png"},
                   {},
                   ".jpg",
                   {"http://h/a.jpg?w=300&s=1", "http://h/b.JPG#x", "http://h/c.jpg?f=d.png"}},
        FilterCase{"NoPathExtensionPassesNothing", {"http://h/img?w=300", "http://h/photo?x=1.5"}, {}, ".jpg", {}},
        FilterCase{"EmptyFilterPassesNothing", {"h/a.gif"}, {}, "", {}},
        FilterCase{"EmptyLinesSkipped", {"", "h/a.gif", ""}, {}, ".gif", {"h/a.gif"}},
        FilterCase{"AlreadyListedInAnyCase", {"http://h/A.gif"}, {"HTTP://H/a.GIF"}, ".gif", {}},
        FilterCase{"AlreadyDone", {"http://h/a.gif"}, {"-http://h/a.gif"}, ".gif", {}},
        FilterCase{"DoneInAnyCase", {"http://h/a.gif"}, {"-HTTP://H/A.GIF"}, ".gif", {}},
        FilterCase{"PartOfALineIsNotTheLine", {"http://h/a.gif"}, {"http://h/a.gif?x=1", " http://h/a.gif"}, ".gif",
                   {"http://h/a.gif"}},
        FilterCase{"FoundTwiceAddedOnce", {"h/a.gif", "h/b.gif", "H/A.GIF"}, {}, ".gif", {"h/a.gif", "h/b.gif"}},
        FilterCase{"OrderKept", {"h/c.gif", "h/a.gif", "h/b.gif"}, {"$C:\\x\\"}, ".GIF",
                   {"h/c.gif", "h/a.gif", "h/b.gif"}},
        FilterCase{"NoFolderOrDoneLineFromAPage", {"$C:\\EVIL\\x/..", "-http://h/skip.jpg"}, {}, ".jpg", {}},
        FilterCase{"NoLineBreakFromAPage", {"a\r$C:\\x/b.jpg", "a\nh/c.jpg"}, {}, ".jpg", {}},
        FilterCase{"SpaceBeforeAMarkIsOrdinary", {" $a.jpg", "\t-b.jpg"}, {}, ".jpg", {" $a.jpg", "\t-b.jpg"}},
        FilterCase{"ChineseNames", {"h/\xcd\xbc.gif"}, {"h/\xc6\xac.gif"}, ".gif", {"h/\xcd\xbc.gif"}}),
    [](const testing::TestParamInfo<FilterCase>& info) { return info.param.name; });

}  // namespace
