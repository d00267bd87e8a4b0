// The real Pixorra.exe under Wine, driven from outside as a user would. Each
// figure is a ratio against a floor measured in the same run: absolute times
// differ by more than half between machines of the same kind, and with other
// work on the machine from one minute to the next, while ratios carry over.
// Absolute times are printed only beside their ratios.
//  - Picks of stand-in pages of 0.1, 5 and 20 MB (about one image tag per 400
//    bytes), and of a dense 4 MB page of 200,000 distinct images (one tag
//    every 20 bytes), each beside PickFloor.exe: the least a pick must do
//    (read, conversion, each list's lines in one insert, and again in slices
//    of Pixorra's size), on a page process of its own with the same markup,
//    driven and timed the same way.
//  - The same 5 MB page picked five times without clearing, beside the first.
//  - A download run of small images, and one of a 100 MB image, beside a bare
//    loop of URLDownloadToCacheFileA and CopyFileA, in this process, over as
//    many fresh addresses of the same server.
//  - The download walk over 10,000 and 40,000 done lines before one image
//    line, beside the same image line alone.
//  - Pixorra's peak working set for a 20 MB pick and for a 100 MB image,
//    beside the page's or the file's size.
// Each time but the repeated picks' is the least of a few rounds in which the
// sides take turns in opposite order: the least disturbed run of each side is
// the best estimate of its own cost. The repeated picks run once, in one
// Pixorra, each against the first; peak memory is the most of any round.
// Runs from the tests' folder of the Windows build: it uses the tests' page
// stand-in, server and driver, and PickFloor.exe beside them.
//
//   ExeBenchmark.exe [ROUNDS [PART...]]   (PART: picks repeated downloads walk)
#include "TestHttpServer.h"  // winsock2.h before windows.h

#include <psapi.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ComHolders.h"
#include "ExeFolder.h"
#include "FakePageProcess.h"
#include "PixorraProcess.h"
#include "Stopwatch.h"
#include "TemporaryFile.h"

namespace {

constexpr double kBytesPerMegabyte = 1e6;
const wchar_t kPageAddress[] = L"http://host.example/gallery/index.htm";
const std::vector<std::wstring> kLongLivedPage = {L"--lifetime-ms", L"300000"};
constexpr DWORD kPickTimeoutMilliseconds = 120000;
constexpr int kSmallImages = 200;
constexpr int kSmallImagePairs = 6;  // at least, whatever the rounds
// Pixorra's slice of lines per insert into a list.
constexpr int kLinesPerSlice = 4000;
const double kLargeImageMegabytes = 100;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Tells this run's addresses and folders from every earlier run's: the URL
// cache outlives the run.
const std::string& RunTag() {
  static const std::string tag = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
  return tag;
}

double PeakMegabytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!process || !GetProcessMemoryInfo(process, &counters, sizeof(counters))) return -1;
  return static_cast<double>(counters.PeakWorkingSetSize) / kBytesPerMegabyte;
}

int LineCount(HWND list) { return static_cast<int>(SendMessageW(list, EM_GETLINECOUNT, 0, 0)); }

// ---- the stand-in page and the floor of a pick ------------------------------

// A stand-in page and the lines that a pick of it adds with ".gif" chosen.
struct StandInPage {
  std::string markup;
  std::string collectedLines;  // every image, for the Collected list
  std::string gifLines;        // the ".gif" ones, for the download list
};

StandInPage Page(double megabytes) {
  const std::string filler(360, 'x');
  StandInPage page;
  page.markup = "<html><body>";
  for (int i = 0; page.markup.size() < megabytes * kBytesPerMegabyte; ++i) {
    const std::string name = "/img/" + std::to_string(i) + (i % 2 ? ".png" : ".gif");
    page.markup += "<p>" + filler + "</p><img src=\"" + name + "\">";
    const std::string line = "http://host.example" + name + "\r\n";
    page.collectedLines += line;
    if (i % 2 == 0) page.gifLines += line;
  }
  page.markup += "</body></html>";
  return page;
}

// A page that is nothing but distinct images, one tag every 20 bytes: the
// lists' appends and whatever the program does per line weigh most here.
constexpr int kDenseImages = 200000;
constexpr double kDenseTagBytes = 20;  // "<img src=000123.gif>"

