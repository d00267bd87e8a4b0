#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include "Application.h"

namespace testsupport {

namespace {

// The program's application object is set up once, as the entry does.
class UiEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    ui::Application::Instance().Initialize();
    ui::Application::Instance().SetTitle(L"Pixorra");
  }
};

const testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new UiEnvironment);

}  // namespace

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

RECT RectInParent(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

MessageBoxAnswerer::MessageBoxAnswerer(std::wstring caption, DWORD holdMilliseconds)
    : caption_(std::move(caption)), hold_(holdMilliseconds), thread_([this] { Watch(); }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  stop_ = true;
  thread_.join();
}

void MessageBoxAnswerer::Watch() {
  const DWORD process = GetCurrentProcessId();
  while (!stop_) {
    HWND box = FindWindowW(L"#32770", caption_.c_str());
    DWORD owner = 0;
    if (box) GetWindowThreadProcessId(box, &owner);
    if (box && owner == process && IsWindowVisible(box)) {
      std::wstring texts;
      for (HWND child : Children(box)) {
        if (ClassName(child) != L"Static") continue;
        if (GetWindowLongPtrW(child, GWL_STYLE) & SS_ICON) {
          hadIcon_ = true;
          continue;
        }
        if (!texts.empty()) texts += L"|";
        texts += WindowText(child);
      }
      texts_ = texts;
      for (const ULONGLONG until = GetTickCount64() + hold_; !stop_ && GetTickCount64() < until;) Sleep(20);
      answered_ = true;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return;
    }
    Sleep(20);
  }
}

bool MessageBoxAnswerer::WaitAnswered(DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!answered_ && GetTickCount64() < deadline) {
    PumpMessages();
    Sleep(10);
  }
  return answered_;
}

}  // namespace testsupport
