#include "app/busy_pump_win.h"

namespace {

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_INPUT ||
         (message >= 0x0240 && message <= 0x0251);  // touch and pointer input
}

void DropQueuedInput() {
  MSG message;
  const UINT ranges[][2] = {
      {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}, {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}};
  for (const auto& range : ranges) {
    while (PeekMessageW(&message, nullptr, range[0], range[1], PM_REMOVE)) {
    }
  }
}

}  // namespace

void BusyPump::Begin() {
  busy_ = true;
  cancelRequested_ = false;
}

void BusyPump::End() {
  DropQueuedInput();
  busy_ = false;
}

void BusyPump::Pump(const std::function<bool(const MSG&)>& handleKeys, HWND closeButton) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (IsUserInput(message.message)) {
      // The keys that close, and the close button itself (pressed, or Space on it), still act.
      if (handleKeys(message) || message.hwnd != closeButton) continue;
      TranslateMessage(&message);
    }
    DispatchMessageW(&message);
  }
}
