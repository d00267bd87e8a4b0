#include "ProgressReports.h"

#include <cstring>

#include "DownloadProgress.h"
#include "PendingMessages.h"

UrlDownToCacheCallback ProgressCallback;

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  // Compared as 16 raw bytes.
  if (std::memcmp(&iid, &IID_IUnknown, sizeof(IID)) == 0 ||
      std::memcmp(&iid, &IID_IBindStatusCallback, sizeof(IID)) == 0) {
    *object = static_cast<IBindStatusCallback*>(this);
  }
  if (!*object) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

// Only ever called on the user-interface thread; nothing is freed at zero.
ULONG STDMETHODCALLTYPE UrlDownToCacheCallback::AddRef() { return static_cast<ULONG>(++references_); }

ULONG STDMETHODCALLTYPE UrlDownToCacheCallback::Release() { return static_cast<ULONG>(--references_); }

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::OnStartBinding(DWORD, IBinding*) { return S_OK; }

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::GetPriority(LONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::OnLowResource(DWORD) { return S_OK; }

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                                             LPCWSTR statusText) {
  try {
    if (statusCode < 1 || statusCode > kLastKnownBindStatus) statusCode = kOtherBindStatus;
    if (window_) {
      DownloadProgress record;
      std::memset(&record, 0, sizeof(record));
      record.Progress = progress;
      record.ProgressMax = progressMax;
      record.StatusCode = statusCode;
      record.StatusText = statusText;
      SendMessageA(window_, WM_DOWNLOAD_PROGRESS, 0, reinterpret_cast<LPARAM>(&record));
    }
    const ULONGLONG now = GetTickCount64();
    if (now - lastPass_ >= kPassIntervalMilliseconds) {
      lastPass_ = now;
      ProcessPendingMessages();
    }
    return S_OK;
  } catch (...) {
    // An exception cannot travel back through the download service: the
    // transfer stops, and the download reports it as a failure.
    return E_ABORT;
  }
}

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::OnStopBinding(HRESULT, LPCWSTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::GetBindInfo(DWORD*, BINDINFO*) { return S_OK; }

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) {
  return S_OK;
}

HRESULT STDMETHODCALLTYPE UrlDownToCacheCallback::OnObjectAvailable(REFIID, IUnknown*) { return S_OK; }
