// Which line of the download list the user is typing, if any.
//
// A line typed one key at a time reads, between two keys, something nobody
// meant: half an address, a bare "$" (the save folder), "$C:" (a drive root),
// "$C:\Users" on the way to "$C:\Users\me\pics\". A run must not act on such
// a line: it fetches a line, and copies an image under a folder line, only
// once the typing there is over. Platform-free: times in milliseconds, lines
// by index, as the list and the clock report them.
#pragma once

#include <cstddef>

// The user's last edit of the list: when, and the line the caret stood in
// right after it (the line the key changed). None yet: line -1.
struct UserEdit {
  unsigned long long at = 0;
  int line = -1;
};

// How long a line goes on counting as being typed after its last key. A
// pause of two seconds inside a word (looking up a folder's name, say) must
// not end it; twice that is also the longest a run waits after the last key
// when the caret stays in the line.
constexpr unsigned long long kTypingRestMilliseconds = 4000;

// Whether a line may still be being typed at `now`: the one look a run makes
// when nobody types, with nothing asked of the system.
inline bool MayBeTyping(const UserEdit& edit, unsigned long long now) {
  return edit.line >= 0 && now - edit.at < kTypingRestMilliseconds;
}

// The line being typed at `now`: the line of the user's last edit, while the
// list has the keyboard focus, that line holds the caret, and it has rested
// for less than kTypingRestMilliseconds. -1 when none: the caret left the
// line, the focus left the list, or the line rests.
int LineBeingTyped(const UserEdit& edit, unsigned long long now, bool listHasFocus, int caretLine);

// Whether typing line `typed` can change what line `index` reads or the
// folder it goes into: the line itself, its governing folder line
// (`folderLine`, npos for none) and the lines between, where a "$" typed
// first makes a new folder line. With no folder line above, any line above.
// A line typed below waits for the walk to reach it.
bool TypingReaches(std::size_t typed, std::size_t index, std::size_t folderLine);
