// What the window frmindir does: start-up phase A, its handlers, keys, the busy pump, and
// the texts and states that the other subsystems set.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "app/caption.h"
#include "app/frmindir_win.h"
#include "app/start_button.h"
#include "app/startup.h"
#include "app/version.h"
#include "diag/log_line.h"
#include "platform/error.h"
#include "trust/cng_win.h"

namespace {

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// An interval of 0 stops the timer.
void SetOrKillTimer(HWND window, UINT_PTR timer, unsigned intervalMs) {
  if (intervalMs == 0) {
    KillTimer(window, timer);
  } else {
    SetTimer(window, timer, intervalMs, nullptr);
  }
}

}  // namespace

void frmindir::Form_Load() {
  // Phase A: a failed step does not keep the next one from running.
  IgnoringFailure([this] {
    std::optional<Sha256Digest> keySha256;
    if (releaseKey_) keySha256 = Sha256Of(*releaseKey_);
    log_.LOG_YAZ(StartedLogLine(programFolder_, keySha256));
  });
  IgnoringFailure([this] {
    const std::wstring caption =
        CaptionWithVersion(Caption(), ZEFRA_VERSION_MAJOR, ZEFRA_VERSION_MINOR, ZEFRA_VERSION_REVISION);
    SetWindowTextW(hwnd_, caption.c_str());
  });
  LoadSettingsAndManifest();
}

void frmindir::Show() {
  RECT window;
  GetWindowRect(hwnd_, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  SetFocus(Control(StartEnabled() ? ControlId::cmdbaslat : ControlId::cmdKapat));
  UpdateWindow(hwnd_);
}

int frmindir::RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (PreTranslateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

bool frmindir::PreTranslateMessage(const MSG& message) {
  if (!hwnd_ || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
    MoveFocus(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
    return true;
  }
  const bool altDown = (message.lParam & (1 << 29)) != 0;
  if (message.message != WM_SYSKEYDOWN || !altDown) return false;
  switch (message.wParam) {
    case 'B':
      if (StartEnabled()) {
        SetFocus(Control(ControlId::cmdbaslat));
        cmdbaslat_Click();
      }
      return true;
    case 'K':
      SetFocus(Control(ControlId::cmdKapat));
      cmdKapat_Click();
      return true;
    case VK_F4:
      Form_Unload();
      return true;
  }
  return false;
}

// Tab and Shift+Tab through the controls that take the focus, skipping disabled ones.
void frmindir::MoveFocus(int step) {
  std::vector<HWND> stops;
  for (ControlId control : TabStopControls()) stops.push_back(Control(control));
  const int count = static_cast<int>(stops.size());
  int current = -1;
  for (int i = 0; i < count; ++i) {
    if (stops[i] == GetFocus()) current = i;
  }
  for (int k = 1; k <= count; ++k) {
    const int next = ((current < 0 ? (step > 0 ? -1 : 0) : current) + step * k + count * k) % count;
    if (IsWindowEnabled(stops[next]) && IsWindowVisible(stops[next])) {
      SetFocus(stops[next]);
      return;
    }
  }
}

// A disabled button still gets a click sent to it by another program (BM_CLICK); without a
// manifest that would run an empty update and report it complete.
void frmindir::cmdbaslat_Click() {
  if (!StartEnabled()) return;
  progress_.StartPressed();
  IgnoringFailure(onStart_);
}

void frmindir::cmdKapat_Click() { Form_Unload(); }

// However the window is closed, the program ends at once: nothing is asked or saved. During a
// run the run is asked to stop instead; it ends the program at its next wait, with a log line.
void frmindir::Form_Unload() {
  if (Busy()) {
    busy_.RequestCancel();
    return;
  }
  IgnoringFailure(endProgram_);
}

// Only the left button alone drags; the shift keys do not matter.
void frmindir::lblsurukle_MouseMove(WPARAM buttons) {
  if ((buttons & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == MK_LBUTTON) IgnoringFailure(startDrag_);
}

void frmindir::tmrIndir_Timer() { IgnoringFailure(onRunTick_); }

// Runs while a file of unknown length arrives (see RunProgress), also during the busy pump.
void frmindir::tmrProgress_Timer() {
  IgnoringFailure([this] { SetProgress(NextProgressValue(Progress())); });
}

void frmindir::SetStatusText(const std::wstring& text) {
  SetWindowTextW(Control(ControlId::lbldurum), text.c_str());
  RepaintUnder(Control(ControlId::lbldurum), true);
}
std::wstring frmindir::StatusText() const { return WindowText(Control(ControlId::lbldurum)); }
void frmindir::SetFileName(const std::wstring& text) {
  SetWindowTextW(Control(ControlId::lblad), text.c_str());
}
std::wstring frmindir::FileName() const { return WindowText(Control(ControlId::lblad)); }
void frmindir::SetSizeText(const std::wstring& text) {
  SetWindowTextW(Control(ControlId::lblkalan), text.c_str());
}
std::wstring frmindir::SizeText() const { return WindowText(Control(ControlId::lblkalan)); }
void frmindir::SetDescription(const std::wstring& text) {
  SetWindowTextW(Control(ControlId::lblAciklama), text.c_str());
}
std::wstring frmindir::Description() const { return WindowText(Control(ControlId::lblAciklama)); }
std::wstring frmindir::Caption() const { return WindowText(hwnd_); }

// Painted at once, as the status line is: between two files the window handles no messages.
void frmindir::SetProgress(int value) {
  HWND bar = Control(ControlId::ProgressBar1);
  SendMessageW(bar, PBM_SETPOS, value, 0);
  UpdateWindow(bar);
}
int frmindir::Progress() const {
  return static_cast<int>(SendMessageW(Control(ControlId::ProgressBar1), PBM_GETPOS, 0, 0));
}

void frmindir::SetStartEnabled(bool enabled) {
  HWND start = Control(ControlId::cmdbaslat);
  // The focus must not stay on a button that can no longer take it.
  if (!enabled && GetFocus() == start) SetFocus(Control(ControlId::cmdKapat));
  EnableWindow(start, enabled);
}
bool frmindir::StartEnabled() const { return IsWindowEnabled(Control(ControlId::cmdbaslat)) != FALSE; }

void frmindir::SetRunTimer(unsigned intervalMs) { SetOrKillTimer(hwnd_, kRunTimerId, intervalMs); }
void frmindir::SetProgressTimer(unsigned intervalMs) { SetOrKillTimer(hwnd_, kProgressTimerId, intervalMs); }

void frmindir::PumpWhileBusy() {
  busy_.Pump([this](const MSG& message) { return PreTranslateMessage(message); },
             Control(ControlId::cmdKapat));
}
