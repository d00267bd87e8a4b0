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

