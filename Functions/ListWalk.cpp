#include "ListWalk.h"

#include <algorithm>
#include <unordered_set>

namespace {

const std::string kNoLine;

}  // namespace

ListWalk::ListWalk(std::vector<std::string> lines, unsigned revision)
    : lines_(std::move(lines)), readAt_(revision), folder_(std::string::npos) {
  CountImageLinesAhead();
}

const std::string& ListWalk::Current() const { return AtEnd() ? kNoLine : lines_[index_]; }

void ListWalk::Next() {
  if (AtEnd()) return;
  if (IsFolderLine(lines_[index_])) folder_ = index_;
  if (IsImageLine(lines_[index_])) --imageLinesAhead_;
  ++index_;
}

bool ListWalk::Follow(std::vector<std::string> lines, unsigned revision) {
  readAt_ = revision;
  // What changed is one stretch: the lines before it and after it read as
  // they did. (Several edits in one go make it the stretch that spans them.)
  const std::size_t shorter = (std::min)(lines_.size(), lines.size());
  std::size_t same = 0;
  while (same < shorter && lines_[same] == lines[same]) ++same;
  std::size_t sameAfter = 0;
  while (sameAfter < shorter - same &&
         lines_[lines_.size() - 1 - sameAfter] == lines[lines.size() - 1 - sameAfter]) {
    ++sameAfter;
  }
  const std::size_t changedEnd = lines_.size() - sameAfter;
  const std::size_t newChangedEnd = lines.size() - sameAfter;

  bool found = true;
  std::size_t at = index_;
  if (index_ >= changedEnd) {
    at = index_ - changedEnd + newChangedEnd;
  } else if (index_ >= same) {
    // Inside the stretch that changed (a folder line put above it and a mark
    // below it, say): still there if its text is there once, as it was.
    // Whichever line reads it, the folder is taken from where that line
    // stands, so a mark there tells the truth.
    const std::string& line = lines_[index_];
    const auto from = lines.begin() + static_cast<std::ptrdiff_t>(same);
    const auto to = lines.begin() + static_cast<std::ptrdiff_t>(newChangedEnd);
    const auto match = std::find(from, to, line);
    found = match != to && std::find(match + 1, to, line) == to &&
            std::count(lines_.begin() + static_cast<std::ptrdiff_t>(same),
                       lines_.begin() + static_cast<std::ptrdiff_t>(changedEnd), line) == 1;
    // Gone: the walk goes on at the line that took its place, counted from
    // whichever end of the changed stretch gives the earlier line, so that
    // no new line there is passed over.
    const std::size_t fromFront = same + (std::min)(index_ - same, newChangedEnd - same);
    const std::size_t fromBack = (std::max)(same, newChangedEnd - (std::min)(newChangedEnd, changedEnd - index_));
    at = found ? static_cast<std::size_t>(match - lines.begin()) : (std::min)(fromFront, fromBack);
    // Counted from the back, the walk may land on lines it passed already
    // (one above was rewritten too): a line that failed is not tried twice.
    if (!found) {
      const std::unordered_set<std::string> passed(lines_.begin() + static_cast<std::ptrdiff_t>(same),
                                                   lines_.begin() + static_cast<std::ptrdiff_t>(index_));
      while (at < newChangedEnd && passed.count(lines[at]) > 0) ++at;
    }
  }
  lines_ = std::move(lines);
  index_ = at;
  FindFolderLine();
  CountImageLinesAhead();
  return found;
}

void ListWalk::Replace(std::string line, unsigned revision) {
  readAt_ = revision;
  if (AtEnd()) return;
  if (IsImageLine(lines_[index_])) --imageLinesAhead_;
  if (IsImageLine(line)) ++imageLinesAhead_;
  lines_[index_] = std::move(line);
}

std::size_t ListWalk::ImageLinesAfter() const {
  return AtEnd() ? 0 : imageLinesAhead_ - static_cast<std::size_t>(IsImageLine(lines_[index_]));
}

void ListWalk::CountImageLinesAhead() {
  imageLinesAhead_ = static_cast<std::size_t>(
      std::count_if(lines_.begin() + static_cast<std::ptrdiff_t>((std::min)(index_, lines_.size())), lines_.end(), IsImageLine));
}

const std::string& ListWalk::FolderLine() const { return folder_ == std::string::npos ? kNoLine : lines_[folder_]; }

void ListWalk::FindFolderLine() {
  folder_ = std::string::npos;
  for (std::size_t i = (std::min)(index_, lines_.size()); i > 0; --i) {
    if (IsFolderLine(lines_[i - 1])) {
      folder_ = i - 1;
      return;
    }
  }
}
