// The demo without a display: the real Pixorra.exe taken through the whole
// road of use on the demo page, with real input: the pick, the type .jpg, the
// folder from the system's folder browser, the run. At the end the calling
// script (scripts/run) takes a picture of the window, as PictureRequest.h
// says, and the driver prints the list and the run's figures as they stand
// after it: the files in SAVE and the image lines left without a mark. The
// window's end-of-run label says them too; where it says otherwise, that is
// a fault of the program's, and the driver tells it, one line more:
//
//   list: LINE        once for each line of the download list after the run
//   saved N
//   failed M
//   the label disagrees: N saved, M unmarked
//
// A step that fails prints "FAILED at STEP: what" and the driver exits with 1.
//
//   DemoDriver.exe GALLERY URL SAVE SHOTS
//     GALLERY  the folder with the page's markup (index.htm) and its pictures
//     URL      the page's address
//     SAVE     the folder the images go into, without its final "\"
//     SHOTS    the folder where the script answers picture requests
#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FakePageProcess.h"
#include "FolderBrowser.h"
#include "PictureRequest.h"
#include "PixorraProcess.h"
#include "TemporaryFile.h"

namespace {

using testsupport::Children;
using testsupport::ClassName;

std::string Narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], size, nullptr, nullptr);
  narrow.resize(narrow.size() - 1);
  return narrow;
}

void Print(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], size, nullptr, nullptr);
  std::printf("%s\n", utf8.c_str());
  std::fflush(stdout);
}

