// Routines that read a browser page through its document object. Windows only.
#pragma once

#include <windows.h>
#include <mshtml.h>
#include <wrl/client.h>

#include <string>

// True when the window must not be read: its direct parent's class name
// contains "SHELLDLL_DefView" (a shell folder view or the desktop) or
// "Internet Explorer_TridentDlgFrame" (a browser dialog).
bool IsExcludedWindow(HWND window);

// The outer markup of the page's root element as ANSI text; empty text when
// there is no document or no element named "HTML". The document is borrowed.
std::string GetPageMarkup(IHTMLDocument2* document);
// The same within a time budget: the walk over the elements stops at
// `deadline` (GetTickCount64), and `late` is then set and the text empty.
std::string GetPageMarkup(IHTMLDocument2* document, ULONGLONG deadline, bool& late);

// For the length of a page read on this thread: every call into the page that
// is still pending at `deadline` (GetTickCount64) is cancelled, through a COM
// message filter, the platform's means for a single-threaded client. The
// filter is asked whenever a message reaches the thread during a call; the
// reader has a watchdog send one now and then. COM must be initialised on the
// thread. (Wine asks the filter but goes on waiting for the page.)
class PageCallDeadline {
 public:
  explicit PageCallDeadline(ULONGLONG deadline);
  ~PageCallDeadline();
  PageCallDeadline(const PageCallDeadline&) = delete;
  PageCallDeadline& operator=(const PageCallDeadline&) = delete;

  bool Passed() const { return GetTickCount64() >= deadline_; }

 private:
  class Filter;
  ULONGLONG deadline_;
  Microsoft::WRL::ComPtr<IMessageFilter> filter_;
  Microsoft::WRL::ComPtr<IMessageFilter> previous_;
  bool registered_ = false;
};
