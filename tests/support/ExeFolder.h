// Where the running program lies: test programs in build/win/tests/, the demo's
// in build/win/demo/ with the stand-in page, and Pixorra.exe one folder up.
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

inline std::wstring BuildFolder() {  // ending in "\"
  const std::wstring folder = ExeFolder();
  return folder.substr(0, folder.find_last_of(L"\\/", folder.size() - 2) + 1);
}

}  // namespace testsupport
