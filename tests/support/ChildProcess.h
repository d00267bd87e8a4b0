// A program a test starts (Pixorra.exe, a stand-in, the test program at another DPI), ended
// with its holder if it still runs: a test that stops half-way leaves no window to click.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

inline std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() {
    if (info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 1);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    for (HANDLE handle : {info_.hProcess, info_.hThread, output_}) {
      if (handle) CloseHandle(handle);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // With `readOutput` the program's standard output comes through Output().
  bool Start(std::wstring commandLine, bool readOutput = false) {
    STARTUPINFOW startup = {sizeof(startup)};
    HANDLE writeEnd = nullptr;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    if (readOutput) {
      if (!CreatePipe(&output_, &writeEnd, &inherit, 0)) return false;
      // Only the writing end goes to the child, or the pipe never reports its end.
      SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = writeEnd;
      startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
      startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    const BOOL started =
        CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, readOutput, 0, nullptr, nullptr, &startup, &info_);
    if (writeEnd) CloseHandle(writeEnd);  // the child has its own copy now
    if (!started) info_ = PROCESS_INFORMATION();
    return started != FALSE;
  }

  HANDLE Handle() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Output() const { return output_; }
  bool WaitForExit(DWORD milliseconds) const {  // true once the program has ended
    return info_.hProcess && WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {  // STILL_ACTIVE while it runs, 1 if it never started
    DWORD code = 1;
    if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_ = {};
  HANDLE output_ = nullptr;
};

}  // namespace testsupport
