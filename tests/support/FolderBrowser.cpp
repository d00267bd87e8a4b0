#include "FolderBrowser.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>

#include "WaitFor.h"
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

// The browser that the process shows, or null. Message boxes are "#32770"
// dialogs too; only the browser has a tree.
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

// `path` is an address in the browser's own process.
void Select(HWND browser, const void* path, DWORD milliseconds) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path), SMTO_NORMAL, milliseconds,
                      &ignored);
}

void Press(HWND browser, int button) { PostMessageW(browser, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

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
  Sleep(300);  // let it fill its tree
  std::wstring texts;
  for (HWND child : testsupport::Children(dialog)) {
    wchar_t text[512] = {};
    if (ClassName(child) == L"Static" && GetWindowTextW(child, text, 512)) {
      texts += (texts.empty() ? L"" : L"|") + std::wstring(text);
    }
  }
  texts_ = texts;
  if (folder_.empty()) {
    Press(dialog, IDCANCEL);
  } else {
    // The same process, so the path's address is good in the dialog too.
    // The browser may still be filling its tree: select until the tree shows
    // the folder's own name as the selection. On a busy machine, and with
    // transfers reporting into the dialog's loop, that took over 5 s.
    std::wstring name = folder_;
    while (name.size() > 1 && name.back() == L'\\') name.pop_back();
    name = name.substr(name.find_last_of(L'\\') + 1);
    for (int attempt = 0; attempt < 150 && SelectedName(dialog).find(name) == std::wstring::npos; ++attempt) {
      Select(dialog, folder_.c_str(), 20000);
      Sleep(100);
    }
    Press(dialog, IDOK);
  }
  answered_ = true;
}

// No messages go through meanwhile: the test's thread may be inside a
// transfer's report, where a pump of its own would change what runs.
bool FolderBrowserDriver::WaitAnswered(DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!answered_ && GetTickCount64() < deadline) Sleep(10);
  return answered_;
}

bool ChooseFolderInBrowser(HANDLE process, DWORD processId, const std::wstring& folder, DWORD milliseconds) {
  HWND dialog = nullptr;
  if (!WaitFor([&] { return (dialog = FindBrowser(processId)) != nullptr; }, milliseconds)) {
    // What the process shows instead, for the log.
    for (HWND window : testsupport::WindowsOf(processId)) {
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
    Select(dialog, remote, 5000);
    Sleep(300);
  }
  Press(dialog, IDOK);
  const bool closed = WaitFor([&] { return !IsWindow(dialog); }, 10000);
  if (!closed) std::printf("folder browser still open 10 s after OK (visible %d)\n", IsWindowVisible(dialog));
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return closed;
}
