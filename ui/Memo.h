// A multi-line text box that never wraps, with line access by index. Lines are
// separated by "\r\n"; a text that ends with "\r\n" has no extra empty last line.
// Its lines are addresses and folders, so they are read with the address
// conversion: a character the code page lacks comes out percent-encoded.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Control.h"
#include "SoonTimer.h"

namespace ui {

// A change the user made to a box's text, in the box's lines (split at
// "\r\n", as Lines reads them): lines `first` on read `before` and now read
// `after`; the change began at `column` of line `first`; the caret (the moving
// end of the selection) now stands in `caretLine`, right behind a line break
// the change put there when `lineBreakBeforeCaret` (Enter, or a paste that
// ends in one).
struct LineChange {
  std::size_t first = 0;
  std::size_t column = 0;
  std::vector<std::string> before;
  std::vector<std::string> after;
  std::size_t caretLine = 0;
  bool lineBreakBeforeCaret = false;
};

// Told what the user did to a box, once the box has handled it. The
// program's own edits are not the user's, and are not told.
class MemoWatcher {
 public:
  // A key, a paste, a cut, an undo, an input method's result, or another
  // program's edit of the selection changed the text.
  virtual void UserChanged(const LineChange& /*change*/) {}
  // A key or a click moved the caret; it stands in `line` now.
  virtual void CaretMoved(std::size_t /*line*/) {}
  // The click that gave the box the keyboard focus back (from another
  // program, a dialog, a button of this one) put the caret in `line`: the
  // user coming back, not yet moving on. A drag of that same click is told
  // here too.
  virtual void CameBack(std::size_t /*line*/) {}
  // The keyboard focus went to `to`: another window, or none.
  virtual void FocusLost(HWND /*to*/) {}
  // An input method began composing in line `line`, which reads `text`.
  virtual void CompositionStarted(std::size_t /*line*/, const std::string& /*text*/) {}
  // The whole text was set, by the program or another one.
  virtual void TextSetWhole() {}

