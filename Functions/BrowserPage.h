// Routines that read a browser page through its document object. Windows only.
#pragma once

#include <windows.h>
#include <mshtml.h>

#include <string>

// True when the window must not be read: its direct parent's class name
// contains "SHELLDLL_DefView" (a shell folder view or the desktop) or
// "Internet Explorer_TridentDlgFrame" (a browser dialog).
bool IsExcludedWindow(HWND window);

// The outer markup of the page's root element as ANSI text; empty text when
// there is no document or no element named "HTML". The document is borrowed.
std::string GetPageMarkup(IHTMLDocument2* document);
