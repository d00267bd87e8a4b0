// What a driver asks of the script that started it, through a folder it
// watches: FOLDER\NAME.request, a picture of the display at "WxH+X+Y", or
// FOLDER\NAME.keys, one xdotool command's arguments, one a line; the script
// answers with NAME.taken or NAME.typed (take_pictures, type_keys in
// scripts/common.sh).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What went wrong, or empty text once the picture is taken.
std::wstring TakePicture(const std::wstring& folder, const std::wstring& name, HWND window);

// Keys that must come through the X server, as a keyboard's do: only those
// reach an input method. What went wrong, or empty text once typed.
std::wstring TypeThroughX(const std::wstring& folder, const std::wstring& name, const std::vector<std::string>& xdotool);
