#include "Application.h"

#include <commctrl.h>

#include <stdexcept>

#include "PendingMessages.h"
#include "WideText.h"

namespace ui {

namespace {

// The system's dialog class, "#32770".
constexpr ULONG_PTR kDialogClassAtom = 32770;

}  // namespace

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::Initialize() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  SetPendingMessagesHandler([] { Instance().ProcessMessages(); });
}

void Application::Dispatch(MSG& message) {
  // Enter, Esc and Tab go to the dialog the message belongs to: the main
  // window, or a dialog of the system's (the folder browser, a message box)
  // that opened inside a long operation, whose messages this pump takes while
  // the operation goes on. Given to the main window, they would be lost.
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && root != mainWindow_ && GetClassLongPtrW(root, GCW_ATOM) != kDialogClassAtom) root = nullptr;
  if (root && root == mainWindow_ && message.message == WM_KEYDOWN &&
      SendMessageW(mainWindow_, WM_PREVIEW_KEY, 0, reinterpret_cast<LPARAM>(&message))) {
    return;
  }
  if (root && IsDialogMessageW(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Application::Run() {
  MSG message;
  while (!terminated_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      terminated_ = true;
      if (got == 0) exitCode_ = static_cast<int>(message.wParam);
      break;
    }
    Dispatch(message);
  }
}

void Application::ProcessMessages() {
  if (noPumping_ > 0) return;
  const ULONGLONG now = GetTickCount64();
  UINT take = PM_REMOVE;
  if (now - lastPaintPass_ >= kPaintIntervalMilliseconds) {
    lastPaintPass_ = now;
  } else {
    // Input spelled out: the newer headers' PM_QS_INPUT adds touch and
    // pointer bits that older systems refuse.
    constexpr UINT kInput = (QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_RAWINPUT) << 16;
    take |= kInput | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
  }
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, take)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      exitCode_ = static_cast<int>(message.wParam);
      // The quit goes back for the loop outside, as every modal loop does with
      // one it takes. This may run inside a message sent to a window while the
      // loop below waits in GetMessage (a pick arrives that way): only a quit
      // still queued wakes that wait once the handler returns, however many
      // pumps the handler runs after this one.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    Dispatch(message);
  }
}

void Application::RequestQuit(int exitCode) {
  terminated_ = true;
  exitCode_ = exitCode;
  PostQuitMessage(exitCode);
}

Application::Handling::Handling() { ++Instance().handlers_; }

Application::Handling::~Handling() {
  Application& application = Instance();
  if (--application.handlers_ == 0 && application.terminated_) PostQuitMessage(application.exitCode_);
}

void Application::ResumeAfterQuit() {
  terminated_ = false;
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void Application::ShowException(std::exception_ptr error) {
  std::string text;
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    // Anything that is not a standard exception is shown with an empty message.
  }
  const std::wstring message = AnsiToWide(text);
  HWND owner = (mainWindow_ && IsWindow(mainWindow_)) ? mainWindow_ : nullptr;
  MessageBoxW(owner, message.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

}  // namespace ui
