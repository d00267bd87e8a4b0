// The download list behind ImageListMemo: its lines as the runs walk them,
// the done marks the program made in it, and the line the user has open.
//
// The box is the view: it shows the text and reports what the user did.
// Everything the program does to the list goes through here, one event one
// call, and each call keeps the records true: a line saved is marked, the
// walk follows the mark and the mark is recorded with its folder, with no
// message let through in between.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "FailureReasons.h"
#include "Label.h"
#include "ListWalk.h"
#include "Memo.h"
#include "OpenLine.h"
#include "ProgramMarks.h"

class DownloadList : private ui::MemoWatcher {
 public:
  // `view` shows the list; `saveFolder` holds the folder chosen last.
  DownloadList(ui::Memo& view, ui::Label& saveFolder);
  ~DownloadList();
  DownloadList(const DownloadList&) = delete;
  DownloadList& operator=(const DownloadList&) = delete;

  // Whether the keyboard focus going to `window` finishes the open line: a
  // control of the program's that the user types into. Set by the form.
  void SetLeavingFocus(std::function<bool(HWND)> leaves) { leavingFocus_ = std::move(leaves); }
  // The user clicked a button of the program's: the open line is finished.
  // The click, not the focus: a press takes the focus, and may still be
  // dragged off the button, or the user may Tab on past it.
  void Leave() { Finish(open_.Close()); }
  // Says why the line the caret went to failed, or, given none, how the
  // runs ended again. Set by the form.
  void SetFailureShown(std::function<void(const FailureReason*)> show) { showFailure_ = std::move(show); }

  std::vector<std::string> Lines() const { return view_.Lines(); }
  // The marks the runs made, with the folders their images went into.
  ProgramMarks& Marks() { return marks_; }
  // The line the user has open, if any.
  const std::optional<EditedLine>& LineOpen() const { return open_.Line(); }

  // A walk from the top of the list as it stands.
  ListWalk Walk() const { return ListWalk(view_.Lines(), view_.Revision()); }
  // The walk caught up with the list as it stands now. False when its line
  // went meanwhile: the walk stands at the line that took its place.
  bool CatchUp(ListWalk& walk);
  // What the open line reads, when it holds the walk, caught up: before the
  // fetch of its line (`folderToo` false), or before the copy of its image.
  std::optional<std::string> Holding(const ListWalk& walk, bool folderToo) const;
  // The folder that governs the walk's line, caught up, as the list's box
  // holds it: every character kept, where the list's lines read a
  // character the code page lacks as its escapes.
  std::wstring FolderOf(const ListWalk& walk) const;
  // The walk's line was fetched: `copy` puts its image into the folder that
  // governs the line now and says whether it did. Then the line is marked,
  // the walk follows the mark, and the mark is recorded with its folder.
  // False, and nothing marked, when the copy failed or the line reads
  // otherwise now. No message goes through meanwhile.
  bool Save(ListWalk& walk, const std::function<bool(const std::wstring& folder)>& copy);
  // The lines as a run ends with them: the walk's copy while the list stands
  // as it read it.
  std::vector<std::string> LinesAtEnd(const ListWalk& walk) const;
  // 1 when the open line held the program's mark and reads otherwise now:
  // it counts as not done until it is finished.
  std::size_t OpenMarkUndone() const;

  // The user chose `folder`: the open line is finished, a folder line for it
  // goes in at the caret (at the very top for the first choice), and it is
  // the save folder from now on. The program's marks the choice makes
  // untrue go, with their records.
  void FolderChosen(const std::wstring& folder);

  // Why each line failed, kept as the outermost run ends: the caret on such
  // a line says it, until the line is edited, the lists are cleared or a
  // new run starts.
  void KeepFailures(const FailedLines& failures);
  void ForgetFailures();

  // Image lines appended at the end in slices, with messages going through
  // between them: those of `collected` that pass `filter` and that the list
  // does not hold yet. Before each slice the rest is checked against the
  // list again: another append, a pick or the user may have added lines.
  class Append {
   public:
    Append(DownloadList& list, const std::vector<std::string>& collected, std::string filter);
    // Puts in the next `perSlice` lines; false once all are in. Only then
    // does a caret that stood at the end go on to the end.
    bool Next(std::size_t perSlice);

   private:
    DownloadList& list_;
    std::string filter_;
    std::vector<std::string> lines_;
    std::size_t done_ = 0;
    unsigned readAt_;
    ui::Memo::EndCaret caret_;
  };

  // The lists were cleared: no line open, a mark pasted back is the user's,
  // and no line failed.
  void Clear();

 private:
  // What the user did, as the box tells it.
  void UserChanged(const ui::LineChange& change) override;
  void CaretMoved(std::size_t line) override;
  void CameBack(std::size_t line) override;
  void FocusLost(HWND to) override;
  void CompositionStarted(std::size_t line, const std::string& text) override;
  void TextSetWhole() override;

  // The program's marks that finishing `finished` made untrue go.
  void Finish(const Finished& finished);
  // The save folder as the list's lines read: a character the code page
  // lacks as its escapes.
  std::string SaveFolder() const;
  // The caret stands in `line`: the label says why it failed, or what it
  // said before once the caret leaves a failed line.
  void ShowFailureAt(std::size_t line);
  // Takes the program's marks off `lines` of the list, which read `before`,
  // and the record of each one that no line reads any more.
  void TakeMarks(const std::vector<std::string>& before, const std::vector<int>& lines);

  ui::Memo& view_;
  ui::Label& saveFolder_;
  ProgramMarks marks_;
  OpenLine open_;
  std::function<bool(HWND)> leavingFocus_;
  FailedLines failures_;
  bool failureShown_ = false;
  std::function<void(const FailureReason*)> showFailure_;
};
