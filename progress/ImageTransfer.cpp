#include "ImageTransfer.h"

#include <algorithm>
#include <string_view>

#include "AsciiCase.h"
#include "ImageContent.h"
#include "ProgressReports.h"
#include "TargetFiles.h"
#include "UrlCache.h"
#include "WideText.h"

namespace {

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

bool IsEmptyFile(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return true;
  return data.nFileSizeHigh == 0 && data.nFileSizeLow == 0;
}

// A type is plain ASCII; anything else in it stands for nothing here.
std::string AsciiOf(std::wstring_view text) {
  std::string ascii;
  for (wchar_t c : text) ascii += c < 0x80 ? static_cast<char>(c) : '?';
  return ascii;
}

// The value of the Content-Type header among an answer's headers.
std::string ContentTypeOf(LPCWSTR headers) {
  if (!headers) return std::string();
  const std::string text = AsciiOf(headers);
  constexpr std::string_view kName = "content-type:";
  for (std::size_t line = 0; line < text.size();) {
    std::size_t end = text.find('\n', line);
    if (end == std::string::npos) end = text.size();
    if (end - line > kName.size() && EqualsIgnoringAsciiCase(text.data() + line, kName)) {
      std::string value = text.substr(line + kName.size(), end - line - kName.size());
      while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
      return value.substr((std::min)(value.find_first_not_of(' '), value.size()));
    }
    line = end + 1;
  }
  return std::string();
}

// The server of an address, with its port: what the user checks when it
// cannot be reached.
std::wstring HostOf(const std::string& address) {
  const std::size_t scheme = address.find("://");
  const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
  return AnsiToWide(address.substr(start, address.find_first_of("/?#", start) - start));
}

// Why the service itself failed a transfer that had no answer to judge.
FailureReason ServiceFailure(HRESULT result, const std::string& address) {
  switch (result) {
    case INET_E_NO_SESSION:
    case INET_E_CANNOT_CONNECT:
    case INET_E_RESOURCE_NOT_FOUND:
    case INET_E_DATA_NOT_AVAILABLE:
    case INET_E_DOWNLOAD_FAILURE:  // a closed port or an unknown host under Wine
    case INET_E_UNKNOWN_PROTOCOL:
      return {Failure::NoConnection, static_cast<unsigned long>(result), HostOf(address)};
    case INET_E_CONNECTION_TIMEOUT:
      return {Failure::NoResponse, static_cast<unsigned long>(result), HostOf(address)};
    default:
      return {Failure::Other, static_cast<unsigned long>(result), std::wstring()};
  }
}

bool IsBodyReport(ULONG statusCode) {
  return statusCode == BINDSTATUS_BEGINDOWNLOADDATA || statusCode == BINDSTATUS_DOWNLOADINGDATA ||
         statusCode == BINDSTATUS_ENDDOWNLOADDATA;
}

}  // namespace

TransferCallback::TransferCallback() { SignOfLife(); }

Microsoft::WRL::ComPtr<TransferCallback> TransferCallback::Make() {
  Microsoft::WRL::ComPtr<TransferCallback> transfer;
  transfer.Attach(new TransferCallback());
  return transfer;
}

bool TransferCallback::Download(const std::string& address, std::wstring& cacheFile) {
  // The sessions' own timeouts, for a platform that honours them; the watch
  // bounds silence where it does not (Wine).
  constexpr unsigned long kInternetTimeoutMilliseconds = 30000;
  static const bool timeoutsSet = (SetInternetTimeouts(kInternetTimeoutMilliseconds), true);
  (void)timeoutsSet;

  inService_ = true;
  SignOfLife();
  ProgressCallback.TransferStarts();
  // Wide, so that a profile folder the code page cannot name still holds
  // the cache; the address converts as the ANSI call converts it.
  wchar_t file[MAX_PATH] = {};
  const HRESULT result = URLDownloadToCacheFileW(nullptr, AnsiToWide(address).c_str(), file, MAX_PATH, 0,
                                                 static_cast<IBindStatusCallback*>(this));
  inService_ = false;
  cacheFile = file;
  const std::optional<FailureReason> why = WhyIncomplete(result, address, cacheFile);
  if (!why) return true;
  why_ = *why;
  // A cut body or an error page stays in the cache otherwise, and the next
  // attempt would copy it as the image.
  DeleteCacheEntry(address);
  return false;
}

