// The text routines behind a download: the extension the download service
// sees, numbered names for images the cache names alike, the UTF-8 escapes
// of characters the code page lacks, whether what came is an image, the
// folders made and what the user reads when a line fails.
#include <gtest/gtest.h>

#include "DownloadNaming.h"
#include "FailureReasons.h"
#include "ImageContent.h"
#include "ListLines.h"
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
  EXPECT_EQ(NumberedFileName(L"C:\\a\\x.gif", 2), L"C:\\a\\x (2).gif");
  EXPECT_EQ(NumberedFileName(L"C:\\a\\same[1].gif", 12), L"C:\\a\\same[1] (12).gif");
  EXPECT_EQ(NumberedFileName(L"C:\\a.b\\noext", 3), L"C:\\a.b\\noext (3)") << "a folder's \".\" is no extension";
  EXPECT_EQ(NumberedFileName(L"x.tar.gz", 2), L"x.tar (2).gz");
}

// The image goes into the folder its line names, every character kept,
// under the cache file's name made readable, less "%" and ","; a file the
// cache records escaped is on disk decoded.
TEST(SavedFilePathTest, TheFolderStaysAsItIsAndTheNameIsMadeReadable) {
  struct Case {
    const char* name;
    const wchar_t* folder;
    const wchar_t* cached;
    const wchar_t* saved;
  } cases[] = {
      {"percent and comma", L"C:\\a,b%c\\", L"D:\\cache\\X1\\x%2Cy%20z[1].gif", L"C:\\a,b%c\\xy z[1].gif"},
      {"a bare name", L"C:\\사진\\", L"logo.gif", L"C:\\사진\\logo.gif"},
      {"UTF-8", L"C:\\p\\", L"D:\\c\\%E4%B8%AD%e6%96%87[0]..gif", L"C:\\p\\中文[0]..gif"},
      {"beyond U+FFFF", L"C:\\p\\", L"C:%F0%9F%98%80.png", L"C:\\p\\\U0001F600.png"},
      {"what no file name holds", L"C:\\p\\", L"a%2Fb%5Cc%3F%3A%09.gif", L"C:\\p\\a2Fb5Cc3F3A09.gif"},
      {"no UTF-8", L"C:\\p\\", L"%E4%B8.%C0%AF.%ED%A0%80.%F4%90%80%80.gif", L"C:\\p\\E4B8.C0AF.EDA080.F4908080.gif"},
  };
  for (const Case& c : cases) EXPECT_EQ(SavedFilePath(c.folder, c.cached), c.saved) << c.name;
  EXPECT_EQ(DecodedCacheName(L"a%20b&gt;&lt;&quot;.gif"), L"a b><\".gif");
}

// A folder line's folder as the list's box holds it; only an absolute one
// is made.
TEST(FolderOfLineTest, OnlyAnAbsoluteFolderIsMade) {
  struct Case {
    const wchar_t* line;
    const wchar_t* folder;
    bool absolute;
  } cases[] = {
      {L"$D:\\图片\\新建", L"D:\\图片\\新建\\", true},
      {L"$\\\\server\\share\\사진/", L"\\\\server\\share\\사진/", true},
      {L"$", L"C:\\Zoë\\", true},          {L"$图片\\", L"图片\\", false},
      {L"$C:pics", L"C:pics\\", false},     {L"$\\\\server\\", L"\\\\server\\", false},
      {L"$\\top\\", L"\\top\\", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOfLine(std::wstring(c.line), L"C:\\Zoë\\"), c.folder);
    EXPECT_EQ(IsAbsoluteFolder(c.folder), c.absolute) << c.folder;
  }
}

// The causes the end of a run names: most frequent first, two at most, and
// for a narrow label fewer, never one cut in its middle.
TEST(CauseListingsTest, MostFrequentFirstTwoAtMost) {
  const FailureReason s404{Failure::ServerStatus, 404}, s500{Failure::ServerStatus, 500}, page{Failure::NotAnImage},
      full{Failure::DiskFull, 112, L"D:\\"}, denied{Failure::Other, 5}, unknown{Failure::Other, 0x80004005};
  struct Case {
    const char* name;
    std::vector<FailureReason> reasons;
    std::vector<std::wstring> listings;
  } cases[] = {
      {"one cause", {full, full}, {L"磁盘已满 ×2", L"…"}},
      {"most frequent first", {page, s404, page, s404, s404},
       {L"服务器答复 404 ×3，不是图片 ×2", L"服务器答复 404 ×3，…", L"…"}},
      {"ties as met, then 等", {s500, s404, page, s404},
       {L"服务器答复 404 ×2，服务器答复 500 ×1 等", L"服务器答复 404 ×2，…", L"…"}},
      {"every other error is one cause", {denied, unknown}, {L"其他错误 ×2", L"…"}},
      {"none", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(CauseListings(c.reasons), c.listings) << c.name;
  EXPECT_EQ(ReasonWords(unknown), L"其他错误（0x80004005）");
  EXPECT_EQ(ReasonWords(page), L"不是图片（服务器给了网页）");
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
