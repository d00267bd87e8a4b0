#include "OpenLine.h"

#include <algorithm>
#include <string_view>

#include "ListLines.h"
#include "ProgramMarks.h"

namespace {

constexpr std::size_t kNone = std::string::npos;

bool HeldTheProgramsMark(const std::string& text, const ProgramMarks& marks) {
  return IsDoneLine(text) && marks.MadeByTheProgram(text);
}

}  // namespace

Finished OpenLine::Changed(std::size_t first, std::size_t column, const std::vector<std::string>& before,
                           const std::vector<std::string>& after, std::size_t caretLine, bool lineBreakBeforeCaret,
                           const ProgramMarks& marks) {
  // Lines that read alike at either end were not changed: the line at whose
  // end a line break was typed, the line after a line deleted whole.
  std::size_t lead = 0;
  while (lead < before.size() && lead < after.size() && before[lead] == after[lead]) ++lead;
  std::size_t trail = 0;
  while (trail < before.size() - lead && trail < after.size() - lead &&
         before[before.size() - 1 - trail] == after[after.size() - 1 - trail]) {
    ++trail;
  }
  const std::size_t from = first + lead;
  const std::size_t beforeEnd = first + before.size() - trail;
  const std::size_t afterEnd = first + after.size() - trail;
  // Only the first line can keep its first character through the change:
  // every later line of it starts at text the change put there.
  const auto startKept = [&](std::size_t line) { return line == first && column > 0; };
  // A changed line took the place of the line as far down the old stretch,
  // or of none.
  const auto replaced = [&](std::size_t line) {
    const std::size_t k = line - first;
    return k < before.size() - trail ? before[k] : std::string();
  };
  const auto firstChange = [&](std::size_t line) {
    const std::string was = replaced(line);
    return EditedLine{line, was, HeldTheProgramsMark(was, marks) && startKept(line)};
  };

  // Where the open line stands now, and whether this change went through it.
  std::optional<EditedLine> open = open_;
  bool openChanged = false;
  if (open) {
    if (open->index >= beforeEnd) {
      open->index = open->index - beforeEnd + afterEnd;
    } else if (open->index >= from) {
      openChanged = true;
    }
  }
  // The caret's line is open after the change when the change touched it,
  // unless a line break the user typed ends right before the caret: that
  // finishes the line it ends, and the new line opens only when something
  // is typed into it. Typing on in the open line keeps what it read when it
  // opened.
  std::optional<EditedLine> next;
  bool goesOn = false;  // the open line is still open, wherever it stands now
  const bool caretChanged = caretLine >= from && caretLine < afterEnd;
  // Where the change began inside the open line, the line keeps its start
  // there: a paste of several lines finishes it there, and the caret's line
  // opens anew.
  const bool openKeptItsStart = openChanged && open->index == first && column > 0;
  if (caretChanged && !lineBreakBeforeCaret) {
    if (openChanged && (caretLine == open->index || !openKeptItsStart)) {
      next = open;
      next->index = caretLine;
      next->programMark = next->programMark && startKept(caretLine);
      goesOn = true;
    } else {
      next = firstChange(caretLine);
    }
  } else if (open && !openChanged && open->index == caretLine) {
    next = open;
    goesOn = true;
  }

  Finished finished;
  if (open && !openChanged && !goesOn) finished.lines.push_back(*open);
  for (std::size_t line = from; line < afterEnd; ++line) {
    if (next && next->index == line) continue;
    if (openChanged && !goesOn && line == open->index) {
      finished.lines.push_back({line, open->opened, open->programMark && startKept(line)});
    } else {
      finished.lines.push_back(firstChange(line));
    }
  }
  std::sort(finished.lines.begin(), finished.lines.end(),
            [](const EditedLine& a, const EditedLine& b) { return a.index < b.index; });
  // A folder line the change took away leaves the lines below it to the
  // folder above.
  if (std::any_of(before.begin() + static_cast<std::ptrdiff_t>(lead),
                  before.end() - static_cast<std::ptrdiff_t>(trail),
                  [](const std::string& line) { return IsFolderLine(line); })) {
    finished.foldersFrom = from;
  }
  open_ = next;
  return finished;
}

