#include "TargetFiles.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "DownloadNaming.h"
#include "ListLines.h"

const wchar_t kPartSuffix[] = L".pixorra-part";

namespace {

constexpr int kLastNumber = 9999;
// A folder's path leaves room for a short file name in MAX_PATH: the limit
// CreateDirectoryW keeps on Windows, which Wine does not.
constexpr std::size_t kLongestFolder = MAX_PATH - 12 - 1;

class UniqueFile {
 public:
  explicit UniqueFile(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
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

class FileSearch {
 public:
  FileSearch(const std::wstring& pattern, WIN32_FIND_DATAW& found)
      : handle_(FindFirstFileW(pattern.c_str(), &found)) {}
  ~FileSearch() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FileSearch(const FileSearch&) = delete;
  FileSearch& operator=(const FileSearch&) = delete;

  bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAW& found) const { return FindNextFileW(handle_, &found) != FALSE; }

 private:
  HANDLE handle_;
};

bool PathIsFree(const std::wstring& path) { return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Reads up to `buffer.size()` bytes; the count read, or -1 on failure.
long long ReadSome(HANDLE file, std::vector<char>& buffer) {
  DWORD read = 0;
  if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return -1;
  return read;
}

// Where the folder's own names start: after "X:\" or "\\server\share\".
std::size_t RootLength(const std::wstring& folder) {
  if (folder.size() < 2 || folder[1] == L':') return 3;
  std::size_t separators = 0;
  for (std::size_t at = 2; at < folder.size(); ++at) {
    if ((folder[at] == L'\\' || folder[at] == L'/') && ++separators == 2) return at + 1;
  }
  return folder.size();
}

// Makes `folder` and every missing folder above it: 0, or the system's error.
DWORD MakeFolder(const std::wstring& folder) {
  if (IsFolder(folder)) return ERROR_SUCCESS;
  for (std::size_t at = RootLength(folder); at < folder.size(); ++at) {
    if (folder[at] != L'\\' && folder[at] != L'/') continue;
    const std::wstring path = folder.substr(0, at);
    if (IsFolder(path)) continue;
    if (path.size() > kLongestFolder) return ERROR_FILENAME_EXCED_RANGE;
    if (CreateDirectoryW(path.c_str(), nullptr)) continue;
    const DWORD error = GetLastError();
    // A file of that name stands where the folder should be; under Wine a
    // missing drive's folder is a missing file.
    if (error == ERROR_ALREADY_EXISTS) return ERROR_DIRECTORY;
    return error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error;
  }
  return ERROR_SUCCESS;
}

// The part files a copy of ours left in `folder` when its process was killed.
void RemoveParts(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const FileSearch search(folder + L"*" + kPartSuffix, found);
  const std::size_t suffix = std::wcslen(kPartSuffix);
  for (bool more = search.Found(); more; more = search.Next(found)) {
    const std::wstring name = found.cFileName;
    // A short name matches the pattern as well as a long one: the long
    // name must end so.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() <= suffix ||
        name.compare(name.size() - suffix, suffix, kPartSuffix) != 0) {
      continue;
    }
    DeleteFileW((folder + name).c_str());
  }
}

FailureReason WriteFailure(DWORD error, const std::wstring& folder) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return {Failure::DiskFull, error, folder};
    // A file another program holds open cannot be written either.
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
      return {Failure::AccessDenied, error, folder};
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return {Failure::FolderInvalid, error, folder};
    case ERROR_FILENAME_EXCED_RANGE:
      return {Failure::NameTooLong, error, folder};
    default:
      return {Failure::Other, error, folder};
  }
}

}  // namespace

bool SameFileContent(const std::wstring& first, const std::wstring& second) {
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

std::wstring ChooseTargetFile(const std::wstring& target, const std::wstring& source) {
  for (int number = 1; number <= kLastNumber; ++number) {
    const std::wstring candidate = number == 1 ? target : NumberedFileName(target, number);
    if (PathIsFree(candidate) || SameFileContent(candidate, source)) return candidate;
  }
  return std::wstring();
}

std::string FileStart(const std::wstring& path, std::size_t count) {
  UniqueFile file(path);
  std::vector<char> buffer(count);
  const long long read = file.IsOpen() ? ReadSome(file.Get(), buffer) : -1;
  return read > 0 ? std::string(buffer.data(), static_cast<std::size_t>(read)) : std::string();
}

WrittenImage WriteImage(const std::wstring& folder, const std::wstring& target, const std::wstring& source,
                        bool sweep, const FileCopy& copy) {
  const auto failed = [&](DWORD error) { return WrittenImage{std::wstring(), WriteFailure(error, folder)}; };
  if (!IsAbsoluteFolder(folder)) return failed(ERROR_BAD_PATHNAME);
  if (const DWORD made = MakeFolder(folder); made != ERROR_SUCCESS) return failed(made);
  if (sweep) RemoveParts(folder);
  // Past MAX_PATH the wide calls fail on Windows as the ANSI ones do; Wine
  // takes such a path. A numbered name is shorter than the part's.
  const std::wstring part = target + kPartSuffix;
  if (part.size() >= MAX_PATH) return failed(ERROR_FILENAME_EXCED_RANGE);
  DWORD error = copy(source, part);
  // Most images take a free name: the move itself finds out, without a look
  // of its own into the folder (under Wine each costs a search of it).
  std::wstring written = target;
  if (error == ERROR_SUCCESS && !MoveFileExW(part.c_str(), target.c_str(), 0)) {
    error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
      written = ChooseTargetFile(target, part);
      error = written.empty()                                                          ? ERROR_FILE_EXISTS
              : MoveFileExW(part.c_str(), written.c_str(), MOVEFILE_REPLACE_EXISTING) ? ERROR_SUCCESS
                                                                                       : GetLastError();
    }
  }
  if (error == ERROR_SUCCESS) return {written, {}};
  DeleteFileW(part.c_str());
  return failed(error);
}
