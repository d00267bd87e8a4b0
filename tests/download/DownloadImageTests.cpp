// One image through the real URL cache and download service, from a server
// on 127.0.0.1, into a folder.
#include "DownloadTestSupport.h"
#include "UrlCache.h"

#include <fstream>

namespace {

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\:") + 1); }

TEST_F(DownloadTest, SavesTheImageUnderItsCacheFileName) {
  const std::string body = ImageBytes(1, 3000);
  const std::string address = ServeImage("logo.gif", body);
  const std::string saved = form->DownloadImage(root, address);
  ASSERT_FALSE(saved.empty());
  const std::string cached = GetCacheFileName(address);
  ASSERT_FALSE(cached.empty());
  EXPECT_EQ(saved, root + FileNameOf(cached));
  EXPECT_EQ(ReadWholeFile(saved), body);
  EXPECT_EQ(form->UrlLabel.Text(), "logo.gif");
  EXPECT_EQ(server.Requests(PathOf(address)), 1);
}

TEST_F(DownloadTest, ACachedImageIsCopiedWithoutATransfer) {
  const std::string body = ImageBytes(2);
  const std::string address = ServeImage("cached.gif", body);
  ASSERT_FALSE(form->DownloadImage(Folder("first"), address).empty());
  form->SingFileProgressBar.SetMax(77);
  form->SingFileProgressBar.SetPosition(3);
  const std::string saved = form->DownloadImage(Folder("second"), address);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(ReadWholeFile(saved), body);
  EXPECT_EQ(server.Requests(PathOf(address)), 1) << "served from the cache";
  EXPECT_EQ(form->SingFileProgressBar.Position(), 77) << "the bar jumps to its maximum";
}

TEST_F(DownloadTest, AnExistingFileIsOverwritten) {
  const std::string body = ImageBytes(3);
  const std::string address = ServeImage("over.gif", body);
  const std::string saved = form->DownloadImage(root, address);
  ASSERT_FALSE(saved.empty());
  { std::ofstream(saved.c_str(), std::ios::binary) << "old"; }
  EXPECT_EQ(form->DownloadImage(root, address), saved);
  EXPECT_EQ(ReadWholeFile(saved), body);
}

TEST_F(DownloadTest, PercentAndCommaLeaveTheWholePath) {
  Folder("ab");
  const std::string body = ImageBytes(4);
  const std::string address = ServeImage("x%2Cy%20z.gif", body);
  const std::string saved = form->DownloadImage(root + "a,b\\", address);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(saved.find_first_of("%,"), std::string::npos);
  EXPECT_EQ(saved.substr(0, root.size() + 3), root + "ab\\");
  EXPECT_EQ(ReadWholeFile(saved), body);
  // Without the folder that the removal names, the copy fails.
  const std::string other = ServeImage("w.gif", ImageBytes(5));
  EXPECT_EQ(form->DownloadImage(root + "c,d\\", other), "");
}

TEST_F(DownloadTest, ChineseFileName) {
  const std::string body = ImageBytes(6);
  // "图片.gif", percent-encoded in UTF-8 as a page would write it.
  const std::string address = ServeImage("%E5%9B%BE%E7%89%87.gif", body);
  const std::string saved = form->DownloadImage(root, address);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(ReadWholeFile(saved), body);
}

TEST_F(DownloadTest, QuotesAreDroppedFromTheAddress) {
  const std::string body = ImageBytes(7);
  const std::string address = ServeImage("quoted.gif", body);
  const std::string saved = form->DownloadImage(root, "\"" + address + "\"");
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(form->UrlLabel.Text(), "quoted.gif");
  EXPECT_EQ(ReadWholeFile(saved), body);
}

TEST_F(DownloadTest, AnErrorPageIsNoImage) {
  TestHttpAnswer missing;
  missing.status = 404;
  missing.body = "<html>not here</html>";
  missing.contentType = "text/html";
  const std::string address = ServeImage("gone.gif", missing);
  EXPECT_EQ(form->DownloadImage(root, address), "");
  EXPECT_EQ(GetCacheFileName(address), "") << "the error page is not left in the cache";
  // Once the server has the image, the next attempt fetches it.
  const std::string body = ImageBytes(8);
  server.Serve(PathOf(address), [&] {
    TestHttpAnswer found;
    found.body = body;
    return found;
  }());
  const std::string saved = form->DownloadImage(root, address);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(ReadWholeFile(saved), body);
}

TEST_F(DownloadTest, AServerErrorIsNoImageEither) {
  TestHttpAnswer broken;
  broken.status = 500;
  broken.body = "oops";
  EXPECT_EQ(form->DownloadImage(root, ServeImage("broken.gif", broken)), "");
}

TEST_F(DownloadTest, AClosedPortFails) {
  const std::string address = "http://127.0.0.1:" + std::to_string(ClosedPort()) + prefix + "a.gif";
  EXPECT_EQ(form->DownloadImage(root, address), "");
}

TEST_F(DownloadTest, ACacheEntryWhoseFileIsGoneIsFetchedAgain) {
  const std::string body = ImageBytes(9);
  const std::string address = ServeImage("vanished.gif", body);
  ASSERT_FALSE(form->DownloadImage(Folder("one"), address).empty());
  const std::string cached = GetCacheFileName(address);
  ASSERT_TRUE(DeleteFileA(cached.c_str()));
  const std::string saved = form->DownloadImage(Folder("two"), address);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(ReadWholeFile(saved), body);
  EXPECT_EQ(server.Requests(PathOf(address)), 2);
}

TEST_F(DownloadTest, LabelShowsTheFileNameOrNothing) {
  form->DownloadImage(root, server.Origin() + prefix + "dir/");
  EXPECT_EQ(form->UrlLabel.Text(), "");
  form->DownloadImage(root, "noslash");
  EXPECT_EQ(form->UrlLabel.Text(), "noslash");
}

}  // namespace
