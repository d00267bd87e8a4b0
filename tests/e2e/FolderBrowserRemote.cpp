#include "FolderBrowserRemote.h"

#include <shlobj.h>

#include <cstdio>

#include "PixorraProcess.h"

namespace {

struct Search {
  DWORD process;
  HWND found;
};

bool HasTree(HWND dialog) {
  HWND tree = nullptr;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM data) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (std::wstring(name) == L"SysTreeView32") *reinterpret_cast<HWND*>(data) = child;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tree));
  return tree != nullptr;
}

HWND FindBrowserOf(DWORD processId) {
  Search search = {processId, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (process == search->process && std::wstring(name) == L"#32770" && IsWindowVisible(window) &&
            HasTree(window)) {
          search->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

bool ChooseFolderInBrowser(HANDLE process, DWORD processId, const std::wstring& folder, DWORD milliseconds) {
  HWND dialog = nullptr;
  if (!WaitFor([&] { return (dialog = FindBrowserOf(processId)) != nullptr; }, milliseconds)) {
    struct Info { DWORD process; } info = {processId};
    EnumWindows(
        [](HWND window, LPARAM data) {
          DWORD process = 0;
          GetWindowThreadProcessId(window, &process);
          if (process != reinterpret_cast<Info*>(data)->process) return TRUE;
          wchar_t name[64] = {}, title[128] = {};
          GetClassNameW(window, name, 64);
          GetWindowTextW(window, title, 128);
          std::printf("  window %p class %ls title %ls visible %d enabled %d\n", window, name, title,
                      IsWindowVisible(window), IsWindowEnabled(window));
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&info));
    return false;
  }
  Sleep(500);  // let it fill its tree
  // The path goes into the browser's own process, where its address is good.
  const SIZE_T bytes = (folder.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote) return false;
  WriteProcessMemory(process, remote, folder.c_str(), bytes, nullptr);
  for (int attempt = 0; attempt < 5; ++attempt) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000,
                        &ignored);
    Sleep(300);
  }
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  const bool closed = WaitFor([&] { return !IsWindow(dialog); }, 10000);
  if (!closed) std::printf("folder browser still open 10 s after OK (visible %d)\n", IsWindowVisible(dialog));
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return closed;
}
