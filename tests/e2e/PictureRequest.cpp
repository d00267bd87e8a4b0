#include "PictureRequest.h"

#include <cstdio>
#include <fstream>

#include "WindowQueries.h"

std::wstring TakePicture(const std::wstring& folder, const std::wstring& name, HWND window) {
  RECT frame = {};
  if (!GetWindowRect(window, &frame)) return L"no window for " + name;
  char geometry[64];
  std::snprintf(geometry, sizeof(geometry), "%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top,
                frame.left, frame.top);
  const std::wstring base = folder + L"\\" + name;
  // Written aside and renamed, so that the script never reads half a line.
  {
    std::ofstream request((base + L".part").c_str(), std::ios::binary);
    request << geometry;
  }
  if (!MoveFileExW((base + L".part").c_str(), (base + L".request").c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return L"could not ask for " + name;
  }
  const std::wstring taken = base + L".taken";
  if (!WaitFor([&] { return GetFileAttributesW(taken.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000)) {
    return L"the script did not take " + name;
  }
  return std::wstring();
}
