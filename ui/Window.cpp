#include "Window.h"

#include "Application.h"
#include "Control.h"

namespace ui {

namespace {

void RegisterOnce(const wchar_t* className, WNDPROC procedure) {
  WNDCLASSEXW existing = {sizeof(existing)};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &existing)) return;
  WNDCLASSEXW windowClass = {sizeof(windowClass)};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
  RegisterClassExW(&windowClass);
}

}  // namespace

Window::~Window() {
  if (handle_) {
    HWND handle = handle_;
    SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
    handle_ = nullptr;
    DestroyWindow(handle);
  }
}

void Window::SetBounds(const Bounds& bounds) {
  SetWindowPos(handle_, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::CreateHandle(const CreateParams& params) {
  RegisterOnce(params.className, &Window::Procedure);
  CreateWindowExW(params.exStyle, params.className, params.caption.c_str(), params.style, params.bounds.left,
                  params.bounds.top, params.bounds.width, params.bounds.height, params.parent, nullptr,
                  GetModuleHandleW(nullptr), this);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultProcessing(message, wParam, lParam);
}

LRESULT Window::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (Control* control = Control::FromHandle(reinterpret_cast<HWND>(lParam))) {
        control->Notify(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_CANCELMODE: {
      // The default processing gives up the capture; a handler of that loss
      // may take it again, and cancelling a mode means it is given up for good.
      const LRESULT result = DefWindowProcW(handle_, message, wParam, lParam);
      if (handle_ && GetCapture() == handle_) ReleaseCapture();
      return result;
    }
    case WM_ACTIVATEAPP:
      // Another application came to the front: a capture held since before is
      // given up, as the system's WM_CANCELMODE does on Windows. Wine activates
      // the clicked application's window without cancelling the capture.
      if (!wParam && handle_ && GetCapture() == handle_) ReleaseCapture();
      break;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
      break;
  }
  return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return Application::Guarded([&] { return self->HandleMessage(message, wParam, lParam); });
}

}  // namespace ui
