#include "Memo.h"

#include <commctrl.h>

#include <algorithm>

#include <vector>

#include "Functions.h"
#include "WideText.h"

namespace ui {

namespace {

SCROLLINFO ScrollBar(HWND box, int bar) {
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  GetScrollInfo(box, bar, &info);
  return info;
}

bool SameScrollBar(const SCROLLINFO& a, const SCROLLINFO& b) {
  return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}

}  // namespace

void Memo::Create(HWND parent, const Bounds& bounds, HFONT font, bool visible) {
  DWORD style = WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                ES_WANTRETURN | ES_NOHIDESEL;
  if (visible) style |= WS_VISIBLE;
  CreateHandle({WC_EDITW, style, WS_EX_CLIENTEDGE, L"", bounds, parent, font});
  // The default limit of about 30,000 characters is far below what a page brings.
  SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

void Memo::Notify(WORD code) {
  // The user's edits, and the control's own after EM_REPLACESEL.
  if (code != EN_CHANGE) return;
  ++revision_;
  if (!programEdit_) userEdit_ = {GetTickCount64(), CaretLine()};
}

void Memo::SetText(const std::string& text) {
  ++revision_;
  programEdit_ = true;
  Control::SetText(text);
  programEdit_ = false;
}

unsigned Memo::Revision() {
  // A text set from outside (WM_SETTEXT sends no EN_CHANGE to a multi-line
  // box) shows in its length, or, for a text of the same length, in the
  // control's modified flag, which setting the text clears and which is set
  // again here after every look.
  const int length = GetWindowTextLengthW(Handle());
  if (length != lastLength_ || !SendMessageW(Handle(), EM_GETMODIFY, 0, 0)) {
    lastLength_ = length;
    ++revision_;
    SendMessageW(Handle(), EM_SETMODIFY, TRUE, 0);
  }
  return revision_;
}

int Memo::LineStart(int index) const {
  return static_cast<int>(SendMessageW(Handle(), EM_LINEINDEX, static_cast<WPARAM>(index), 0));
}

int Memo::LineLengthAt(int position) const {
  return static_cast<int>(SendMessageW(Handle(), EM_LINELENGTH, static_cast<WPARAM>(position), 0));
}

int Memo::LineCount() const {
  int count = static_cast<int>(SendMessageW(Handle(), EM_GETLINECOUNT, 0, 0));
  if (count > 0 && LineLengthAt(LineStart(count - 1)) == 0) --count;
  return count;
}

std::string Memo::Line(int index) const {
  if (index < 0 || index >= LineCount()) return std::string();
  const int start = LineStart(index);
  if (start < 0) return std::string();
  const int length = LineLengthAt(start);
  if (length <= 0) return std::string();
  if (length < 0xFFFF) {
    // EM_GETLINE takes the buffer's size in its first word.
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    buffer[0] = static_cast<wchar_t>(length);
    const LRESULT copied =
        SendMessageW(Handle(), EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return WideToAnsiAddress(buffer.data(), static_cast<std::size_t>(copied));
  }
  const std::wstring text = WideText();
  return WideToAnsiAddress(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)));
}

void Memo::ReplaceLine(int index, const std::string& text) {
  // The empty line after a final line break, or line 0 of an empty box, is no
  // line: replacing it would bring back text that was cleared.
  if (index < 0 || index >= LineCount()) return;
  const int start = LineStart(index);
  if (start < 0) return;
  SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + LineLengthAt(start));
  ReplaceSelection(text);
}

Memo::QuietEdit::QuietEdit(Memo& memo, int first, int last)
    : memo_(memo),
      first_(first),
      last_(last),
      firstLine_(static_cast<int>(SendMessageW(memo.Handle(), EM_GETFIRSTVISIBLELINE, 0, 0))),
      vertical_(ScrollBar(memo.Handle(), SB_VERT)),
      horizontal_(ScrollBar(memo.Handle(), SB_HORZ)),
      sight_(memo) {}

