// The download queue and the download of one image through the URL cache.
#include <windows.h>
#include <urlmon.h>

#include <algorithm>
#include <map>
#include <optional>

#include "Application.h"
#include "DownloadNaming.h"
#include "Functions.h"
#include "ImageTransfer.h"
#include "ListLines.h"
#include "PixorraMainFrm.h"
#include "ProgressReports.h"
#include "RunOnTaskbar.h"
#include "TargetFiles.h"
#include "TextRoutines.h"
#include "UrlCache.h"
#include "WideText.h"

namespace {

// The download service takes an address whose extension (after its last ".")
// has up to this many characters; a longer one crashes it under Wine, with a
// page fault inside the service, instead of failing.
constexpr std::size_t kLongestExtension = 257;
// While a run waits for the user to finish a line, it looks again at least
// this often: a key or a click wakes it sooner.
constexpr DWORD kWaitLookMilliseconds = 100;

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// What the file-name label says once the runs are over: the images saved,
// the lines that failed and stand unmarked in the list as it is now (one
// saved later, under another folder or by another run, is no failure any
// more; one the user deleted is gone), and the other image lines left
// without a mark, for whatever reason: added behind the walk, met while the
// run was stopping, or a done line the user has open with another address.
// The failed lines with their reasons.
struct LinesLeft {
  std::size_t failed = 0;
  std::size_t unmarked = 0;
  std::vector<FailureReason> reasons;
};

LinesLeft LinesLeftIn(const Operations::DownloadRun& run, const std::vector<std::string>& lines,
                      std::size_t undoneMarks) {
  LinesLeft left;
  left.unmarked = undoneMarks;
  // A line is told from its copies by how many lines above it read the same.
  std::map<std::string, std::size_t> seen;
  for (const std::string& line : lines) {
    const std::size_t sameAbove = seen[line]++;
    if (!IsImageLine(line)) continue;
    ++left.unmarked;
    const FailureReason* why = run.FailureOf(line, sameAbove);
    if (!why || why->kind == Failure::Stopped) continue;
    ++left.failed;
    left.reasons.push_back(*why);
  }
  return left;
}

// The label's text, with the causes of the failed lines after their count;
// then, for a label too narrow, the same without the hint at its end, which
// says less than the causes, then with fewer causes.
std::vector<std::wstring> EndOfRunTexts(const Operations::DownloadRun& run, const LinesLeft& left) {
  const std::wstring saved = L"已保存 " + std::to_wstring(run.SavedCount()) + L" 张";
  if (left.unmarked == 0) return {(run.Cancelled() ? L"下载已停止：" : L"下载完成：") + saved + L"图片"};
  std::wstring head = (run.Cancelled() ? L"下载已停止：" : L"下载结束：") + saved;
  if (left.failed > 0) head += L"，" + std::to_wstring(left.failed) + L" 行失败";
  std::wstring tail;
  if (left.unmarked > left.failed) tail = L"，" + std::to_wstring(left.unmarked - left.failed) + L" 行未下载";
  const std::wstring hint = left.failed == 0 || !tail.empty() ? L"（未标“-”，可再下载）" : L"";
  const std::vector<std::wstring> listings = CauseListings(left.reasons);
  if (listings.empty()) return {head + tail + hint};
  std::vector<std::wstring> texts;
  if (!hint.empty()) texts.push_back(head + L"（" + listings.front() + L"）" + tail + hint);
  for (const std::wstring& causes : listings) texts.push_back(head + L"（" + causes + L"）" + tail);
  return texts;
}

}  // namespace

void TPixorraMainForm::DownloadBtnClick() {
  // The click finishes the line the user has open: the run takes it as it reads.
  Downloads.Leave();
  if (SavePathLabel.Text().empty()) {
    MessageBoxW(Handle(), L"请先选择要保存的路径！", L"错误", MB_ICONERROR | MB_OK);
    return;
  }
  DownloadImageList();
}

