// The README's pictures, from a real run: the real Pixorra.exe picks the
// stand-in page, downloads its images from the test server, and the calling
// script (scripts/screenshots) takes the window off the display once while a
// slow image is part-way and once after the run. Not a test: it checks only
// what it must to know that a picture shows what its caption says.
//
//   ScreenshotDriver.exe FOLDER           the run: screenshot-run, screenshot-done
//   ScreenshotDriver.exe FOLDER --idle    the window as it opens: screenshot-idle
//
// It asks for each picture as PictureRequest.h says.
#include "TestHttpServer.h"  // winsock2.h before windows.h

#include <commctrl.h>
#include <wininet.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "FakePageProcess.h"
#include "FolderBrowser.h"
#include "PictureRequest.h"
#include "PixorraProcess.h"

namespace {

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

void Say(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], size, nullptr, nullptr);
  std::printf("screenshots: %s\n", utf8.c_str());
  std::fflush(stdout);
}

bool Failed(const std::wstring& what) {
  Say(L"FAILED: " + what);
  return false;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(L"\r\n", at);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

int MarkedLines(HWND list) {
  int marked = 0;
  for (const std::wstring& line : Lines(PixorraProcess::Text(list))) marked += !line.empty() && line[0] == L'-';
  return marked;
}

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// A folder the run saves into: emptied when made, so that no earlier run's
// files decide a name, and removed with what the run put there.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::wstring path) : path_(std::move(path)) {
    Empty();
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    Empty();
    RemoveDirectoryW(path_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::wstring& Path() const { return path_; }  // without the final "\"

 private:
  void Empty() const {
    WIN32_FIND_DATAW found;
    const FindHandle search(FindFirstFileW((path_ + L"\\*").c_str(), &found));
    if (!search.Valid()) return;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search.Get(), &found));
  }

  std::wstring path_;
};

bool TakePictureOf(const std::wstring& folder, const std::wstring& name, HWND window) {
  const std::wstring failure = TakePicture(folder, name, window);
  if (!failure.empty()) return Failed(failure);
  Say(L"took " + name);
  return true;
}

// The bar's position as a share of its range, in percent; -1 while it has none.
int BarPercent(HWND bar) {
  DWORD_PTR position = 0, limit = 0;
  if (!SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &position) ||
      !SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 2000, &limit) || limit == 0) {
    return -1;
  }
  return static_cast<int>(position * 100 / limit);
}

// A click on the start of a line of the list, then Home; true once the caret
// stands there. Wine's mouse now and then loses a click.
bool PutCaretAtLine(HWND list, std::size_t line) {
  DWORD_PTR start = 0, corner = 0;
  if (!SendMessageTimeoutW(list, EM_LINEINDEX, line, 0, SMTO_ABORTIFHUNG, 2000, &start) ||
      !SendMessageTimeoutW(list, EM_POSFROMCHAR, start, 0, SMTO_ABORTIFHUNG, 2000, &corner)) {
    return false;
  }
  POINT at = {static_cast<short>(LOWORD(corner)) + 2, static_cast<short>(HIWORD(corner)) + 6};
  ClientToScreen(list, &at);
  for (int attempt = 0; attempt < 3; ++attempt) {
    ClickAt(at.x, at.y);
    PressKey(VK_HOME);
    const bool there = WaitFor(
        [&] {
          DWORD_PTR selection = 0;
          return SendMessageTimeoutW(list, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selection) &&
                 LOWORD(selection) == start && HIWORD(selection) == start;
        },
        2000);
    if (there) return true;
  }
  return false;
}

// Keeps the pointer off the window: no hot button and no hint in a picture.
void PointerAway() { MoveMouse(1180, 980); }

struct GalleryImage {
  const char* name;
  enum Kind { Whole, Slow, Missing, ServerError } kind;
};

