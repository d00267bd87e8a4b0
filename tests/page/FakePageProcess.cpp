#include "FakePageProcess.h"

#include <cstdio>

#include "ExeFolder.h"

using testsupport::Quoted;

FakePageProcess::FakePageProcess(const std::string& utf8Markup, const std::wstring& url,
                                 const std::vector<std::wstring>& switches)
    : markupFile_(utf8Markup) {
  std::wstring commandLine = Quoted(testsupport::BuildFolder() + L"demo\\FakeBrowserPage.exe") + L" --markup " +
                             Quoted(markupFile_.Path()) + L" --url " + Quoted(url);
  for (const std::wstring& item : switches) commandLine += L" " + Quoted(item);
  // The page tells its window's handle on its first line.
  if (!process_.Start(commandLine, true)) return;
  const std::string line = ReadLine(20000);
  unsigned long long handle = 0;
  if (std::sscanf(line.c_str(), "hwnd %llu", &handle) == 1) page_ = reinterpret_cast<HWND>(static_cast<UINT_PTR>(handle));
}

std::string FakePageProcess::ReadLine(DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    DWORD available = 0;
    if (!PeekNamedPipe(process_.Output(), nullptr, 0, nullptr, &available, nullptr)) return std::string();
    if (available == 0) {
      if (GetTickCount64() > deadline) return std::string();
      Sleep(10);
      continue;
    }
    char buffer[512];
    DWORD got = 0;
    if (!ReadFile(process_.Output(), buffer, sizeof(buffer), &got, nullptr) || got == 0) return std::string();
    pending_.append(buffer, got);
  }
}

bool FakePageProcess::Finish() {
  if (!process_.Handle() || finished_) return false;
  if (page_) PostMessageW(GetAncestor(page_, GA_ROOT), WM_CLOSE, 0, 0);
  const std::string asked = ReadLine(10000);
  const std::string outstanding = ReadLine(2000);
  finished_ = process_.WaitForExit(10000);
  return std::sscanf(asked.c_str(), "asked %ld", &asked_) == 1 &&
         std::sscanf(outstanding.c_str(), "outstanding %ld", &outstanding_) == 1;
}
