// The callback that the URL download service is handed for one transfer. Its
// progress reports go on to ProgressCallback, the program's one progress
// callback; what the transfer says about itself stays here: its HTTP status,
// how much of the announced body came, how often the request went out again
// and when the service last gave a sign of life. A transfer that runs inside
// another one's report (a second click on the download button) therefore
// cannot lend the outer one its status.
#pragma once

#include <windows.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <optional>
#include <string>

#include "FailureReasons.h"

class TransferCallback : public IBindStatusCallback, public IHttpNegotiate {
 public:
  // Redirects followed before a transfer is given up.
  static constexpr int kMaxRedirects = 20;

  static Microsoft::WRL::ComPtr<TransferCallback> Make();

  // Fetches `address` into the URL cache and puts the cached file's path into
  // `cacheFile`. True only when the whole body came with a success status;
  // otherwise Why() says what went wrong, and the transfer's cache entry is
  // removed, so that the next attempt fetches it again.
  bool Download(const std::string& address, std::wstring& cacheFile);
  const FailureReason& Why() const { return why_; }

  // What the watch asks. The thread is in the service for this transfer, and
  // not away from it in the program's own work.
  bool InService() const { return inService_ && reporting_ == 0 && away_ == 0; }
  bool GivenUp() const { return givenUp_; }
  // How long the service has said nothing, leaving out the time the thread
  // was away from it.
  ULONGLONG SilentFor(ULONGLONG now) const { return now > lastSign_ ? now - lastSign_ : 0; }
  // The transfer fails, for `why` unless it was given up before. Its binding
  // is aborted at once when the thread is in its service, or as soon as it
  // is back there.
  void GiveUp(Failure why);

  // The thread leaves the service for an operation that starts inside this
  // one (the watch's pump included), and comes back: told by the model of
  // operations as the operation enters and leaves, so the stack of
  // operations is the clock. The service cannot speak meanwhile, so that
  // time is no silence of its own. Calls nest.
  void Away();
  void Back();

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
  TransferCallback();
  virtual ~TransferCallback() = default;

  // Nothing when the service's result, everything the transfer reported and
  // the cached file say that the whole image arrived, and that it is an
  // image; otherwise why not.
  std::optional<FailureReason> WhyIncomplete(HRESULT result, const std::string& address,
                                             const std::wstring& cacheFile) const;
  void SignOfLife() { lastSign_ = GetTickCount64(); }
  // Failed for `why`, unless it failed before: the first reason stands.
  void Fail(Failure why, unsigned long code);

  LONG references_ = 1;
  Microsoft::WRL::ComPtr<IBinding> binding_;
  ULONGLONG lastSign_ = 0;
  // The thread is inside the service for this transfer, not in a report.
  bool inService_ = false;
  // Reports under way, handed on to the window: the transfer's own work.
  int reporting_ = 0;
  bool givenUp_ = false;
  FailureReason givenUpFor_;
  FailureReason why_;
  bool aborted_ = false;
  int away_ = 0;
  ULONGLONG awaySince_ = 0;
  HRESULT stopResult_ = S_OK;
  DWORD responseCode_ = 0;
  int requestsSent_ = 0;
  int redirectReports_ = 0;
  // The last report of body data: how much came of how much announced.
  ULONG bodyReceived_ = 0;
  ULONG bodyAnnounced_ = 0;
  // The type the server gave the body, or else the one the service reported.
  std::string declaredType_;
  std::string reportedType_;
};

// Whether the file at `path`, fetched for `address`, holds what the address
// asks for and not a page in its place (IsImageContent on the file's start).
bool HoldsImage(const std::string& address, const std::wstring& path, const std::string& declaredType);
