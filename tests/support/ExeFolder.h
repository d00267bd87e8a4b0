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

inline std::wstring ExeFolder() { return ExePath().substr(0, ExePath().find_last_of(L"\\/") + 1); }  // ending in "\"

}  // namespace testsupport