StandInPage DensePage() {
  StandInPage page;
  page.markup = "<html><body>";
  page.markup.reserve(static_cast<std::size_t>(kDenseImages * kDenseTagBytes) + 32);
  page.collectedLines.reserve(kDenseImages * 40);
  char tag[32];
  for (int i = 0; i < kDenseImages; ++i) {
    std::snprintf(tag, sizeof tag, "%06d.gif", i);
    page.markup += std::string("<img src=") + tag + ">";
    // Relative to the page's folder.
    page.collectedLines += std::string("http://host.example/gallery/") + tag + "\r\n";
  }
  page.markup += "</body></html>";
  page.gifLines = page.collectedLines;
  return page;
}

// What PickFloor.exe tells in its caption after its pick.
struct FloorReport {
  long long converted = 0;  // bytes of markup in the code page; 0: the read failed
  double readMilliseconds = -1;
  double insertMilliseconds = -1;
};

// PickFloor.exe, started and armed: its window off-screen, holding the
// capture, the lines it will insert read already. `linesPerInsert` 0 puts
// each list's lines in with one insert.
class PickFloorProcess {
 public:
  PickFloorProcess(const std::string& collectedLines, const std::string& downloadLines, int linesPerInsert)
      : collected_(collectedLines), download_(downloadLines) {
    using testsupport::Quoted;
    if (!process_.Start(Quoted(testsupport::ExeFolder() + L"PickFloor.exe") + L" " + Quoted(collected_.Path()) +
                        L" " + Quoted(download_.Path()) + L" " + std::to_wstring(linesPerInsert))) {
      return;
    }
    WaitFor(
        [this] {
          window_ = WindowOfProcess(process_.Id());
          return window_ && Frame().left == GetSystemMetrics(SM_CXSCREEN) + 100;
        },
        20000);
  }
  HWND Window() const { return window_; }
  HANDLE Process() const { return process_.Handle(); }
  RECT Frame() const {
    RECT frame = {};
    GetWindowRect(window_, &frame);
    return frame;
  }
  FloorReport Report() const {
    wchar_t caption[128] = {};
    GetWindowTextW(window_, caption, 128);
    FloorReport report;
    if (swscanf(caption, L"converted %lld read %lf insert %lf", &report.converted, &report.readMilliseconds,
                &report.insertMilliseconds) != 3) {
      report = FloorReport();
    }
    return report;
  }
  int Lines(bool collected) const {
    HWND edit = FindWindowExW(window_, nullptr, L"Edit", nullptr);
    // The visible list is made first.
    if (collected && edit) edit = FindWindowExW(window_, edit, L"Edit", nullptr);
    return edit ? LineCount(edit) : 0;
  }
  bool Close(DWORD milliseconds) {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return process_.WaitForExit(milliseconds);
  }

 private:
  static HWND WindowOfProcess(DWORD processId) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"PixorraPickFloor", nullptr); window;
         window = FindWindowExW(nullptr, window, L"PixorraPickFloor", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == processId) return window;
    }
    return nullptr;
  }

  // PickFloor.exe reads the files as it starts; they go after it has ended.
  testsupport::TemporaryFile collected_;
  testsupport::TemporaryFile download_;
  testsupport::ChildProcess process_;
  HWND window_ = nullptr;
};

// One pick of `page`, from the click on the page until the window is back;
// negative when the window did not come back.
double Pick(PixorraProcess& pixorra, FakePageProcess& page) {
  const POINT label = CentreOf(pixorra.ControlWithText(L"Static", L"点我获取"));
  // Wine's mouse now and then loses a click on the way, and a pick that never
  // armed would come back at once with nothing read: the label is clicked
  // again until the window has gone off-screen.
  bool armed = false;
  for (int attempt = 0; attempt < 3 && !armed; ++attempt) {
    ClickAt(label.x, label.y);
    armed = WaitFor([&] { return pixorra.Frame().left == GetSystemMetrics(SM_CXSCREEN) + 100; }, 5000);
  }
  if (!armed) return -1;
  const POINT onPage = CentreOf(page.PageWindow());
  bool back = false;
  const double ms = Milliseconds([&] {
    ClickOnAnotherApplication(pixorra.MainWindow(), page.PageWindow(), onPage.x, onPage.y);
    back = WaitFor([&] { return pixorra.Frame().left == 0; }, kPickTimeoutMilliseconds);
  });
  return back ? ms : -1;
}

