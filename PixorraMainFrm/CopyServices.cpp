#include "CopyServices.h"

#include <windows.h>

unsigned long CopyServices::Copy(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) ? ERROR_SUCCESS : GetLastError();
}

CopyServices& CopyServices::System() {
  static CopyServices services;
  return services;
}
