// Base of the windows that Pixorra registers itself (the form, the panel, the
// bevels): the object is bound to its HWND at WM_NCCREATE, the window procedure
// only dispatches to HandleMessage, and no exception leaves it.
#pragma once

#include <windows.h>

#include <string>

#include "Bounds.h"

namespace ui {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Handle() const { return handle_; }
  void SetBounds(const Bounds& bounds);

 protected:
  struct CreateParams {
    const wchar_t* className = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::wstring caption;
    Bounds bounds;
    HWND parent = nullptr;
  };
  void CreateHandle(const CreateParams& params);

  // Called for every message; the default is DefaultProcessing.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Standard processing: notifications of child controls go to their event
  // handlers, static texts are drawn on the button face, the rest goes to
  // DefWindowProc.
  LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND handle_ = nullptr;
};

}  // namespace ui