// The floor's pick, driven and timed as Pixorra's is.
double Pick(PickFloorProcess& floor, FakePageProcess& page) {
  const POINT onPage = CentreOf(page.PageWindow());
  bool back = false;
  const double ms = Milliseconds([&] {
    ClickOnAnotherApplication(floor.Window(), page.PageWindow(), onPage.x, onPage.y);
    back = WaitFor([&] { return floor.Frame().left == 0; }, kPickTimeoutMilliseconds);
  });
  return back ? ms : -1;
}

void ChooseGif(PixorraProcess& pixorra) {
  ClickToFocus(pixorra.TypeSelector(), -50);
  TypeText(L".gif");
  WaitFor([&] { return PixorraProcess::Text(pixorra.TypeSelector()) == L".gif"; }, 5000);
}

// ---- downloads ----------------------------------------------------------------

// A new folder under the temporary folder, emptied and removed with the holder.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static int folders = 0;
    path_ = std::string(temp) + "pixorra-bench-" + name + "-" + RunTag() + "-" + std::to_string(++folders) + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    for (const std::string& file : Files()) DeleteFileA((path_ + file).c_str());
    RemoveDirectoryA(path_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
  }

 private:
  std::string path_;
};

// The addresses this run put into the URL cache, forgotten again at the end:
// a 100 MB entry per run would pile up in the Wine prefix.
class CacheEntries {
 public:
  CacheEntries() = default;
  ~CacheEntries() {
    for (const std::string& address : addresses_) DeleteUrlCacheEntryA(address.c_str());
  }
  CacheEntries(const CacheEntries&) = delete;
  CacheEntries& operator=(const CacheEntries&) = delete;

  void Add(const std::string& address) { addresses_.push_back(address); }

 private:
  std::vector<std::string> addresses_;
};

std::string ImageBody(std::size_t size) { return "GIF89a" + std::string(size - 6, 'w'); }

// `count` images served under a folder of their own, so that each address is
// new to the URL cache whoever fetches it.
std::vector<std::string> FreshImages(TestHttpServer& server, CacheEntries& entries, const std::string& who, int count,
                                     const std::string& body) {
  static int batches = 0;
  const std::string folder = "/" + who + "-" + RunTag() + "-" + std::to_string(++batches) + "/";
  TestHttpAnswer image;
  image.body = body;
  std::vector<std::string> addresses;
  for (int i = 0; i < count; ++i) {
    const std::string path = folder + std::to_string(i) + ".gif";
    server.Serve(path, image);
    addresses.push_back(server.Origin() + path);
    entries.Add(addresses.back());
  }
  return addresses;
}

// The least a download of each image must do: the URL cache's download and
// the copy of the cached file into the folder.
double BareLoop(const std::vector<std::string>& addresses, const std::string& folder, int& failures) {
  failures = 0;
  return Milliseconds([&] {
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      char cached[MAX_PATH] = {};
      if (FAILED(URLDownloadToCacheFileA(nullptr, addresses[i].c_str(), cached, MAX_PATH, 0, nullptr)) ||
          !CopyFileA(cached, (folder + std::to_string(i) + ".gif").c_str(), FALSE)) {
        ++failures;
      }
    }
  });
}

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

struct ProgramRun {
  double ms = -1;  // negative: not every line was marked in time
  double peakMegabytes = -1;
  double peakBeforeMegabytes = -1;  // with the list in, before the click
};

// A new Pixorra with `list` in its download list and `folder` as its save
// folder (put into the hidden label, where the folder browser leaves it):
// the time from the click on 下载图片 until `marks` more lines are marked.
ProgramRun RunDownloadList(const std::string& list, int marks, const std::string& folder, DWORD milliseconds) {
  ProgramRun run;
  PixorraProcess pixorra;
  SendMessageW(pixorra.SavePathLabel(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(folder).c_str()));
  HWND memo = pixorra.DownloadList();
  PasteInto(memo, Wide(list));
  const LRESULT length = SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0);
  HWND button = pixorra.ControlWithText(L"Button", L"下载图片");
  run.peakBeforeMegabytes = PeakMegabytes(pixorra.Process());
  bool marked = false;
  const double ms = Milliseconds([&] {
    PostMessageW(button, BM_CLICK, 0, 0);
    // Marking a line adds its "-".
    marked = WaitFor([&] { return SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0) == length + marks; }, milliseconds);
  });
  if (marked) run.ms = ms;
  run.peakMegabytes = PeakMegabytes(pixorra.Process());
  pixorra.Close(10000);
  return run;
}

