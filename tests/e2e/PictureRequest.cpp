#include "PictureRequest.h"

#include <cstdio>
#include <fstream>

#include "WindowQueries.h"

namespace {

// Writes FOLDER\NAME.EXTENSION and waits for FOLDER\NAME.ANSWER.
std::wstring AskTheScript(const std::wstring& folder, const std::wstring& name, const wchar_t* extension,
                          const std::string& content, const wchar_t* answer) {
  const std::wstring base = folder + L"\\" + name;
  // Written aside and renamed, so that the script never reads half a line.
  {
    std::ofstream request((base + L".part").c_str(), std::ios::binary);
    request << content;
  }
  if (!MoveFileExW((base + L".part").c_str(), (base + extension).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return L"could not ask for " + name;
  }
  const std::wstring done = base + answer;
  if (!WaitFor([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000)) {
    return L"the script did not answer " + name;
  }
  return std::wstring();
}

}  // namespace

std::wstring TakePicture(const std::wstring& folder, const std::wstring& name, HWND window) {
  RECT frame = {};
  if (!GetWindowRect(window, &frame)) return L"no window for " + name;
  char geometry[64];
  std::snprintf(geometry, sizeof(geometry), "%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top,
                frame.left, frame.top);
  return AskTheScript(folder, name, L".request", geometry, L".taken");
}

std::wstring TypeThroughX(const std::wstring& folder, const std::wstring& name,
                          const std::vector<std::string>& xdotool) {
  std::string lines;
  for (const std::string& argument : xdotool) lines += argument + "\n";
  return AskTheScript(folder, name, L".keys", lines, L".typed");
}
