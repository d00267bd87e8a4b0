// A stand-in for a browser page, for the tests and the demo: a window of class
// "Internet Explorer_Server" that answers the registered "WM_HTML_GETOBJECT"
// with a document object of its own, as the browser does for other processes.
// The document, its script window, its element collection and its elements
// implement the few methods that a reader uses; every other method of their
// interfaces answers E_NOTIMPL. At exit it prints how many references other
// processes still hold on its objects.
//
//   FakeBrowserPage.exe --markup FILE --url URL [--before N] [--odd-items]
//                       [--no-root] [--lowercase-root] [--hang-ms N]
//                       [--parent-class NAME] [--grandparent-class NAME]
//                       [--top-level] [--lifetime-ms N] [--slow-all-ms N]
//                       [--slow-outer-ms N] [--length N]
//                       [--pictures FOLDER] [--caption TEXT] [--bounds X,Y,W,H]
//
// The demo's switches: --pictures shows the folder's pictures in the page, so
// that a person sees what a pick takes; --caption gives the page a frame of
// its own that a person can move and close; --lifetime-ms 0 keeps it until
// then.
#define CINTERFACE
#define COBJMACROS
#include <windows.h>
#include <mshtml.h>
#include <oleacc.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PagePictures.h"

namespace {

LONG outstandingReferences = 0;  // beyond the one each object holds on itself

HRESULT STDMETHODCALLTYPE NotImplemented() { return E_NOTIMPL; }

// Every slot answers E_NOTIMPL until set: on x64 a callee that ignores its
// arguments is safe to call with any of them.
template <typename Vtbl>
void FillNotImplemented(Vtbl& vtbl) {
  void** slots = reinterpret_cast<void**>(&vtbl);
  for (std::size_t i = 0; i < sizeof(Vtbl) / sizeof(void*); ++i) slots[i] = reinterpret_cast<void*>(&NotImplemented);
}

BSTR NewBstr(const std::wstring& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

// Objects live as long as the process; their counts only track what others hold.
template <typename Object>
ULONG STDMETHODCALLTYPE AddRefImpl(Object* self) {
  InterlockedIncrement(&outstandingReferences);
  return static_cast<ULONG>(InterlockedIncrement(&self->references));
}

template <typename Object>
ULONG STDMETHODCALLTYPE ReleaseImpl(Object* self) {
  InterlockedDecrement(&outstandingReferences);
  return static_cast<ULONG>(InterlockedDecrement(&self->references));
}

// ---- elements -------------------------------------------------------------

struct Element {
  IHTMLElement iface;
  LONG references;
  std::wstring tagName;
  std::wstring outerHtml;
};

HRESULT STDMETHODCALLTYPE ElementQueryInterface(IHTMLElement* self, REFIID iid, void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IHTMLElement)) {
    *object = self;
    IHTMLElement_AddRef(self);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ElementTagName(IHTMLElement* self, BSTR* name) {
  *name = NewBstr(reinterpret_cast<Element*>(self)->tagName);
  return S_OK;
}

// A slow or lying page: how long get_all and get_outerHTML take, and a length
// that the collection reports instead of its own.
DWORD slowAllMilliseconds = 0;
DWORD slowOuterMilliseconds = 0;
long reportedLength = -1;

HRESULT STDMETHODCALLTYPE ElementOuterHtml(IHTMLElement* self, BSTR* html) {
  if (slowOuterMilliseconds) Sleep(slowOuterMilliseconds);
  *html = NewBstr(reinterpret_cast<Element*>(self)->outerHtml);
  return S_OK;
}

IHTMLElementVtbl elementVtbl;

// An item of the collection that is a dispatch object but no element.
struct PlainDispatch {
  IDispatch iface;
  LONG references;
};

HRESULT STDMETHODCALLTYPE PlainQueryInterface(IDispatch* self, REFIID iid, void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *object = self;
    IDispatch_AddRef(self);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

IDispatchVtbl plainVtbl;
PlainDispatch plainItem;

// ---- the element collection -----------------------------------------------

struct Slot {
  enum Kind { kElement, kMissing, kNotAnElement } kind;
  Element* element;
};

struct Collection {
  IHTMLElementCollection iface;
  LONG references;
  std::vector<Slot> slots;
};

HRESULT STDMETHODCALLTYPE CollectionQueryInterface(IHTMLElementCollection* self, REFIID iid, void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, IID_IHTMLElementCollection)) {
    *object = self;
    IHTMLElementCollection_AddRef(self);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CollectionLength(IHTMLElementCollection* self, long* length) {
  *length = reportedLength >= 0 ? reportedLength : static_cast<long>(reinterpret_cast<Collection*>(self)->slots.size());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CollectionItem(IHTMLElementCollection* self, VARIANT name, VARIANT index, IDispatch** item) {
  *item = nullptr;
  auto* collection = reinterpret_cast<Collection*>(self);
  // Readers select by position with a VT_I4 in both arguments.
  if (name.vt != VT_I4 || index.vt != VT_I4) return E_INVALIDARG;
  if (name.lVal < 0 || static_cast<std::size_t>(name.lVal) >= collection->slots.size()) return S_OK;
  const Slot& slot = collection->slots[static_cast<std::size_t>(name.lVal)];
  if (slot.kind == Slot::kMissing) return S_OK;
  if (slot.kind == Slot::kNotAnElement) {
    *item = &plainItem.iface;
  } else {
    *item = reinterpret_cast<IDispatch*>(&slot.element->iface);
  }
  IDispatch_AddRef(*item);
  return S_OK;
}

IHTMLElementCollectionVtbl collectionVtbl;
Collection collection;

// ---- the document and its script window -------------------------------------

struct Document {
  IHTMLDocument2 iface;
  LONG references;
  std::wstring url;
};

struct ScriptWindow {
  IHTMLWindow2 iface;
  LONG references;
};

IHTMLDocument2Vtbl documentVtbl;
IHTMLWindow2Vtbl windowVtbl;
Document document;
ScriptWindow scriptWindow;

HRESULT STDMETHODCALLTYPE DocumentQueryInterface(IHTMLDocument2* self, REFIID iid, void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IHTMLDocument) ||
      IsEqualIID(iid, IID_IHTMLDocument2)) {
    *object = self;
    IHTMLDocument2_AddRef(self);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE DocumentScript(IHTMLDocument2*, IDispatch** script) {
  *script = reinterpret_cast<IDispatch*>(&scriptWindow.iface);
  IDispatch_AddRef(*script);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DocumentAll(IHTMLDocument2*, IHTMLElementCollection** all) {
  if (slowAllMilliseconds) Sleep(slowAllMilliseconds);
  *all = &collection.iface;
  IHTMLElementCollection_AddRef(*all);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DocumentUrl(IHTMLDocument2* self, BSTR* url) {
  const std::wstring& text = reinterpret_cast<Document*>(self)->url;
  *url = text.empty() ? nullptr : NewBstr(text);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WindowQueryInterface(IHTMLWindow2* self, REFIID iid, void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, IID_IHTMLFramesCollection2) || IsEqualIID(iid, IID_IHTMLWindow2)) {
    *object = self;
    IHTMLWindow2_AddRef(self);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE WindowDocument(IHTMLWindow2*, IHTMLDocument2** result) {
  *result = &document.iface;
  IHTMLDocument2_AddRef(*result);
  return S_OK;
}

void SetUpVtables() {
  FillNotImplemented(elementVtbl);
  elementVtbl.QueryInterface = ElementQueryInterface;
  elementVtbl.AddRef = [](IHTMLElement* self) { return AddRefImpl(reinterpret_cast<Element*>(self)); };
  elementVtbl.Release = [](IHTMLElement* self) { return ReleaseImpl(reinterpret_cast<Element*>(self)); };
  elementVtbl.get_tagName = ElementTagName;
  elementVtbl.get_outerHTML = ElementOuterHtml;

  FillNotImplemented(plainVtbl);
  plainVtbl.QueryInterface = PlainQueryInterface;
  plainVtbl.AddRef = [](IDispatch* self) { return AddRefImpl(reinterpret_cast<PlainDispatch*>(self)); };
  plainVtbl.Release = [](IDispatch* self) { return ReleaseImpl(reinterpret_cast<PlainDispatch*>(self)); };
  plainItem.iface.lpVtbl = &plainVtbl;
  plainItem.references = 1;

  FillNotImplemented(collectionVtbl);
  collectionVtbl.QueryInterface = CollectionQueryInterface;
  collectionVtbl.AddRef = [](IHTMLElementCollection* self) { return AddRefImpl(reinterpret_cast<Collection*>(self)); };
  collectionVtbl.Release = [](IHTMLElementCollection* self) {
    return ReleaseImpl(reinterpret_cast<Collection*>(self));
  };
  collectionVtbl.get_length = CollectionLength;
  collectionVtbl.item = CollectionItem;
  collection.iface.lpVtbl = &collectionVtbl;
  collection.references = 1;

  FillNotImplemented(documentVtbl);
  documentVtbl.QueryInterface = DocumentQueryInterface;
  documentVtbl.AddRef = [](IHTMLDocument2* self) { return AddRefImpl(reinterpret_cast<Document*>(self)); };
  documentVtbl.Release = [](IHTMLDocument2* self) { return ReleaseImpl(reinterpret_cast<Document*>(self)); };
  documentVtbl.get_Script = DocumentScript;
  documentVtbl.get_all = DocumentAll;
  documentVtbl.get_URL = DocumentUrl;
  document.iface.lpVtbl = &documentVtbl;
  document.references = 1;

  FillNotImplemented(windowVtbl);
  windowVtbl.QueryInterface = WindowQueryInterface;
  windowVtbl.AddRef = [](IHTMLWindow2* self) { return AddRefImpl(reinterpret_cast<ScriptWindow*>(self)); };
  windowVtbl.Release = [](IHTMLWindow2* self) { return ReleaseImpl(reinterpret_cast<ScriptWindow*>(self)); };
  windowVtbl.get_document = WindowDocument;
  scriptWindow.iface.lpVtbl = &windowVtbl;
  scriptWindow.references = 1;
}

// ---- the windows ------------------------------------------------------------

UINT getObjectMessage = 0;
DWORD hangMilliseconds = 0;
LONG timesAsked = 0;
HWND topWindow = nullptr;
HWND pageWindow = nullptr;
PagePictures* pictures = nullptr;

// A browser has answered other programs long before a user picks it. A new
// page would not have: under Wine its first answer costs about 90 ms for the
// accessibility library's first use, and as much again whenever nothing of
// the document is exported (seconds when the machine stalls), which a pick's
// one-second send would meet. So at the start the page exports its document
// for its whole life (given back at exit), then answers itself once.
IStream* keptExport = nullptr;

void KeepDocumentExported() {
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &keptExport))) return;
  if (FAILED(CoMarshalInterface(keptExport, IID_IHTMLDocument, reinterpret_cast<IUnknown*>(&document.iface),
                                MSHCTX_LOCAL, nullptr, MSHLFLAGS_TABLESTRONG))) {
    IStream_Release(keptExport);
    keptExport = nullptr;
    return;
  }
  IUnknown* answered = nullptr;
  const LRESULT answer = LresultFromObject(IID_IHTMLDocument, 0, reinterpret_cast<IUnknown*>(&document.iface));
  if (SUCCEEDED(answer) && SUCCEEDED(ObjectFromLresult(answer, IID_IHTMLDocument, 0, reinterpret_cast<void**>(&answered))) &&
      answered) {
    IUnknown_Release(answered);
  }
}

void GiveBackDocumentExport() {
  if (!keptExport) return;
  const LARGE_INTEGER start = {};
  IStream_Seek(keptExport, start, STREAM_SEEK_SET, nullptr);
  CoReleaseMarshalData(keptExport);
  IStream_Release(keptExport);
  keptExport = nullptr;
}

LRESULT CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == getObjectMessage && getObjectMessage != 0) {
    ++timesAsked;
    if (hangMilliseconds) Sleep(hangMilliseconds);
    return LresultFromObject(IID_IHTMLDocument, wParam, reinterpret_cast<IUnknown*>(&document.iface));
  }
  if (message == WM_PAINT && window == pageWindow && pictures) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area = {};
    GetClientRect(window, &area);
    pictures->Paint(dc, area);
    EndPaint(window, &paint);
    return 0;
  }
  // A frame that a person resizes keeps the page filling it.
  if (message == WM_SIZE && window == topWindow && pageWindow && GetParent(pageWindow) == window) {
    MoveWindow(pageWindow, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return 0;
  }
  if (message == WM_CLOSE && window == topWindow) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY && window == topWindow) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The outermost window's place and size, and its caption: none gives a bare popup.
struct Bounds {
  long left, top, width, height;
} frameBounds = {500, 300, 400, 300};
std::wstring caption;

HWND MakeWindow(const std::wstring& className, HWND parent) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = PageProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW, by its wide name
  windowClass.lpszClassName = className.c_str();
  RegisterClassW(&windowClass);
  if (parent) {
    RECT client = {};
    GetClientRect(parent, &client);
    return CreateWindowExW(0, className.c_str(), L"Fake page", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                           client.bottom, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  const DWORD style = caption.empty() ? (WS_POPUP | WS_VISIBLE) : (WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  return CreateWindowExW(0, className.c_str(), caption.empty() ? L"Fake page" : caption.c_str(), style,
                         frameBounds.left, frameBounds.top, frameBounds.width, frameBounds.height, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

std::wstring ReadUtf8File(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  const std::string bytes = content.str();
  if (bytes.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
  return text;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring markupFile, parentClass, grandparentClass, pictureFolder;
  int before = 0;
  bool oddItems = false, noRoot = false, lowercaseRoot = false, topLevel = false;
  DWORD lifetime = 60000;
  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    auto next = [&]() { return i + 1 < argc ? std::wstring(argv[++i]) : std::wstring(); };
    if (option == L"--markup") markupFile = next();
    else if (option == L"--url") document.url = next();
    else if (option == L"--before") before = _wtoi(next().c_str());
    else if (option == L"--odd-items") oddItems = true;
    else if (option == L"--no-root") noRoot = true;
    else if (option == L"--lowercase-root") lowercaseRoot = true;
    else if (option == L"--hang-ms") hangMilliseconds = static_cast<DWORD>(_wtoi(next().c_str()));
    else if (option == L"--parent-class") parentClass = next();
    else if (option == L"--grandparent-class") grandparentClass = next();
    else if (option == L"--top-level") topLevel = true;
    else if (option == L"--lifetime-ms") lifetime = static_cast<DWORD>(_wtoi(next().c_str()));
    else if (option == L"--slow-all-ms") slowAllMilliseconds = static_cast<DWORD>(_wtoi(next().c_str()));
    else if (option == L"--slow-outer-ms") slowOuterMilliseconds = static_cast<DWORD>(_wtoi(next().c_str()));
    else if (option == L"--length") reportedLength = _wtol(next().c_str());
    else if (option == L"--pictures") pictureFolder = next();
    else if (option == L"--caption") caption = next();
    else if (option == L"--bounds") {
      Bounds& b = frameBounds;
      std::swscanf(next().c_str(), L"%ld,%ld,%ld,%ld", &b.left, &b.top, &b.width, &b.height);
    }
  }
  LocalFree(argv);

  SetUpVtables();
  static std::vector<Element> elements;
  elements.reserve(static_cast<std::size_t>(before) + 4);
  for (int i = 0; i < before; ++i) {
    elements.push_back({{&elementVtbl}, 1, i % 2 ? L"P" : L"!", L"<!-- <img src=before.gif> -->"});
  }
  elements.push_back({{&elementVtbl}, 1, noRoot ? L"BODY" : (lowercaseRoot ? L"html" : L"HTML"),
                      ReadUtf8File(markupFile)});
  elements.push_back({{&elementVtbl}, 1, L"HTML", L"<html><img src=second-root.gif></html>"});
  elements.push_back({{&elementVtbl}, 1, L"IMG", L"<img src=child.gif>"});
  if (oddItems) {
    collection.slots.push_back({Slot::kMissing, nullptr});
    collection.slots.push_back({Slot::kNotAnElement, nullptr});
  }
  for (Element& element : elements) {
    if (noRoot && element.tagName == L"HTML") continue;
    collection.slots.push_back({Slot::kElement, &element});
  }

  PagePictures shown(pictureFolder);
  if (!pictureFolder.empty()) pictures = &shown;

  CoInitialize(nullptr);
  getObjectMessage = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
  HWND parent = nullptr;
  if (!grandparentClass.empty()) parent = MakeWindow(grandparentClass, nullptr);
  if (!parentClass.empty()) parent = MakeWindow(parentClass, parent);
  if (!parent && !topLevel) parent = MakeWindow(L"PixorraFakeFrame", nullptr);
  HWND page = MakeWindow(L"Internet Explorer_Server", parent);
  pageWindow = page;
  topWindow = GetAncestor(page, GA_ROOT);
  KeepDocumentExported();
  std::printf("hwnd %llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(page)));
  std::fflush(stdout);

  if (lifetime > 0) SetTimer(nullptr, 0, lifetime, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  GiveBackDocumentExport();
  // Let the other side's last releases arrive.
  const ULONGLONG until = GetTickCount64() + 200;
  while (GetTickCount64() < until) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
  std::printf("asked %ld\noutstanding %ld\n", timesAsked, outstandingReferences);
  std::fflush(stdout);
  CoUninitialize();
  return 0;
}