// The walk over `done` done lines to one image line, until that line is marked.
ProgramRun Walk(TestHttpServer& server, CacheEntries& entries, int done) {
  std::string list;
  for (int i = 0; i < done; ++i) list += "-http://host.example/done/" + std::to_string(i) + ".gif\r\n";
  list += FreshImages(server, entries, "walk" + std::to_string(done), 1, ImageBody(4000)).front() + "\r\n";
  ScratchFolder folder("walk");
  return RunDownloadList(list, 1, folder.Path(), 120000);
}

double Ratio(double value, double floor) { return value > 0 && floor > 0 ? value / floor : -1; }

// The least of the figures that came, negative ones (no figure) aside: with
// other work on the machine, each side's least disturbed run is the best
// estimate of its own cost.
void KeepLeast(double& least, double ms) {
  if (ms > 0 && (least < 0 || ms < least)) least = ms;
}

struct PickResult {
  double ms = -1;  // negative: the window did not come back, or the floor read nothing
  int collectedLines = 0;
  int downloadLines = 0;
  double peakMegabytes = -1;
  FloorReport report;  // the floor's only
};

void KeepLeast(PickResult& least, const PickResult& result) {
  const double peak = (std::max)(least.peakMegabytes, result.peakMegabytes);
  if (result.ms > 0 && (least.ms < 0 || result.ms < least.ms)) least = result;
  least.peakMegabytes = peak;
}

// Each side reads a page process of its own: none finds proxies, or stubs
// of elements, that another made already (each page exports its document
// itself at its start).
PickResult PixorraPick(const StandInPage& content) {
  PickResult result;
  FakePageProcess page(content.markup, kPageAddress, kLongLivedPage);
  PixorraProcess pixorra;
  ChooseGif(pixorra);
  result.ms = Pick(pixorra, page);
  result.collectedLines = LineCount(pixorra.CollectedList());
  result.downloadLines = LineCount(pixorra.DownloadList());
  result.peakMegabytes = PeakMegabytes(pixorra.Process());
  // A pick that added fewer lines than the page holds images is no figure.
  const long images = static_cast<long>(std::count(content.collectedLines.begin(), content.collectedLines.end(), '\n'));
  if (result.collectedLines < images) result.ms = -1;
  pixorra.Close(30000);
  page.Finish();
  return result;
}

PickResult FloorPick(const StandInPage& content, int linesPerInsert) {
  PickResult result;
  FakePageProcess page(content.markup, kPageAddress, kLongLivedPage);
  PickFloorProcess floor(content.collectedLines, content.gifLines, linesPerInsert);
  result.ms = Pick(floor, page);
  result.report = floor.Report();
  // A floor that read nothing would flatter the program: no figure.
  if (result.report.converted < static_cast<long long>(content.markup.size())) result.ms = -1;
  result.collectedLines = floor.Lines(true);
  result.downloadLines = floor.Lines(false);
  result.peakMegabytes = PeakMegabytes(floor.Process());
  floor.Close(30000);
  page.Finish();
  return result;
}

// ---- the sections of the report ------------------------------------------------

// The peak working sets that the sections leave for the last one.
struct PeakMemory {
  double started = -1;    // Pixorra with one line in its list
  double largePick = -1;  // Pixorra after the largest pick
  double largePickFloor = -1;
  double largeImage = -1;  // Pixorra after the large image's run
};

const double kPageMegabytes[] = {0.1, 5, 20};
constexpr int kPageSizes = sizeof(kPageMegabytes) / sizeof(kPageMegabytes[0]);
constexpr int kLargestPage = kPageSizes - 1;
// The picks' rows: the stand-in pages by size, then the dense page, which
// stays out of the growth per MB.
constexpr int kPickedPages = kPageSizes + 1;
constexpr int kDensePage = kPageSizes;

