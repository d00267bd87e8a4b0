#include "ImageTransfer.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "AsciiCase.h"
#include "UrlCache.h"
#include "ProgressReports.h"
#include "Watchdog.h"

DWORD TransferCallback::StallLimitMilliseconds = 30000;
DWORD TransferCallback::QuitGraceMilliseconds = 2000;

namespace {

constexpr DWORD kWatchIntervalMilliseconds = 250;
// A transfer that has shown no sign of life for this long has the thread
// blocked inside the service.
constexpr ULONGLONG kBlockedAfterMilliseconds = 500;

// Transfers under way, outermost first. User-interface thread only.
std::vector<TransferCallback*> transfersUnderWay;

class UnderWay {
 public:
  explicit UnderWay(TransferCallback* transfer) : transfer_(transfer) { transfersUnderWay.push_back(transfer); }
  ~UnderWay() {
    transfersUnderWay.erase(std::find(transfersUnderWay.begin(), transfersUnderWay.end(), transfer_));
  }
  UnderWay(const UnderWay&) = delete;
  UnderWay& operator=(const UnderWay&) = delete;

 private:
  TransferCallback* transfer_;
};

bool IsSuccessStatus(DWORD status) {
  // No content, reset content and a partial body are no image either.
  if (status == 204 || status == 205 || status == 206) return false;
  return status == 0 || (status >= 200 && status <= 299);
}

// An address the service fetches over HTTP, where every answer has a status.
bool IsHttpAddress(const std::string& address) {
  return (address.size() >= 5 && EqualsIgnoringAsciiCase(address.data(), "http:")) ||
         (address.size() >= 6 && EqualsIgnoringAsciiCase(address.data(), "https:"));
}

bool IsEmptyFile(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return true;
  return data.nFileSizeHigh == 0 && data.nFileSizeLow == 0;
}

bool IsBodyReport(ULONG statusCode) {
  return statusCode == BINDSTATUS_BEGINDOWNLOADDATA || statusCode == BINDSTATUS_DOWNLOADINGDATA ||
         statusCode == BINDSTATUS_ENDDOWNLOADDATA;
}

}  // namespace

TransferCallback::TransferCallback() { SignOfLife(); }

bool TransferCallback::Download(HWND window, const std::string& address, char* cacheFile, DWORD capacity) {
  static const bool timeoutsSet = (SetInternetTimeouts(TransferCallback::StallLimitMilliseconds), true);
  (void)timeoutsSet;

  Microsoft::WRL::ComPtr<TransferCallback> transfer;
  transfer.Attach(new TransferCallback());
  // One watchdog serves the outermost transfer and every one nested in it.
  std::optional<ui::Watchdog> watchdog;
  if (transfersUnderWay.empty() && window) watchdog.emplace(window, WM_TRANSFER_WATCH, kWatchIntervalMilliseconds);
  HRESULT result;
  {
    UnderWay underWay(transfer.Get());
    transfer->inService_ = true;
    transfer->SignOfLife();
    result = URLDownloadToCacheFileA(nullptr, address.c_str(), cacheFile, capacity, 0,
                                     static_cast<IBindStatusCallback*>(transfer.Get()));
    transfer->inService_ = false;
  }
  if (transfer->Complete(result, address, cacheFile)) return true;
  // A cut body or an error page stays in the cache otherwise, and the next
  // attempt would copy it as the image.
  DeleteCacheEntry(address);
  return false;
}

bool TransferCallback::Complete(HRESULT result, const std::string& address, const char* cacheFile) const {
  if (givenUp_ || result != S_OK || FAILED(stopResult_)) return false;
  if (!IsSuccessStatus(responseCode_)) return false;
  // A server that closes without answering leaves the service with success
  // and an empty file: no status, or no byte, is no image.
  if (responseCode_ == 0 && IsHttpAddress(address)) return false;
  if (IsEmptyFile(cacheFile)) return false;
  // The service returns success for a body cut short of its announced length;
  // its last report still tells how much came.
  if (bodyAnnounced_ > 0 && bodyReceived_ < bodyAnnounced_) return false;
  return true;
}