void TPixorraMainForm::DownloadImageList() {
  ui::Application& application = ui::Application::Instance();
  Operations::DownloadRun run(operations_);
  RunOnTaskbar taskbar(*taskbar_, Handle(), run);
  ListWalk& walk = run.Walk();
  ProgressCallback.Attach(Handle());
  // The walk keeps a copy of the list's lines and finds its line again in the
  // list as it stands whenever messages went through: while a line's image
  // is fetched, or while the run waits for the user.
  walk = Downloads.Walk();
  // A new run: the lines' reasons are the last runs' no more.
  Downloads.ForgetFailures();
  // A quit request or a clearing: the run ends before its next line.
  const auto ending = [&] { return application.Terminated() || run.Cancelled(); };
  // A line the user has open reads, between two keys, what nobody meant: the
  // run waits, with messages going through, until the user leaves it. The
  // wait is the user's time: no transfer is under way. True when the walk's
  // line is still there; false when it went meanwhile, or when the run
  // ends: a close or a clearing ends it at once, rather than let a line
  // still half typed name the folder, and a run inside another operation (a
  // transfer's report, a pick's slices) does not hold that operation: it
  // ends, and leaves the line to the run outside, or to the next.
  enum class Waited { Done, Gone, Ended };
  const auto waitForTheUser = [&](bool folderToo) {
    std::optional<std::string> holding = Downloads.Holding(walk, folderToo);
    if (!holding) return Waited::Done;
    if (ending() || !operations_.RunMayWait()) return Waited::Ended;
    Operations::LineWait wait(operations_);
    // Paused on the taskbar for the length of the wait, however it ends.
    struct Paused {
      RunOnTaskbar& taskbar;
      explicit Paused(RunOnTaskbar& shown) : taskbar(shown) { taskbar.Pause(true); }
      ~Paused() { taskbar.Pause(false); }
    } paused(taskbar);
    bool kept = true;
    while (holding) {
      // Said again each time: a nested run may have named its files meanwhile.
      UrlLabel.SetWideTextFitting(L"等待输入完成：", AnsiToWide(*holding), L"（按上下键或点另一行）");
      MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitLookMilliseconds, QS_ALLINPUT);
      application.ProcessMessages();
      // A close or a clearing taken in the pump ends the run at once: the
      // line the user left may still read half typed.
      if (ending()) return Waited::Ended;
      kept = Downloads.CatchUp(walk) && kept;
      holding = Downloads.Holding(walk, folderToo);
    }
    UrlLabel.SetText(UrlFileName(ReplaceAll("\"", walk.Current(), "")));
    return kept ? Waited::Done : Waited::Gone;
  };
  // The line under way, told from its copies by how many lines above read
  // the same.
  const auto sameAbove = [&] {
    const std::vector<std::string>& lines = walk.Lines();
    return static_cast<std::size_t>(
        std::count(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(walk.Index()), walk.Current()));
  };
  // A quit request stops the walk after the line under way, and so does a
  // clearing, which takes the lines the walk was going through.
  while (!ending()) {
    Downloads.CatchUp(walk);  // the next line, wherever the list has it now
    if (walk.AtEnd()) break;
    // Not fetched while the user has it open: it is fetched as it reads then.
    const Waited beforeFetch = waitForTheUser(false);
    if (beforeFetch == Waited::Ended) break;
    if (beforeFetch == Waited::Gone) continue;
    const std::string line = walk.Current();
    if (!IsImageLine(line)) {
      walk.Next();
      continue;
    }
    taskbar.Show(walk.ImageLinesAfter() + 1);
    // An image bound for a volume found full is not fetched: it could not
    // be saved, and other volumes' lines go on.
    if (run.AnyVolumeFull()) {
      const std::wstring folder = Downloads.FolderOf(walk);
      if (run.OnFullVolume(folder)) {
        run.Failed(line, sameAbove(), {Failure::DiskFull, ERROR_DISK_FULL, folder});
        taskbar.Show(walk.ImageLinesAfter());
        walk.Next();
        continue;
      }
    }
    const CachedImage image = FetchImage(line);
    if (image.file.empty() && application.Terminated()) break;  // never started: the program is ending
    if (!Downloads.CatchUp(walk)) continue;  // gone: the walk stands at what took its place
    if (run.Cancelled()) {
      // Left unmarked; under the caret it says why.
      run.Failed(line, sameAbove(), {Failure::Stopped, 0, std::wstring()});
      break;
    }
    // Nor is it copied under a folder line the user has open: a bare "$"
    // names the save folder, "$C:" a drive root. The image waits in the cache.
    if (!image.file.empty()) {
      const Waited beforeCopy = waitForTheUser(true);
      if (beforeCopy == Waited::Ended) break;  // the image stays in the cache
      if (beforeCopy == Waited::Gone) continue;
    }
    FailureReason why = image.failure;
    if (!image.file.empty() && Downloads.Save(walk, [&](const std::wstring& folder) {
          const WrittenImage written = CopyFromCache(folder, image);
          why = written.failure;
          if (why.kind == Failure::DiskFull) run.VolumeFull(folder);
          return !written.path.empty();
        })) {
      run.Saved();
    } else {
      run.Failed(line, sameAbove(), why);
    }
    taskbar.Show(walk.ImageLinesAfter());
    walk.Next();
  }
  taskbar.End();
  // Once the outermost run is over, the file-name label tells how the runs
  // went, and the list keeps why each line failed, for the caret to tell;
  // when that happens while the user looks elsewhere, the taskbar button
  // flashes until they come back. A nested run's end leaves the label to
  // the run it returns to, which goes on showing file names.
  if (application.Terminated() || !run.Outermost()) return;
  endOfRun_ = EndOfRunTexts(run, LinesLeftIn(run, Downloads.LinesAtEnd(walk), Downloads.OpenMarkUndone()));
  UrlLabel.SetFirstFitting(endOfRun_);
  Downloads.KeepFailures(run.Failures());
  if (GetForegroundWindow() != Handle()) taskbar_->FlashUntilForeground(Handle());
}

