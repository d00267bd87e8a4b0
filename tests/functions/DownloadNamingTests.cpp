// The text routines behind a download: the extension the download service
// sees, numbered names for images the cache names alike, and the UTF-8
// escapes of characters the code page lacks.
#include <gtest/gtest.h>

#include "DownloadNaming.h"
#include "PercentEncoding.h"

namespace {

TEST(ExtensionLengthTest, CountsAsTheDownloadServiceFindsTheExtension) {
  struct Case {
    const char* address;
    std::size_t expected;
  } cases[] = {
      {"http://h/a.gif", 3},
      {"http://h/a.gif?x=1", 7},      // the query belongs to it
      {"http://h/a.b/c", 3},          // a "/" does not end it
      {"http://h/a.gif b", 0},        // a space does
      {"http://h/a.gif\\b", 0},       // and so does a "\"
      {"http://h.example/abc", 11},   // the host's "." is the last one
      {"no dot", 0},
      {"x.\xcd\xbc\xcd\xbc", 2},      // "图图": two characters
      {"x.\x81\\y", 2},               // "\" as a trail byte ends nothing
  };
  for (const Case& c : cases) EXPECT_EQ(ExtensionLength(c.address), c.expected) << c.address;
  EXPECT_EQ(ExtensionLength("http://h/a." + std::string(258, 'e')), 258u);
}

TEST(NumberedFileNameTest, TheNumberGoesBeforeTheExtension) {
  EXPECT_EQ(NumberedFileName("C:\\a\\x.gif", 2), "C:\\a\\x (2).gif");
  EXPECT_EQ(NumberedFileName("C:\\a\\same[1].gif", 12), "C:\\a\\same[1] (12).gif");
  EXPECT_EQ(NumberedFileName("C:\\a.b\\noext", 3), "C:\\a.b\\noext (3)") << "a folder's \".\" is no extension";
  EXPECT_EQ(NumberedFileName("x.tar.gz", 2), "x.tar (2).gz");
}

// The image goes into the folder its line names, under the cache file's
// name less "%" and ","; a file the cache records escaped is on disk decoded.
TEST(SavedFilePathTest, TheFolderStaysAsItIsAndTheNameLosesPercentAndComma) {
  EXPECT_EQ(SavedFilePath("C:\\a,b%c\\", "D:\\cache\\X1\\x%2Cy%20z[1].gif"), "C:\\a,b%c\\x2Cy20z[1].gif");
  EXPECT_EQ(SavedFilePath("C:\\pics\\", "logo.gif"), "C:\\pics\\logo.gif");
  EXPECT_EQ(SavedFilePath("C:\\p\\", "D:\\c\\x\x81\\y.gif"), "C:\\p\\x\x81\\y.gif") << "a trail byte is no \\";
  EXPECT_EQ(DecodedCacheName("a%20b&gt;&lt;&quot;.gif"), "a b><\".gif");
}

TEST(PercentEncodingTest, Utf8BytesOfEachCharacter) {
  struct Case {
    std::uint32_t codePoint;
    const char* expected;
  } cases[] = {
      {0x41, "%41"},           {0xE9, "%C3%A9"},          {0xD55C, "%ED%95%9C"},
      {0x1F600, "%F0%9F%98%80"}, {0xD800, "%EF%BF%BD"},   {0x110000, "%EF%BF%BD"},
  };
  for (const Case& c : cases) {
    std::string text = "x";
    AppendPercentEncodedUtf8(text, c.codePoint);
    EXPECT_EQ(text, std::string("x") + c.expected) << std::hex << c.codePoint;
  }
}

}  // namespace
