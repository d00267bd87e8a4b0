// Conversions between the browser's and the controls' wide (UTF-16) texts and
// the 8-bit ANSI texts that Pixorra's routines work on. Characters the ANSI
// code page lacks become the system's default replacement character.
#pragma once

#include <windows.h>

#include <string>

std::string WideToAnsi(const wchar_t* text, std::size_t length);
std::string WideToAnsi(const std::wstring& text);
// The same for text that holds addresses (page markup, the page's own address,
// list lines): a character the code page lacks becomes its UTF-8 bytes,
// percent-encoded, as a browser sends it, rather than a "?" that would end
// the address's path and fetch another resource. Text that converts without
// loss comes out exactly as WideToAnsi gives it.
std::string WideToAnsiAddress(const wchar_t* text, std::size_t length);
std::string WideToAnsiAddress(const std::wstring& text);
// A missing BSTR gives empty text.
std::string BstrToAnsi(BSTR text);
std::string BstrToAnsiAddress(BSTR text);
std::wstring AnsiToWide(const std::string& text);
// The same for text going into a control, whose text ends at its first NUL:
// a NUL becomes U+FFFD, as a browser's parser makes it, so that nothing after
// it is lost.
std::wstring AnsiToControlText(const std::string& text);
