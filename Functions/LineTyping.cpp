#include "LineTyping.h"

#include <string>

int LineBeingTyped(const UserEdit& edit, unsigned long long now, bool listHasFocus, int caretLine) {
  if (!MayBeTyping(edit, now) || !listHasFocus || caretLine != edit.line) return -1;
  return edit.line;
}

bool TypingReaches(std::size_t typed, std::size_t index, std::size_t folderLine) {
  return typed <= index && (folderLine == std::string::npos || typed >= folderLine);
}
