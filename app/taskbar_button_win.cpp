#include "app/taskbar_button_win.h"

namespace {

TBPFLAG ProgressFlag(TaskbarState state) {
  switch (state) {
    case TaskbarState::kIndeterminate:
      return TBPF_INDETERMINATE;
    case TaskbarState::kNormal:
      return TBPF_NORMAL;
    case TaskbarState::kError:
      return TBPF_ERROR;
    case TaskbarState::kNoProgress:
      break;
  }
  return TBPF_NOPROGRESS;
}

}  // namespace

void SystemTaskbarButton::Show(TaskbarState state, int percent) {
  ITaskbarList3* taskbar = Taskbar();
  if (!taskbar) return;
  // A value turns the button to the normal state, so it goes before the state it shows in.
  if (state == TaskbarState::kNormal || state == TaskbarState::kError) {
    taskbar->SetProgressValue(window_, static_cast<ULONGLONG>(percent), 100);
  }
  taskbar->SetProgressState(window_, ProgressFlag(state));
  // The button keeps its state without the object; held no longer than a run, it is never
  // released after COM has gone from the thread.
  if (state == TaskbarState::kNoProgress || state == TaskbarState::kError) taskbar_.reset();
}

ITaskbarList3* SystemTaskbarButton::Taskbar() {
  if (taskbar_ || missing_) return taskbar_.get();
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              taskbar_.put_void())) ||
      FAILED(taskbar_->HrInit())) {
    taskbar_.reset();
    missing_ = true;
  }
  return taskbar_.get();
}
