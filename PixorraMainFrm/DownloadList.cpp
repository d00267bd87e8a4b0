#include "DownloadList.h"

#include <algorithm>
#include <unordered_set>

#include "Application.h"
#include "ListFiltering.h"
#include "ListLines.h"
#include "WideText.h"

DownloadList::DownloadList(ui::Memo& view, ui::Label& saveFolder) : view_(view), saveFolder_(saveFolder) {
  view_.Watch(this);
}

DownloadList::~DownloadList() { view_.Watch(nullptr); }

bool DownloadList::CatchUp(ListWalk& walk) {
  // The focus may have gone on from a control that leaves the line open (a
  // button, by Tab or a press dragged off it) to one that does not, without
  // passing the list: no message tells the list. Finished here, before the
  // walk follows the marks that finishing takes.
  if (open_.Line() && leavingFocus_ && leavingFocus_(GetFocus())) Finish(open_.Close());
  const unsigned revision = view_.Revision();
  return revision == walk.ReadAt() || walk.Follow(view_.Lines(), revision);
}

std::optional<std::string> DownloadList::Holding(const ListWalk& walk, bool folderToo) const {
  const std::optional<EditedLine>& open = open_.Line();
  if (!open || walk.AtEnd()) return std::nullopt;
  // A walk behind the list cannot be judged: it waits until it caught up.
  if (walk.ReadAt() != view_.Revision()) return view_.Line(static_cast<int>(open->index));
  const std::vector<std::string>& lines = walk.Lines();
  const std::string now = open->index < lines.size() ? lines[open->index] : std::string();
  if (!OpenLineHolds(*open, now, walk.Index(), walk.FolderIndex(), folderToo)) return std::nullopt;
  return now;
}

std::wstring DownloadList::FolderOf(const ListWalk& walk) const {
  const std::size_t folderLine = walk.FolderIndex();
  return FolderOfLine(folderLine == std::string::npos ? std::wstring() : view_.WideLine(static_cast<int>(folderLine)),
                      saveFolder_.WideText());
}

bool DownloadList::Save(ListWalk& walk, const std::function<bool(const std::wstring& folder)>& copy) {
  // The folder is taken, the image copied there, the line marked and the
  // mark recorded in one step: a handler let through in between could move
  // the line or its folder line, and the mark would lie.
  const ui::Application::NoPumping still;
  if (walk.ReadAt() != view_.Revision() && !CatchUp(walk)) return false;
  const std::string line = walk.Current();
  const std::string folder = FolderOfLine(walk.FolderLine(), SaveFolder());
  if (!copy(FolderOf(walk)) || !view_.MarkLine(static_cast<int>(walk.Index()), line, kDoneMark)) return false;
  walk.Replace(kDoneMark + line, view_.Revision());
  marks_.Made(kDoneMark + line, folder);
  return true;
}

std::vector<std::string> DownloadList::LinesAtEnd(const ListWalk& walk) const {
  return walk.ReadAt() == view_.Revision() ? walk.Lines() : view_.Lines();
}

std::size_t DownloadList::OpenMarkUndone() const {
  const std::optional<EditedLine>& open = open_.Line();
  if (!open || !open->programMark) return 0;
  return FinishingTakesTheMark(*open, view_.Line(static_cast<int>(open->index))) ? 1 : 0;
}

void DownloadList::FolderChosen(const std::wstring& folder) {
  Finish(open_.Close());
  const std::string previous = SaveFolder();
  // The first folder always goes to the top; later ones where the caret is.
  if (previous.empty()) view_.SetSelStart(0);
  view_.SetSelLength(0);
  const int caretLine = view_.CaretLine();
  const std::string caretLineBefore = view_.Line(caretLine);
  // Wide, as the folder browser gives it: the line reads the folder's name.
  view_.ReplaceSelection(L"\r\n$" + folder + L"\r\n");
  saveFolder_.SetWideText(folder);
  const std::vector<std::string> lines = view_.Lines();
  TakeMarks(lines, MarksAFolderChoiceTakes(lines, static_cast<std::size_t>(caretLine + 1), caretLineBefore,
                                           SaveFolder(), previous, marks_));
}

void DownloadList::KeepFailures(const FailedLines& failures) {
  failures_ = failures;
  failureShown_ = false;
}

void DownloadList::ForgetFailures() {
  failures_.clear();
  ShowFailureAt(0);
}

void DownloadList::ShowFailureAt(std::size_t line) {
  if (!showFailure_ || (failures_.empty() && !failureShown_)) return;
  const std::vector<std::string> lines = view_.Lines();
  const FailureReason* why = nullptr;
  if (line < lines.size()) {
    const auto end = lines.begin() + static_cast<std::ptrdiff_t>(line);
    const auto found = failures_.find({lines[line], static_cast<std::size_t>(std::count(lines.begin(), end, *end))});
    if (found != failures_.end()) why = &found->second;
  }
  if (!why && !failureShown_) return;
  failureShown_ = why != nullptr;
  showFailure_(why);
}

