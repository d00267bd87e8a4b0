#include "Memo.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "Application.h"
#include "TextRoutines.h"
#include "WideText.h"

namespace ui {

namespace {

// The edit control's own procedure, the same for every box.
WNDPROC& BoxProcedure() {
  static WNDPROC procedure = nullptr;
  return procedure;
}

// Lines of a box's text as Lines splits them: at "\r\n" only.
std::size_t LineOf(const std::wstring& text, std::size_t position) {
  std::size_t line = 0;
  for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos && at + 2 <= position;
       at = text.find(L"\r\n", at + 2)) {
    ++line;
  }
  return line;
}

std::size_t StartOfLine(const std::wstring& text, std::size_t line) {
  std::size_t start = 0;
  for (; line > 0; --line) {
    const std::size_t lineBreak = text.find(L"\r\n", start);
    if (lineBreak == std::wstring::npos) return text.size();
    start = lineBreak + 2;
  }
  return start;
}

// Lines `first` to `last` of `text`, read as Lines reads them.
std::vector<std::string> LinesOf(const std::wstring& text, std::size_t first, std::size_t last) {
  std::vector<std::string> lines;
  std::size_t start = StartOfLine(text, first);
  for (std::size_t line = first; line <= last; ++line) {
    const std::size_t lineBreak = text.find(L"\r\n", start);
    const std::size_t end = lineBreak == std::wstring::npos ? text.size() : lineBreak;
    lines.push_back(WideToAnsiAddress(text.substr(start, end - start)));
    if (lineBreak == std::wstring::npos) break;
    start = lineBreak + 2;
  }
  return lines;
}

// Messages through which the user moves the caret: keys, the mouse (a drag
// goes on with the box's timer), the context menu's "select all".
bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         message == WM_CONTEXTMENU || message == WM_TIMER;
}

bool IsButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN ||
         message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDOWN || message == WM_MBUTTONDBLCLK;
}

bool IsButtonDownNow() {
  return GetKeyState(VK_LBUTTON) < 0 || GetKeyState(VK_RBUTTON) < 0 || GetKeyState(VK_MBUTTON) < 0;
}

// Messages that may move the selection; the others leave it alone.
bool MayMoveSelection(UINT message) {
  return IsUserInput(message) || message == EM_SETSEL || message == EM_REPLACESEL || message == WM_SETTEXT ||
         message == WM_PASTE || message == WM_CUT || message == WM_CLEAR || message == WM_UNDO || message == EM_UNDO ||
         (message >= WM_IME_STARTCOMPOSITION && message <= WM_IME_KEYLAST) || message == WM_IME_CHAR;
}

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
  if (!Handle()) return;
  // The default limit of about 30,000 characters is far below what a page brings.
  SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
  const auto own = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Memo::Procedure)));
  if (!BoxProcedure()) BoxProcedure() = own;
}

LRESULT CALLBACK Memo::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Gone from the map while the box is destroyed: its own procedure alone.
  auto* memo = static_cast<Memo*>(Control::FromHandle(window));
  if (!memo) return CallWindowProcW(BoxProcedure(), window, message, wParam, lParam);
  return Application::Guarded([&] { return memo->Receive(message, wParam, lParam); });
}

LRESULT Memo::Receive(UINT message, WPARAM wParam, LPARAM lParam) {
  if (depth_ == 0) NoteFocusClick(message, lParam);
  if (message == WM_SETFOCUS && IsButtonDownNow()) focusClick_ = true;
  ++depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  };
  LRESULT result;
  {
    const Leave leave{depth_};
    result = CallWindowProcW(BoxProcedure(), Handle(), message, wParam, lParam);
  }
  if (message == WM_SETTEXT) {
    // A multi-line box tells no change for a text set whole.
    ++revision_;
    shown_ = WideText();
  }
  if (depth_ == 0) {
    // What the box sends itself meanwhile is no message of the user's.
    const Leave leave{++depth_};
    Handled(message, wParam, lParam);
  }
  return result;
}

void Memo::NoteFocusClick(UINT message, LPARAM lParam) {
  // The user comes back to the box with a press on it: the press takes the
  // keyboard focus to the box inside the control's own handling of it, or
  // the window's activation gives the focus back just before it. The
  // system tells every press on a child window with WM_MOUSEACTIVATE, the
  // window in front or not: only one that finds the focus elsewhere brings
  // it.
  if (message == WM_MOUSEACTIVATE) {
    activatingPress_ = LOWORD(lParam) == HTCLIENT && GetFocus() != Handle();
  } else if (IsButtonDown(message)) {
    focusClick_ = activatingPress_;
    activatingPress_ = false;
  }
}

