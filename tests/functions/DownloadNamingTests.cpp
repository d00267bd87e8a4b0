// The text routines behind a download: the extension the download service
// sees, numbered names for images the cache names alike, the UTF-8 escapes
// of characters the code page lacks, and whether what came is an image.
#include <gtest/gtest.h>

#include "DownloadNaming.h"
#include "ImageContent.h"
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

// What a hostile or careless server sends with success: only what is
// clearly a page, where an image was asked for, is no image.
TEST(ImageContentTest, OnlyAPageWhereAnImageWasAskedForIsRefused) {
  using namespace std::string_literals;
  const std::string page = "<html><body>Not found</body></html>";
  struct Case {
    const char* name;
    const char* type;
    std::string start;
    const char* address;
    bool image;
  } cases[] = {
      {"an image called a page", "text/html", "GIF89a\x10\x00\x10\x00\x80\x00\x00"s, "http://h/a.gif", true},
      {"an image with no type", "", "\xff\xd8\xff\xe0\x00\x10JFIF", "http://h/a.jpg?w=1", true},
      {"a format not known here", "text/html", "\x00\x01\x02 binary"s, "http://h/a.jpg", true},
      {"a page", "text/html", page, "http://h/a.jpg", false},
      {"a page called an image", "image/gif", page, "http://h/a.gif", false},
      {"white space, a mark and capitals", "image/jpeg", "\xef\xbb\xbf \r\n\t<!DOCTYPE HTML>", "http://h/A.JPG", false},
      {"a page in UTF-16", "", "\xff\xfe<\0h\0t\0m\0l\0>\0"s, "http://h/a.png", false},
      {"an XML error", "application/xml", "<?xml version=\"1.0\"?><Error>", "http://h/a.png#x", false},
      {"text that says it is a page", "text/html; charset=utf-8", "Not Found", "http://h/a.gif", false},
      {"text that says nothing", "text/plain", "Not Found", "http://h/a.gif", true},
      {"a page for a page", "text/html", page, "http://h/a.php?img=1.gif", true},
      {"an SVG asked for", "image/svg+xml", "<?xml version=\"1.0\"?>\n<!-- c --><svg xmlns=", "http://h/a.svg", true},
      {"a page for an SVG", "text/html", page, "http://h/a.svg", false},
      {"an SVG for a JPEG", "image/svg+xml", "<svg xmlns=", "http://h/a.jpg", false},
      {"a BMP", "text/html", "BM" + std::string(12, '\0') + "(\0\0\0"s, "http://h/a.bmp", true},
      {"letters BM", "text/html", "BMW pictures are gone", "http://h/a.bmp", false},
      {"nothing", "image/gif", "", "http://h/a.gif", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsImageContent(c.type, c.start, c.address), c.image) << c.name;
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