std::string DownloadList::SaveFolder() const { return WideToAnsiAddress(saveFolder_.WideText()); }

DownloadList::Append::Append(DownloadList& list, const std::vector<std::string>& collected, std::string filter)
    : list_(list),
      filter_(std::move(filter)),
      lines_(SelectNewImageLines(collected, list.view_.Lines(), filter_)),
      readAt_(list.view_.Revision()),
      caret_(list.view_) {}

bool DownloadList::Append::Next(std::size_t perSlice) {
  ui::Memo& view = list_.view_;
  if (view.Revision() != readAt_) {
    // The list changed since the last slice (another filter run, a second
    // pick, the user's typing): what it holds now is not appended again.
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(done_));
    lines_ = SelectNewImageLines(lines_, view.Lines(), filter_);
    done_ = 0;
  }
  if (done_ < lines_.size()) {
    const std::size_t end = (std::min)(lines_.size(), done_ + perSlice);
    list_.open_.Inserted(static_cast<std::size_t>(view.LineCount()), end - done_);
    view.AppendLines(std::vector<std::string>(lines_.begin() + static_cast<std::ptrdiff_t>(done_),
                                              lines_.begin() + static_cast<std::ptrdiff_t>(end)));
    readAt_ = view.Revision();
    done_ = end;
  }
  if (done_ < lines_.size()) return true;
  caret_.FollowEnd();
  return false;
}

void DownloadList::Clear() {
  view_.SetText(std::string());
  marks_.Forget();
  open_.Forget();
  ForgetFailures();
}

void DownloadList::UserChanged(const ui::LineChange& change) {
  Finish(open_.Changed(change.first, change.column, change.before, change.after, change.caretLine,
                       change.lineBreakBeforeCaret, marks_));
  // An edit that comes while the list does not have the keyboard focus is no
  // line being typed (another program's edit, a drop): it is done as it came.
  if (open_.Line() && GetFocus() != view_.Handle()) Finish(open_.Close());
  // An edited line's reason is forgotten; a copy of it goes with it.
  for (auto at = failures_.begin(); at != failures_.end();) {
    const bool edited = std::find(change.before.begin(), change.before.end(), at->first.first) != change.before.end();
    at = edited ? failures_.erase(at) : std::next(at);
  }
  ShowFailureAt(change.caretLine);
}

void DownloadList::CaretMoved(std::size_t line) {
  Finish(open_.CaretIn(line));
  ShowFailureAt(line);
}

void DownloadList::CameBack(std::size_t line) {
  // The user coming back, not moving on: the open line stays open.
  ShowFailureAt(line);
}

void DownloadList::FocusLost(HWND to) {
  if (leavingFocus_ && leavingFocus_(to)) Finish(open_.Close());
}

void DownloadList::CompositionStarted(std::size_t line, const std::string& text) {
  Finish(open_.Composing(line, text, marks_));
}

void DownloadList::TextSetWhole() {
  // A text set whole, by another program say: the line the user had open is
  // not there to follow, nor the lines that failed.
  open_.Forget();
  ForgetFailures();
}

void DownloadList::Finish(const Finished& finished) {
  if (finished.lines.empty() && finished.foldersFrom == std::string::npos) return;
  const std::vector<std::string> lines = view_.Lines();
  TakeMarks(lines, MarksFinishingTakes(lines, finished, open_.Line(), saveFolder_.Text(), marks_));
}

void DownloadList::TakeMarks(const std::vector<std::string>& before, const std::vector<int>& lines) {
  if (lines.empty()) return;
  view_.RemoveMarks(lines, kDoneMark);
  // A record goes once no line reads as its mark: a "-" typed there anew is
  // the user's. One that another line still reads as stays, so that mark
  // goes on being judged.
  std::unordered_set<std::string> taken;
  for (int line : lines) {
    if (line >= 0 && static_cast<std::size_t>(line) < before.size()) taken.insert(before[static_cast<std::size_t>(line)]);
  }
  std::unordered_set<std::string> left;
  for (std::size_t i = 0, next = 0; i < before.size(); ++i) {
    if (next < lines.size() && static_cast<std::size_t>(lines[next]) == i) {
      ++next;
      continue;
    }
    if (taken.count(before[i]) > 0) left.insert(before[i]);
  }
  for (const std::string& text : taken) {
    if (left.count(text) == 0) marks_.Drop(text);
  }
}
