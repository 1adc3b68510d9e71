#include "app/dpi_win.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Loaded by name: Windows 7 and 8 lack the function, and a static import would stop the
// program from starting there.
GetDpiForWindowFn DpiForWindowFunction() {
  static const GetDpiForWindowFn function = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  return function;
}

}  // namespace

unsigned WindowDpi(HWND window) {
  if (GetDpiForWindowFn function = DpiForWindowFunction(); function && window) {
    if (const UINT dpi = function(window); dpi > 0) return dpi;
  }
  unsigned dpi = 96;
  if (HDC screen = GetDC(nullptr)) {
    if (const int pixels = GetDeviceCaps(screen, LOGPIXELSY); pixels > 0) dpi = static_cast<unsigned>(pixels);
    ReleaseDC(nullptr, screen);
  }
  return dpi;
}
