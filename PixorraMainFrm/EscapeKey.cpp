// Esc in the main window: during a run the runs stop and the list stays;
// outside one it does nothing.
#include "PixorraMainFrm.h"

bool TPixorraMainForm::EscapePressed(const MSG& key) {
  if (key.wParam != VK_ESCAPE) return false;
  // The type selector's list, when it is down, closes first.
  if (SendMessageW(FileTypeComboBox.Handle(), CB_GETDROPPEDSTATE, 0, 0)) return false;
  // A multi-line box in a dialog closes its window on Esc, and the list the
  // user edited by hand would go with it: a press to stop a run that had
  // just ended, or one out of habit. The close box and Alt+F4 close it.
  if (!operations_.DownloadRuns().empty()) operations_.StopDownloads();
  return true;
}