StandInPage PickedPage(int i) { return i == kDensePage ? DensePage() : Page(kPageMegabytes[i]); }

std::string PickedPageName(int i) {
  char name[32];
  if (i == kDensePage) {
    std::snprintf(name, sizeof name, "%.1f dense", kDenseImages * kDenseTagBytes / kBytesPerMegabyte);
  } else {
    std::snprintf(name, sizeof name, "%.1f", kPageMegabytes[i]);
  }
  return name;
}

void ReportPicks(int rounds, PeakMemory& memory) {
  std::printf(
      "Picks: from the click on the page until the window is back, beside PickFloor.exe on a page\n"
      "process of its own with the same markup. The floor reads, converts and inserts each list's\n"
      "lines in one insert; the sliced floor inserts them %d lines at a time, as Pixorra does.\n"
      "The dense page holds %d distinct images, one tag every 20 bytes.\n",
      kLinesPerSlice, kDenseImages);
  PickResult program[kPickedPages], floor[kPickedPages], sliced[kPickedPages];
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < kPickedPages; ++i) {
      const StandInPage content = PickedPage(i);
      if (round % 2 == 0) {
        KeepLeast(program[i], PixorraPick(content));
        KeepLeast(floor[i], FloorPick(content, 0));
        KeepLeast(sliced[i], FloorPick(content, kLinesPerSlice));
      } else {
        KeepLeast(sliced[i], FloorPick(content, kLinesPerSlice));
        KeepLeast(floor[i], FloorPick(content, 0));
        KeepLeast(program[i], PixorraPick(content));
      }
    }
  }
  std::printf("%-10s %11s %13s %9s %9s %11s %17s\n", "page MB", "pick/floor", "pick/sliced", "pick ms", "floor ms",
              "sliced ms", "floor's inserts");
  for (int i = 0; i < kPickedPages; ++i) {
    const FloorReport& report = floor[i].report;
    const double insertShare = Ratio(report.insertMilliseconds, report.readMilliseconds + report.insertMilliseconds);
    std::printf("%-10s %11.2f %13.2f %9.0f %9.0f %11.0f %13.0f%% of it\n", PickedPageName(i).c_str(),
                Ratio(program[i].ms, floor[i].ms), Ratio(program[i].ms, sliced[i].ms), program[i].ms, floor[i].ms,
                sliced[i].ms, insertShare * 100);
  }
  const PickResult& small = program[0];
  const PickResult& large = program[kLargestPage];
  const double megabytes = kPageMegabytes[kLargestPage] - kPageMegabytes[0];
  const double floorGrowth = floor[kLargestPage].ms - floor[0].ms;
  const double slicedGrowth = sliced[kLargestPage].ms - sliced[0].ms;
  std::printf(
      "growth from %.1f to %.0f MB (the extra time per MB): pick/floor %.2f, pick/sliced %.2f\n"
      "  (pick %.0f ms, floor %.0f ms, sliced floor %.0f ms per MB)\n",
      kPageMegabytes[0], kPageMegabytes[kLargestPage], Ratio(large.ms - small.ms, floorGrowth),
      Ratio(large.ms - small.ms, slicedGrowth), (large.ms - small.ms) / megabytes, floorGrowth / megabytes,
      slicedGrowth / megabytes);
  std::printf("lines in the Collected / download lists after the pick:\n");
  for (int i = 0; i < kPickedPages; ++i) {
    std::printf("  %10s MB: Pixorra %d / %d, PickFloor %d / %d\n", PickedPageName(i).c_str(), program[i].collectedLines,
                program[i].downloadLines, floor[i].collectedLines, floor[i].downloadLines);
  }
  memory.largePick = large.peakMegabytes;
  memory.largePickFloor = floor[kLargestPage].peakMegabytes;
}

void ReportRepeatedPicks() {
  std::printf("\nThe same 5 MB page picked five times without clearing, beside the first pick\n");
  FakePageProcess page(Page(5).markup, kPageAddress, kLongLivedPage);
  PixorraProcess pixorra;
  ChooseGif(pixorra);
  double first = 0;
  for (int i = 1; i <= 5; ++i) {
    const double ms = Pick(pixorra, page);
    if (i == 1) first = ms;
    std::printf("pick %d %8.2f x the first %10.0f ms\n", i, Ratio(ms, first), ms);
  }
  pixorra.Close(30000);
  page.Finish();
}

