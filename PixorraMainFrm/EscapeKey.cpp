// Esc in the main window during a run: the runs stop, the list stays.
#include "PixorraMainFrm.h"

bool TPixorraMainForm::EscapePressed(const MSG& key) {
  // Outside a run the key does what it always did (in the list, the edit
  // control closes the window, as a dialog's Esc would); the type selector's
  // list, when it is down, closes first.
  if (key.wParam != VK_ESCAPE || operations_.DownloadRuns().empty() ||
      SendMessageW(FileTypeComboBox.Handle(), CB_GETDROPPEDSTATE, 0, 0)) {
    return false;
  }
  operations_.StopDownloads();
  return true;
}
