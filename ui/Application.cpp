#include "Application.h"

#include <commctrl.h>

#include <stdexcept>

#include "PendingMessages.h"
#include "WideText.h"

namespace ui {

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
  if (mainWindow_ && IsDialogMessageW(mainWindow_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Application::Run() {
  MSG message;
  while (!terminated_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      terminated_ = true;
      break;
    }
    Dispatch(message);
  }
}

void Application::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      // This may run inside a message sent to a window while the loop below
      // waits in GetMessage (a pick arrives that way); the quit taken here
      // would leave that wait asleep until some other message came.
      PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
      break;
    }
    Dispatch(message);
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
