// The program's progress callback: each report of a transfer reaches the
// attached window as the progress message. What one transfer says about
// itself (its status, its length) is kept by that transfer's own
// TransferCallback, which hands every report on to this object.
#pragma once

#include <windows.h>
#include <urlmon.h>

class UrlDownToCacheCallback : public IBindStatusCallback {
 public:
  UrlDownToCacheCallback() = default;
  UrlDownToCacheCallback(const UrlDownToCacheCallback&) = delete;
  UrlDownToCacheCallback& operator=(const UrlDownToCacheCallback&) = delete;

  // Reports go to `window` from now on.
  void Attach(HWND window) { window_ = window; }
  HWND AttachedWindow() const { return window_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IBindStatusCallback
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) override;

  // A report lets pending messages through at most this often. A small
  // image brings six reports within a few milliseconds, and under Wine each
  // look at the queue is a round trip to the server; a slow transfer's
  // reports, which come further apart, each let them through.
  static constexpr ULONGLONG kPassIntervalMilliseconds = 10;
  // A transfer starts right after the download let pending messages through
  // (it named the file): the interval counts from now.
  void TransferStarts() { lastPass_ = GetTickCount64(); }

 private:
  LONG references_ = 1;
  HWND window_ = nullptr;
  ULONGLONG lastPass_ = 0;
};

// The program's one callback object. It lives until the process ends and is
// never deleted, whatever its reference count says.
extern UrlDownToCacheCallback ProgressCallback;
