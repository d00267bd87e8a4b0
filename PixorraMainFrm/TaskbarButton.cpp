#include "TaskbarButton.h"

void TaskbarButton::ButtonCreated(HWND) {
  list_.Reset();
  if (!com_) com_ = std::make_unique<ScopedCoInitialize>();
  Microsoft::WRL::ComPtr<ITaskbarList3> list;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&list)))) return;
  if (FAILED(list->HrInit())) return;
  list_ = list;
}

void TaskbarButton::SetProgress(HWND window, unsigned long long done, unsigned long long total) {
  if (list_) list_->SetProgressValue(window, done, total);
}

void TaskbarButton::SetState(HWND window, State state) {
  if (!list_) return;
  switch (state) {
    case State::NoProgress:
      list_->SetProgressState(window, TBPF_NOPROGRESS);
      break;
    case State::Normal:
      list_->SetProgressState(window, TBPF_NORMAL);
      break;
    case State::Error:
      list_->SetProgressState(window, TBPF_ERROR);
      break;
    case State::Paused:
      list_->SetProgressState(window, TBPF_PAUSED);
      break;
  }
}

void TaskbarButton::FlashUntilForeground(HWND window) {
  FLASHWINFO flash = {};
  flash.cbSize = sizeof(flash);
  flash.hwnd = window;
  flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
  FlashWindowEx(&flash);
}
