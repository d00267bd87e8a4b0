#include "Operations.h"

#include <algorithm>

namespace {

constexpr DWORD kWatchIntervalMilliseconds = 250;
// Where the platform goes on waiting for a page after its call was cancelled
// (Wine), the pick ends this long after the read's deadline.
constexpr ULONGLONG kCancelGraceMilliseconds = 1000;
// A transfer whose service has said nothing for this long has the thread
// blocked inside the service.
constexpr ULONGLONG kBlockedAfterMilliseconds = 500;

}  // namespace

Operations::Scope::Scope(Operations& model, Kind kind) : model_(model), kind_(kind) { model_.Enter(this); }

Operations::Scope::~Scope() { model_.Leave(this); }

Operations::Pick::Pick(Operations& model)
    : Scope(model, Kind::Pick), readDeadline_(GetTickCount64() + model.limits.pageReadMilliseconds) {}

Operations::PageCalls::PageCalls(Operations& model)
    : Scope(model, Kind::PageCalls),
      pick_(model.Picks().empty() ? nullptr : model.Picks().back()),
      deadline_(pick_ ? pick_->ReadDeadline() : GetTickCount64() + model.limits.pageReadMilliseconds),
      filter_(deadline_) {}

std::size_t Operations::DownloadRun::FailedCount() const {
  return static_cast<std::size_t>(std::count_if(Failures().begin(), Failures().end(), [](const auto& line) {
    return line.second.kind != Failure::Stopped;
  }));
}

std::wstring Operations::DownloadRun::VolumeOf(const std::wstring& folder) {
  wchar_t volume[MAX_PATH] = {};
  if (GetVolumePathNameW(folder.c_str(), volume, MAX_PATH)) return volume;
  // "X:\" is the volume of a drive, "\\server\share\" of a share.
  if (folder.size() > 1 && folder[1] == L':') return folder.substr(0, 3);
  std::size_t end = 2;
  for (int parts = 0; parts < 2 && end < folder.size(); ++end) parts += folder[end] == L'\\';
  return folder.substr(0, end);
}

Operations::Transfer::Transfer(Operations& model)
    : Scope(model, Kind::Transfer), callback_(TransferCallback::Make()) {}

void Operations::Enter(Scope* scope) {
  // What may fail comes first, so that a scope that could not enter leaves
  // the model as it was.
  underWay_.reserve(underWay_.size() + 1);
  if (Watched(scope->GetKind()) && !watchdog_ && window_) {
    watchdog_ = std::make_unique<ui::Watchdog>(window_, WM_OPERATIONS_WATCH, kWatchIntervalMilliseconds);
  }
  Scope* outer = Innermost();
  underWay_.push_back(scope);
  // An operation that starts inside a transfer keeps the thread away from
  // that transfer's service: its silence meanwhile is not the server's.
  if (outer && outer->GetKind() == Kind::Transfer) static_cast<Transfer*>(outer)->Callback().Away();
}

void Operations::Leave(Scope* scope) {
  const auto at = std::find(underWay_.begin(), underWay_.end(), scope);
  if (at == underWay_.end()) return;
  const bool wasInnermost = at + 1 == underWay_.end();
  underWay_.erase(at);
  if (wasInnermost) {
    if (Scope* outer = Innermost(); outer && outer->GetKind() == Kind::Transfer) {
      static_cast<Transfer*>(outer)->Callback().Back();
    }
  }
  const bool watched = std::any_of(underWay_.begin(), underWay_.end(), [](Scope* s) { return Watched(s->GetKind()); });
  if (!watched) watchdog_.reset();
}

bool Operations::WatchTransfers(bool quitRequested) {
  const ULONGLONG now = GetTickCount64();
  const ULONGLONG limit = quitRequested ? limits.quitGraceMilliseconds : limits.transferSilenceMilliseconds;
  if (!quitRequested) quitSeenAt_ = 0;
  if (quitRequested && quitSeenAt_ == 0) quitSeenAt_ = now;
  const bool graceOver = quitRequested && now - quitSeenAt_ >= limits.busyAfterQuitMilliseconds;
  for (Transfer* transfer : Transfers()) {
    TransferCallback& callback = transfer->Callback();
    const bool somethingRunsInside = transfer != Innermost();
    // A transfer given up while the thread was away from it is aborted once
    // it is back; GiveUp does nothing more for one aborted already.
    if ((quitRequested && (somethingRunsInside || graceOver)) || callback.GivenUp() ||
        (callback.InService() && callback.SilentFor(now) >= limit)) {
      callback.GiveUp(quitRequested ? Failure::Stopped : Failure::NoResponse);
    }
  }
  // The thread is in the service of the innermost operation only.
  Scope* innermost = Innermost();
  if (!innermost || innermost->GetKind() != Kind::Transfer) return false;
  const TransferCallback& callback = static_cast<Transfer*>(innermost)->Callback();
  return callback.InService() && !callback.GivenUp() && callback.SilentFor(now) >= kBlockedAfterMilliseconds;
}

bool Operations::RunMayWait() const {
  return std::all_of(underWay_.begin(), underWay_.end(), [](Scope* scope) {
    return scope->GetKind() == Kind::DownloadRun || scope->GetKind() == Kind::LineWait;
  });
}

void Operations::StopDownloads() {
  for (DownloadRun* run : DownloadRuns()) run->Cancel();
  // Given up from a report, a transfer ends as the report returns; from a
  // pump inside it, as soon as the thread is back in its service.
  for (Transfer* transfer : Transfers()) transfer->Callback().GiveUp(Failure::Stopped);
}

bool Operations::PageCallsPastDeadline() const {
  for (PageCalls* calls : All<PageCalls>(Kind::PageCalls)) {
    if (calls->Passed()) return true;
  }
  return false;
}

std::vector<Operations::Pick*> Operations::LatePicks() const {
  const ULONGLONG now = GetTickCount64();
  std::vector<Pick*> late;
  for (PageCalls* calls : All<PageCalls>(Kind::PageCalls)) {
    Pick* pick = calls->OfPick();
    if (!pick || !pick->OwnsPickState() || now < calls->Deadline() + kCancelGraceMilliseconds) continue;
    if (std::find(late.begin(), late.end(), pick) == late.end()) late.push_back(pick);
  }
  return late;
}
