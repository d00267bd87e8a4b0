#include "FolderBrowserDriver.h"

#include <commctrl.h>
#include <shlobj.h>

#include "WindowTestSupport.h"

namespace {

struct Search {
  DWORD process;
  HWND found;
};

HWND TreeOf(HWND dialog) {
  HWND tree = nullptr;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM data) {
        if (testsupport::ClassName(child) == L"SysTreeView32") *reinterpret_cast<HWND*>(data) = child;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tree));
  return tree;
}

// The folder browser: a dialog of this process with a tree of folders in it.
HWND FindFolderBrowser() {
  Search search = {GetCurrentProcessId(), nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != search->process || testsupport::ClassName(window) != L"#32770" || !IsWindowVisible(window)) {
          return TRUE;
        }
        if (!TreeOf(window)) return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool SelectedItemShows(HWND dialog, const std::wstring& name) {
  HWND tree = TreeOf(dialog);
  if (!tree) return false;
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return false;
  wchar_t text[MAX_PATH] = {};
  TVITEMW request = {};
  request.mask = TVIF_TEXT;
  request.hItem = item;
  request.pszText = text;
  request.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&request));
  return std::wstring(text).find(name) != std::wstring::npos;
}

}  // namespace

FolderBrowserDriver::FolderBrowserDriver(std::wstring folder)
    : folder_(std::move(folder)), thread_([this] { Drive(); }) {}

FolderBrowserDriver::~FolderBrowserDriver() {
  stop_ = true;
  thread_.join();
}

void FolderBrowserDriver::Drive() {
  while (!stop_) {
    HWND dialog = FindFolderBrowser();
    if (!dialog) {
      Sleep(30);
      continue;
    }
    Sleep(300);  // let it fill its tree
    std::wstring texts;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) {
          if (testsupport::ClassName(child) == L"Static") {
            auto* texts = reinterpret_cast<std::wstring*>(data);
            const std::wstring text = testsupport::WindowText(child);
            if (!text.empty()) *texts += (texts->empty() ? L"" : L"|") + text;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    texts_ = texts;
    if (folder_.empty()) {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
      // The same process, so the path's address is good in the dialog too.
      // The browser may still be filling its tree: select until the tree
      // shows the folder's own name as the selection. On a busy machine, and
      // with transfers reporting into the dialog's loop, that took over 5 s.
      std::wstring name = folder_;
      while (name.size() > 1 && name.back() == L'\\') name.pop_back();
      name = name.substr(name.find_last_of(L'\\') + 1);
      for (int attempt = 0; attempt < 150 && !SelectedItemShows(dialog, name); ++attempt) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder_.c_str()));
        Sleep(100);
      }
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    answered_ = true;
    return;
  }
}

bool FolderBrowserDriver::WaitAnswered(DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!answered_ && GetTickCount64() < deadline) Sleep(10);
  return answered_;
}