void Memo::Handled(UINT message, WPARAM wParam, LPARAM lParam) {
  const DWORD caret = caret_;
  // The click that brought the focus ends with its release; a key is the
  // user at work again.
  const bool comingBack = focusClick_;
  if (message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP || message == WM_KILLFOCUS ||
      (message >= WM_KEYFIRST && message <= WM_KEYLAST)) {
    focusClick_ = false;
  }
  if (MayMoveSelection(message)) FollowSelection(message, wParam, lParam);
  if (!watcher_) return;
  if (message == WM_SETTEXT) watcher_->TextSetWhole();
  if (programEdits_ > 0) {
    userChanged_ = false;
    return;
  }
  if (userChanged_) {
    userChanged_ = false;
    watcher_->UserChanged(UserChange());
  } else if (message == WM_IME_STARTCOMPOSITION) {
    const std::size_t line = LineOf(shown_, caret_);
    watcher_->CompositionStarted(line, LinesOf(shown_, line, line).front());
  } else if (IsUserInput(message) && caret_ != caret) {
    const bool pointing = (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_TIMER;
    if (comingBack && pointing) {
      watcher_->CameBack(LineOf(shown_, caret_));
    } else {
      watcher_->CaretMoved(LineOf(shown_, caret_));
    }
  } else if (message == WM_KILLFOCUS) {
    watcher_->FocusLost(reinterpret_cast<HWND>(wParam));
  }
}

void Memo::FollowSelection(UINT message, WPARAM wParam, LPARAM lParam) {
  const std::pair<DWORD, DWORD> now = Selection();
  if (message == EM_SETSEL && static_cast<int>(wParam) >= 0) {
    // Asked in the user's order: the caret at the end asked second.
    const auto length = static_cast<DWORD>(GetWindowTextLengthW(Handle()));
    const DWORD anchor = (std::min)(static_cast<DWORD>(wParam), length);
    const DWORD caret = static_cast<int>(lParam) < 0 ? length : (std::min)(static_cast<DWORD>(lParam), length);
    if ((std::min)(anchor, caret) == now.first && (std::max)(anchor, caret) == now.second) {
      anchor_ = anchor;
      caret_ = caret;
      return;
    }
  }
  if ((std::min)(anchor_, caret_) == now.first && (std::max)(anchor_, caret_) == now.second) return;
  // The end that stayed is the anchor: a Shift+Up or a drag upwards moves
  // the start of the selection, and the caret with it.
  if (now.first == now.second) {
    anchor_ = caret_ = now.first;
  } else if (now.first == anchor_) {
    caret_ = now.second;
  } else if (now.second == anchor_) {
    caret_ = now.first;
  } else {
    anchor_ = now.first;
    caret_ = now.second;
  }
}

LineChange Memo::UserChange() {
  std::wstring now = WideText();
  const std::wstring& was = shown_;
  // The changed stretch, taken to end at the caret where it can (the text
  // typed or pasted ends there): in "a\r\n" + "\r\n" + "b" the line break
  // typed is the first one.
  const std::size_t shorter = (std::min)(was.size(), now.size());
  std::size_t same = 0;
  while (same < shorter && was[same] == now[same]) ++same;
  std::size_t sameAfter = 0;
  const std::size_t tail = now.size() - (std::min<std::size_t>)(caret_, now.size());
  if (tail <= was.size() && was.compare(was.size() - tail, tail, now, now.size() - tail, tail) == 0) {
    sameAfter = tail;
    same = (std::min)(same, (std::min)(static_cast<std::size_t>(caret_), was.size() - tail));
  } else {
    while (sameAfter < shorter - same && was[was.size() - 1 - sameAfter] == now[now.size() - 1 - sameAfter]) {
      ++sameAfter;
    }
  }
  const std::size_t changedEnd = now.size() - sameAfter;
  LineChange change;
  change.first = LineOf(now, same);
  change.column = same - StartOfLine(now, change.first);
  change.before = LinesOf(was, change.first, LineOf(was, was.size() - sameAfter));
  change.after = LinesOf(now, change.first, LineOf(now, changedEnd));
  change.caretLine = LineOf(now, caret_);
  change.lineBreakBeforeCaret = caret_ == changedEnd && changedEnd > same && now[changedEnd - 1] == L'\n';
  shown_ = std::move(now);
  return change;
}

void Memo::Notify(WORD code) {
  // The user's edits, and the control's own after EM_REPLACESEL.
  if (code != EN_CHANGE) return;
  ++revision_;
  if (programEdits_ == 0) userChanged_ = true;
}

void Memo::SetText(const std::string& text) {
  const ProgramEdit edit(*this);
  Control::SetText(text);
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
  const std::wstring line = WideLine(index);
  return WideToAnsiAddress(line.data(), line.size());
}

std::wstring Memo::WideLine(int index) const {
  if (index < 0 || index >= LineCount()) return std::wstring();
  const int start = LineStart(index);
  if (start < 0) return std::wstring();
  const int length = LineLengthAt(start);
  if (length <= 0) return std::wstring();
  if (length < 0xFFFF) {
    // EM_GETLINE takes the buffer's size in its first word.
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    buffer[0] = static_cast<wchar_t>(length);
    const LRESULT copied =
        SendMessageW(Handle(), EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&buffer[0]));
    buffer.resize(static_cast<std::size_t>(copied));
    return buffer;
  }
  return WideText().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
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
    const LRESULT at = SendMessageW(box, EM_POSFROMCHAR, memo_.Caret(), 0);
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
  // Put back as the user made it: the anchor where it was, the caret at the
  // moving end, so that a Shift+Up or a drag under way goes on from there.
  const DWORD anchor = anchor_;
  const DWORD caret = caret_;
  const ProgramEdit edit(*this);
  QuietEdit quiet(*this, firstLine, lastLine);
  SendMessageW(Handle(), EM_SETSEL, from, to);
  ReplaceSelected(text);
  Select(moved(anchor), moved(caret));
}

