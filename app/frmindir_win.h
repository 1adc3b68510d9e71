// The updater's one window, frmindir: its layout at the window's DPI, start-up phase A, the
// close and drag handlers, and the small surface through which the other subsystems show
// their work (status line, file name, size, list box, progress, start button, timers, log).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/layout.h"
#include "app/resample.h"
#include "app/run_progress.h"
#include "diag/logger.h"
#include "platform/error.h"
#include "platform/scoped_win.h"

// The class of the window frmindir, by which another updater finds it.
inline constexpr wchar_t kFrmindirWindowClass[] = L"frmindir";

class frmindir : public Logger, private ProgressBarControl {
 public:
  // Creates the window hidden, with every element as designed. dpi 0 lays it out at the DPI
  // that the system reports for it; tests pass a fixed one. Throws AppError on failure.
  frmindir(HINSTANCE instance, std::wstring programFolder, unsigned dpi = 0);
  virtual ~frmindir();
  frmindir(const frmindir&) = delete;
  frmindir& operator=(const frmindir&) = delete;

  HWND hwnd() const { return hwnd_; }
  const std::wstring& programFolder() const { return programFolder_; }
  // The child window of a windowed element (labels, buttons, progress bar, panel), else null.
  HWND Control(std::wstring_view name) const;
  unsigned Dpi() const { return dpi_; }

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
  void SetCaption(const std::wstring& caption);
  void LOG_YAZ(std::wstring_view message) override;
  bool LogWarningShown() const { return LogWarningShown_; }
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

  // --- A long operation on the window's thread (the update run).
  // While busy the window takes no input but the user's way out: the close button, Alt+K,
  // Alt+F4 and closing from the taskbar ask the operation to stop (CancelRequested), and it ends
  // the program once it has.
  void BeginBusy();
  // Drops whatever input queued up meanwhile, so that no click acts afterwards.
  void EndBusy();
  bool Busy() const { return busy_; }
  bool CancelRequested() const { return cancelRequested_; }
  // Handles paint and other waiting messages and the way out, dropping any other keyboard and
  // mouse input; call it often during the operation so that the system never takes the window
  // for hung.
  void PumpWhileBusy();

  class BusyScope {
   public:
    explicit BusyScope(frmindir& window) : window_(window) { window_.BeginBusy(); }
    ~BusyScope() { window_.EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    frmindir& window_;
  };

  // Lays everything out again at another DPI (also on WM_DPICHANGED).
  void ApplyDpi(unsigned dpi);

 protected:
  // Start-up after phase A: settings file, database connection and the manifest.
  virtual void LoadSettingsAndManifest() {}
  // Ends the program at once, as closing the window does.
  void EndProgram() { IgnoringFailure(endProgram_); }

 private:
  struct Child {
    const Element* element;
    HWND hwnd;
  };

  static constexpr UINT_PTR kRunTimerId = 1;       // tmrIndir
  static constexpr UINT_PTR kProgressTimerId = 2;  // tmrProgress

  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PanelProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK LabelProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandlePanelMessage(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleCommonChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  void CreateChildren();
  HWND CreateChild(const Element& element, HWND parent);
  void LayoutChildren();
  void LoadPictures();
  void ScalePictures();
  void PaintElements(HWND parent, HDC dc, const RECT& area, std::span<const Element> elements);
  HBRUSH LabelColors(HWND label, HDC dc);
  void RepaintUnder(HWND label, bool now);
  void SetLabelText(std::wstring_view name, const std::wstring& text);
  std::wstring Text(std::wstring_view name) const;
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
  unsigned fixedDpi_;
  unsigned dpi_ = 96;
  HWND hwnd_ = nullptr;
  HWND panel_ = nullptr;
  std::map<std::wstring_view, Child> children_;
  UniqueGdiObject font_;
  std::map<Rgb, UniqueGdiObject> brushes_;
  std::map<PictureId, PixelImage> decoded_;
  std::map<std::wstring_view, UniqueGdiObject> scaled_;  // per picture element, at dpi_
  HCURSOR handPointer_ = nullptr;
  HCURSOR movePointer_ = nullptr;
  HWND savedFocus_ = nullptr;
  bool busy_ = false;
  bool cancelRequested_ = false;
  bool LogWarningShown_ = false;
  std::optional<std::string> releaseKey_;
  std::function<void()> onStart_;
  std::function<void()> onRunTick_;
  std::function<void()> endProgram_;
  std::function<void()> startDrag_;
  std::unique_ptr<TaskbarButton> systemTaskbar_;
  RunProgress progress_{*this, [] { return GetTickCount64(); }};
};
