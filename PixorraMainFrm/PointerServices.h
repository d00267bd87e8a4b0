// The few system calls of a pick that act on the whole desktop: the system
// arrow cursor and the window under the pointer. The form reaches them
// through this seam so that tests can watch the cursor calls, which Wine
// does not carry out.
#pragma once

#include <windows.h>

class PointerServices {
 public:
  virtual ~PointerServices() = default;

  // LoadCursorA with no module and 32512 (IDC_ARROW): a shared handle.
  virtual HCURSOR StandardArrow();
  // CopyIcon: an independent copy that outlives a change of the system cursor.
  virtual HCURSOR Copy(HCURSOR cursor);
  // LoadCursorA with the program's module and "PIXORRA".
  virtual HCURSOR PickingCursor();
  // SetSystemCursor(cursor, 32512): the system takes over the handle.
  virtual bool ReplaceSystemArrow(HCURSOR cursor);
  // GetCursorPos and WindowFromPoint: the window at the pointer, or null.
  virtual HWND WindowAtPointer();

  // The services of the running system.
  static PointerServices& System();
};