void Memo::Select(DWORD anchor, DWORD caret) {
  SendMessageW(Handle(), EM_SETSEL, anchor, static_cast<LPARAM>(caret));
  // Taken as asked also where the box's own report of it does not reach
  // FollowSelection: an edit made while the box handles a message.
  const std::pair<DWORD, DWORD> now = Selection();
  if ((std::min)(anchor, caret) == now.first && (std::max)(anchor, caret) == now.second) {
    anchor_ = anchor;
    caret_ = caret;
  }
}

std::pair<DWORD, DWORD> Memo::Selection() const {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

Memo::EndCaret::EndCaret(Memo& memo) : memo_(memo) {
  // Only from a line of its own: a caret at the end of a line being typed
  // stays in that line.
  const int length = GetWindowTextLengthW(memo.Handle());
  const bool onItsOwnLine = memo.shown_.empty() || memo.shown_.back() == L'\n';
  if (memo.SelLength() == 0 && memo.SelStart() == length && onItsOwnLine) end_ = length;
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

void Memo::SetSelStart(int position) { Select(static_cast<DWORD>(position), static_cast<DWORD>(position)); }

void Memo::SetSelLength(int length) {
  const auto start = static_cast<DWORD>(SelStart());
  Select(start, start + static_cast<DWORD>(length));
}

void Memo::ReplaceSelection(const std::string& text) { ReplaceSelected(AnsiToControlText(text)); }

void Memo::ReplaceSelected(const std::wstring& wide) {
  ++revision_;
  // The program's edits cannot be undone, as the control's own text setting
  // cannot: Ctrl+Z would otherwise take back a mark, or lines appended out of
  // view. The user's earlier edit goes from the undo buffer too, since its
  // place in the text may have moved under it.
  const ProgramEdit edit(*this);
  const std::pair<DWORD, DWORD> selection = Selection();
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  SendMessageW(Handle(), EM_EMPTYUNDOBUFFER, 0, 0);
  // The text as shown follows without reading it all again, unless the box
  // took the text otherwise than asked.
  if (selection.first <= selection.second && selection.second <= shown_.size()) {
    shown_.replace(selection.first, selection.second - selection.first, wide);
  }
  if (shown_.size() != static_cast<std::size_t>(GetWindowTextLengthW(Handle()))) shown_ = WideText();
}

}  // namespace ui
