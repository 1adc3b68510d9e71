// The updater's one window, frmindir: its controls laid out at the window's DPI, start-up
// phase A, the design's handlers, and the small surface through which the other subsystems
// show their work (status line, file name, size, list box, progress, start button, timers).
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/busy_pump_win.h"
#include "app/layout.h"
#include "app/run_progress.h"
#include "app/window_painter_win.h"
#include "diag/logger.h"
#include "platform/error.h"
#include "platform/scoped_win.h"

// The class of the window frmindir, by which another updater finds it.
inline constexpr wchar_t kFrmindirWindowClass[] = L"frmindir";

class frmindir : private ProgressBarControl {
 public:
  // Creates the window hidden, with every element as designed; it writes to log. dpi 0 lays it
  // out at the DPI that the system reports for it; tests pass a fixed one. Throws AppError.
  frmindir(HINSTANCE instance, std::wstring programFolder, Logger& log, unsigned dpi = 0);
  virtual ~frmindir();
  frmindir(const frmindir&) = delete;
  frmindir& operator=(const frmindir&) = delete;

  HWND hwnd() const { return hwnd_; }
  const std::wstring& programFolder() const { return programFolder_; }
  // The child window of a windowed element (labels, buttons, progress bar, panel).
  HWND Control(ControlId control) const { return controls_[static_cast<size_t>(control)]; }
  unsigned Dpi() const { return dpi_; }
  // The diagnostic log the window and the subsystems it shows write to.
  Logger& log() const { return log_; }

  // The load handler: start-up phase A, then the settings and manifest steps.
  void Form_Load();
  // The raw release key the program is built with (none: unsigned releases), for the first log line.
  void SetReleaseKey(std::optional<std::string> rawKey) { releaseKey_ = std::move(rawKey); }
  // Centres and shows the window and puts the focus on the first control that can take it.
  void Show();
  // Tab, the access keys Alt+B and Alt+K, and Alt+F4; true when the message was used.
  bool PreTranslateMessage(const MSG& message);
  // The message loop of the program; returns when WM_QUIT arrives.
  int RunMessageLoop();

  // --- What the other subsystems change while the program runs.
  void SetStatusText(const std::wstring& text);  // lbldurum, repainted at once
  std::wstring StatusText() const;
  void SetFileName(const std::wstring& text);  // lblad
  std::wstring FileName() const;
  void SetSizeText(const std::wstring& text);  // lblkalan
  std::wstring SizeText() const;
  void SetDescription(const std::wstring& text);  // lblAciklama
  std::wstring Description() const;
  void SetProgress(int value) override;  // ProgressBar1, 0 to 100
  int Progress() const override;
  void SetStartEnabled(bool enabled);  // cmdbaslat
  bool StartEnabled() const;
  void SetRunTimer(unsigned intervalMs);                // tmrIndir: 0 stops it
  void SetProgressTimer(unsigned intervalMs) override;  // tmrProgress: 0 stops it
  std::wstring Caption() const;
  // What an update run shows of its progress on the bar, tmrProgress and the taskbar button.
  RunProgress& runProgress() { return progress_; }
  // Where the taskbar states go instead of the system's taskbar; tests record them.
  void SetTaskbarButton(TaskbarButton& button) { progress_.SetTaskbar(&button); }

  // --- Handlers built elsewhere: the start button's click and the run timer's tick.
  void SetStartHandler(std::function<void()> handler) { onStart_ = std::move(handler); }
  void SetRunTickHandler(std::function<void()> handler) { onRunTick_ = std::move(handler); }
  // What ends the program (ExitProcess(0)); tests record the request instead.
  void SetEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }
  // What a drag on the header band does (the system's move loop); tests record it instead.
  void SetStartDrag(std::function<void()> startDrag) { startDrag_ = std::move(startDrag); }

  // --- A long operation on the window's thread (the update run), for a BusyScope's lifetime.
  // The close button, Alt+K, Alt+F4 and closing from the taskbar then ask it to stop.
  bool Busy() const { return busy_.Busy(); }
  bool CancelRequested() const { return busy_.CancelRequested(); }
  // Call it often during the operation so that the system never takes the window for hung.
  void PumpWhileBusy();

  class BusyScope {
   public:
    explicit BusyScope(frmindir& window) : window_(window) { window_.busy_.Begin(); }
    // Drops whatever input queued up meanwhile, so that no click acts afterwards.
    ~BusyScope() { window_.busy_.End(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    frmindir& window_;
  };

 protected:
  // Start-up after phase A: settings file, database connection and the manifest.
  virtual void LoadSettingsAndManifest() {}
  // Ends the program at once, as closing the window does.
  void EndProgram() { IgnoringFailure(endProgram_); }

 private:
  static constexpr UINT_PTR kRunTimerId = 1;       // tmrIndir
  static constexpr UINT_PTR kProgressTimerId = 2;  // tmrProgress

  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PanelProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK LabelProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandlePanelMessage(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleCommonChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  void CreateChildren();
  // Lays everything out again at another DPI (also on WM_DPICHANGED).
  void ApplyDpi(unsigned dpi);
  void Paint(HWND parent, ElementParent which);
  const Element* ElementOfWindow(HWND control) const;
  HCURSOR PointerOver(HWND control) const;
  void MoveFocus(int step);

  // The design's handlers.
  void cmdbaslat_Click();
  void cmdKapat_Click();
  void Form_Unload();
  void lblsurukle_MouseMove(WPARAM buttons);
  void tmrIndir_Timer();
  void tmrProgress_Timer();

  HINSTANCE instance_;
  std::wstring programFolder_;
  Logger& log_;
  unsigned fixedDpi_;
  unsigned dpi_ = 96;
  HWND hwnd_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  UniqueFont font_;
  WindowPainter painter_;
  HCURSOR handPointer_ = nullptr;
  HCURSOR movePointer_ = nullptr;
  HWND savedFocus_ = nullptr;
  BusyPump busy_;
  std::optional<std::string> releaseKey_;
  std::function<void()> onStart_;
  std::function<void()> onRunTick_;
  std::function<void()> endProgram_;
  std::function<void()> startDrag_;
  std::unique_ptr<TaskbarButton> systemTaskbar_;
  RunProgress progress_{*this, [] { return GetTickCount64(); }};
};