void TransferCallback::Fail(Failure why, unsigned long code) {
  if (!givenUp_) givenUpFor_ = {why, code, std::wstring()};
  givenUp_ = true;
}

void TransferCallback::GiveUp(Failure why) {
  Fail(why, 0);
  if (!InService() || aborted_ || !binding_) return;
  aborted_ = true;
  // Held here: the abort may stop the binding at once, and that drops ours.
  const Microsoft::WRL::ComPtr<IBinding> binding = binding_;
  binding->Abort();
}

void TransferCallback::Away() {
  if (away_++ == 0) awaySince_ = GetTickCount64();
}

void TransferCallback::Back() {
  if (away_ == 0 || --away_ > 0) return;
  // The clock of silence goes on from where it stood when the thread left.
  const ULONGLONG now = GetTickCount64();
  lastSign_ = (std::min)(now, lastSign_ + (now - awaySince_));
}

std::optional<FailureReason> TransferCallback::WhyIncomplete(HRESULT result, const std::string& address,
                                                            const std::wstring& cacheFile) const {
  if (givenUp_) {
    FailureReason why = givenUpFor_;
    if (why.kind == Failure::NoResponse) why.detail = HostOf(address);
    return why;
  }
  // The status first: on Windows the service fails an error answer too.
  if (!IsSuccessStatus(responseCode_)) {
    const bool noContent = responseCode_ == 204 || responseCode_ == 205 || responseCode_ == 206;
    return FailureReason{noContent ? Failure::Incomplete : Failure::ServerStatus, responseCode_, std::wstring()};
  }
  if (result != S_OK) return ServiceFailure(result, address);
  if (FAILED(stopResult_)) return ServiceFailure(stopResult_, address);
  // A server that closes without answering leaves the service with success
  // and an empty file: no status, or no byte, is no image.
  if (responseCode_ == 0 && IsHttpAddress(address)) return FailureReason{Failure::NoResponse, 0, HostOf(address)};
  // The service returns success for a body cut short of its announced length;
  // its last report still tells how much came.
  if (IsEmptyFile(cacheFile) || (bodyAnnounced_ > 0 && bodyReceived_ < bodyAnnounced_)) {
    return FailureReason{Failure::Incomplete, 0, std::wstring()};
  }
  if (!HoldsImage(address, cacheFile, declaredType_.empty() ? reportedType_ : declaredType_)) {
    return FailureReason{Failure::NotAnImage, 0, std::wstring()};
  }
  return std::nullopt;
}

bool HoldsImage(const std::string& address, const std::wstring& path, const std::string& declaredType) {
  return IsImageContent(declaredType, FileStart(path, kImageSniffBytes), address);
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
  if (statusCode == BINDSTATUS_MIMETYPEAVAILABLE && statusText) reportedType_ = AsciiOf(statusText);
  if (IsBodyReport(statusCode)) {
    bodyReceived_ = progress;
    bodyAnnounced_ = progressMax;
  }
  if ((std::max)(redirectReports_, requestsSent_ - 1) > kMaxRedirects) Fail(Failure::TooManyRedirects, 0);
  if (givenUp_) return E_ABORT;

  // The report lets pending messages through (nested runs, a clearing, the
  // close box) when a few milliseconds passed since they last went through.
  // The thread is out of the service meanwhile, and none of that is the
  // service's silence; the clock starts again once it is back. Reports
  // nest: the service's own messages go through the report's pump.
  ++reporting_;
  const HRESULT forwarded = ProgressCallback.OnProgress(progress, progressMax, statusCode, statusText);
  --reporting_;
  SignOfLife();
  if (forwarded != S_OK) Fail(Failure::Other, static_cast<unsigned long>(forwarded));
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

HRESULT STDMETHODCALLTYPE TransferCallback::OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR,
                                                       LPWSTR* additionalRequestHeaders) {
  SignOfLife();
  if (additionalRequestHeaders) *additionalRequestHeaders = nullptr;
  responseCode_ = responseCode;
  declaredType_ = ContentTypeOf(responseHeaders);
  return S_OK;
}
