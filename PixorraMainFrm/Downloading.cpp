// The download queue and the download of one image through the URL cache.
#include <windows.h>
#include <urlmon.h>

#include <cstring>
#include <vector>

#include "Application.h"
#include "CodePage.h"
#include "DownloadNaming.h"
#include "Functions.h"
#include "ImageTransfer.h"
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

}  // namespace

std::string TPixorraMainForm::FolderOfLine(const std::string& line) const {
  std::string folder = line.substr(1);
  // A line that is only "$" means the chosen save folder again, not the
  // process's current directory; a hand-typed folder gets its "\".
  if (folder.empty()) return SavePathLabel.Text();
  if (folder.back() != '/' && !codepage::EndsWithBackslash(folder)) folder += '\\';
  return folder;
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
  std::string walkFolder = SavePathLabel.Text();
  ProgressCallback.Attach(Handle());
  // The list is read afresh at every line, since the user may edit it and a
  // nested run may mark lines while a transfer is under way; but through a
  // copy of its lines, read again only when the text has changed. Reading a
  // line of the control by index costs a walk from the top under Wine.
  std::vector<std::string> lines;
  unsigned linesRevision = ImageListMemo.Revision() - 1;
  for (int index = 0;; ++index) {
    if (application.Terminated()) break;
    if (ImageListMemo.Revision() != linesRevision) {
      lines = ImageListMemo.Lines();
      linesRevision = ImageListMemo.Revision();
    }
    if (index >= static_cast<int>(lines.size())) break;
    const std::string line = lines[static_cast<std::size_t>(index)];
    if (line.empty()) continue;
    if (line[0] == '$') {
      walkFolder = FolderOfLine(line);
    } else if (line[0] != '-') {
      // The mark goes where the line still stands as it was read: the list
      // may have been cleared, shortened or given a folder line meanwhile,
      // and a mark by index alone would then replace another line or bring
      // back one that is gone. A line left unmarked is only copied again
      // from the cache next time.
      if (DownloadImage(walkFolder, line).empty()) continue;
      const bool copyIsCurrent = ImageListMemo.Revision() == linesRevision;
      if (ImageListMemo.MarkLine(index, line, "-") && copyIsCurrent) {
        // The copy follows the mark instead of reading the whole list again.
        lines[static_cast<std::size_t>(index)] = "-" + line;
        linesRevision = ImageListMemo.Revision();
      }
    }
  }
}

std::string TPixorraMainForm::DownloadImage(std::string folder, std::string address) {
  ui::Application& application = ui::Application::Instance();
  application.ProcessMessages();
  char name[kNameBufferSize] = {};
  address = ReplaceAll("\"", std::move(address), "");

  UrlLabel.SetText(UrlFileName(address));
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  application.ProcessMessages();

  CopyToNameBuffer(GetCacheFileName(address), name);
  // An entry whose file is gone (under either name) is fetched again rather
  // than failing for as long as the entry lives.
  bool cached = name[0] != '\0';
  if (cached && !FileExists(name) && !FileExists(DecodedCacheName(name).c_str())) cached = false;

  if (cached) {
    SingFileProgressBar.SetPosition(SingFileProgressBar.Max());
  } else {
    if (ExtensionLength(address) > kLongestExtension) return std::string();
    std::memset(name, 0, sizeof(name));
    // Each transfer has a callback of its own, which hands its reports on to
    // ProgressCallback and judges whether the whole image came.
    Operations::Transfer transfer(operations_);
    if (!transfer.Callback().Download(address, name, kNameBufferSize)) return std::string();
  }

  const std::string cacheName = name;
  const std::size_t delimiter = codepage::FindLastDelimiter(cacheName, "\\:");
  const std::string fileName = delimiter == std::string::npos ? cacheName : cacheName.substr(delimiter + 1);
  std::string target = ReplaceAll("%", folder + fileName, "");
  target = ReplaceAll(",", std::move(target), "");

  // The target keeps the name as recorded; only the source is looked up decoded.
  if (!FileExists(name)) CopyToNameBuffer(DecodedCacheName(name), name);
  // Different images that the cache names alike (/1/same.gif, /2/same.gif)
  // must not overwrite each other; the same image again overwrites its file.
  const std::string written = ChooseTargetFile(target, name);
  if (written.empty() || !CopyFileA(name, written.c_str(), FALSE)) return std::string();
  return written;
}
