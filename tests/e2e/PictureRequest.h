// A picture of a window, taken by the script that started the driver: the
// driver writes FOLDER\NAME.request with the window's place on the display
// ("WxH+X+Y") and waits for FOLDER\NAME.taken, which the script writes once it
// has the picture (take_pictures in scripts/common.sh).
#pragma once

#include <windows.h>

#include <string>

// What went wrong, or empty text once the picture is taken.
std::wstring TakePicture(const std::wstring& folder, const std::wstring& name, HWND window);
