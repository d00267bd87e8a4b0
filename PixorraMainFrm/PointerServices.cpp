#include "PointerServices.h"

namespace {
constexpr WORD kStandardArrow = 32512;  // IDC_ARROW, and OCR_NORMAL for SetSystemCursor
}

HCURSOR PointerServices::StandardArrow() { return LoadCursorA(nullptr, MAKEINTRESOURCEA(kStandardArrow)); }

HCURSOR PointerServices::Copy(HCURSOR cursor) { return CopyIcon(cursor); }

HCURSOR PointerServices::PickingCursor() { return LoadCursorA(GetModuleHandleA(nullptr), "PIXORRA"); }

bool PointerServices::ReplaceSystemArrow(HCURSOR cursor) { return SetSystemCursor(cursor, kStandardArrow) != FALSE; }

HWND PointerServices::WindowAtPointer() {
  POINT pointer;
  if (!GetCursorPos(&pointer)) return nullptr;
  return WindowFromPoint(pointer);
}

PointerServices& PointerServices::System() {
  static PointerServices services;
  return services;
}
