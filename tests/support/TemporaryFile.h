// Files on disk: a file of given bytes in the temporary folder, deleted with
// the holder (the stand-ins read their input from it, as a page of megabytes
// fits on no command line), and what a folder holds.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace testsupport {

class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& bytes) {
    wchar_t folder[MAX_PATH] = {}, file[MAX_PATH] = {};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"pix", 0, file)) return;
    path_ = file;
    std::ofstream(path_.c_str(), std::ios::binary) << bytes;
  }
  ~TemporaryFile() {
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::wstring& Path() const { return path_; }  // empty if none could be made

 private:
  std::wstring path_;
};

// The contents of every file in `folder` (ending in "\").
inline std::multiset<std::string> FilesIn(const std::wstring& folder) {
  std::multiset<std::string> contents;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return contents;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::ifstream file((folder + found.cFileName).c_str(), std::ios::binary);
    contents.emplace(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return contents;
}

inline std::multiset<std::string> FilesIn(const std::string& folder) {
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
  return FilesIn(std::wstring(wide));
}

// The names of the files and folders that `pattern` ("C:\\x\\*") finds.
inline std::set<std::wstring> NamesIn(const std::wstring& pattern) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
    if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..") names.insert(found.cFileName);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return names;
}

}  // namespace testsupport
