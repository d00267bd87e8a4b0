// Asks a window for its text over and over from a thread of its own, and
// remembers the slowest answer: how responsive the window stayed meanwhile.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

class ResponsivenessProbe {
 public:
  explicit ResponsivenessProbe(HWND window)
      : thread_([this, window] {
          while (!stop_) {
            const ULONGLONG start = GetTickCount64();
            wchar_t text[256];
            DWORD_PTR copied = 0;
            SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000,
                                &copied);
            const DWORD took = static_cast<DWORD>(GetTickCount64() - start);
            if (took > slowest_) slowest_ = took;
            Sleep(40);
          }
        }) {}
  ~ResponsivenessProbe() { Stop(); }
  ResponsivenessProbe(const ResponsivenessProbe&) = delete;
  ResponsivenessProbe& operator=(const ResponsivenessProbe&) = delete;

  // Stops asking; the slowest answer in milliseconds.
  DWORD Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return slowest_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<DWORD> slowest_{0};
  std::thread thread_;
};