void ReportDownloads(int rounds, TestHttpServer& server, CacheEntries& entries, PeakMemory& memory) {
  int bareFailures = 0;
  int filesMissing = 0;
  // One side's download of `count` fresh images of `body`: the bare loop in
  // this process, or a new Pixorra's run over its download list.
  auto bareSide = [&](int count, const std::string& body) {
    ScratchFolder folder("bare");
    int failures = 0;
    const double ms = BareLoop(FreshImages(server, entries, "bare", count, body), folder.Path(), failures);
    bareFailures += failures;
    return failures == 0 ? ms : -1;
  };
  auto runSide = [&](int count, const std::string& body) {
    std::string list;
    for (const std::string& address : FreshImages(server, entries, "run", count, body)) list += address + "\r\n";
    ScratchFolder folder("run");
    const ProgramRun run = RunDownloadList(list, count, folder.Path(), 600000);
    filesMissing += count - static_cast<int>(folder.Files().size());
    return run;
  };

  const std::string smallBody = ImageBody(4000);
  // Each round is a pair, the two sides one after the other, the first side
  // taking turns. The figure is the median of the pairs' ratios: both sides
  // slow down over a run, by as much as a tenth from one side's turn to the
  // next (after a minute's rest they are fast again, as the closed
  // connections expire), so only neighbours compare alike, and the least
  // of each side would set one lucky bare loop against the run.
  const int pairs = (std::max)(rounds + rounds % 2, kSmallImagePairs);  // as many of each order
  std::printf(
      "\nA download run of %d images of %u bytes (cache misses, a server on 127.0.0.1), from the click\n"
      "until every line is marked, beside a bare loop of URLDownloadToCacheFileA + CopyFileA over as\n"
      "many fresh addresses of the same server, in %d pairs taking turns\n",
      kSmallImages, static_cast<unsigned>(smallBody.size()), pairs);
  double smallRun = -1, smallBare = -1;
  std::vector<double> ratios;
  std::string order;  // each side's figure per image, in the order they ran
  auto note = [&](const char* side, double ms) {
    char figure[48];
    std::snprintf(figure, sizeof(figure), " %s %.1f", side, ms > 0 ? ms / kSmallImages : -1.0);
    order += figure;
    return ms;
  };
  for (int pair = 0; pair < pairs; ++pair) {
    double bare = -1, run = -1;
    if (pair % 2 == 0) bare = note("bare", bareSide(kSmallImages, smallBody));
    run = note("run", runSide(kSmallImages, smallBody).ms);
    if (pair % 2 == 1) bare = note("bare", bareSide(kSmallImages, smallBody));
    KeepLeast(smallBare, bare);
    KeepLeast(smallRun, run);
    if (bare > 0 && run > 0) ratios.push_back(run / bare);
  }
  std::sort(ratios.begin(), ratios.end());
  const double median = ratios.empty() ? -1
                        : ratios.size() % 2 ? ratios[ratios.size() / 2]
                                            : (ratios[ratios.size() / 2 - 1] + ratios[ratios.size() / 2]) / 2;
  std::printf("per image: run/bare %.2f, the median of %zu pairs of %d (from %.2f to %.2f)\n", median, ratios.size(), pairs,
              ratios.empty() ? -1 : ratios.front(), ratios.empty() ? -1 : ratios.back());
  std::printf("the least of each side: run %.1f ms, bare %.1f ms per image (%.2f)\n", smallRun / kSmallImages,
              smallBare / kSmallImages, Ratio(smallRun, smallBare));
  std::printf("each side, in the order run (ms per image):%s\n", order.c_str());

  const std::string largeBody = ImageBody(static_cast<std::size_t>(kLargeImageMegabytes * kBytesPerMegabyte));
  std::printf("\nOne image of %.0f MB, the same way\n", kLargeImageMegabytes);
  double largeRun = -1, largeBare = -1;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) KeepLeast(largeBare, bareSide(1, largeBody));
    const ProgramRun run = runSide(1, largeBody);
    KeepLeast(largeRun, run.ms);
    memory.largeImage = (std::max)(memory.largeImage, run.peakMegabytes);
    memory.started = (std::max)(memory.started, run.peakBeforeMegabytes);
    if (round % 2 == 1) KeepLeast(largeBare, bareSide(1, largeBody));
  }
  std::printf("run/bare %.2f (run %.0f ms, bare %.0f ms)\n", Ratio(largeRun, largeBare), largeRun, largeBare);
  std::printf("files missing after Pixorra's runs: %d; bare loop failures: %d\n", filesMissing, bareFailures);
}

