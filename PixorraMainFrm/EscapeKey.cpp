// Esc in the main window during a run: the runs stop, the list stays.
#include "PixorraMainFrm.h"

namespace {

// Outside a run Esc in the list closes the window, and the list with it. A
// press this soon after a run ended belongs to stopping it: pressed twice to
// be sure, or on its way while the last image was copied.
constexpr ULONGLONG kStoppingMilliseconds = 1000;

}  // namespace

bool TPixorraMainForm::EscapePressed(const MSG& key) {
  if (key.wParam != VK_ESCAPE) return false;
  // A held key repeats after the run has stopped: the press that stopped the
  // runs takes its repeats too, rather than go on to close the window.
  const bool repeat = (key.lParam & (1L << 30)) != 0;
  if (repeat && escapeStoppedRuns_) return true;
  escapeStoppedRuns_ = false;
  if (operations_.DownloadRuns().empty() && GetTickCount64() - runEndedAt_ < kStoppingMilliseconds) {
    escapeStoppedRuns_ = true;  // and so do its repeats
    return true;
  }
  // Outside a run the key does what it always did (in the list, the edit
  // control closes the window, as a dialog's Esc would); the type selector's
  // list, when it is down, closes first.
  if (operations_.DownloadRuns().empty() || SendMessageW(FileTypeComboBox.Handle(), CB_GETDROPPEDSTATE, 0, 0)) {
    return false;
  }
  operations_.StopDownloads();
  escapeStoppedRuns_ = true;
  return true;
}
