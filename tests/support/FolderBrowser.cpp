#include "FolderBrowser.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>

#include "WindowQueries.h"

namespace {

using testsupport::ClassName;

HWND TreeOf(HWND browser) {
  HWND tree = nullptr;
  EnumChildWindows(
      browser,
      [](HWND child, LPARAM data) {
        if (ClassName(child) == L"SysTreeView32") *reinterpret_cast<HWND*>(data) = child;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tree));
  return tree;
}

// Message boxes are "#32770" dialogs too; only the browser has a tree.
HWND FindBrowser(DWORD processId) {
  for (HWND window : testsupport::WindowsOf(processId)) {
    if (ClassName(window) == L"#32770" && IsWindowVisible(window) && TreeOf(window)) return window;
  }
  return nullptr;
}

// The tree's selected item, for a browser of this process only: the tree
// writes the text to an address of its own process.
std::wstring SelectedName(HWND browser) {
  HWND tree = TreeOf(browser);
  const auto item = tree ? reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) : nullptr;
  wchar_t text[MAX_PATH] = {};
  TVITEMW request = {TVIF_TEXT, item, 0, 0, text, MAX_PATH};
  if (item) SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&request));
  return text;
}

}  // namespace

FolderBrowserDriver::FolderBrowserDriver(std::wstring folder)
    : folder_(std::move(folder)), thread_([this] { Drive(); }) {}

FolderBrowserDriver::~FolderBrowserDriver() {
  stop_ = true;
  thread_.join();
}

void FolderBrowserDriver::Drive() {
  HWND dialog = nullptr;
  WaitFor([&] { return stop_ || (dialog = FindBrowser(GetCurrentProcessId())) != nullptr; }, INFINITE);
  if (!dialog) return;  // the driver went before any browser showed
  Sleep(300);           // let it fill its tree
  for (HWND child : testsupport::Children(dialog)) {
    const std::wstring text = ClassName(child) == L"Static" ? testsupport::WindowText(child) : L"";
    if (!text.empty()) texts_ += (texts_.empty() ? L"" : L"|") + text;
  }
  if (!folder_.empty()) {
    // The same process, so the path's address is good there. The tree may still
    // be filling: select until it shows the folder's name, which took over 5 s
    // on a busy machine with transfers reporting into the dialog's loop.
    std::wstring name = folder_;
    while (name.size() > 1 && name.back() == L'\\') name.pop_back();
    name = name.substr(name.find_last_of(L'\\') + 1);
    for (int attempt = 0; attempt < 150 && SelectedName(dialog).find(name) == std::wstring::npos; ++attempt) {
      SendMessageTimeoutW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder_.c_str()), SMTO_NORMAL,
                          20000, nullptr);
      Sleep(100);
    }
  }
  PostMessageW(dialog, WM_COMMAND, folder_.empty() ? IDCANCEL : IDOK, 0);
  answered_ = true;
}

// No messages go through meanwhile: the test's thread may be inside a
// transfer's report, where a pump of its own would change what runs.
bool FolderBrowserDriver::WaitAnswered(DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!answered_ && GetTickCount64() < deadline) Sleep(10);
  return answered_;
}

bool ChooseFolderInBrowser(HANDLE process, const std::wstring& folder, DWORD milliseconds) {
  HWND dialog = nullptr;
  if (!WaitFor([&] { return (dialog = FindBrowser(GetProcessId(process))) != nullptr; }, milliseconds)) {
    for (HWND window : testsupport::WindowsOf(GetProcessId(process))) {  // what it shows instead, for the log
      wchar_t title[128] = {};
      GetWindowTextW(window, title, 128);
      std::printf("  window %p class %ls title %ls visible %d enabled %d\n", static_cast<void*>(window),
                  ClassName(window).c_str(), title, IsWindowVisible(window), IsWindowEnabled(window));
    }
    return false;
  }
  Sleep(500);  // let it fill its tree
  // The path goes into the browser's own process, where its address is good.
  const SIZE_T bytes = (folder.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote) return false;
  WriteProcessMemory(process, remote, folder.c_str(), bytes, nullptr);
  for (int attempt = 0; attempt < 5; ++attempt) {
    SendMessageTimeoutW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000, nullptr);
    Sleep(300);
  }
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  const bool closed = WaitFor([&] { return !IsWindow(dialog); }, 10000);
  if (!closed) std::printf("folder browser still open 10 s after OK (visible %d)\n", IsWindowVisible(dialog));
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return closed;
}