bool TransferCallback::WatchTransfers(bool quitRequested) {
  const ULONGLONG now = GetTickCount64();
  const ULONGLONG limit = quitRequested ? QuitGraceMilliseconds : StallLimitMilliseconds;
  for (TransferCallback* transfer : transfersUnderWay) {
    // Only the service's silence counts: a transfer whose report is being
    // handled (a nested run inside it, say) is not stalled.
    if (!transfer->inService_ || transfer->givenUp_ || now - transfer->lastSign_ < limit) continue;
    transfer->givenUp_ = true;
    if (transfer->binding_) transfer->binding_->Abort();
  }
  if (transfersUnderWay.empty()) return false;
  const TransferCallback* innermost = transfersUnderWay.back();
  return innermost->inService_ && !innermost->givenUp_ && now - innermost->lastSign_ >= kBlockedAfterMilliseconds;
}

HRESULT STDMETHODCALLTYPE TransferCallback::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
    *object = static_cast<IBindStatusCallback*>(this);
  } else if (IsEqualIID(iid, IID_IHttpNegotiate)) {
    *object = static_cast<IHttpNegotiate*>(this);
  }
  if (!*object) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

// Only ever called on the user-interface thread.
ULONG STDMETHODCALLTYPE TransferCallback::AddRef() { return static_cast<ULONG>(++references_); }

ULONG STDMETHODCALLTYPE TransferCallback::Release() {
  const LONG left = --references_;
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE TransferCallback::OnStartBinding(DWORD, IBinding* binding) {
  SignOfLife();
  binding_ = binding;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TransferCallback::GetPriority(LONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferCallback::OnLowResource(DWORD) { return S_OK; }

HRESULT STDMETHODCALLTYPE TransferCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                                       LPCWSTR statusText) {
  SignOfLife();
  // Each hop of a redirect sends the request again; where the service reports
  // redirects as such, those reports count instead.
  if (statusCode == BINDSTATUS_SENDINGREQUEST) {
    ++requestsSent_;
    bodyReceived_ = bodyAnnounced_ = 0;
  }
  if (statusCode == BINDSTATUS_REDIRECTING) ++redirectReports_;
  if (IsBodyReport(statusCode)) {
    bodyReceived_ = progress;
    bodyAnnounced_ = progressMax;
  }
  if ((std::max)(redirectReports_, requestsSent_ - 1) > kMaxRedirects) givenUp_ = true;
  if (givenUp_) return E_ABORT;

  // The report lets every pending message through: nested runs, a clearing,
  // the close box. None of that is the service's silence.
  const bool wasInService = inService_;
  inService_ = false;
  const HRESULT forwarded = ProgressCallback.OnProgress(progress, progressMax, statusCode, statusText);
  inService_ = wasInService;
  SignOfLife();
  if (forwarded != S_OK) givenUp_ = true;
  return givenUp_ ? E_ABORT : S_OK;
}

HRESULT STDMETHODCALLTYPE TransferCallback::OnStopBinding(HRESULT result, LPCWSTR) {
  SignOfLife();
  stopResult_ = result;
  binding_.Reset();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TransferCallback::GetBindInfo(DWORD*, BINDINFO*) { return S_OK; }

HRESULT STDMETHODCALLTYPE TransferCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) {
  SignOfLife();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TransferCallback::OnObjectAvailable(REFIID, IUnknown*) { return S_OK; }

HRESULT STDMETHODCALLTYPE TransferCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                                 LPWSTR* additionalHeaders) {
  SignOfLife();
  if (additionalHeaders) *additionalHeaders = nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TransferCallback::OnResponse(DWORD responseCode, LPCWSTR, LPCWSTR,
                                                       LPWSTR* additionalRequestHeaders) {
  SignOfLife();
  if (additionalRequestHeaders) *additionalRequestHeaders = nullptr;
  responseCode_ = responseCode;
  return S_OK;
}
