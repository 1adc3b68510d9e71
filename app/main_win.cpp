// Entry point of "Zefra INDIR.exe": the window frmindir, its load handler, then its messages.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "app/updater_win.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/message_box_win.h"
#include "platform/program_folder_win.h"
#include "update/self_replace_win.h"

namespace {

// An updater that replaced itself left its old file aside. It goes before anything else touches
// the folder, quietly; while it is still in use (the old updater ending) the next start retries.
void RemoveOldUpdaterFiles() noexcept {
  IgnoringFailure([] { RemoveSetAsideFiles(ProgramFolder()); });
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  RemoveOldUpdaterFiles();
  InstallSystemMessageBox();
  ScopedCoInit com;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    static UpdaterWindow window(instance, ProgramFolder());
    window.Form_Load();
    window.Show();
    return window.RunMessageLoop();
  } catch (const AppError& error) {
    ShowMessageBox(error.description(), kProgramTitle, kBoxError);
    return 1;
  }
}
