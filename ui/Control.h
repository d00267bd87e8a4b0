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

  // For the length of a change that the control would paint at once: it is
  // marked invisible meanwhile (the style bit that WM_SETREDRAW clears on
  // Windows, which Wine's controls do not all heed), so that it paints
  // nothing, and shown again at Restore or at the end of the scope. What
  // to repaint then is the caller's to say.
  class OutOfSight {
   public:
    explicit OutOfSight(const Control& control);
    ~OutOfSight() { Restore(); }
    OutOfSight(const OutOfSight&) = delete;
    OutOfSight& operator=(const OutOfSight&) = delete;
    void Restore();
    bool WasVisible() const { return (style_ & WS_VISIBLE) != 0; }

   private:
    HWND window_;
    LONG_PTR style_;
    bool hidden_;
  };
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
