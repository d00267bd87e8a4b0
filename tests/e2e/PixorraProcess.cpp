#include "PixorraProcess.h"

#include "ExeFolder.h"

namespace {

using testsupport::Children;
using testsupport::ClassName;

// The first control of the main window, or of its panel, that `matches`.
template <typename Match>
HWND Find(HWND main, bool inPanel, Match matches) {
  for (HWND child : Children(main)) {
    if (!inPanel && matches(child)) return child;
    if (!inPanel || ClassName(child) != L"PixorraPanel") continue;
    for (HWND control : Children(child)) {
      if (matches(control)) return control;
    }
  }
  return nullptr;
}

void SendMouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof(input));
  Sleep(60);
}

}  // namespace

PixorraProcess::PixorraProcess() {
  if (!process_.Start(testsupport::Quoted(testsupport::BuildFolder() + L"Pixorra.exe"))) return;
  WaitFor(
      [this] {
        main_ = FindWindowW(L"TPixorraMainForm", L"Pixorra");
        return main_ != nullptr && IsWindowVisible(main_);
      },
      20000);
  Sleep(300);
}

HWND PixorraProcess::ControlWithText(const wchar_t* className, const wchar_t* text) const {
  return Find(main_, true, [&](HWND control) { return ClassName(control) == className && Text(control) == text; });
}

HWND PixorraProcess::DownloadList() const {
  return Find(main_, false, [](HWND child) { return ClassName(child) == L"Edit" && IsWindowVisible(child); });
}

HWND PixorraProcess::CollectedList() const {
  return Find(main_, false, [](HWND child) { return ClassName(child) == L"Edit" && !IsWindowVisible(child); });
}

HWND PixorraProcess::TypeSelector() const {
  return Find(main_, true, [](HWND control) { return ClassName(control) == L"ComboBox"; });
}

HWND PixorraProcess::ProgressBar() const {
  return Find(main_, true, [](HWND control) { return ClassName(control) == L"msctls_progress32"; });
}

HWND PixorraProcess::SavePathLabel() const {
  return Find(main_, true, [](HWND control) { return ClassName(control) == L"Static" && !IsWindowVisible(control); });
}

HWND PixorraProcess::FileLabel() const {
  HWND caption = ControlWithText(L"Static", L"当前文件进度：");
  RECT line = {};
  GetWindowRect(caption, &line);
  return Find(main_, true, [&](HWND control) {
    RECT place = {};
    GetWindowRect(control, &place);
    return control != caption && ClassName(control) == L"Static" && place.left > line.left &&
           place.top < line.bottom && place.bottom > line.top;
  });
}

RECT PixorraProcess::Frame() const {
  RECT frame = {};
  GetWindowRect(main_, &frame);
  return frame;
}

bool PixorraProcess::PickPage(HWND page) {
  HWND label = ControlWithText(L"Static", L"点我获取");
  if (!label) return false;
  bool armed = false;
  for (int attempt = 0; attempt < 3 && !armed; ++attempt) {
    const POINT at = CentreOf(label);
    ClickAt(at.x, at.y);
    armed = WaitFor([&] { return Frame().left != 0; }, 5000);
  }
  if (!armed) return false;
  const POINT onPage = CentreOf(page);
  ClickOnAnotherApplication(main_, page, onPage.x, onPage.y);
  return WaitFor([&] { return !Text(CollectedList()).empty(); }, 15000) &&
         WaitFor([&] { return Frame().left == 0; }, 5000);
}

bool PixorraProcess::Close(DWORD milliseconds) {
  PostMessageW(main_, WM_CLOSE, 0, 0);
  return process_.WaitForExit(milliseconds);
}

void MoveMouse(int x, int y) {
  // The pointer is put there (on Wine this also moves the X pointer, which the
  // next button event reads back), then an absolute move goes through the
  // input queue as a real mouse reports it.
  SetCursorPos(x, y);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  // Over the whole desktop, second screens included.
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  input.mi.dx = static_cast<LONG>(((x - left) * 65535.0) / (GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1) + 0.5);
  input.mi.dy = static_cast<LONG>(((y - top) * 65535.0) / (GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1) + 0.5);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  SendInput(1, &input, sizeof(input));
  // The move reaches the cursor position a little later; a click sent before
  // that would land where the pointer was.
  WaitFor(
      [x, y] {
        POINT now = {};
        GetCursorPos(&now);
        return now.x == x && now.y == y;
      },
      3000);
  Sleep(30);
}

void PressAt(int x, int y) {
  MoveMouse(x, y);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void Release() { SendMouse(MOUSEEVENTF_LEFTUP); }

void ClickAt(int x, int y) {
  PressAt(x, y);
  Release();
}

void ClickOnAnotherApplication(HWND pixorraWindow, HWND target, int x, int y) {
  MoveMouse(x, y);
  // What Windows does when a press lands on another application's window:
  // that window comes to the foreground, and the thread that loses it gets
  // WM_CANCELMODE at the window holding its mouse capture. Wine leaves the
  // capture in place and sends the click to the capture window instead, so
  // the driver does both by hand. Then the press and release themselves.
  if (target) SetForegroundWindow(GetAncestor(target, GA_ROOT));
  GUITHREADINFO thread = {sizeof(thread)};
  if (GetGUIThreadInfo(GetWindowThreadProcessId(pixorraWindow, nullptr), &thread) && thread.hwndCapture) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(thread.hwndCapture, WM_CANCELMODE, 0, 0, SMTO_NORMAL, 30000, &ignored);
  }
  PressAt(x, y);
  Release();
}

void TypeText(const std::wstring& text) {
  for (wchar_t c : text) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wScan = keys[1].ki.wScan = c;
    keys[0].ki.dwFlags = KEYEVENTF_UNICODE;
    keys[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    Sleep(30);
  }
}

void PressKey(WORD virtualKey, bool withControl) {
  INPUT keys[4] = {};
  int count = 0;
  auto add = [&](WORD key, DWORD flags) {
    keys[count].type = INPUT_KEYBOARD;
    keys[count].ki.wVk = key;
    keys[count].ki.dwFlags = flags;
    ++count;
  };
  if (withControl) add(VK_CONTROL, 0);
  add(virtualKey, 0);
  add(virtualKey, KEYEVENTF_KEYUP);
  if (withControl) add(VK_CONTROL, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(count), keys, sizeof(INPUT));
  Sleep(60);
}

bool ClickToFocus(HWND control, int dx) {
  const POINT at = CentreOf(control);
  for (int attempt = 0; attempt < 3; ++attempt) {
    ClickAt(at.x + dx, at.y);
    if (WaitFor([control] { return HasKeyboardFocus(control); }, 2000)) return true;
  }
  return false;
}

bool HasKeyboardFocus(HWND control) {
  GUITHREADINFO thread = {sizeof(thread)};
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &thread)) return false;
  return thread.hwndFocus == control || GetParent(thread.hwndFocus) == control;
}

POINT CentreOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}
