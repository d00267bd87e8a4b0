// The least a pick must do, in a process of its own, for ExeBenchmark to set
// the real pick beside: on the click on the page, ask the page window for its
// document, unmarshal it, go through its script window to the document, find
// the HTML element, take its outer markup, convert that to the ANSI code page,
// and put the new lines into two edit controls made like Pixorra's lists with
// one EM_REPLACESEL each. No scan and no filter: the lines come from files
// read before the pick, so whatever the program does beyond this shows in the
// ratio. A helper of the benchmark only; never part of Pixorra.
//
// It waits as Pixorra does while picking: off-screen, holding the mouse
// capture. The click on the page costs it the capture, which starts the read,
// and the window is back at the screen's left edge when both lists hold their
// lines. Its caption then tells how many bytes the conversion gave (0: the
// read failed and nothing was inserted) and how long its read and its
// inserts took.
//
// By default each list gets its lines in one insert. Given LINES_PER_INSERT
// it inserts slices of that many lines instead, back to back, as Pixorra
// fills its lists (less the messages it lets through between slices).
//
//   PickFloor.exe COLLECTED_LINES_FILE DOWNLOAD_LINES_FILE [LINES_PER_INSERT]
#include <windows.h>
#include <commctrl.h>
#include <mshtml.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include "ComHolders.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kFloorClass[] = L"PixorraPickFloor";

// Pixorra's window and lists at 96 DPI, and their font: the edit control's
// cost depends on its width, scroll bars and font as well as on its text.
constexpr int kClientWidth = 458;
constexpr int kClientHeight = 300;
constexpr int kPanelHeight = 113;
constexpr int kCollectedLeft = 0;
constexpr int kCollectedTop = 191;
constexpr int kCollectedWidth = 185;
constexpr int kCollectedHeight = 89;
constexpr int kFontHeight = -11;  // Tahoma 8 point
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kFrameExStyle = WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
constexpr DWORD kListStyle = WS_CHILD | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                             ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
// Pixorra's own bound on asking the page window for its document.
constexpr UINT kSendTimeoutMilliseconds = 1000;

class UniqueFont {
 public:
  explicit UniqueFont(HFONT font) : font_(font) {}
  ~UniqueFont() {
    if (font_) DeleteObject(font_);
  }
  UniqueFont(const UniqueFont&) = delete;
  UniqueFont& operator=(const UniqueFont&) = delete;
  HFONT Get() const { return font_; }

 private:
  HFONT font_;
};

// The frame window, destroyed with the holder unless it was closed before.
class UniqueWindow {
 public:
  explicit UniqueWindow(HWND window) : window_(window) {}
  ~UniqueWindow() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
  }
  UniqueWindow(const UniqueWindow&) = delete;
  UniqueWindow& operator=(const UniqueWindow&) = delete;
  HWND Get() const { return window_; }

 private:
  HWND window_;
};

std::wstring ReadAnsiFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  const std::string bytes = content.str();
  if (bytes.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
  return text;
}