bool Failed(const std::wstring& step, const std::wstring& what) {
  Print(L"FAILED at " + step + L": " + what);
  return false;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstringstream stream(text);
  for (std::wstring line; std::getline(stream, line, L'\n');) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string ReadFile(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

// The label in the panel that says how the run went, once it says so.
std::wstring EndOfRunText(HWND main) {
  for (HWND child : Children(main)) {
    for (HWND control : Children(child)) {
      if (ClassName(control) != L"Static") continue;
      const std::wstring text = PixorraProcess::Text(control);
      for (const wchar_t* start : {L"下载结束：", L"下载完成：", L"下载已停止："}) {
        if (text.rfind(start, 0) == 0) return text;
      }
    }
  }
  return std::wstring();
}

// The number that follows `before` in the label, or that precedes `after`;
// 0 where the label does not say it.
unsigned long NumberAfter(const std::wstring& text, const std::wstring& before) {
  const std::size_t at = text.find(before);
  return at == std::wstring::npos ? 0 : std::wcstoul(text.c_str() + at + before.size(), nullptr, 10);
}

unsigned long NumberBefore(const std::wstring& text, const std::wstring& after) {
  const std::size_t end = text.find(after);
  if (end == std::wstring::npos || end == 0) return 0;
  return std::wcstoul(text.c_str() + text.find_last_not_of(L"0123456789", end - 1) + 1, nullptr, 10);
}

bool RunDemo(const std::wstring& gallery, const std::wstring& url, const std::wstring& save,
             const std::wstring& shots) {
  const std::string markup = ReadFile(gallery + L"\\index.htm");
  if (markup.empty()) return Failed(L"the start", L"no markup in " + gallery);
  FakePageProcess page(markup, url,
                       {L"--pictures", gallery, L"--caption", L"演示页 " + url, L"--bounds", L"480,0,720,520",
                        L"--lifetime-ms", L"0"});
  if (!page.PageWindow()) return Failed(L"the start", L"the demo page did not start");
  PixorraProcess pixorra;
  if (!pixorra.MainWindow()) return Failed(L"the start", L"Pixorra did not start");
  // The first moves of a fresh driver can be undone by the X pointer's own position.
  for (int i = 0; i < 3; ++i) {
    MoveMouse(300 + i, 700);
    Sleep(200);
  }

  // 1. The pick.
  if (!pixorra.PickPage(page.PageWindow())) return Failed(L"step 1, the pick", L"no images collected from the page");
  Print(L"1. picked the demo page");

  // 2. The type. The page has the foreground now: the first click brings Pixorra back.
  HWND list = pixorra.DownloadList();
  HWND selector = pixorra.TypeSelector();
  if (!ClickToFocus(list) || !ClickToFocus(selector, -50)) {
    return Failed(L"step 2, the type", L"the type box took no focus");
  }
  TypeText(L".jpg");
  std::wstring listed;
  const bool settled = WaitFor(
      [&] {
        const std::wstring now = PixorraProcess::Text(list);
        const bool same = !now.empty() && now == listed;
        listed = now;
        return same && PixorraProcess::Text(selector) == L".jpg";
      },
      10000);
  if (!settled) return Failed(L"step 2, the type", L"no .jpg addresses listed");
  // The URL cache outlasts a run: an earlier run's entry would be copied without a transfer.
  for (const std::wstring& address : Lines(listed)) {
    if (!address.empty()) DeleteUrlCacheEntryW(address.c_str());
  }
  Print(L"2. chose .jpg");

  // 3. The folder, from the system's folder browser.
  HWND savePath = pixorra.ControlWithText(L"Button", L"保存路径");
  if (!savePath) return Failed(L"step 3, the folder", L"no save folder button");
  PostMessageW(savePath, BM_CLICK, 0, 0);
  if (!ChooseFolderInBrowser(pixorra.Process(), save, 20000)) {
    return Failed(L"step 3, the folder", L"the folder browser did not take it");
  }
  if (!WaitFor([&] { return PixorraProcess::Text(pixorra.SavePathLabel()) == save + L"\\"; }, 10000)) {
    return Failed(L"step 3, the folder", L"the browser's choice did not arrive");
  }
  Print(L"3. chose the folder " + save + L"\\");

  // 4. The run, until the window says how it went.
  HWND download = pixorra.ControlWithText(L"Button", L"下载图片");
  if (!download) return Failed(L"step 4, the run", L"no download button");
  MoveMouse(1180, 980);  // no hot button and no hint in the picture
  PostMessageW(download, BM_CLICK, 0, 0);
  std::wstring end;
  if (!WaitFor([&] { return !(end = EndOfRunText(pixorra.MainWindow())).empty(); }, 120000)) {
    return Failed(L"step 4, the run", L"it did not end: " + PixorraProcess::Text(list));
  }
  Print(L"4. " + end);
  Sleep(1000);  // whatever the window shows at the end, painted
  const std::wstring failure = TakePicture(shots, L"pixorra", pixorra.MainWindow());
  if (!failure.empty()) return Failed(L"the picture", failure);

  std::size_t unmarked = 0;
  for (const std::wstring& line : Lines(PixorraProcess::Text(list))) {
    Print(L"list: " + line);
    unmarked += !line.empty() && line[0] != L'$' && line[0] != L'-';
  }
  const std::size_t files = testsupport::FilesIn(Narrow(save) + "\\").size();
  Print(L"saved " + std::to_wstring(files));
  Print(L"failed " + std::to_wstring(unmarked));
  // The label counts the lines that failed and those left for another reason apart.
  const unsigned long labelSaved = NumberAfter(end, L"已保存 ");
  const unsigned long labelUnmarked = NumberBefore(end, L" 行失败") + NumberBefore(end, L" 行未下载");
  if (labelSaved != files || labelUnmarked != unmarked) {
    Print(L"the label disagrees: " + std::to_wstring(labelSaved) + L" saved, " + std::to_wstring(labelUnmarked) +
          L" unmarked");
  }
  if (!pixorra.Close(10000)) return Failed(L"the end", L"Pixorra did not close");
  page.Finish();
  return true;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::vector<std::wstring> arguments(argv, argv + argc);
  LocalFree(argv);
  if (arguments.size() != 5) {
    std::fprintf(stderr, "usage: DemoDriver GALLERY URL SAVE SHOTS\n");
    return 2;
  }
  return RunDemo(arguments[1], arguments[2], arguments[3], arguments[4]) ? 0 : 1;
}
