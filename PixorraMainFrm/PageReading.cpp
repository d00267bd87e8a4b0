// Reading a picked browser window: its live document, its address, its images.
#include <windows.h>
#include <mshtml.h>
#include <oleacc.h>
#include <wrl/client.h>

#include "BrowserPage.h"
#include "ComHolders.h"
#include "PixorraMainFrm.h"
#include "Watchdog.h"
#include "WideText.h"

using Microsoft::WRL::ComPtr;

namespace {

using ObjectFromLresultFunction = HRESULT(WINAPI*)(LRESULT, REFIID, WPARAM, void**);

constexpr UINT kSendTimeoutMilliseconds = 1000;
// The whole read of a page, whatever the page does: calls still pending then
// are cancelled, the walk over its elements stops, and nothing is added.
constexpr ULONGLONG kReadBudgetMilliseconds = 8000;
constexpr DWORD kWatchIntervalMilliseconds = 250;

}  // namespace

void TPixorraMainForm::ReadBrowserPage(HWND window) {
  if (IsExcludedWindow(window)) return;

  // Declared in this order so that they go in the reverse one: references and
  // texts first, then the library, the deadline's filter, then COM.
  const ULONGLONG deadline = GetTickCount64() + kReadBudgetMilliseconds;
  const ULONGLONG outerDeadline = pageReadDeadline_;
  pageReadDeadline_ = deadline;
  struct RestoreDeadline {
    ULONGLONG& field;
    ULONGLONG value;
    ~RestoreDeadline() { field = value; }
  } restore{pageReadDeadline_, outerDeadline};
  ui::Watchdog watchdog(Handle(), WM_PAGE_READ_WATCH, kWatchIntervalMilliseconds);
  ScopedCoInitialize com;
  PageCallDeadline calls(deadline);
  UniqueLibrary accessibility("OLEACC.DLL");
  if (!accessibility || !window) return;

  const UINT getObject = RegisterWindowMessageA("WM_HTML_GETOBJECT");
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, getObject, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMilliseconds, &answer)) return;

  const auto objectFromLresult = reinterpret_cast<ObjectFromLresultFunction>(
      reinterpret_cast<void*>(GetProcAddress(accessibility.Get(), "ObjectFromLresult")));
  if (!objectFromLresult) return;

  ComPtr<IHTMLDocument> first;
  if (FAILED(objectFromLresult(static_cast<LRESULT>(answer), IID_IHTMLDocument, 0,
                               reinterpret_cast<void**>(first.GetAddressOf()))) ||
      !first) {
    return;
  }
  // The document behind the page's script window is the one that is read.
  ComPtr<IDispatch> script;
  if (FAILED(first->get_Script(&script)) || !script) return;
  ComPtr<IHTMLWindow2> scriptWindow;
  if (FAILED(script.As(&scriptWindow)) || !scriptWindow) return;
  ComPtr<IHTMLDocument2> document;
  if (FAILED(scriptWindow->get_document(&document)) || !document) return;

  UniqueBstr url;
  std::string pageAddress;
  if (SUCCEEDED(document->get_URL(url.Receive()))) pageAddress = BstrToAnsiAddress(url.Get());
  if (calls.Passed()) return;
  AddPageImages(std::move(pageAddress), document.Get());
}
