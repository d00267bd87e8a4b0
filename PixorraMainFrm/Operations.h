// What runs on the user-interface thread right now, outermost first.
//
// Everything runs on one thread, and every long operation lets pending
// messages through, so any handler can run inside any other. Each operation
// enters this model for its length through a scope object, and a handler
// that can run nested asks the model what is under way, or marks what it
// affects, instead of keeping a flag of its own. What may run inside what,
// and what it does there, is the table in docs/design.md.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "BrowserPage.h"
#include "FailureReasons.h"
#include "ImageTransfer.h"
#include "ListWalk.h"
#include "Watchdog.h"

class RunOnTaskbar;

// Sent to the main window by the model's watchdog while a call into a page,
// a transfer or a run is under way.
constexpr UINT WM_OPERATIONS_WATCH = WM_USER + 2324;

class Operations {
 public:
  enum class Kind { Pick, PageCalls, ListAppend, DownloadRun, Transfer, FolderDialog, WatchPump, LineWait };

  // How long the program waits for others. Tests shorten them.
  struct Limits {
    // A page read, from the start of its pick.
    ULONGLONG pageReadMilliseconds = 8000;
    // A transfer without a sign of life from its service.
    ULONGLONG transferSilenceMilliseconds = 30000;
    // A silent transfer, once the program was asked to quit.
    ULONGLONG quitGraceMilliseconds = 2000;
    // Any transfer, however busy (a stream is never silent), once the watch
    // saw the quit: it sees the request within one interval and gives the
    // transfer up within another, so the program ends within 2 s of the
    // close box.
    ULONGLONG busyAfterQuitMilliseconds = 1000;
  };
  Limits limits;

  Operations() = default;
  Operations(const Operations&) = delete;
  Operations& operator=(const Operations&) = delete;

  // The window that gets the watch message.
  void Attach(HWND window) { window_ = window; }

  // One operation under way, from its scope object's construction to its end.
  class Scope {
   public:
    Scope(Operations& model, Kind kind);
    virtual ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    Kind GetKind() const { return kind_; }

   protected:
    Operations& model_;

   private:
    Kind kind_;
  };

  // A pick, from the capture loss that picks to the end of its page's read.
  // A new arming, or the watch giving up a page that does not answer, takes
  // the pick state from it: its end then leaves that state alone.
  class Pick : public Scope {
   public:
    explicit Pick(Operations& model);
    bool OwnsPickState() const { return owner_; }
    void LosePickState() { owner_ = false; }
    ULONGLONG ReadDeadline() const { return readDeadline_; }

   private:
    bool owner_ = true;
    ULONGLONG readDeadline_;
  };

  // Calls into a page, and only those: the page's document, address and
  // markup. Calls still pending at the read's deadline are cancelled (a COM
  // message filter), and the watchdog runs so that the filter is asked.
  class PageCalls : public Scope {
   public:
    explicit PageCalls(Operations& model);
    ULONGLONG Deadline() const { return deadline_; }
    bool Passed() const { return GetTickCount64() >= deadline_; }
    // The pick this read belongs to; none when a page is read without one.
    Pick* OfPick() const { return pick_; }

   private:
    Pick* pick_;
    ULONGLONG deadline_;
    PageCallDeadline filter_;
  };

  // Lines going into a list in slices, with pending messages let through
  // between them. A clearing cancels it: the rest goes with the lists.
  class ListAppend : public Scope {
   public:
    explicit ListAppend(Operations& model) : Scope(model, Kind::ListAppend) {}
    bool Cancelled() const { return cancelled_; }
    void Cancel() { cancelled_ = true; }

   private:
    bool cancelled_ = false;
  };

  // A walk down the download list. It owns its place in the list, and the
  // folder that governs that place, as the list stands (see ListWalk). A
  // clearing ends it once its line under way is over.
  class DownloadRun : public Scope {
   public:
    explicit DownloadRun(Operations& model) : Scope(model, Kind::DownloadRun) {}
    ListWalk& Walk() { return walk_; }
    bool Cancelled() const { return cancelled_; }
    void Cancel() { cancelled_ = true; }
    // The run that no other run runs inside: it alone shows on the taskbar
    // and says at its end how the runs went.
    bool Outermost() const { return &Outer() == this; }

    // The image lines the runs under way have ended with, kept by the
    // outermost run, to which nested runs add theirs: saved (marked done),
    // or failed (left unmarked), each failed line with its reason. A failed
    // line is told by its text and by how many lines above it read the
    // same, so that a line failed by two runs counts once, and a copy of it
    // never tried does not count. A line that went from the list during its
    // transfer is neither; one stopped (Esc, a clearing, the close) keeps
    // its reason, but counts among the lines not downloaded.
    void Saved() { ++Outer().saved_; }
    void Failed(const std::string& line, std::size_t sameAbove, const FailureReason& why) {
      Outer().failed_[{line, sameAbove}] = why;
    }
    const FailureReason* FailureOf(const std::string& line, std::size_t sameAbove) const {
      const auto found = Outer().failed_.find({line, sameAbove});
      return found == Outer().failed_.end() ? nullptr : &found->second;
    }
    const FailedLines& Failures() const { return Outer().failed_; }
    std::size_t SavedCount() const { return Outer().saved_; }
    std::size_t FailedCount() const;
    std::size_t HandledCount() const { return SavedCount() + FailedCount(); }

