// The download queue and the download of one image through the URL cache.
#include <windows.h>
#include <urlmon.h>

#include <algorithm>
#include <cstring>

#include "Application.h"
#include "CodePage.h"
#include "DownloadNaming.h"
#include "Functions.h"
#include "ImageTransfer.h"
#include "LineTyping.h"
#include "ListWalk.h"
#include "PixorraMainFrm.h"
#include "ProgressReports.h"
#include "TargetFiles.h"
#include "UrlCache.h"

namespace {

constexpr std::size_t kNameBufferSize = MAX_PATH;  // 260, the terminating zero included
// The download service takes an address whose extension (after its last ".")
// has up to this many characters; a longer one crashes it under Wine, with a
// page fault inside the service, instead of failing.
constexpr std::size_t kLongestExtension = 257;
// While the run waits for the user's typing, it looks again at least this
// often: a key, a click or the focus leaving wakes it sooner.
constexpr DWORD kTypingLookMilliseconds = 100;

bool FileExists(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The cache may record a name with escapes that the file on disk does not have.
std::string DecodedCacheName(std::string name) {
  name = ReplaceAll("%20", std::move(name), " ");
  name = ReplaceAll("&gt;", std::move(name), ">");
  name = ReplaceAll("&lt;", std::move(name), "<");
  return ReplaceAll("&quot;", std::move(name), "\"");
}

void CopyToNameBuffer(const std::string& text, char (&buffer)[kNameBufferSize]) {
  std::memset(buffer, 0, sizeof(buffer));
  std::memcpy(buffer, text.data(), text.size() < kNameBufferSize - 1 ? text.size() : kNameBufferSize - 1);
}

// The outermost run on the taskbar button: the share of its image lines
// handled so far, counted over the lines as it meets them, red from the
// first failed line on, and taken off the button however the run ends.
class RunOnTaskbar {
 public:
  RunOnTaskbar(TaskbarButton& button, HWND window, const Operations::DownloadRun& run)
      : button_(button), window_(window), run_(run), shown_(run.Outermost()) {
    if (shown_) button_.SetState(window_, TaskbarButton::State::Normal);
  }
  ~RunOnTaskbar() { End(); }
  RunOnTaskbar(const RunOnTaskbar&) = delete;
  RunOnTaskbar& operator=(const RunOnTaskbar&) = delete;

  // `ahead`: the image lines still to meet, the one under way included.
  void Show(std::size_t ahead) {
    if (!shown_) return;
    if (run_.FailedCount() > 0 && !error_) {
      error_ = true;
      button_.SetState(window_, TaskbarButton::State::Error);
    }
    button_.SetProgress(window_, run_.HandledCount(), run_.HandledCount() + ahead);
  }

  // No progress on the button once the run is over.
  void End() {
    if (shown_) button_.SetState(window_, TaskbarButton::State::NoProgress);
    shown_ = false;
  }

 private:
  TaskbarButton& button_;
  HWND window_;
  const Operations::DownloadRun& run_;
  bool shown_;
  bool error_ = false;
};

// What the file-name label says once the runs are over: the images saved,
// the lines that failed and stand unmarked in the list as it is now (one
// saved later, under another folder or by another run, is no failure any
// more; one the user deleted is gone), and the other image lines left
// without a mark, for whatever reason: added behind the walk, or met while
// the run was stopping. A clearing stops the runs before the list's end.
struct LinesLeft {
  std::size_t failed = 0;
  std::size_t unmarked = 0;
};

LinesLeft LinesLeftIn(const Operations::DownloadRun& run, const std::vector<std::string>& lines) {
  LinesLeft left;
  for (const std::string& line : lines) {
    if (!IsImageLine(line)) continue;
    ++left.unmarked;
    if (run.HasFailed(line)) ++left.failed;
  }
  return left;
}

std::wstring EndOfRunText(const Operations::DownloadRun& run, const LinesLeft& left) {
  const std::wstring saved = L"已保存 " + std::to_wstring(run.SavedCount()) + L" 张";
  if (left.unmarked == 0) return (run.Cancelled() ? L"下载已停止：" : L"下载完成：") + saved + L"图片";
  std::wstring text = (run.Cancelled() ? L"下载已停止：" : L"下载结束：") + saved;
  if (left.failed > 0) text += L"，" + std::to_wstring(left.failed) + L" 行失败";
  if (left.unmarked > left.failed) text += L"，" + std::to_wstring(left.unmarked - left.failed) + L" 行未下载";
  return text + L"（未标“-”，可再下载）";
}

}  // namespace

bool TPixorraMainForm::TypingReachesWalk(const ListWalk& walk, bool folderToo) {
  // Nobody typed for a while: nothing is asked of the control.
  const UserEdit& edit = ImageListMemo.LastUserEdit();
  const ULONGLONG now = GetTickCount64();
  if (!MayBeTyping(edit, now)) return false;
  const int typed = LineBeingTyped(edit, now, ImageListMemo.HasFocus(), ImageListMemo.CaretLine());
  if (typed < 0 || walk.AtEnd()) return false;
  const std::size_t line = static_cast<std::size_t>(typed);
  return folderToo ? TypingReaches(line, walk.Index(), walk.FolderIndex()) : line == walk.Index();
}

void TPixorraMainForm::DownloadBtnClick() {
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
  // The walk keeps a copy of the list's lines, read again only when the text
  // has changed: reading a line of the control by index costs a walk from the
  // top under Wine. The list changes only while messages go through, that is
  // while a line's image is fetched, or while the run waits for the user's
  // typing; then the walk finds its line again in the list as it stands
  // instead of trusting its old index.
  walk = ListWalk(ImageListMemo.Lines(), ImageListMemo.Revision());
  const auto lineStillThere = [&] {
    const unsigned revision = ImageListMemo.Revision();
    return revision == walk.ReadAt() || walk.Follow(ImageListMemo.Lines(), revision);
  };
  // A quit request or a clearing: the run ends before its next line.
  const auto ending = [&] { return application.Terminated() || run.Cancelled(); };
  // A line being typed reads, between two keys, what nobody meant: the run
  // waits, with messages going through, until the typing there is over. The
  // wait is the user's time: no transfer is under way, and the bar and the
  // label stay as they are. False when the walk's line went meanwhile, or
  // when a close or a clearing came while it waited: that ends the run at
  // once, rather than let a line still half typed name the folder.
  const auto waitForTyping = [&](bool folderToo) {
    bool kept = true;
    while (TypingReachesWalk(walk, folderToo)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, kTypingLookMilliseconds, QS_ALLINPUT);
      application.ProcessMessages();
      // Checked after the pump: the close box that ends the run may end the
      // typing in the same pass (the window hides, the focus goes).
      if (ending()) return false;
      kept = lineStillThere() && kept;
    }
    return kept;
  };
  // A quit request stops the walk after the line under way, and so does a
  // clearing, which takes the lines the walk was going through.
  while (!ending()) {
    lineStillThere();  // the next line, wherever the list has it now
    if (walk.AtEnd()) break;
    // Not fetched while the user types it: it is fetched as it reads then.
    if (TypingReachesWalk(walk, false)) {
      waitForTyping(false);
      continue;
    }
    const std::string line = walk.Current();
    if (!IsImageLine(line)) {
      walk.Next();
      continue;
    }
    taskbar.Show(walk.ImageLinesAfter() + 1);
    const CachedImage image = FetchImage(line);
    if (image.file.empty() && application.Terminated()) break;  // never started: the program is ending
    if (!lineStillThere()) continue;  // gone: the walk stands at what took its place
    if (run.Cancelled()) break;
    // Nor is a folder line typed above it, nor the line itself, copied
    // under while half-typed: a bare "$" names the save folder, "$C:" a
    // drive root. The image waits in the cache meanwhile.
    if (!image.file.empty() && !waitForTyping(true)) {
      if (ending()) break;  // the image stays in the cache
      continue;             // gone meanwhile: the walk stands at what took its place
    }
    // The folder is the one the list shows above the line now, taken after
    // the transfer and the typing, just before the copy: nothing can change
    // the list in between, so the mark tells where the image is.
    const std::string folder = FolderOfLine(walk.FolderLine(), SavePathLabel.Text());
    if (!image.file.empty() && !CopyFromCache(folder, image).empty() &&
        ImageListMemo.MarkLine(static_cast<int>(walk.Index()), line, kDoneMark)) {
      // The copy follows the mark instead of reading the whole list again.
      walk.Replace(kDoneMark + line, ImageListMemo.Revision());
      MarksMade.Made(kDoneMark + line, folder);
      run.Saved();
    } else {
      run.Failed(line);
    }
    taskbar.Show(walk.ImageLinesAfter());
    walk.Next();
  }
  taskbar.End();
  // Once the outermost run is over, the file-name label tells how the runs
  // went; when that happens while the user looks elsewhere, the taskbar
  // button flashes until they come back. A nested run's end leaves the
  // label to the run it returns to, which goes on showing file names.
  if (application.Terminated() || !run.Outermost()) return;
  // The walk's copy of the list serves while the list stands as it read it;
  // otherwise the list is read once more.
  const unsigned revision = ImageListMemo.Revision();
  const LinesLeft left =
      revision == walk.ReadAt() ? LinesLeftIn(run, walk.Lines()) : LinesLeftIn(run, ImageListMemo.Lines());
  UrlLabel.SetWideText(EndOfRunText(run, left));
  if (GetForegroundWindow() != Handle()) taskbar_->FlashUntilForeground(Handle());
}

