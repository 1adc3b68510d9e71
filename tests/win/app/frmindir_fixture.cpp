#include "frmindir_fixture.h"

#include "diag/log_line.h"

TestWindow::TestWindow(unsigned dpi)
    : prepared(PrepareWindowThread()),
      log(LogFilePath(folder.path())),
      window(GetModuleHandleW(nullptr), folder.path(), log, dpi) {
  window.SetEndProgram([this] { ++endRequests; });
  window.SetStartDrag([this] { ++dragRequests; });
}

RECT RectInParent(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

const wchar_t* NameOf(ControlId control) { return ElementOf(control).name.data(); }
