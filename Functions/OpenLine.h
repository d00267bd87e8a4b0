// The line of the download list that the user has open, and what finishing
// a line does to the program's marks.
//
// A line the user edits reads, between two keys, something nobody meant: half
// an address, a bare "$" (the save folder), "$C:" (a drive root), "$D:\图"
// on the way to "$D:\图片\". A pause tells nothing: the user may be copying a
// folder's name in another program, or reading an input method's candidates,
// which the list never sees. So a line opens at the user's first change of
// it and stays open until the user leaves it: the caret goes to another line,
// or the user goes to another control of the program. A run acts on an open
// line only where it cannot matter. Platform-free: lines by index, as the
// list reports them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class ProgramMarks;

// A line the user opened: where it stands now, what it read just before the
// user's first change, and whether its "-" was then the program's mark and
// has been left alone since.
struct EditedLine {
  std::size_t index = 0;
  std::string opened;
  bool programMark = false;
};

// What a change, or the user leaving a line, finished: the lines, and the
// first line below which lines may now fall to another folder (a folder line
// was finished, or went), npos for none.
struct Finished {
  std::vector<EditedLine> lines;
  std::size_t foldersFrom = std::string::npos;
};

class OpenLine {
 public:
  // The user changed the list, as the list reports it: lines `first` on read
  // `before` and now read `after`; the change began at `column` of line
  // `first`; the caret (the moving end of the selection) now stands in
  // `caretLine`, right behind a line break the change typed or pasted when
  // `lineBreakBeforeCaret`. The line the caret stands in opens, or stays
  // open, when the change touched it, unless the change ended with that line
  // break (Enter, a paste that ends in one): the new line opens only when
  // something is typed into it. Every other line the change touched is
  // finished, and so is the open line when the caret left it.
  Finished Changed(std::size_t first, std::size_t column, const std::vector<std::string>& before,
                   const std::vector<std::string>& after, std::size_t caretLine, bool lineBreakBeforeCaret,
                   const ProgramMarks& marks);
  // An input method began composing in line `line`, which reads `text`: a
  // change of that line, before any character arrives.
  Finished Composing(std::size_t line, const std::string& text, const ProgramMarks& marks);
  // The caret went to line `line` by a key or a click.
  Finished CaretIn(std::size_t line);
  // The user went to another control of the program, or chose a folder.
  Finished Close();
  // The list was emptied, or set anew from outside: nothing is open.
  void Forget() { open_.reset(); }
  // `count` lines went in before line `at` (the program appends at the end,
  // where the user may have the empty last line open).
  void Inserted(std::size_t at, std::size_t count) {
    if (open_ && open_->index >= at) open_->index += count;
  }

  const std::optional<EditedLine>& Line() const { return open_; }

 private:
  Finished Finish();
  std::optional<EditedLine> open_;
};

// Whether an open line holds a walk that stands at line `index`, governed by
// the folder line `folderLine` (npos: none). Before the walk fetches its line
// (`folderToo` false): when the open line is that line and reads as an image
// line. Before it copies the image: also when the open line stands between
// the folder line, included, and the line, and reads, or read when opened,
// as a folder line; with no folder line above, anywhere above. `now` is what
// the open line reads now.
bool OpenLineHolds(const EditedLine& open, const std::string& now, std::size_t index, std::size_t folderLine,
                   bool folderToo);

// Whether a finished line that reads `now` loses its "-": the "-" was the
// program's when the line opened, untouched since, and what follows it now
// reads as another image line than before. Not when the line reads as before,
// when a folder line follows the "-", or when the "-" is the user's own.
bool FinishingTakesTheMark(const EditedLine& line, const std::string& now);

// The program's marks that finishing made untrue, as indexes in order: those
// the finished lines lose (FinishingTakesTheMark); of the finished lines, and
// of the lines below a finished folder line down to the next one, or below
// `finished.foldersFrom` down to the first folder line after the last
// finished line, those that read as a mark of the program's whose image is
// not in the folder that governs them now. Lines that an open line reading,
// or having read, as a folder line governs wait for it.
std::vector<int> MarksFinishingTakes(const std::vector<std::string>& lines, const Finished& finished,
                                     const std::optional<EditedLine>& open, const std::string& saveFolder,
                                     const ProgramMarks& marks);
