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
  bool late = false;
  return GetPageMarkup(document, ~0ULL, late);
}

std::string GetPageMarkup(IHTMLDocument2* document, ULONGLONG deadline, bool& late) {
  late = false;
  if (!document) return std::string();
  ComPtr<IHTMLDocument2> page;
  if (FAILED(document->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(page.GetAddressOf()))) ||
      !page) {
    return std::string();
  }

  ComPtr<IHTMLElementCollection> all;
  long count = 0;
  if (FAILED(page->get_all(&all)) || !all || FAILED(all->get_length(&count))) count = 0;

  // The root element is normally at or near the first position. A page that
  // puts it far behind, or reports a length it does not have, meets the
  // deadline instead: each element asked for costs a new proxy.
  for (long position = 0; position < count; ++position) {
    if (GetTickCount64() >= deadline) {
      late = true;
      return std::string();
    }
    ComPtr<IHTMLElement> element = ElementAt(all.Get(), position);
    if (!element) continue;
    UniqueBstr tagName;
    if (FAILED(element->get_tagName(tagName.Receive()))) continue;
    if (codepage::UpperCase(BstrToAnsi(tagName.Get())) != "HTML") continue;
    UniqueBstr markup;
    const HRESULT result = element->get_outerHTML(markup.Receive());
    if (GetTickCount64() >= deadline) late = true;
    if (FAILED(result) || late) return std::string();
    return BstrToAnsiAddress(markup.Get());
  }
  if (GetTickCount64() >= deadline) late = true;
  return std::string();
}

class PageCallDeadline::Filter : public IMessageFilter {
 public:
  explicit Filter(ULONGLONG deadline) : deadline_(deadline) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IMessageFilter)) return E_NOINTERFACE;
    *object = static_cast<IMessageFilter*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override {
    // A page that rejects the call is not asked again after the deadline.
    return GetTickCount64() >= deadline_ ? static_cast<DWORD>(-1) : 100;
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return GetTickCount64() >= deadline_ ? PENDINGMSG_CANCELCALL : PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  virtual ~Filter() = default;
  LONG references_ = 1;
  ULONGLONG deadline_;
};

PageCallDeadline::PageCallDeadline(ULONGLONG deadline) : deadline_(deadline) {
  filter_.Attach(new Filter(deadline));
  registered_ = SUCCEEDED(CoRegisterMessageFilter(filter_.Get(), previous_.GetAddressOf()));
}

PageCallDeadline::~PageCallDeadline() {
  if (registered_) {
    // The filter that was there before comes back; COM hands back its
    // reference on ours.
    ComPtr<IMessageFilter> ours;
    CoRegisterMessageFilter(previous_.Get(), ours.GetAddressOf());
  }
}
