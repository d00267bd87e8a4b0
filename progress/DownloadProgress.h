// The progress message: sent synchronously to the main window with the
// address of a DownloadProgress record that belongs to the sender, so the
// receiver copies what it needs and keeps no pointer.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 2323;  // 3347

// Status codes above this one reach the window as kOtherBindStatus.
constexpr std::uint32_t kLastKnownBindStatus = 24;  // BINDSTATUS_DECODING
constexpr std::uint32_t kOtherBindStatus = 25;

struct DownloadProgress {
  std::uint32_t Progress;
  std::uint32_t ProgressMax;
  std::uint32_t StatusCode;
  const wchar_t* StatusText;
};
