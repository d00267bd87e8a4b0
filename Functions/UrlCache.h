// The system's URL cache. Windows only.
#pragma once

#include <string>

// The full path of the local file that holds the address's entry in the URL
// cache, or empty text when the cache has no entry for it. Wide: the cache
// lies in the user's profile, whose name the code page may lack.
std::wstring GetCacheFileName(const std::string& address);

// Removes the address's entry from the URL cache; false when there was none.
bool DeleteCacheEntry(const std::string& address);

// Connect, send and receive timeouts for every internet session of the process.
void SetInternetTimeouts(unsigned long milliseconds);
