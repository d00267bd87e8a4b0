// Reading a picked browser window: its live document, its address, its images.
#include <windows.h>
#include <mshtml.h>
#include <oleacc.h>
#include <wrl/client.h>

#include "BrowserPage.h"
#include "ComHolders.h"
#include "PixorraMainFrm.h"
#include "WideText.h"

using Microsoft::WRL::ComPtr;

namespace {

using ObjectFromLresultFunction = HRESULT(WINAPI*)(LRESULT, REFIID, WPARAM, void**);

constexpr UINT kSendTimeoutMilliseconds = 1000;

// The document of the page shown by `window`, through the browser's
// accessibility interface and the page's script window; false when there is
// none to be had.
bool ReadPageDocument(HWND window, HMODULE accessibility, ComPtr<IHTMLDocument2>& document) {
  const UINT getObject = RegisterWindowMessageA("WM_HTML_GETOBJECT");
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, getObject, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMilliseconds, &answer)) {
    return false;
  }
  const auto objectFromLresult = reinterpret_cast<ObjectFromLresultFunction>(
      reinterpret_cast<void*>(GetProcAddress(accessibility, "ObjectFromLresult")));
  if (!objectFromLresult) return false;

  ComPtr<IHTMLDocument> first;
  if (FAILED(objectFromLresult(static_cast<LRESULT>(answer), IID_IHTMLDocument, 0,
                               reinterpret_cast<void**>(first.GetAddressOf()))) ||
      !first) {
    return false;
  }
  // The document behind the page's script window is the one that is read.
  ComPtr<IDispatch> script;
  if (FAILED(first->get_Script(&script)) || !script) return false;
  ComPtr<IHTMLWindow2> scriptWindow;
  if (FAILED(script.As(&scriptWindow)) || !scriptWindow) return false;
  return SUCCEEDED(scriptWindow->get_document(&document)) && document;
}

}  // namespace

void TPixorraMainForm::ReadBrowserPage(HWND window) {
  if (IsExcludedWindow(window)) return;

  // Declared in this order so that they go in the reverse one: references and
  // texts first, then the library, then COM.
  ScopedCoInitialize com;
  UniqueLibrary accessibility("OLEACC.DLL");
  if (!accessibility || !window) return;

  ComPtr<IHTMLDocument2> document;
  std::string pageAddress;
  {
    // The calls into the page, and only those, are bounded by the read's
    // deadline: a page that does not answer in time adds nothing. Letting go
    // of the document is a call into the page too.
    Operations::PageCalls calls(operations_);
    const bool read = ReadPageDocument(window, accessibility.Get(), document);
    UniqueBstr url;
    if (read && SUCCEEDED(document->get_URL(url.Receive()))) pageAddress = BstrToAnsiAddress(url.Get());
    if (!read || calls.Passed()) {
      document.Reset();
      return;
    }
  }
  AddPageImages(std::move(pageAddress), document.Get());
  Operations::PageCalls calls(operations_);
  document.Reset();
}
