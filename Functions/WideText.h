// Conversions between the browser's and the controls' wide (UTF-16) texts and
// the 8-bit ANSI texts that Pixorra's routines work on. Characters the ANSI
// code page lacks become the system's default replacement character.
#pragma once

#include <windows.h>

#include <string>

std::string WideToAnsi(const wchar_t* text, std::size_t length);
std::string WideToAnsi(const std::wstring& text);
// A missing BSTR gives empty text.
std::string BstrToAnsi(BSTR text);
std::wstring AnsiToWide(const std::string& text);