Finished OpenLine::Composing(std::size_t line, const std::string& text, const ProgramMarks& marks) {
  if (open_ && open_->index == line) return {};
  Finished finished = Finish();
  open_ = EditedLine{line, text, HeldTheProgramsMark(text, marks)};
  return finished;
}

Finished OpenLine::CaretIn(std::size_t line) {
  if (!open_ || open_->index == line) return {};
  return Finish();
}

Finished OpenLine::Close() { return Finish(); }

Finished OpenLine::Finish() {
  Finished finished;
  if (open_) finished.lines.push_back(*open_);
  open_.reset();
  return finished;
}

bool OpenLineHolds(const EditedLine& open, const std::string& now, std::size_t index, std::size_t folderLine,
                   bool folderToo) {
  if (open.index == index) return IsImageLine(now);
  if (!folderToo || open.index > index) return false;
  if (folderLine != kNone && open.index < folderLine) return false;
  // A folder line emptied to be typed anew names no folder for the moment:
  // the lines below it wait for it as for one being typed.
  return IsFolderLine(now) || IsFolderLine(open.opened);
}

bool FinishingTakesTheMark(const EditedLine& line, const std::string& now) {
  return line.programMark && now != line.opened && IsDoneLine(now) && IsImageLine(std::string_view(now).substr(1));
}

std::vector<int> MarksFinishingTakes(const std::vector<std::string>& lines, const Finished& finished,
                                     const std::optional<EditedLine>& open, const std::string& saveFolder,
                                     const ProgramMarks& marks) {
  std::vector<int> taken;
  for (const EditedLine& line : finished.lines) {
    if (line.index < lines.size() && FinishingTakesTheMark(line, lines[line.index])) {
      taken.push_back(static_cast<int>(line.index));
    }
  }
  // An open line that names, or named, a folder governs the lines below it
  // until it is finished: their marks wait for it.
  const bool openFolder = open && open->index < lines.size() &&
                          (IsFolderLine(lines[open->index]) || IsFolderLine(open->opened));
  // The program's marks from `start` down to the first folder line at or
  // after `end` (and not past `last`), each judged by the folder that
  // governs it now.
  const auto judge = [&](std::size_t start, std::size_t end, std::size_t last) {
    std::size_t governing = GoverningFolderLine(lines, start);
    for (std::size_t i = start; i < lines.size() && i <= last; ++i) {
      if (i >= end && IsFolderLine(lines[i])) break;
      if (IsFolderLine(lines[i]) || (openFolder && i == open->index)) {
        governing = i;
        continue;
      }
      if (openFolder && governing == open->index) continue;
      if (open && i == open->index) continue;
      const std::string folder = FolderOfLine(governing == kNone ? std::string() : lines[governing], saveFolder);
      if (HeldTheProgramsMark(lines[i], marks) && !marks.SavedIn(lines[i], folder)) taken.push_back(static_cast<int>(i));
    }
  };
  for (const EditedLine& line : finished.lines) {
    if (line.index >= lines.size()) continue;
    // A finished line that reads as one of the program's marks (a marked
    // line moved under another folder line, say) is judged where it stands.
    judge(line.index, line.index, line.index);
    if (IsFolderLine(lines[line.index]) || IsFolderLine(line.opened)) judge(line.index + 1, line.index + 1, kNone);
  }
  if (finished.foldersFrom != kNone && finished.foldersFrom < lines.size()) {
    const std::size_t last = finished.lines.empty() ? finished.foldersFrom : finished.lines.back().index;
    judge(finished.foldersFrom, (std::max)(finished.foldersFrom, last) + 1, kNone);
  }
  std::sort(taken.begin(), taken.end());
  taken.erase(std::unique(taken.begin(), taken.end()), taken.end());
  return taken;
}
