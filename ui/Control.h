// Base of the wrappers around the system's control classes (edit, combo box,
// button, static, progress bar). The wrapper is found again from its HWND, so
// that the parent can hand each WM_COMMAND notification to its control.
#pragma once

#include <windows.h>

#include <string>

#include "Bounds.h"

namespace ui {

class Control {
 public:
  Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  HWND Handle() const { return handle_; }
  static Control* FromHandle(HWND window);

  // A notification code of WM_COMMAND sent by this control.
  virtual void Notify(WORD /*code*/) {}

  // Texts as 8-bit ANSI, converted with the ANSI code page at this boundary.
  std::string Text() const;
  void SetText(const std::string& text);
  // Fixed captions of the program, shown as written on any system.
  std::wstring WideText() const;
  void SetWideText(const std::wstring& text);

  bool Visible() const;
  void SetVisible(bool visible);
  void SetBounds(const Bounds& bounds);

 protected:
  struct CreateParams {
    const wchar_t* className = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::wstring text;
    Bounds bounds;
    HWND parent = nullptr;
    HFONT font = nullptr;
  };
  void CreateHandle(const CreateParams& params);

 private:
  HWND handle_ = nullptr;
};

}  // namespace ui
