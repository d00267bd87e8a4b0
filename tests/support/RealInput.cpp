#include "RealInput.h"

#include "WindowQueries.h"

namespace {

void SendMouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof(input));
  Sleep(60);
}

}  // namespace

void MoveMouse(int x, int y) {
  // The pointer is put there (on Wine this also moves the X pointer, which the
  // next button event reads back), then an absolute move goes through the
  // input queue as a real mouse reports it.
  SetCursorPos(x, y);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  // Over the whole desktop, second screens included.
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  input.mi.dx = static_cast<LONG>(((x - left) * 65535.0) / (GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1) + 0.5);
  input.mi.dy = static_cast<LONG>(((y - top) * 65535.0) / (GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1) + 0.5);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  SendInput(1, &input, sizeof(input));
  // The move reaches the cursor position a little later; a click sent before
  // that would land where the pointer was.
  WaitFor(
      [x, y] {
        POINT now = {};
        GetCursorPos(&now);
        return now.x == x && now.y == y;
      },
      3000);
  Sleep(30);
}

void PressAt(int x, int y) {
  MoveMouse(x, y);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void Release() { SendMouse(MOUSEEVENTF_LEFTUP); }

void ClickAt(int x, int y) {
  PressAt(x, y);
  Release();
}

void PressAndRelease(POINT at, DWORD held) {
  PressAt(at.x, at.y);
  Sleep(held);
  Release();
}

void TypeText(const std::wstring& text) {
  for (wchar_t c : text) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wScan = keys[1].ki.wScan = c;
    keys[0].ki.dwFlags = KEYEVENTF_UNICODE;
    keys[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    Sleep(30);
  }
}

void PressKey(WORD virtualKey, bool withControl) {
  INPUT keys[4] = {};
  int count = 0;
  auto add = [&](WORD key, DWORD flags) {
    keys[count].type = INPUT_KEYBOARD;
    keys[count].ki.wVk = key;
    keys[count].ki.dwFlags = flags;
    ++count;
  };
  if (withControl) add(VK_CONTROL, 0);
  add(virtualKey, 0);
  add(virtualKey, KEYEVENTF_KEYUP);
  if (withControl) add(VK_CONTROL, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(count), keys, sizeof(INPUT));
  Sleep(60);
}

POINT CentreOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT CharacterOnScreen(HWND box, int position) {
  const LRESULT at = SendMessageW(box, EM_POSFROMCHAR, static_cast<WPARAM>(position), 0);
  POINT point = {static_cast<short>(LOWORD(at)) + 2, static_cast<short>(HIWORD(at)) + 4};
  ClientToScreen(box, &point);
  return point;
}
