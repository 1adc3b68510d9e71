// The window's taskbar button through ITaskbarList3 (Windows 7 and later). Where the interface is
// missing or a call fails nothing happens: the window's own bar still shows the progress.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shobjidl.h>

#include "app/run_progress.h"
#include "platform/scoped_win.h"

class SystemTaskbarButton final : public TaskbarButton {
 public:
  explicit SystemTaskbarButton(HWND window) : window_(window) {}

  void Show(TaskbarState state, int percent) override;

 private:
  ITaskbarList3* Taskbar();

  HWND window_;
  ComPtr<ITaskbarList3> taskbar_;
  bool missing_ = false;
};
