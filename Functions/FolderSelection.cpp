#include "FolderSelection.h"

#include <shlobj.h>
#include <wrl/client.h>

#include "ComHolders.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;  // 65

// An item identifier list from the shell, freed through its task allocator.
class ShellItemList {
 public:
  ShellItemList(IMalloc* allocator, PIDLIST_ABSOLUTE list) : allocator_(allocator), list_(list) {}
  ~ShellItemList() {
    if (list_) allocator_->Free(list_);
  }
  ShellItemList(const ShellItemList&) = delete;
  ShellItemList& operator=(const ShellItemList&) = delete;
  PIDLIST_ABSOLUTE Get() const { return list_; }

 private:
  IMalloc* allocator_;
  PIDLIST_ABSOLUTE list_;
};

}  // namespace

bool SelectFolder(HWND owner, std::wstring& folder, const std::wstring& title) {
  ScopedCoInitialize com;
  ComPtr<IMalloc> allocator;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) return false;

  BROWSEINFOW browse;
  ZeroMemory(&browse, sizeof(browse));
  browse.hwndOwner = owner;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = kBrowseFlags;
  // The title is the program's own Chinese text: the wide browser shows it
  // right on any system.
  ShellItemList chosen(allocator.Get(), SHBrowseForFolderW(&browse));
  if (!chosen.Get()) return false;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(chosen.Get(), path) || path[0] == L'\0') return false;
  folder = path;
  if (folder.back() != L'\\') folder += L'\\';
  return true;
}
