// Answers the folder browser of another process (Pixorra's) as a user would.
#pragma once

#include <windows.h>

#include <string>

// Waits for the folder browser of `process`, selects `folder` in it and
// presses OK. True when a browser was found and answered.
bool ChooseFolderInBrowser(HANDLE process, DWORD processId, const std::wstring& folder, DWORD milliseconds);
