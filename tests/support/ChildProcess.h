// A program that a test starts: Pixorra.exe, the stand-in page, the
// benchmark's floor, the test program itself at another DPI. The holder ends
// it if it still runs, so that a test that stops half-way leaves no window
// behind for the next one to pick or click.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// `text` in double quotes, as one argument of a command line.
inline std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() {
    if (info_.hProcess) {
      if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
      }
      CloseHandle(info_.hProcess);
      CloseHandle(info_.hThread);
    }
    if (output_) CloseHandle(output_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `commandLine`, once. With `readOutput` the program's standard
  // output comes back through a pipe, read at Output().
  bool Start(std::wstring commandLine, bool readOutput = false) {
    STARTUPINFOW startup = {sizeof(startup)};
    HANDLE writeEnd = nullptr;
    if (readOutput) {
      SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
      if (!CreatePipe(&output_, &writeEnd, &inherit, 0)) return false;
      // Only the writing end goes to the child: with the reading end inherited
      // too, the pipe would never report the child's end.
      SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = writeEnd;
      startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
      startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    const BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, readOutput ? TRUE : FALSE, 0,
                                        nullptr, nullptr, &startup, &info_);
    if (writeEnd) CloseHandle(writeEnd);  // the child has its own copy now
    if (!started) info_ = PROCESS_INFORMATION();
    return started != FALSE;
  }

  HANDLE Handle() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Output() const { return output_; }
  // True once the program has ended, waiting at most `milliseconds`.
  bool WaitForExit(DWORD milliseconds) const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
  }
  // STILL_ACTIVE while it runs, 1 if it never started.
  DWORD ExitCode() const {
    DWORD code = 1;
    if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_ = {};
  HANDLE output_ = nullptr;
};

}  // namespace testsupport
