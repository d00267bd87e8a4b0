#include "UrlCache.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

std::string GetCacheFileName(std::string address) {
  // The first call only learns how large the entry's information is.
  DWORD size = 0;
  GetUrlCacheEntryInfoA(address.c_str(), nullptr, &size);
  if (size == 0) return std::string();
  std::vector<unsigned char> buffer(size < sizeof(INTERNET_CACHE_ENTRY_INFOA) ? sizeof(INTERNET_CACHE_ENTRY_INFOA)
                                                                              : size);
  auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
  if (!GetUrlCacheEntryInfoA(address.c_str(), entry, &size) || !entry->lpszLocalFileName) return std::string();
  return entry->lpszLocalFileName;
}

bool DeleteCacheEntry(const std::string& address) { return DeleteUrlCacheEntryA(address.c_str()) != FALSE; }

void SetInternetTimeouts(unsigned long milliseconds) {
  DWORD value = milliseconds;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(nullptr, option, &value, sizeof(value));
  }
}
