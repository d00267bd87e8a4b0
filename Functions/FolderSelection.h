// The system's folder browser. Windows only.
#pragma once

#include <windows.h>

#include <string>

// Shows the folder browser owned by `owner`. On a choice with a file-system
// path stores it, ending in "\", in `folder` and returns true; returns false
// when the user cancels or the choice has no file-system path. Wide: the
// folder's name may hold characters the code page lacks.
bool SelectFolder(HWND owner, std::wstring& folder, const std::wstring& title);
