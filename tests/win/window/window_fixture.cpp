#include "window_fixture.h"

TestWindow::TestWindow(unsigned dpi)
    : prepared(PrepareWindowThread()), window(GetModuleHandleW(nullptr), folder.path(), dpi) {
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
