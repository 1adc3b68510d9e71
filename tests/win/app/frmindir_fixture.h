// A frmindir for in-process tests: its own scratch program folder, the program's end and the
// drag recorded instead of performed, and helpers to run its messages and read its children.
#pragma once

#include <windows.h>

#include <string>

#include "app/frmindir_win.h"
#include "diag/log_win.h"
#include "test_support.h"

struct TestWindow {
  explicit TestWindow(unsigned dpi = 96);

  bool prepared;  // common controls and COM, before the window is made
  ScratchFolder folder;
  DiagnosticLog log;  // the log file in the scratch folder
  int endRequests = 0;
  int dragRequests = 0;
  frmindir window;

  HWND Control(ControlId control) const { return window.Control(control); }
};

// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);
std::wstring ClassName(HWND window);
std::wstring WindowText(HWND window);
// The design's name of a control, for failure messages.
const wchar_t* NameOf(ControlId control);