Memo::QuietEdit::~QuietEdit() {
  const HWND box = memo_.Handle();
  // The view goes back where the user had it, across as well as down: the
  // selections scrolled it to where they stood.
  const int firstLine = static_cast<int>(SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0));
  if (firstLine != firstLine_) SendMessageW(box, EM_LINESCROLL, 0, firstLine_ - firstLine);
  if (ScrollBar(box, SB_HORZ).nPos != horizontal_.nPos) {
    SendMessageW(box, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, horizontal_.nPos), 0);
  }
  if (!sight_.WasVisible()) return;
  sight_.Restore();
  // The caret was left where the selections put it on the scrolled view.
  if (GetFocus() == box) {
    const LRESULT at = SendMessageW(box, EM_POSFROMCHAR, memo_.Selection().second, 0);
    if (at != -1) SetCaretPos(static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at)));
  }
  // A view that could not be put back shows other text than before.
  const SCROLLINFO vertical = ScrollBar(box, SB_VERT), horizontal = ScrollBar(box, SB_HORZ);
  const bool moved = vertical.nPos != vertical_.nPos || horizontal.nPos != horizontal_.nPos;
  memo_.RepaintSoon(moved || memo_.LinesInView(first_, last_),
                    !SameScrollBar(vertical_, vertical) || !SameScrollBar(horizontal_, horizontal));
}