// The order of the download list. The slow one comes after a few quick ones,
// so that the first picture has lines marked above the bar; one failure
// stands among those, the other below. The last line is a good one: once it
// is marked, the run is over.
const GalleryImage kGallery[] = {
    {"sunrise.jpg", GalleryImage::Whole},       {"harbour.jpg", GalleryImage::Whole},
    {"lighthouse.jpg", GalleryImage::Missing},  {"dunes.jpg", GalleryImage::Whole},
    {"panorama.jpg", GalleryImage::Slow},       {"pier.jpg", GalleryImage::Whole},
    {"night-market.jpg", GalleryImage::Whole},  {"old-town.jpg", GalleryImage::ServerError},
    {"bridge.jpg", GalleryImage::Whole},        {"moon.jpg", GalleryImage::Whole},
};
constexpr std::size_t kFirstBelowTypedFolder = 6;  // night-market.jpg: the typed folder line goes above it

bool MakeRunPictures(const std::wstring& shots) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  // Made before the programs start, so that both have ended before they go.
  const ScratchFolder saved(std::wstring(temp) + L"风景照片");
  const ScratchFolder night(saved.Path() + L"\\夜景");

  TestHttpServer server;
  const std::string origin = server.Origin() + "/gallery/";
  std::string markup = "<html><head><title>Gallery</title></head><body><img src=\"logo.gif\">";
  int seed = 1, wholeImages = 0;
  for (const GalleryImage& image : kGallery) {
    const std::string path = std::string("/gallery/") + image.name;
    TestHttpAnswer answer;
    switch (image.kind) {
      case GalleryImage::Whole:
        answer.body = ImageBytes(seed, 20000 + 3000 * seed);
        break;
      case GalleryImage::Slow:
        // About eight seconds: the bar stands part-way for most of them.
        answer = Trickled(ImageBytes(seed, 1 << 20), 500, 64 << 10);
        break;
      case GalleryImage::ServerError:
        answer.status = 500;
        answer.body = "<html>server error</html>";
        break;
      case GalleryImage::Missing:
        break;  // the server answers 404 for what it does not serve
    }
    ++seed;
    wholeImages += answer.status == 200 && image.kind != GalleryImage::Missing;
    if (image.kind != GalleryImage::Missing) {
      if (answer.status == 200) answer.contentType = "image/jpeg";
      server.Serve(path, answer);
    }
    // The URL cache outlasts a run: a hit from an earlier one would skip the transfer.
    DeleteUrlCacheEntryA((origin + image.name).c_str());
    markup += seed % 3 == 0 ? std::string("<p><img src=") + image.name + " alt=photo></p>"
                            : std::string("<img src=\"") + image.name + "\">";
  }
  markup += "<table background=\"paper.png\"><tr><td>Gallery</td></tr></table></body></html>";

  FakePageProcess page(markup, Wide(origin) + L"index.htm");
  if (!page.PageWindow()) return Failed(L"the stand-in page did not start");
  PixorraProcess pixorra;
  if (!pixorra.MainWindow()) return Failed(L"Pixorra did not start");
  // The first moves of a fresh driver can be undone by the X pointer's own position.
  for (int i = 0; i < 3; ++i) {
    MoveMouse(300 + i, 700);
    Sleep(200);
  }

  // 1. The pick: press and release on the label, then a click on the page.
  if (!pixorra.PickPage(page.PageWindow())) return Failed(L"the pick");
  Say(L"picked " + std::to_wstring(Lines(PixorraProcess::Text(pixorra.CollectedList())).size()) + L" lines");

  // Room for the whole list, and the page out from under the window.
  const RECT frame = pixorra.Frame();
  SetWindowPos(pixorra.MainWindow(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + 50,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(GetAncestor(page.PageWindow(), GA_ROOT), nullptr, 760, 600, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  // 2. The type: the page's .jpg images come into the list. The page has the
  // foreground now: the first click brings Pixorra back.
  HWND list = pixorra.DownloadList();
  HWND selector = pixorra.TypeSelector();
  if (!ClickToFocus(list) || !ClickToFocus(selector, -50)) return Failed(L"the type box took no focus");
  TypeText(L".jpg");
  if (!WaitFor([&] { return Lines(PixorraProcess::Text(list)).size() == std::size(kGallery); }, 5000)) {
    return Failed(L"the list after .jpg: " + PixorraProcess::Text(list));
  }

  // 3. The save folder, from the system's folder browser: its line goes on top.
  HWND savePath = pixorra.ControlWithText(L"Button", L"保存路径");
  if (!savePath) return Failed(L"no save folder button");
  PostMessageW(savePath, BM_CLICK, 0, 0);
  if (!ChooseFolderInBrowser(pixorra.Process(), saved.Path(), 20000)) return Failed(L"the folder browser");
  if (!WaitFor([&] { return PixorraProcess::Text(pixorra.SavePathLabel()) == saved.Path() + L"\\"; }, 10000)) {
    return Failed(L"the folder browser's choice did not arrive");
  }

  // 4. A folder line typed by hand above the last images: a click on the
  // line, Home, the folder and Enter.
  if (!ClickToFocus(list)) return Failed(L"the list took no focus");
  const std::vector<std::wstring> before = Lines(PixorraProcess::Text(list));
  const std::wstring below = Wide(origin + kGallery[kFirstBelowTypedFolder].name);
  std::size_t line = 0;
  while (line < before.size() && before[line] != below) ++line;
  if (!PutCaretAtLine(list, line)) return Failed(L"the caret did not reach its line");
  TypeText(L"$" + night.Path());
  PressKey(VK_RETURN);
  // The folder goes in with a line break on each side, at the top: an empty first line.
  std::wstring expected = L"\r\n$" + saved.Path() + L"\\\r\n";
  for (std::size_t i = 0; i < std::size(kGallery); ++i) {
    if (i == kFirstBelowTypedFolder) expected += L"$" + night.Path() + L"\r\n";
    expected += Wide(origin + kGallery[i].name) + L"\r\n";
  }
  if (!WaitFor([&] { return PixorraProcess::Text(list) == expected; }, 5000)) {
    return Failed(L"the list before the run: " + PixorraProcess::Text(list));
  }

  // 5. The run. Its controls are found before it starts: while a transfer
  // is under way, every message sent to the program may wait.
  HWND download = pixorra.ControlWithText(L"Button", L"下载图片");
  HWND bar = pixorra.ProgressBar();
  if (!download || !bar) return Failed(L"no download button or bar");
  PointerAway();
  PostMessageW(download, BM_CLICK, 0, 0);
  const std::string slowPath = "/gallery/panorama.jpg";
  int percent = -1;
  const bool partWay = WaitFor(
      [&] {
        if (server.Requests(slowPath) == 0 || MarkedLines(list) < 3) return false;
        percent = BarPercent(bar);
        return percent >= 30 && percent <= 60;
      },
      30000);
  if (!partWay) return Failed(L"the slow image's bar never stood part-way");
  Sleep(200);  // the bar's last step painted
  Say(L"the bar at " + std::to_wstring(percent) + L"%");
  if (!TakePictureOf(shots, L"screenshot-run", pixorra.MainWindow())) return false;

  // 6. The end of the run: every whole image marked, the last line among them.
  if (!WaitFor([&] { return MarkedLines(list) == wholeImages; }, 60000)) {
    return Failed(L"the run did not end: " + PixorraProcess::Text(list));
  }
  Sleep(1500);  // whatever the window shows at the end, painted
  if (!TakePictureOf(shots, L"screenshot-done", pixorra.MainWindow())) return false;

  if (!pixorra.Close(10000)) return Failed(L"Pixorra did not close");
  page.Finish();
  return true;
}

bool MakeIdlePicture(const std::wstring& shots) {
  PixorraProcess pixorra;
  if (!pixorra.MainWindow()) return Failed(L"Pixorra did not start");
  PointerAway();
  Sleep(1500);  // painted
  if (!TakePictureOf(shots, L"screenshot-idle", pixorra.MainWindow())) return false;
  return pixorra.Close(10000) || Failed(L"Pixorra did not close");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ScreenshotDriver FOLDER [--idle]\n");
    return 2;
  }
  const std::wstring shots = Wide(argv[1]);
  const bool idle = argc > 2 && std::string(argv[2]) == "--idle";
  return (idle ? MakeIdlePicture(shots) : MakeRunPictures(shots)) ? 0 : 1;
}