    // A full disk fails the lines bound for its volume at once, for as long
    // as the runs go on; `folder` is the line's.
    void VolumeFull(const std::wstring& folder) { Outer().fullVolumes_.insert(VolumeOf(folder)); }
    bool AnyVolumeFull() const { return !Outer().fullVolumes_.empty(); }
    bool OnFullVolume(const std::wstring& folder) const { return Outer().fullVolumes_.count(VolumeOf(folder)) > 0; }
    // True for the runs' first copy into `folder`: it clears the folder of
    // the parts that killed copies left.
    bool FirstCopyInto(const std::wstring& folder) { return Outer().copiedInto_.insert(folder).second; }

    // Where the runs show on the taskbar: the outermost run's.
    void ShowOn(RunOnTaskbar* taskbar) { taskbar_ = taskbar; }
    RunOnTaskbar* Taskbar() const { return Outer().taskbar_; }

   private:
    DownloadRun& Outer() const { return *model_.DownloadRuns().front(); }
    // The volume `folder` lies on: its mount point, or its root where the
    // system cannot tell one for it.
    static std::wstring VolumeOf(const std::wstring& folder);

    ListWalk walk_;
    bool cancelled_ = false;
    std::size_t saved_ = 0;
    FailedLines failed_;
    std::set<std::wstring> fullVolumes_;
    std::set<std::wstring> copiedInto_;
    RunOnTaskbar* taskbar_ = nullptr;
  };

  // One image fetched by the download service, watched for silence.
  class Transfer : public Scope {
   public:
    explicit Transfer(Operations& model);
    TransferCallback& Callback() const { return *callback_.Get(); }

   private:
    Microsoft::WRL::ComPtr<TransferCallback> callback_;
  };

  class FolderDialog : public Scope {
   public:
    explicit FolderDialog(Operations& model) : Scope(model, Kind::FolderDialog) {}
  };

  // A run waiting for the user to finish a line it needs: the user's time,
  // with messages going through and no transfer under way in the run.
  class LineWait : public Scope {
   public:
    explicit LineWait(Operations& model) : Scope(model, Kind::LineWait) {}
  };

  // The watch letting pending messages through while a transfer blocks in
  // its service: the thread is away from that service meanwhile, so the
  // transfer's silence does not count, and whatever starts inside is watched
  // in its turn. A close box used there is seen as the pump returns: the
  // transfer then has the grace of any transfer once the program is ending.
  class WatchPump : public Scope {
   public:
    explicit WatchPump(Operations& model) : Scope(model, Kind::WatchPump) {}
  };

  // Every operation of kind T under way, outermost first.
  template <typename T>
  std::vector<T*> All(Kind kind) const {
    std::vector<T*> found;
    for (Scope* scope : underWay_) {
      if (scope->GetKind() == kind) found.push_back(static_cast<T*>(scope));
    }
    return found;
  }
  std::vector<Pick*> Picks() const { return All<Pick>(Kind::Pick); }
  std::vector<ListAppend*> ListAppends() const { return All<ListAppend>(Kind::ListAppend); }
  std::vector<DownloadRun*> DownloadRuns() const { return All<DownloadRun>(Kind::DownloadRun); }
  std::vector<Transfer*> Transfers() const { return All<Transfer>(Kind::Transfer); }
  // The operation that runs now, inside all the others; null when none.
  Scope* Innermost() const { return underWay_.empty() ? nullptr : underWay_.back(); }

  // The watch message's work on transfers: gives up every transfer whose
  // service has been silent too long. Once the program was asked to quit,
  // a transfer with another one running inside it is given up at once: it
  // cannot go on before the inner one ends, and the program is ending; and
  // the grace of a quit over, every transfer is given up, however busy (a
  // stream never falls silent).
  // True when the innermost operation is a transfer blocked in its service,
  // so that the caller may let pending messages through.
  bool WatchTransfers(bool quitRequested);
  // Whether a run may wait for the user here: only where nothing but runs,
  // and their waits, is under way. Inside a transfer's report, a pick's
  // slices or a call into a page, the wait would hold that operation too.
  bool RunMayWait() const;
  // Ends every download run before its next line and gives up every
  // transfer under way at once: its image would not be copied anyway. A
  // clearing does this, and so does the user stopping the runs.
  void StopDownloads();
  // Picks whose page has not answered a second past the read's deadline, and
  // that still own the pick state. Where the platform goes on waiting for
  // the page after cancelling (Wine), these are ended from the watch.
  std::vector<Pick*> LatePicks() const;
  // True while a call into a page is still pending past its deadline.
  bool PageCallsPastDeadline() const;

 private:
  void Enter(Scope* scope);
  void Leave(Scope* scope);
  // A run keeps the watchdog for all its transfers: one made and deleted for
  // each would cost every image a wait on the timer pool.
  static bool Watched(Kind kind) {
    return kind == Kind::PageCalls || kind == Kind::Transfer || kind == Kind::DownloadRun;
  }

  HWND window_ = nullptr;
  std::vector<Scope*> underWay_;
  // When the watch first saw the quit request; 0 while there is none.
  ULONGLONG quitSeenAt_ = 0;
  // Runs while a call into a page, a transfer or a run is under way.
  std::unique_ptr<ui::Watchdog> watchdog_;
};
