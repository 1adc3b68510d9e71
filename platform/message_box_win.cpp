#include "platform/message_box_win.h"

#include <windows.h>

#include "platform/message_box.h"

void InstallSystemMessageBox() {
  SetMessageBoxHandler([](const MessageBoxRequest& request) {
    MessageBoxW(GetActiveWindow(), request.text.c_str(), request.title.c_str(),
                MB_OK | MB_SETFOREGROUND | request.style);
  });
}
