// Entry point of "Zefra INDIR.exe".
#include <windows.h>

#include "platform/message_box_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  InstallSystemMessageBox();
  return 0;
}
