#include "ListWalk.h"

#include <algorithm>

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
  // Where lines repeat, the common start may run on past the line under way
  // and swallow it ([L, L], the first L deleted): the common end, taken
  // first, then keeps it.
  const std::size_t shorter = (std::min)(lines_.size(), lines.size());
  const auto sameFrom = [&](std::size_t limit) {
    std::size_t same = 0;
    while (same < limit && lines_[same] == lines[same]) ++same;
    return same;
  };
  const auto sameBack = [&](std::size_t limit) {
    std::size_t sameAfter = 0;
    while (sameAfter < limit && lines_[lines_.size() - 1 - sameAfter] == lines[lines.size() - 1 - sameAfter]) {
      ++sameAfter;
    }
    return sameAfter;
  };
  const std::size_t same = sameFrom(shorter);
  std::size_t at = index_;
  bool found = Align(lines, same, sameBack(shorter - same), at);
  if (!found) {
    const std::size_t sameAfter = sameBack(shorter);
    std::size_t atFromBack = index_;
    if (Align(lines, sameFrom(shorter - sameAfter), sameAfter, atFromBack)) {
      found = true;
      at = atFromBack;
    }
  }
  lines_ = std::move(lines);
  index_ = at;
  folder_ = GoverningFolderLine(lines_, index_);
  CountImageLinesAhead();
  return found;
}

bool ListWalk::Align(const std::vector<std::string>& lines, std::size_t same, std::size_t sameAfter,
                     std::size_t& at) const {
  if (index_ < same) {
    at = index_;
    return true;
  }
  const std::size_t changedEnd = lines_.size() - sameAfter;
  const std::size_t newChangedEnd = lines.size() - sameAfter;
  const std::string& line = lines_[index_];
  const auto from = lines.begin() + static_cast<std::ptrdiff_t>(same);
  const auto to = lines.begin() + static_cast<std::ptrdiff_t>(newChangedEnd);
  if (index_ >= changedEnd) {
    at = index_ - changedEnd + newChangedEnd;
    // The first line of the common end may as well be a copy pasted below
    // one that stands among the changed lines ([a, L] becoming [b, L, L]):
    // which is which cannot be told, and the earlier one is taken, so that
    // the later one is still ahead and met; never one above a line the walk
    // passed that stands where it stood.
    if (at == newChangedEnd) {
      for (std::size_t j = newChangedEnd; j > same; --j) {
        if (lines[j - 1] == line) {
          at = j - 1;
        } else if (j - 1 < index_ && lines[j - 1] == lines_[j - 1]) {
          break;
        }
      }
    }
    return true;
  }
  // Inside the stretch that changed (a folder line put above it and a mark
  // below it, say): still there if its text is there once, as it was.
  // Whichever line reads it, the folder is taken from where that line
  // stands, so a mark there tells the truth.
  const auto match = std::find(from, to, line);
  const bool found = match != to && std::find(match + 1, to, line) == to &&
                     std::count(lines_.begin() + static_cast<std::ptrdiff_t>(same),
                                lines_.begin() + static_cast<std::ptrdiff_t>(changedEnd), line) == 1;
  if (found) {
    at = static_cast<std::size_t>(match - lines.begin());
    return true;
  }
  // Gone: the walk goes on at the line that took its place, counted from
  // whichever end of the changed stretch gives the earlier line, so that
  // no new line there is passed over.
  const std::size_t fromFront = same + (std::min)(index_ - same, newChangedEnd - same);
  const std::size_t fromBack = (std::max)(same, newChangedEnd - (std::min)(newChangedEnd, changedEnd - index_));
  at = (std::min)(fromFront, fromBack);
  // Counted from the back, the walk may land on lines it passed, where they
  // stood and reading as they did (one above was rewritten too): a line
  // that failed is not tried twice. One the user moved or typed again is
  // met.
  while (at < newChangedEnd && at < index_ && lines[at] == lines_[at]) ++at;
  return false;
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
