#include "BrowserPage.h"

#include <wrl/client.h>

#include <cstring>

#include "CodePage.h"
#include "ComHolders.h"
#include "WideText.h"

using Microsoft::WRL::ComPtr;

bool IsExcludedWindow(HWND window) {
  HWND parent = GetParent(window);
  if (!parent || parent == window) return false;  // top-level windows are read
  char className[255] = {};
  GetClassNameA(parent, className, sizeof(className));
  return std::strstr(className, "SHELLDLL_DefView") != nullptr ||
         std::strstr(className, "Internet Explorer_TridentDlgFrame") != nullptr;
}

namespace {

// The item at `position` of the collection, as an element, or null.
ComPtr<IHTMLElement> ElementAt(IHTMLElementCollection* all, long position) {
  VARIANT name;
  VariantInit(&name);
  name.vt = VT_I4;
  name.lVal = position;
  VARIANT index = name;
  ComPtr<IDispatch> item;
  ComPtr<IHTMLElement> element;
  if (SUCCEEDED(all->item(name, index, &item)) && item) item.As(&element);
  return element;
}

}  // namespace

std::string GetPageMarkup(IHTMLDocument2* document) {
  if (!document) return std::string();
  ComPtr<IHTMLDocument2> page;
  if (FAILED(document->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(page.GetAddressOf()))) ||
      !page) {
    return std::string();
  }

  ComPtr<IHTMLElementCollection> all;
  long count = 0;
  if (FAILED(page->get_all(&all)) || !all || FAILED(all->get_length(&count))) count = 0;

  // The root element is normally at or near the first position.
  for (long position = 0; position < count; ++position) {
    ComPtr<IHTMLElement> element = ElementAt(all.Get(), position);
    if (!element) continue;
    UniqueBstr tagName;
    if (FAILED(element->get_tagName(tagName.Receive()))) continue;
    if (codepage::UpperCase(BstrToAnsi(tagName.Get())) != "HTML") continue;
    UniqueBstr markup;
    if (FAILED(element->get_outerHTML(markup.Receive()))) return std::string();
    return BstrToAnsiAddress(markup.Get());
  }
  return std::string();
}