void ReportWalk(int rounds, TestHttpServer& server, CacheEntries& entries) {
  std::printf("\nThe download walk to one image line (a cache miss), beside the one-line walk\n");
  const int walks[] = {0, 10000, 40000};
  constexpr int kWalks = sizeof(walks) / sizeof(walks[0]);
  double walkMs[kWalks] = {-1, -1, -1};
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < kWalks; ++i) {
      const int at = round % 2 == 0 ? i : kWalks - 1 - i;
      KeepLeast(walkMs[at], Walk(server, entries, walks[at]).ms);
    }
  }
  std::printf("%-12s %14s %26s %10s\n", "done lines", "x one-line", "per 1,000 done lines", "ms");
  std::printf("%-12d %14s %26s %10.0f\n", walks[0], "(floor)", "", walkMs[0]);
  for (int i = 1; i < kWalks; ++i) {
    char perThousand[64];
    const double extra = walkMs[i] > 0 && walkMs[0] > 0 ? (walkMs[i] - walkMs[0]) / walkMs[0] * 1000 / walks[i] : -1;
    std::snprintf(perThousand, sizeof(perThousand), "+%.3f x one-line", extra);
    std::printf("%-12d %14.2f %26s %10.0f\n", walks[i], Ratio(walkMs[i], walkMs[0]), perThousand, walkMs[i]);
  }
}

void ReportPeakMemory(const PeakMemory& memory) {
  std::printf("\nPeak working set (GetProcessMemoryInfo; the most of any round), MB = 10^6 bytes\n");
  std::printf("%-44s %10s %14s\n", "", "peak MB", "x the size");
  auto row = [](const char* name, double peak, double sizeMegabytes) {
    if (peak < 0) return;  // its section did not run
    if (sizeMegabytes > 0) {
      std::printf("%-44s %10.1f %14.2f\n", name, peak, peak / sizeMegabytes);
    } else {
      std::printf("%-44s %10.1f %14s\n", name, peak, "");
    }
  };
  row("Pixorra.exe started, one line in its list", memory.started, 0);
  row("Pixorra.exe, a 20 MB pick", memory.largePick, kPageMegabytes[kLargestPage]);
  row("  PickFloor.exe, the same page", memory.largePickFloor, kPageMegabytes[kLargestPage]);
  row("Pixorra.exe, a 100 MB image downloaded", memory.largeImage, kLargeImageMegabytes);
}

}  // namespace

// ROUNDS is 2 if not given; all parts run when none is named.
int main(int argc, char** argv) {
  const int rounds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 2;
  auto wanted = [&](const char* part) {
    if (argc <= 2) return true;
    for (int i = 2; i < argc; ++i) {
      if (std::strcmp(argv[i], part) == 0) return true;
    }
    return false;
  };
  // Each line as it comes: the whole run takes minutes.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  // The bare download loop runs on a thread with COM, as Pixorra's does.
  ScopedCoInitialize com;
  for (int i = 0; i < 3; ++i) MoveMouse(300 + i, 700);
  std::printf(
      "Each time is the least of %d runs, sides taking turns in opposite order from round to round; "
      "the repeated picks run once.\n\n",
      rounds);

  PeakMemory memory;
  if (wanted("picks")) ReportPicks(rounds, memory);
  if (wanted("repeated")) ReportRepeatedPicks();
  TestHttpServer server;
  CacheEntries entries;
  if (wanted("downloads")) ReportDownloads(rounds, server, entries, memory);
  if (wanted("walk")) ReportWalk(rounds, server, entries);
  ReportPeakMemory(memory);
  return 0;
}