std::string TPixorraMainForm::DownloadImage(std::string folder, std::string address) {
  const CachedImage image = FetchImage(std::move(address));
  return image.file.empty() ? std::string() : CopyFromCache(folder, image);
}

TPixorraMainForm::CachedImage TPixorraMainForm::FetchImage(std::string address) {
  ui::Application& application = ui::Application::Instance();
  char name[kNameBufferSize] = {};
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
  if (application.Terminated() || (!runs.empty() && runs.back()->Cancelled())) return CachedImage();

  CopyToNameBuffer(GetCacheFileName(address), name);
  CachedImage image;
  if (name[0] != '\0') {
    // The cache may record a name with escapes that the file on disk does
    // not have. An entry whose file is gone under either name is fetched
    // again rather than failing for as long as the entry lives.
    const std::string decoded = DecodedCacheName(name);
    if (FileExists(name)) {
      image = {name, name};
    } else if (FileExists(decoded.c_str())) {
      image = {name, decoded};
    }
  }
  // A page kept where the image was asked for (a browser met the server's
  // soft error) is no image either; the next run fetches the address again.
  if (!image.file.empty() && !HoldsImage(address, image.file, std::string())) {
    DeleteCacheEntry(address);
    return CachedImage();
  }

  if (!image.file.empty()) {
    SingFileProgressBar.SetPosition(SingFileProgressBar.Max());
  } else {
    if (ExtensionLength(address) > kLongestExtension) return CachedImage();
    std::memset(name, 0, sizeof(name));
    // Each transfer has a callback of its own, which hands its reports on to
    // ProgressCallback and judges whether the whole image came, its file
    // there and not empty.
    Operations::Transfer transfer(operations_);
    if (!transfer.Callback().Download(address, name, kNameBufferSize)) return CachedImage();
    image = {name, name};
  }
  return image;
}

std::string TPixorraMainForm::CopyFromCache(const std::string& folder, const CachedImage& image) {
  // The saved file takes the name as the cache records it.
  const std::size_t delimiter = codepage::FindLastDelimiter(image.recorded, "\\:");
  const std::string fileName = delimiter == std::string::npos ? image.recorded : image.recorded.substr(delimiter + 1);
  // "%" and "," leave the file name only. Taken from the folder too, they
  // would send the image into another folder than its line names ("a,b"
  // into "ab"), and its mark would lie.
  const std::string target = folder + ReplaceAll(",", ReplaceAll("%", fileName, ""), "");
  // Different images that the cache names alike (/1/same.gif, /2/same.gif)
  // must not overwrite each other; the same image again overwrites its file.
  const std::string written = ChooseTargetFile(target, image.file);
  if (written.empty() || !CopyFileA(image.file.c_str(), written.c_str(), FALSE)) return std::string();
  return written;
}
