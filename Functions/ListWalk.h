// A walk down the download list that keeps its place while the list is edited.
//
// The user edits the list while a run walks it: folder lines chosen, typed or
// rewritten, lines deleted or pasted, marks made by a nested run. An index
// alone would then point at another line, and a folder remembered from a line
// passed earlier may no longer stand above the line under way. So the walk
// keeps a copy of the lines, and when the list reads otherwise it finds its
// line again through the edit, and takes its folder anew from the list as it
// stands. Platform-free: the list's text comes in as lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ListLines.h"

class ListWalk {
 public:
  // The list's lines as read at `revision` (the list's count of changes).
  explicit ListWalk(std::vector<std::string> lines = {}, unsigned revision = 0);
  unsigned ReadAt() const { return readAt_; }

  bool AtEnd() const { return index_ >= lines_.size(); }
  std::size_t Index() const { return index_; }
  // The line under way; empty text at the end.
  const std::string& Current() const;
  // On to the next line, passing the folder line it may leave behind.
  void Next();

  // The list now reads `lines`. The line under way is found again: through
  // the edit (the lines before and after it that stayed the same), or as the
  // one line with its text among the lines that changed. False when it is
  // gone; the walk then stands at the first line that took its place. Among
  // identical lines it takes the earliest the edit allows, so that the
  // others are still ahead and met.
  bool Follow(std::vector<std::string> lines, unsigned revision);

  // The line under way is `line` now (a mark was put in front of it), and the
  // list changed nowhere else; it is at `revision` now.
  void Replace(std::string line, unsigned revision);

  // The image lines below the line under way, as the list was last read:
  // what the walk still has to meet. Kept as the walk goes, not counted.
  std::size_t ImageLinesAfter() const;

  // The folder line that governs the line under way: the nearest line above
  // it that starts with "$", or empty text when there is none.
  const std::string& FolderLine() const;
  // Its index, or npos.
  std::size_t FolderIndex() const { return folder_; }

  // The lines as the list was last read.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  // Where the line under way stands in `lines` when the lines before and
  // after the changed stretch are `same` and `sameAfter`; false when it is
  // not to be found there, `at` then the line that took its place.
  bool Align(const std::vector<std::string>& lines, std::size_t same, std::size_t sameAfter, std::size_t& at) const;
  void CountImageLinesAhead();

  std::vector<std::string> lines_;
  unsigned readAt_;
  std::size_t index_ = 0;
  // The governing folder line's index, or npos.
  std::size_t folder_;
  // The image lines from the line under way to the end.
  std::size_t imageLinesAhead_ = 0;
};
