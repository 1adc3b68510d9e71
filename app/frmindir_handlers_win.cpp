// What the window frmindir does: start-up phase A, its handlers, keys, the busy state, and
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
#include "diag/log_win.h"
#include "platform/error.h"
#include "trust/cng_win.h"

void frmindir::Form_Load() {
  // Phase A: a failed step does not keep the next one from running.
  IgnoringFailure([this] {
    std::optional<Sha256Digest> keySha256;
    if (releaseKey_) keySha256 = Sha256Of(*releaseKey_);
    LOG_YAZ(StartedLogLine(programFolder_, keySha256));
  });
  IgnoringFailure([this] {
    SetCaption(
        CaptionWithVersion(Caption(), ZEFRA_VERSION_MAJOR, ZEFRA_VERSION_MINOR, ZEFRA_VERSION_REVISION));
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
  SetFocus(StartEnabled() ? Control(L"cmdbaslat") : Control(L"cmdKapat"));
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
        SetFocus(Control(L"cmdbaslat"));
        cmdbaslat_Click();
      }
      return true;
    case 'K':
      SetFocus(Control(L"cmdKapat"));
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
  for (std::wstring_view name : TabStops()) stops.push_back(Control(name));
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
  if (busy_) {
    cancelRequested_ = true;
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

void frmindir::SetLabelText(std::wstring_view name, const std::wstring& text) {
  SetWindowTextW(Control(name), text.c_str());
}

std::wstring frmindir::Text(std::wstring_view name) const {
  HWND control = name.empty() ? hwnd_ : Control(name);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

void frmindir::SetStatusText(const std::wstring& text) {
  SetLabelText(L"lbldurum", text);
  RepaintUnder(Control(L"lbldurum"), true);
}
std::wstring frmindir::StatusText() const { return Text(L"lbldurum"); }
void frmindir::SetFileName(const std::wstring& text) { SetLabelText(L"lblad", text); }
std::wstring frmindir::FileName() const { return Text(L"lblad"); }
void frmindir::SetSizeText(const std::wstring& text) { SetLabelText(L"lblkalan", text); }
std::wstring frmindir::SizeText() const { return Text(L"lblkalan"); }
void frmindir::SetDescription(const std::wstring& text) { SetLabelText(L"lblAciklama", text); }
std::wstring frmindir::Description() const { return Text(L"lblAciklama"); }
std::wstring frmindir::Caption() const { return Text(L""); }
void frmindir::SetCaption(const std::wstring& caption) { SetWindowTextW(hwnd_, caption.c_str()); }

// Painted at once, as the status line is: between two files the window handles no messages.
void frmindir::SetProgress(int value) {
  HWND bar = Control(L"ProgressBar1");
  SendMessageW(bar, PBM_SETPOS, value, 0);
  UpdateWindow(bar);
}
int frmindir::Progress() const {
  return static_cast<int>(SendMessageW(Control(L"ProgressBar1"), PBM_GETPOS, 0, 0));
}

void frmindir::SetStartEnabled(bool enabled) {
  HWND start = Control(L"cmdbaslat");
  // The focus must not stay on a button that can no longer take it.
  if (!enabled && GetFocus() == start) SetFocus(Control(L"cmdKapat"));
  EnableWindow(start, enabled);
}
bool frmindir::StartEnabled() const { return IsWindowEnabled(Control(L"cmdbaslat")) != FALSE; }

void frmindir::SetRunTimer(unsigned intervalMs) {
  if (intervalMs == 0) {
    KillTimer(hwnd_, kRunTimerId);
  } else {
    SetTimer(hwnd_, kRunTimerId, intervalMs, nullptr);
  }
}

void frmindir::SetProgressTimer(unsigned intervalMs) {
  if (intervalMs == 0) {
    KillTimer(hwnd_, kProgressTimerId);
  } else {
    SetTimer(hwnd_, kProgressTimerId, intervalMs, nullptr);
  }
}

void frmindir::LOG_YAZ(std::wstring_view message) {
  WriteDiagnosticLog(LogFilePath(programFolder_), message, LogWarningShown_);
}

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

void frmindir::BeginBusy() {
  busy_ = true;
  cancelRequested_ = false;
}

void frmindir::EndBusy() {
  DropQueuedInput();
  busy_ = false;
}

void frmindir::PumpWhileBusy() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (IsUserInput(message.message)) {
      // The keys that close, and the close button itself (pressed, or Space on it), still act.
      if (PreTranslateMessage(message) || message.hwnd != Control(L"cmdKapat")) continue;
      TranslateMessage(&message);
    }
    DispatchMessageW(&message);
  }
}
