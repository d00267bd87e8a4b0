// Waits until `condition` holds, dispatching this thread's messages
// meanwhile; true if it held in time. For drivers that watch another
// process or a dialog from outside.
#pragma once

#include <windows.h>

template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!condition()) {
    if (GetTickCount64() > deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(20);
  }
  return true;
}
