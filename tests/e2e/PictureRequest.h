// What a driver asks of the script that started it, through files in a
// folder the script watches: a picture of a window, or keys typed through the
// X server. The driver writes FOLDER\NAME.request (a picture: the window's
// place on the display, "WxH+X+Y") or FOLDER\NAME.keys (the arguments of one
// xdotool command, one a line), and waits for FOLDER\NAME.taken or
// FOLDER\NAME.typed, which the script writes once it is done (take_pictures
// and type_keys in scripts/common.sh).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What went wrong, or empty text once the picture is taken.
std::wstring TakePicture(const std::wstring& folder, const std::wstring& name, HWND window);

// Keys that must come through the X server, as a keyboard's do: only those
// reach an input method. What went wrong, or empty text once typed.
std::wstring TypeThroughX(const std::wstring& folder, const std::wstring& name, const std::vector<std::string>& xdotool);
