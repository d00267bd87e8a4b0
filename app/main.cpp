// Program entry: the application object, its title, the main window and the
// message loop, in that order.
#include <windows.h>

#include "Application.h"
#include "PixorraMainFrm.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ui::Application& application = ui::Application::Instance();
  try {
    application.Initialize();
    application.SetTitle(L"Pixorra");
    TPixorraMainForm mainForm;
    application.SetMainWindow(mainForm.Handle());
    mainForm.Show();
    application.Run();
    application.SetMainWindow(nullptr);
  } catch (...) {
    application.HandleException();
  }
  return 0;
}
