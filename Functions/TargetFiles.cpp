#include "TargetFiles.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "DownloadNaming.h"

namespace {

constexpr int kLastNumber = 9999;

class UniqueFile {
 public:
  explicit UniqueFile(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
  ~UniqueFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;

  HANDLE Get() const { return handle_; }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool PathIsFree(const std::string& path) { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; }

// Reads up to `buffer.size()` bytes; the count read, or -1 on failure.
long long ReadSome(HANDLE file, std::vector<char>& buffer) {
  DWORD read = 0;
  if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return -1;
  return read;
}

}  // namespace

bool SameFileContent(const std::string& first, const std::string& second) {
  UniqueFile a(first);
  UniqueFile b(second);
  if (!a.IsOpen() || !b.IsOpen()) return false;
  LARGE_INTEGER sizeA;
  LARGE_INTEGER sizeB;
  if (!GetFileSizeEx(a.Get(), &sizeA) || !GetFileSizeEx(b.Get(), &sizeB) || sizeA.QuadPart != sizeB.QuadPart) {
    return false;
  }
  std::vector<char> bufferA(1 << 16);
  std::vector<char> bufferB(1 << 16);
  for (;;) {
    const long long readA = ReadSome(a.Get(), bufferA);
    const long long readB = ReadSome(b.Get(), bufferB);
    if (readA < 0 || readA != readB) return false;
    if (readA == 0) return true;
    if (std::memcmp(bufferA.data(), bufferB.data(), static_cast<std::size_t>(readA)) != 0) return false;
  }
}

std::string ChooseTargetFile(const std::string& target, const std::string& source) {
  for (int number = 1; number <= kLastNumber; ++number) {
    const std::string candidate = number == 1 ? target : NumberedFileName(target, number);
    if (PathIsFree(candidate) || SameFileContent(candidate, source)) return candidate;
  }
  return std::string();
}

std::string FileStart(const std::string& path, std::size_t count) {
  UniqueFile file(path);
  std::vector<char> buffer(count);
  const long long read = file.IsOpen() ? ReadSome(file.Get(), buffer) : -1;
  return read > 0 ? std::string(buffer.data(), static_cast<std::size_t>(read)) : std::string();
}
