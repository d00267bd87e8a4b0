#include "UrlCache.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "WideText.h"

// The wide calls throughout, as the download service makes its entries:
// under Wine the ANSI calls do not find an entry whose address holds a
// character beyond ASCII.
std::wstring GetCacheFileName(const std::string& address) {
  const std::wstring url = AnsiToWide(address);
  // The first call only learns how large the entry's information is.
  DWORD size = 0;
  GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
  if (size == 0) return std::wstring();
  std::vector<unsigned char> buffer(size < sizeof(INTERNET_CACHE_ENTRY_INFOW) ? sizeof(INTERNET_CACHE_ENTRY_INFOW)
                                                                              : size);
  auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  if (!GetUrlCacheEntryInfoW(url.c_str(), entry, &size) || !entry->lpszLocalFileName) return std::wstring();
  return entry->lpszLocalFileName;
}

bool DeleteCacheEntry(const std::string& address) { return DeleteUrlCacheEntryW(AnsiToWide(address).c_str()) != FALSE; }

void SetInternetTimeouts(unsigned long milliseconds) {
  DWORD value = milliseconds;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(nullptr, option, &value, sizeof(value));
  }
}
