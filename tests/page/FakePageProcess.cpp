#include "FakePageProcess.h"

#include <cstdio>
#include <fstream>

namespace {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace

FakePageProcess::FakePageProcess(const std::string& utf8Markup, const std::wstring& url,
                                 const std::vector<std::wstring>& switches) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  wchar_t file[MAX_PATH] = {};
  GetTempFileNameW(folder, L"pix", 0, file);
  markupFile_ = file;
  std::ofstream(markupFile_.c_str(), std::ios::binary) << utf8Markup;

  std::wstring commandLine = Quoted(ProgramFolder() + L"FakeBrowserPage.exe") + L" --markup " + Quoted(markupFile_) +
                             L" --url " + Quoted(url);
  for (const std::wstring& item : switches) commandLine += L" " + Quoted(item);

  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE writeEnd = nullptr;
  CreatePipe(&output_, &writeEnd, &inherit, 0);
  SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {sizeof(startup)};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process_)) {
    CloseHandle(writeEnd);
    return;
  }
  CloseHandle(writeEnd);
  const std::string line = ReadLine(20000);
  unsigned long long handle = 0;
  if (std::sscanf(line.c_str(), "hwnd %llu", &handle) == 1) page_ = reinterpret_cast<HWND>(static_cast<UINT_PTR>(handle));
}

FakePageProcess::~FakePageProcess() {
  if (process_.hProcess && !finished_) {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  if (process_.hProcess) CloseHandle(process_.hProcess);
  if (process_.hThread) CloseHandle(process_.hThread);
  if (output_) CloseHandle(output_);
  if (!markupFile_.empty()) DeleteFileW(markupFile_.c_str());
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
    if (!PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr)) return std::string();
    if (available == 0) {
      if (GetTickCount64() > deadline) return std::string();
      Sleep(10);
      continue;
    }
    char buffer[512];
    DWORD got = 0;
    if (!ReadFile(output_, buffer, sizeof(buffer), &got, nullptr) || got == 0) return std::string();
    pending_.append(buffer, got);
  }
}

bool FakePageProcess::Finish() {
  if (!process_.hProcess || finished_) return false;
  if (page_) PostMessageW(GetAncestor(page_, GA_ROOT), WM_CLOSE, 0, 0);
  const std::string asked = ReadLine(10000);
  const std::string outstanding = ReadLine(2000);
  finished_ = WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0;
  return std::sscanf(asked.c_str(), "asked %ld", &asked_) == 1 &&
         std::sscanf(outstanding.c_str(), "outstanding %ld", &outstanding_) == 1;
}
