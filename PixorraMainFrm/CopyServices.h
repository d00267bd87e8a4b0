// The copy of a cached image into its folder. The form reaches it through
// this seam so that tests can make it fail as a full disk, a folder without
// write permission or a copy cut off half-way do, on any machine.
#pragma once

#include <string>

class CopyServices {
 public:
  virtual ~CopyServices() = default;

  // CopyFileW, overwriting: 0, or the system's error code.
  virtual unsigned long Copy(const std::wstring& from, const std::wstring& to);

  // The services of the running system.
  static CopyServices& System();
};