bool Memo::LinesInView(int first, int last) const {
  const int top = static_cast<int>(SendMessageW(Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
  if (last >= 0 && last < top) return false;
  // The height of a line, from where the first two lines in view stand.
  const LRESULT at = SendMessageW(Handle(), EM_POSFROMCHAR, static_cast<WPARAM>(LineStart(top)), 0);
  const int next = LineStart(top + 1);
  const LRESULT below = next < 0 ? -1 : SendMessageW(Handle(), EM_POSFROMCHAR, static_cast<WPARAM>(next), 0);
  const int height = at == -1 || below == -1 ? 0 : static_cast<short>(HIWORD(below)) - static_cast<short>(HIWORD(at));
  if (height <= 0) return true;  // not known: it may show
  RECT client;
  GetClientRect(Handle(), &client);
  return first <= top + (client.bottom - client.top) / height;
}

void Memo::RepaintSoon(bool text, bool scrollBars) {
  textStale_ = textStale_ || text;
  scrollBarsStale_ = scrollBarsStale_ || scrollBars;
  if (textStale_ || scrollBarsStale_) repaint_.Request(Handle());
}

void Memo::RepaintNow() {
  // Changed scroll bars repaint the whole box: a themed edit control paints
  // its frame over the text too.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | (scrollBarsStale_ ? RDW_FRAME : 0));
  textStale_ = scrollBarsStale_ = false;
}

bool Memo::MarkLine(int index, const std::string& expected, const std::string& mark) {
  if (expected.empty() || Line(index) != expected) return false;
  const DWORD start = static_cast<DWORD>(LineStart(index));
  // The user's caret and selection stay on the text they stood on: typing
  // during a run goes where the user put it, never into a line just marked.
  const std::wstring wideMark = AnsiToControlText(mark);
  ReplaceAway(start, start, wideMark, index, index, [&](DWORD position) {
    return position > start ? position + static_cast<DWORD>(wideMark.size()) : position;
  });
  return true;
}

void Memo::RemoveMarks(const std::vector<int>& lines, const std::string& mark) {
  const std::wstring wideMark = AnsiToControlText(mark);
  if (lines.empty() || wideMark.empty()) return;
  const std::wstring text = WideText();
  std::vector<std::size_t> marks;
  std::size_t next = 0;
  int line = 0;
  for (std::size_t at = 0; next < lines.size(); ++line) {
    if (line == lines[next]) {
      if (text.compare(at, wideMark.size(), wideMark) == 0) marks.push_back(at);
      ++next;
    }
    const std::size_t lineBreak = text.find(L"\r\n", at);
    if (lineBreak == std::wstring::npos) break;
    at = lineBreak + 2;
  }
  if (marks.empty()) return;
  // One edit from the first mark to the last: under Wine every selection on
  // the shown list redraws its scroll bars, and an edit per mark made a
  // choice above thousands of done lines take half a minute.
  const std::size_t length = wideMark.size();
  std::wstring stretch;
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const std::size_t end = i + 1 < marks.size() ? marks[i + 1] : marks.back() + length;
    stretch.append(text, marks[i] + length, end - marks[i] - length);
  }
  ReplaceAway(static_cast<DWORD>(marks.front()), static_cast<DWORD>(marks.back() + length), stretch, lines.front(),
              lines.back(), [&](DWORD position) {
                DWORD removed = 0;
                for (auto mark = marks.begin(); mark != marks.end() && *mark < position; ++mark) {
                  removed += static_cast<DWORD>((std::min)(length, position - *mark));
                }
                return position - removed;
              });
}

int Memo::CaretLine() const { return static_cast<int>(SendMessageW(Handle(), EM_LINEFROMCHAR, -1, 0)); }

void Memo::AppendLine(const std::string& text) { AppendLines({text}); }

void Memo::AppendLines(const std::vector<std::string>& lines) { InsertAtEnd(AppendedText(lines)); }

std::string Memo::AppendedText(const std::vector<std::string>& lines) const {
  // After a final line break the new lines go behind it, each with its own;
  // otherwise they start on a new line after the last one.
  const bool endsWithLineBreak = LineStart(LineCount()) >= 0;
  std::string inserted;
  for (const std::string& line : lines) {
    if (endsWithLineBreak) {
      inserted.append(line).append("\r\n");
    } else {
      inserted.append("\r\n").append(line);
    }
  }
  return inserted;
}

void Memo::InsertAtEnd(const std::string& text) {
  if (text.empty()) return;
  // The user's caret and selection stay where they were. A long append goes
  // in slices with other handlers running between them; left at the end, the
  // caret would put a folder chosen meanwhile, or typed text, among the new
  // lines, and split them. Out of sight meanwhile: on the shown list the
  // move to the end and the move back would each scroll it and redraw its
  // scroll bars under Wine, for every slice of a long append.
  const DWORD end = static_cast<DWORD>(GetWindowTextLengthW(Handle()));
  ReplaceAway(end, end, AnsiToControlText(text), static_cast<int>(SendMessageW(Handle(), EM_GETLINECOUNT, 0, 0)) - 1,
              -1, [](DWORD position) { return position; });
}

void Memo::ReplaceAway(DWORD from, DWORD to, const std::wstring& text, int firstLine, int lastLine,
                       const std::function<DWORD(DWORD)>& moved) {
  const std::pair<DWORD, DWORD> selection = Selection();
  QuietEdit quiet(*this, firstLine, lastLine);
  SendMessageW(Handle(), EM_SETSEL, from, to);
  ReplaceSelected(text);
  SendMessageW(Handle(), EM_SETSEL, moved(selection.first), moved(selection.second));
}

std::pair<DWORD, DWORD> Memo::Selection() const {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

Memo::EndCaret::EndCaret(Memo& memo) : memo_(memo) {
  const int length = GetWindowTextLengthW(memo.Handle());
  if (memo.SelLength() == 0 && memo.SelStart() == length) end_ = length;
}

void Memo::EndCaret::FollowEnd() {
  if (end_ < 0 || memo_.SelLength() != 0 || memo_.SelStart() != end_) return;
  memo_.SetSelStart(GetWindowTextLengthW(memo_.Handle()));
}

std::vector<std::string> Memo::Lines() const { return SplitLines(WideToAnsiAddress(WideText())); }

int Memo::SelStart() const { return static_cast<int>(Selection().first); }

int Memo::SelLength() const {
  const std::pair<DWORD, DWORD> selection = Selection();
  return static_cast<int>(selection.second - selection.first);
}

void Memo::SetSelStart(int position) {
  SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(position), position);
}

void Memo::SetSelLength(int length) {
  const int start = SelStart();
  SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

void Memo::ReplaceSelection(const std::string& text) { ReplaceSelected(AnsiToControlText(text)); }

void Memo::ReplaceSelected(const std::wstring& wide) {
  ++revision_;
  // The program's edits cannot be undone, as the control's own text setting
  // cannot: Ctrl+Z would otherwise take back a mark, or lines appended out of
  // view. The user's earlier edit goes from the undo buffer too, since its
  // place in the text may have moved under it.
  programEdit_ = true;
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  programEdit_ = false;
  SendMessageW(Handle(), EM_EMPTYUNDOBUFFER, 0, 0);
}

}  // namespace ui