// The page's markup in the ANSI code page, read as Pixorra reads it; empty
// when any step fails.
std::string PageMarkup(HWND page) {
  const UINT getObject = RegisterWindowMessageA("WM_HTML_GETOBJECT");
  DWORD_PTR answer = 0;
  if (!getObject || !SendMessageTimeoutA(page, getObject, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMilliseconds, &answer)) {
    return std::string();
  }
  ComPtr<IHTMLDocument> first;
  if (FAILED(ObjectFromLresult(static_cast<LRESULT>(answer), IID_IHTMLDocument, 0,
                               reinterpret_cast<void**>(first.GetAddressOf()))) ||
      !first) {
    return std::string();
  }
  ComPtr<IDispatch> script;
  if (FAILED(first->get_Script(&script)) || !script) return std::string();
  ComPtr<IHTMLWindow2> scriptWindow;
  if (FAILED(script.As(&scriptWindow)) || !scriptWindow) return std::string();
  ComPtr<IHTMLDocument2> document;
  if (FAILED(scriptWindow->get_document(&document)) || !document) return std::string();
  ComPtr<IHTMLElementCollection> all;
  long count = 0;
  if (FAILED(document->get_all(&all)) || !all || FAILED(all->get_length(&count))) return std::string();

  for (long position = 0; position < count; ++position) {
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_I4;
    name.lVal = position;
    ComPtr<IDispatch> item;
    ComPtr<IHTMLElement> element;
    if (FAILED(all->item(name, name, &item)) || !item || FAILED(item.As(&element)) || !element) continue;
    UniqueBstr tagName;
    if (FAILED(element->get_tagName(tagName.Receive())) || !tagName.Get() || _wcsicmp(tagName.Get(), L"HTML") != 0) {
      continue;
    }
    UniqueBstr markup;
    if (FAILED(element->get_outerHTML(markup.Receive())) || !markup.Get()) return std::string();
    const int length = static_cast<int>(SysStringLen(markup.Get()));
    const int size = WideCharToMultiByte(CP_ACP, 0, markup.Get(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, markup.Get(), length, &ansi[0], size, nullptr, nullptr);
    return ansi;
  }
  return std::string();
}

void InsertAtEnd(HWND list, const std::wstring& text) {
  const int end = GetWindowTextLengthW(list);
  SendMessageW(list, EM_SETSEL, static_cast<WPARAM>(end), end);
  // The same call as Pixorra's lists make, undo included, so that the two
  // differ only in how much they insert and how often.
  SendMessageW(list, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// All of `text` at the end of the list: in one insert, or in inserts of
// `linesPerInsert` lines each.
void InsertLines(HWND list, const std::wstring& text, std::size_t linesPerInsert) {
  if (linesPerInsert == 0) {
    InsertAtEnd(list, text);
    return;
  }
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = start;
    for (std::size_t lines = 0; lines < linesPerInsert && end < text.size(); ++lines) {
      const std::size_t lineBreak = text.find(L'\n', end);
      end = lineBreak == std::wstring::npos ? text.size() : lineBreak + 1;
    }
    InsertAtEnd(list, text.substr(start, end - start));
    start = end;
  }
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Floor {
  std::wstring collectedLines;
  std::wstring downloadLines;
  HWND collectedList = nullptr;
  HWND downloadList = nullptr;
  std::size_t linesPerInsert = 0;  // 0: the whole text in one insert
  bool picking = false;
};

void MoveLeftEdge(HWND window, int left) {
  RECT frame;
  GetWindowRect(window, &frame);
  SetWindowPos(window, nullptr, left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Pick(HWND frame, Floor& floor) {
  floor.picking = false;
  LARGE_INTEGER start, read, inserted;
  QueryPerformanceCounter(&start);
  POINT pointer = {};
  GetCursorPos(&pointer);
  const std::string markup = PageMarkup(WindowFromPoint(pointer));
  QueryPerformanceCounter(&read);
  if (!markup.empty()) {
    InsertLines(floor.collectedList, floor.collectedLines, floor.linesPerInsert);
    InsertLines(floor.downloadList, floor.downloadLines, floor.linesPerInsert);
  }
  QueryPerformanceCounter(&inserted);
  // How the floor's own time splits, for the benchmark to tell apart.
  wchar_t caption[128];
  swprintf(caption, 128, L"converted %lu read %.0f insert %.0f", static_cast<unsigned long>(markup.size()),
           Milliseconds(start, read), Milliseconds(read, inserted));
  SetWindowTextW(frame, caption);
  MoveLeftEdge(frame, 0);
}

LRESULT CALLBACK FloorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    Floor* floor = reinterpret_cast<Floor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_CAPTURECHANGED:
        // The click on the page, through the WM_CANCELMODE that the system
        // (or the benchmark's driver, under Wine) sends to the capture window.
        if (floor && floor->picking) Pick(window, *floor);
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
  } catch (...) {
    // A page too large for memory: the window comes back with nothing read.
    MoveLeftEdge(window, 0);
    return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  Floor floor;
  floor.collectedLines = ReadAnsiFile(argv[1]);
  floor.downloadLines = ReadAnsiFile(argv[2]);
  if (argc > 3) floor.linesPerInsert = static_cast<std::size_t>(std::strtoul(argv[3], nullptr, 10));

  // The edit class of version 6 of the common controls, as in Pixorra (the
  // manifest asks for that version).
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // COM stays initialised for the process, and OLEACC.DLL is loaded with it:
  // the floor pays neither per pick.
  ScopedCoInitialize com;
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = FloorProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kFloorClass;
  if (!RegisterClassW(&windowClass)) return 1;

  // The font outlives the window and the lists that use it.
  UniqueFont font(CreateFontW(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kFrameStyle, FALSE, kFrameExStyle);
  UniqueWindow frameWindow(CreateWindowExW(kFrameExStyle, kFloorClass, L"PickFloor", kFrameStyle, 0, 0,
                                           frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                           GetModuleHandleW(nullptr), &floor));
  HWND window = frameWindow.Get();
  if (!window) return 1;
  floor.downloadList =
      CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", kListStyle | WS_VISIBLE, 0, kPanelHeight, kClientWidth,
                      kClientHeight - kPanelHeight, window, nullptr, GetModuleHandleW(nullptr), nullptr);
  floor.collectedList =
      CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", kListStyle, kCollectedLeft, kCollectedTop, kCollectedWidth,
                      kCollectedHeight, window, nullptr, GetModuleHandleW(nullptr), nullptr);
  for (HWND list : {floor.downloadList, floor.collectedList}) {
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    // Pixorra lifts the limit of about 30,000 characters too.
    SendMessageW(list, EM_SETLIMITTEXT, 0, 0);
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);

  // Armed as Pixorra is after the click on its label.
  floor.picking = true;
  SetCapture(window);
  MoveLeftEdge(window, GetSystemMetrics(SM_CXSCREEN) + 100);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