std::string TPixorraMainForm::DownloadImage(std::string folder, std::string address) {
  const CachedImage image = FetchImage(std::move(address));
  return image.file.empty() ? std::string() : WideToAnsi(CopyFromCache(AnsiToWide(folder), image).path);
}

TPixorraMainForm::CachedImage TPixorraMainForm::FetchImage(std::string address) {
  ui::Application& application = ui::Application::Instance();
  address = ReplaceAll("\"", std::move(address), "");

  // The new name shows at once. Only the label has anything new to paint:
  // repainting the whole window, list included, cost more than a small
  // image's download. Then pending messages go through, once for each
  // image: the transfer's reports let them through only every few
  // milliseconds.
  UrlLabel.SetText(UrlFileName(address));
  UpdateWindow(UrlLabel.Handle());
  application.ProcessMessages();

  // A quit or a clearing taken in this pump ends the run before another
  // transfer starts: a small image's reports may come too close together to
  // let messages through, so this is where such a click is often taken.
  const std::vector<Operations::DownloadRun*> runs = operations_.DownloadRuns();
  const auto failed = [](Failure why, unsigned long code = 0) { return CachedImage{{}, {}, {why, code, {}}}; };
  if (application.Terminated() || (!runs.empty() && runs.back()->Cancelled())) return failed(Failure::Stopped);

  // A line the user typed goes out as a browser would send it (a line the
  // scan made already reads so).
  address = RequestedAddress(std::move(address));
  CachedImage image;
  if (const std::wstring name = GetCacheFileName(address); !name.empty()) {
    // The cache may record a name with escapes that the file on disk does
    // not have. An entry whose file is gone under either name is fetched
    // again rather than failing for as long as the entry lives.
    const std::wstring decoded = DecodedCacheName(name);
    if (FileExists(name)) {
      image = {name, name};
    } else if (FileExists(decoded)) {
      image = {name, decoded};
    }
  }
  // A page kept where the image was asked for (a browser met the server's
  // soft error) is no image either; the next run fetches the address again.
  if (!image.file.empty() && !HoldsImage(address, image.file, std::string())) {
    DeleteCacheEntry(address);
    return failed(Failure::NotAnImage);
  }

  if (!image.file.empty()) {
    SingFileProgressBar.SetPosition(SingFileProgressBar.Max());
    return image;
  }
  if (ExtensionLength(address) > kLongestExtension) {
    return failed(Failure::Other, static_cast<unsigned long>(INET_E_INVALID_URL));
  }
  // Each transfer has a callback of its own, which hands its reports on to
  // ProgressCallback and judges whether the whole image came, its file
  // there and not empty.
  Operations::Transfer transfer(operations_);
  std::wstring file;
  if (!transfer.Callback().Download(address, file)) return {{}, {}, transfer.Callback().Why()};
  return {file, file};
}

WrittenImage TPixorraMainForm::CopyFromCache(const std::wstring& folder, const CachedImage& image) {
  // The runs clear a folder of the parts that killed copies left at their
  // first copy into it; a copy of its own, at once.
  const std::vector<Operations::DownloadRun*> runs = operations_.DownloadRuns();
  const bool sweep = runs.empty() || runs.front()->FirstCopyInto(folder);
  // The saved file takes the name as the cache records it, made readable.
  // Different images that the cache names alike (/1/same.gif, /2/same.gif)
  // must not overwrite each other; the same image again overwrites its file.
  return WriteImage(folder, SavedFilePath(folder, image.recorded), image.file, sweep,
                    [this](const std::wstring& from, const std::wstring& to) { return copies_->Copy(from, to); });
}
