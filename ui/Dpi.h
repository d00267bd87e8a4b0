// Screen scaling. The layout is given at 96 DPI and scaled to the DPI of the
// window's monitor; the calls that tell it are looked up at run time, since
// older Windows lacks them.
#pragma once

#include <windows.h>

#include "Bounds.h"

namespace ui {

constexpr int kDesignDpi = 96;

// The DPI of `window`: its monitor's where the system scales per monitor,
// else the system's.
int WindowDpi(HWND window);
int SystemDpi();

// A length of the 96-DPI layout at `dpi`.
inline int Scale(int value, int dpi) { return MulDiv(value, dpi, kDesignDpi); }
Bounds Scale(const Bounds& bounds, int dpi);

// The window rectangle around a client area of the given size at `dpi`, at (0, 0).
RECT FrameForClient(int width, int height, DWORD style, DWORD exStyle, int dpi);

}  // namespace ui
