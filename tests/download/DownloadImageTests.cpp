// One image through the real URL cache and download service, from a server
// on 127.0.0.1, into a folder.
#include "DownloadTestSupport.h"
#include "ResponsivenessProbe.h"
#include "ImageTransfer.h"
#include "UrlCache.h"
#include "WideText.h"

#include <cstdio>
#include <fstream>

namespace {

TEST_F(DownloadTest, SavesTheImageUnderItsCacheFileName) {
  const std::string body = ImageBytes(1, 3000);
  const std::string address = ServeImage("logo.gif", body);
  const std::string saved = form->DownloadImage(root, address);
  ASSERT_FALSE(saved.empty());
  const std::wstring cached = GetCacheFileName(address);
  ASSERT_FALSE(cached.empty());
  EXPECT_EQ(AnsiToWide(saved), AnsiToWide(root) + cached.substr(cached.find_last_of(L"\\:") + 1));
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

TEST_F(DownloadTest, TheSameImageOverwritesItsFileAnotherTakesTheNextFreeName) {
  const std::string body = ImageBytes(3);
  const std::string address = ServeImage("over.gif", body), killed = root + "killed.gif.pixorra-part";
  { std::ofstream(killed.c_str(), std::ios::binary) << "part of an image"; }
  const std::string saved = form->DownloadImage(root, address);
  ASSERT_FALSE(saved.empty());
  EXPECT_FALSE(FileExists(killed)) << "the part a killed copy left is removed";
  EXPECT_EQ(form->DownloadImage(root, address), saved) << "the same bytes again: the file is overwritten";
  { std::ofstream(saved.c_str(), std::ios::binary) << "another image"; }
  const std::string beside = form->DownloadImage(root, address);
  EXPECT_EQ(beside, saved.substr(0, saved.rfind('.')) + " (2)" + saved.substr(saved.rfind('.')));
  EXPECT_EQ(ReadWholeFile(beside), body);
  EXPECT_EQ(ReadWholeFile(saved), "another image") << "a different file is never overwritten";
}

// What a bad server answers, and whether an image may come of it. Wine's
// download service returns success for every one of these.
TEST_F(DownloadTest, OnlyAWholeBodyWithASuccessStatusIsAnImage) {
  const std::string image = ImageBytes(30, 12288);
  auto answer = [&](auto shape) {
    TestHttpAnswer a;
    a.body = image;
    shape(a);
    return a;
  };
  ServeImage("hop3.gif", image);
  struct Case {
    const char* name;
    TestHttpAnswer answer;
    bool saved;
  } cases[] = {
      {"cut.gif", answer([](TestHttpAnswer& a) { a.announcedLength = 50000; }), false},
      {"overlong.gif", answer([](TestHttpAnswer& a) { a.announcedLength = 10000000; }), false},
      {"chunked.gif", answer([](TestHttpAnswer& a) { a.chunked = true; a.chunkSize = 4096; }), true},
      {"empty.gif", answer([](TestHttpAnswer& a) { a.status = 204; a.body.clear(); }), false},
      {"reset.gif", answer([](TestHttpAnswer& a) { a.status = 205; }), false},
      {"partial.gif", answer([](TestHttpAnswer& a) { a.status = 206; }), false},
      {"nostatus.gif", answer([](TestHttpAnswer& a) { a.status = 0; }), false},  // "HTTP/1.1 0"
      {"nothing.gif", answer([](TestHttpAnswer& a) { a.body.clear(); }), false},
      {"closed.gif", answer([](TestHttpAnswer& a) { a.noAnswer = true; }), false},
      {"loop.gif", answer([&](TestHttpAnswer& a) { a.status = 302; a.location = prefix + "loop.gif"; }), false},
      {"ping.gif", answer([&](TestHttpAnswer& a) { a.status = 302; a.location = prefix + "pong.gif"; }), false},
      {"pong.gif", answer([&](TestHttpAnswer& a) { a.status = 302; a.location = prefix + "ping.gif"; }), false},
      {"hop1.gif", answer([&](TestHttpAnswer& a) { a.status = 302; a.location = prefix + "hop2.gif"; }), true},
      {"hop2.gif", answer([&](TestHttpAnswer& a) { a.status = 302; a.location = prefix + "hop3.gif"; }), true},
      {"page.jpg", answer([](TestHttpAnswer& a) { a.body = "<html>gone</html>"; a.contentType = "text/html"; }), false},
      {"mislabelled.gif", answer([](TestHttpAnswer& a) { a.contentType = "text/html"; }), true},
  };
  for (const Case& c : cases) ServeImage(c.name, c.answer);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string address = server.Origin() + prefix + c.name;
    const std::string saved = form->DownloadImage(Folder(c.name), address);
    EXPECT_EQ(!saved.empty(), c.saved);
    if (c.saved) {
      EXPECT_EQ(ReadWholeFile(saved), image);
    } else {
      EXPECT_EQ(GetCacheFileName(address), L"") << "nothing is left in the cache to be copied next time";
      EXPECT_EQ(ImagesIn(Folder(c.name)), 0u);
    }
  }
  // The same page kept in the cache, as a browser that met it keeps it.
  const std::string kept = server.Origin() + prefix + "page.jpg";
  char file[MAX_PATH] = {};
  ASSERT_EQ(URLDownloadToCacheFileA(nullptr, kept.c_str(), file, MAX_PATH, 0, nullptr), S_OK);
  EXPECT_EQ(form->DownloadImage(root, kept), "");
  EXPECT_EQ(GetCacheFileName(kept), L"");
  EXPECT_EQ(server.Requests(prefix + "page.jpg"), 2) << "found in the cache, not fetched again";
  // The service follows redirects on a thread of its own and its reports
  // come behind, so the server sees more requests than the 20 reports that
  // end the loop; without a limit it would see them forever.
  EXPECT_LT(server.Requests(prefix + "loop.gif"), 10 * TransferCallback::kMaxRedirects);
}

TEST_F(DownloadTest, AnAddressTheServiceCannotTakeIsNeverHandedToIt) {
  // Under Wine the service dies with a page fault from 258 characters after
  // the last "." on; 257 still fail cleanly inside it.
  for (std::size_t length : {257u, 258u, 400u}) {
    const std::string address = server.Origin() + prefix + "a." + std::string(length, 'e');
    EXPECT_EQ(form->DownloadImage(root, address), "") << length;
  }
  const std::string query = server.Origin() + prefix + "b.gif?" + std::string(300, 'q');
  EXPECT_EQ(form->DownloadImage(root, query), "");
}

TEST_F(DownloadTest, ASilentOrStalledServerIsGivenUp) {
  // The limit is shortened for the test; the program waits 30 s.
  form->OperationsModel().limits.transferSilenceMilliseconds = 2000;
  TestHttpAnswer silent;
  silent.silenceMilliseconds = 120000;
  TestHttpAnswer stalled;
  stalled.body = ImageBytes(31, 40000);
  stalled.chunkSize = 10000;
  stalled.chunkDelayMilliseconds = 120000;
  for (const std::string& address : {ServeImage("silent.gif", silent), ServeImage("stalled.gif", stalled)}) {
    SCOPED_TRACE(address);
    ResponsivenessProbe probe(form->ImageListMemo.Handle());
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(form->DownloadImage(root, address), "");
    const ULONGLONG took = GetTickCount64() - start;
    const DWORD slowest = probe.Stop();
    EXPECT_LT(took, 20000u) << "given up long before the server speaks again";
    std::printf("    %s: given up after %llu ms, longest unanswered message %lu ms\n", PathOf(address).c_str(),
                took, static_cast<unsigned long>(slowest));
  }
}

// "%" and "," leave the file name only: the image goes into the folder its
// line names, never into one whose name lacks them.
TEST_F(DownloadTest, PercentAndCommaLeaveTheFileNameOnly) {
  const std::string named = Folder("a,b%c"), lookalike = Folder("abc");
  const std::string body = ImageBytes(4);
  const std::string address = ServeImage("x%2Cy%20z.gif", body);
  const std::string saved = form->DownloadImage(named, address);
  ASSERT_EQ(saved.substr(0, named.size()), named);
  EXPECT_EQ(saved.find_first_of("%,", named.size()), std::string::npos);
  EXPECT_EQ(ReadWholeFile(saved), body);
  EXPECT_EQ(ImagesIn(lookalike), 0u);
}

TEST_F(DownloadTest, ChineseFileName) {
  const std::string body = ImageBytes(6);
  // "图片.gif", percent-encoded in UTF-8 as a page would write it.
  const std::string address = ServeImage("%E5%9B%BE%E7%89%87.gif", body);
  const std::string saved = form->DownloadImage(root, address);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(ReadWholeFile(saved), body);
  EXPECT_EQ(AnsiToWide(saved).substr(AnsiToWide(root).size(), 2), L"图片") << "saved under its name, readable";
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
  EXPECT_EQ(GetCacheFileName(address), L"") << "the error page is not left in the cache";
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
  ASSERT_TRUE(DeleteFileW(GetCacheFileName(address).c_str()));
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
