// The callback that the URL download service reports a transfer's progress
// to. Each report reaches the attached window as the progress message. The
// object also answers IHttpNegotiate, only to learn the HTTP status of the
// response: an error page must not pass for the image.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <exception>

class UrlDownToCacheCallback : public IBindStatusCallback, public IHttpNegotiate {
 public:
  UrlDownToCacheCallback() = default;
  UrlDownToCacheCallback(const UrlDownToCacheCallback&) = delete;
  UrlDownToCacheCallback& operator=(const UrlDownToCacheCallback&) = delete;

  // Reports go to `window` from now on.
  void Attach(HWND window) { window_ = window; }
  HWND AttachedWindow() const { return window_; }

  // Forgets the status and any error of the previous transfer.
  void BeginTransfer();
  // The HTTP status of the last response, 0 when none was seen.
  DWORD ResponseCode() const { return responseCode_; }
  // An exception raised while a report was handled, kept for the caller of
  // the download: it cannot travel back through the download service.
  std::exception_ptr TakeError();

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

  // IHttpNegotiate
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                 LPWSTR* additionalHeaders) override;
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                       LPWSTR* additionalRequestHeaders) override;

 private:
  LONG references_ = 1;
  HWND window_ = nullptr;
  DWORD responseCode_ = 0;
  std::exception_ptr error_;
};

// The program's one callback object. It lives until the process ends and is
// never deleted, whatever its reference count says.
extern UrlDownToCacheCallback ProgressCallback;