 protected:
  ~MemoWatcher() = default;
};

class Memo : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds, HFONT font, bool visible);
  // The one that is told what the user does; none when null.
  void Watch(MemoWatcher* watcher) { watcher_ = watcher; }

  int LineCount() const;
  // The line's text, or empty text for an index that does not exist.
  std::string Line(int index) const;
  // The same as the box holds it, every character kept.
  std::wstring WideLine(int index) const;
  // Selects the line's text and replaces it; nothing happens for an index that
  // does not exist. The caret ends after the new text.
  void ReplaceLine(int index, const std::string& text);
  // Puts `mark` in front of line `index` if that line still reads `expected`;
  // false, and nothing changed, when the line is gone or now reads otherwise.
  // The caret and selection stay on the text they stood on. The line's own
  // characters stay as they are, also those the code page lacks.
  bool MarkLine(int index, const std::string& expected, const std::string& mark);
  // Takes `mark` off the start of each of `lines` (indexes in ascending
  // order) that starts with it, with one look at the text and one edit; the
  // caret and selection stay on the text they stood on.
  void RemoveMarks(const std::vector<int>& lines, const std::string& mark);
  // The line the selection starts in.
  int CaretLine() const;
  // Adds `text` as a new last line; the caret stays where it was.
  void AppendLine(const std::string& text);
  // Adds each of `lines` as a new last line, in order, with one edit.
  void AppendLines(const std::vector<std::string>& lines);
  // What AppendLines would insert at the end for `lines`, line breaks
  // included; inserted with InsertAtEnd, in one piece or in several.
  std::string AppendedText(const std::vector<std::string>& lines) const;
  // Inserts `text` at the end; the caret and selection stay where they were.
  void InsertAtEnd(const std::string& text);
  // A caret standing at the end of the text when a long append starts stays
  // there between the slices, so that what the user adds meanwhile goes above
  // the new lines; once they are all in, it goes on to the end, as after one
  // append, unless the user moved it meanwhile.
  class EndCaret {
   public:
    explicit EndCaret(Memo& memo);
    void FollowEnd();

   private:
    Memo& memo_;
    int end_ = -1;
  };

  // Every line, read at once.
  std::vector<std::string> Lines() const;

  // Sets the whole text.
  void SetText(const std::string& text);

  // Moves with every change of the text, whoever made it (the program, the
  // user, another program): a copy of the lines is good while it stays the
  // same.
  unsigned Revision() const { return revision_; }

  void Notify(WORD code) override;

  // Caret and selection, in characters from the start of the text.
  int SelStart() const;
  int SelLength() const;
  // Where the user's selection started, and its moving end, the caret. The
  // box reports its selection in order; this is how the user made it.
  DWORD Anchor() const { return anchor_; }
  DWORD Caret() const { return caret_; }
  void SetSelStart(int position);
  void SetSelLength(int length);
  // Replaces the selection; the caret ends after the inserted text. The
  // program's edits cannot be undone.
  void ReplaceSelection(const std::string& text);
  void ReplaceSelection(const std::wstring& text) { ReplaceSelected(text); }

 private:
  // For the length of an edit the program makes away from the user's caret.
  // Under Wine every selection message on a shown multi-line box scrolls the
  // caret into view and redraws both scroll bars, about 8 ms each, and a mark
  // takes three; Windows does neither. While the box is marked invisible (as
  // WM_SETREDRAW does on Windows, which Wine's scroll bars do not heed) they
  // cost next to nothing. The view goes back to the line the user had at its
  // top and left, and the box is painted a moment later (RepaintSoon) when
  // the edit changed the lines `first` to `last` (-1: to the end) in view,
  // or the scroll bars.
  class QuietEdit {
   public:
    QuietEdit(Memo& memo, int first, int last);
    ~QuietEdit();
    QuietEdit(const QuietEdit&) = delete;
    QuietEdit& operator=(const QuietEdit&) = delete;

   private:
    Memo& memo_;
    int first_;
    int last_;
    int firstLine_;
    SCROLLINFO vertical_;
    SCROLLINFO horizontal_;
    OutOfSight sight_;
  };

  // Replaces the characters from `from` to `to` with `text`, away from the
  // user: out of sight (QuietEdit over the lines `firstLine` to `lastLine`),
  // the user's caret and selection put back on the text they stood on, at
  // the place `moved` gives for each of their old positions.
  void ReplaceAway(DWORD from, DWORD to, const std::wstring& text, int firstLine, int lastLine,
                   const std::function<DWORD(DWORD)>& moved);
  // The selection's start and end, in characters.
  std::pair<DWORD, DWORD> Selection() const;
  // Selects from `anchor` to `caret`, the caret at the moving end.
  void Select(DWORD anchor, DWORD caret);

  // Whether any of the lines `first` to `last` (-1: to the end) is in view.
  bool LinesInView(int first, int last) const;
  // Painting the shown list costs about as much as a small image's download
  // under Wine, and a run marks a line per image: the edits of a moment are
  // painted together, once, kRepaintDelayMilliseconds after the first, and
  // not at all when they changed only lines out of view.
  void RepaintSoon(bool text, bool scrollBars);
  void RepaintNow();
  bool textStale_ = false;
  bool scrollBarsStale_ = false;
  SoonTimer repaint_{SoonTimer::Pace::AfterFirstRequest, kRepaintDelayMilliseconds, [this] { RepaintNow(); }};
  // Fast enough to look immediate while a run marks line after line, slow
  // enough that painting stays a small share of the run.
  static constexpr UINT kRepaintDelayMilliseconds = 300;

  // ReplaceSelection with the control's own text: the one way the program
  // edits a list.
  void ReplaceSelected(const std::wstring& text);
  int LineStart(int index) const;
  int LineLengthAt(int position) const;

  // The box's own procedure, with this one in front of it: it follows the
  // selection as the user makes it, keeps the text as shown, and tells the
  // watcher what the user did once the box has handled each message. Set on
  // the window itself rather than through the common controls' subclassing,
  // which looks up a window property, a round trip to the server under Wine,
  // for every message.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Receive(UINT message, WPARAM wParam, LPARAM lParam);
  // After the box handled `message`, outside any other message of its own.
  void Handled(UINT message, WPARAM wParam, LPARAM lParam);
  void FollowSelection(UINT message, WPARAM wParam, LPARAM lParam);
  // Whether the press under way is the one that gives the box the focus back.
  void NoteFocusClick(UINT message, LPARAM lParam);
  // What the user's change did, from the text as shown before it.
  LineChange UserChange();

  // For the length of an edit of the program's: what the box does meanwhile
  // is not the user's.
  class ProgramEdit {
   public:
    explicit ProgramEdit(Memo& memo) : memo_(memo) { ++memo_.programEdits_; }
    ~ProgramEdit() { --memo_.programEdits_; }
    ProgramEdit(const ProgramEdit&) = delete;
    ProgramEdit& operator=(const ProgramEdit&) = delete;

   private:
    Memo& memo_;
  };

  MemoWatcher* watcher_ = nullptr;
  unsigned revision_ = 0;
  int programEdits_ = 0;
  // Messages of the box's under way, nested in each other.
  int depth_ = 0;
  // The user changed the text during the message under way.
  bool userChanged_ = false;
  // The mouse button under way took the keyboard focus to the box: until it
  // is released, the caret it moves is the user coming back.
  bool focusClick_ = false;
  // A press that finds the focus elsewhere is on its way to the box.
  bool activatingPress_ = false;
  DWORD anchor_ = 0;
  DWORD caret_ = 0;
  // The text as the box shows it, after the last change told or made.
  std::wstring shown_;
};

}  // namespace ui
