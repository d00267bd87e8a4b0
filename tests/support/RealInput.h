// Real mouse and keyboard input, through SendInput, as a user makes it: it
// goes through the system's input queue to whatever window is under the
// pointer or has the focus, in this process or another.
#pragma once

#include <windows.h>

#include <string>

void MoveMouse(int x, int y);
void PressAt(int x, int y);
void Release();
void ClickAt(int x, int y);
// A press and a release `held` ms apart, as a hand makes them: whatever the
// press does before the release (a button takes the focus) runs first.
void PressAndRelease(POINT at, DWORD held = 150);
void TypeText(const std::wstring& text);
void PressKey(WORD virtualKey, bool withControl = false);
POINT CentreOf(HWND window);
// Where character `position` of an edit box stands on the screen, a little
// inside it: a click there puts the caret before that character.
POINT CharacterOnScreen(HWND box, int position);
