// Where the running test program lies: the stand-ins it starts are built
// beside it, and Pixorra.exe one folder up.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

inline std::wstring ExePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

inline std::wstring ExeFolder() {  // ending in "\"
  const std::wstring path = ExePath();
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace testsupport
