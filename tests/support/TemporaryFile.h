// A file of given bytes in the temporary folder, deleted with the holder. The
// stand-ins a test starts read their input from such files: a page of
// megabytes does not fit on a command line.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>

namespace testsupport {

class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& bytes) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t file[MAX_PATH] = {};
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

}  // namespace testsupport
