// Windows found as a user's tools find them, in other processes too, and
// waited for from outside.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

inline std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// Of a window of any process. Its length, then its text, is two messages,
// and the text may change between them: on a slow run a label went from a
// file's name to the longer end of the run, and a read sized by the length
// kept only its start. So the read has room to spare, and only a text that
// leaves some of it unused came whole; otherwise the length is asked again.
inline std::wstring WindowText(HWND window) {
  for (std::size_t spare = 256;; spare *= 2) {
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + spare, L'\0');
    const auto copied = static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(&text[0])));
    if (copied + 1 < text.size()) {
      text.resize(copied);
      return text;
    }
  }
}

// The direct children of `parent` in z-order (which is tab order).
inline std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// The top-level windows of a process.
inline std::vector<HWND> WindowsOf(DWORD processId) {
  std::pair<DWORD, std::vector<HWND>> search(processId, {});
  EnumWindows(
      [](HWND window, LPARAM data) {
        auto* search = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search->first) search->second.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

}  // namespace testsupport

// True if `condition` held within the time, this thread's messages dispatched meanwhile.
template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!condition()) {
    if (GetTickCount64() > deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(20);
  }
  return true;
}
