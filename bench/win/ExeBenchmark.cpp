// The real Pixorra.exe under Wine, driven from outside as a user would:
//  - picks of stand-in pages of 0.1, 5 and 20 MB, about one image tag per 400
//    bytes, reported in ms per MB beyond the 0.1 MB pick of the same run;
//  - the same 5 MB page picked five times without clearing, each pick beside
//    the first;
//  - the download walk over 10,000 and 40,000 done lines before one image
//    line, beside the same image line alone.
// Runs from the tests' folder of the Windows build (it uses the tests' page
// stand-in, server and driver).
#include "TestHttpServer.h"  // winsock2.h before windows.h

#include <cstdio>
#include <cstring>
#include <string>

#include "FakePageProcess.h"
#include "PixorraProcess.h"
#include "Stopwatch.h"

namespace {

std::string Page(double megabytes) {
  const std::string filler(360, 'x');
  std::string markup = "<html><body>";
  for (int i = 0; markup.size() < megabytes * 1e6; ++i) {
    markup += "<p>" + filler + "</p><img src=\"/img/" + std::to_string(i) + (i % 2 ? ".png\">" : ".gif\">");
  }
  return markup + "</body></html>";
}

// One pick of `page`, from the click on the page until the window is back.
double Pick(PixorraProcess& pixorra, FakePageProcess& page) {
  const POINT label = CentreOf(pixorra.ControlWithText(L"Static", L"点我获取"));
  ClickAt(label.x, label.y);
  WaitFor([&] { return pixorra.Frame().left == GetSystemMetrics(SM_CXSCREEN) + 100; }, 5000);
  const POINT onPage = CentreOf(page.PageWindow());
  return Milliseconds([&] {
    ClickOnAnotherApplication(pixorra.MainWindow(), page.PageWindow(), onPage.x, onPage.y);
    WaitFor([&] { return pixorra.Frame().left == 0; }, 120000);
  });
}

void ChooseGif(PixorraProcess& pixorra) {
  ClickToFocus(pixorra.TypeSelector(), -50);
  TypeText(L".gif");
  WaitFor([&] { return PixorraProcess::Text(pixorra.TypeSelector()) == L".gif"; }, 5000);
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Puts a long list into a text box as a user pastes it: Wine does not carry a
// text of several megabytes across processes in one WM_SETTEXT.
void PasteInto(HWND box, const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  }
  CloseClipboard();
  SendMessageW(box, EM_SETSEL, 0, -1);
  SendMessageW(box, WM_PASTE, 0, 0);
}

// The walk over `done` done lines to one image line, until that line is marked.
double Walk(TestHttpServer& server, int done, int run) {
  PixorraProcess pixorra;
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  SendMessageW(pixorra.SavePathLabel(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(temp).c_str()));
  std::string list;
  for (int i = 0; i < done; ++i) list += "-http://host.example/done/" + std::to_string(i) + ".gif\r\n";
  const std::string path = "/walk-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(run) + ".gif";
  TestHttpAnswer image;
  image.body = "GIF89a" + std::string(4000, 'w');
  server.Serve(path, image);
  list += server.Origin() + path + "\r\n";
  HWND memo = pixorra.DownloadList();
  PasteInto(memo, Wide(list));
  const LRESULT length = SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0);
  HWND button = pixorra.ControlWithText(L"Button", L"下载图片");
  const double ms = Milliseconds([&] {
    PostMessageW(button, BM_CLICK, 0, 0);
    // Marking the line adds its "-".
    WaitFor([&] { return SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0) == length + 1; }, 120000);
  });
  pixorra.Close(10000);
  return ms;
}

}  // namespace

int main() {
  for (int i = 0; i < 3; ++i) MoveMouse(300 + i, 700);

  std::printf("Picks (ms from the click on the page until the window is back)\n");
  const double sizes[] = {0.1, 5, 20};
  double tiny = 0;
  std::printf("%-8s %10s %14s\n", "page MB", "pick ms", "ms per MB");
  for (double size : sizes) {
    FakePageProcess page(Page(size), L"http://host.example/gallery/index.htm", {L"--lifetime-ms", L"300000"});
    PixorraProcess pixorra;
    ChooseGif(pixorra);
    const double ms = Pick(pixorra, page);
    if (size == sizes[0]) {
      tiny = ms;
      std::printf("%-8.1f %10.0f %14s\n", size, ms, "(baseline)");
    } else {
      std::printf("%-8.1f %10.0f %14.0f\n", size, ms, (ms - tiny) / (size - sizes[0]));
    }
    pixorra.Close(30000);
    page.Finish();
  }

  std::printf("\nThe same 5 MB page picked five times without clearing\n");
  {
    FakePageProcess page(Page(5), L"http://host.example/gallery/index.htm", {L"--lifetime-ms", L"300000"});
    PixorraProcess pixorra;
    ChooseGif(pixorra);
    double first = 0;
    for (int i = 1; i <= 5; ++i) {
      const double ms = Pick(pixorra, page);
      if (i == 1) first = ms;
      std::printf("pick %d %10.0f ms %8.2f x the first\n", i, ms, ms / first);
    }
    pixorra.Close(30000);
    page.Finish();
  }

  std::printf("\nThe download walk to one image line (a cache miss on a server on 127.0.0.1)\n");
  TestHttpServer server;
  const double alone = Walk(server, 0, 0);
  std::printf("%-12s %10s %16s\n", "done lines", "ms", "us per done line");
  std::printf("%-12d %10.0f %16s\n", 0, alone, "(baseline)");
  const int walks[] = {10000, 40000};
  for (int done : walks) {
    const double ms = Walk(server, done, done);
    std::printf("%-12d %10.0f %16.2f\n", done, ms, (ms - alone) * 1000 / done);
  }
  return 0;
}
