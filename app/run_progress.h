// What the progress bar ProgressBar1, the progress timer tmrProgress and the window's taskbar
// button show during an update run. Portable: the window gives it the bar, the taskbar button
// and a clock, so its decisions run in tests without either.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

// The taskbar button's progress states, as ITaskbarList3 knows them.
enum class TaskbarState { kNoProgress, kIndeterminate, kNormal, kError };

// The window's button on the taskbar: the one seam between these decisions and the system.
class TaskbarButton {
 public:
  virtual ~TaskbarButton() = default;
  // percent (0 to 100) counts only in the normal and error states.
  virtual void Show(TaskbarState state, int percent) = 0;
};

// ProgressBar1 and tmrProgress as the window gives them.
class ProgressBarControl {
 public:
  virtual void SetProgress(int value) = 0;  // 0 to 100
  virtual int Progress() const = 0;
  virtual void SetProgressTimer(unsigned intervalMs) = 0;  // 0 stops it

 protected:
  ~ProgressBarControl() = default;
};

// Redraws from the bytes come at most this often, so painting costs nothing measurable.
inline constexpr uint64_t kProgressRedrawMs = 50;
// tmrProgress's interval while no length is known: one step a tick, a sweep in five seconds.
inline constexpr unsigned kProgressAnimationMs = 50;

class RunProgress {
 public:
  using Clock = std::function<uint64_t()>;  // milliseconds, never going back

  RunProgress(ProgressBarControl& bar, Clock clock) : bar_(bar), clock_(std::move(clock)) {}

  // Where the taskbar states go; none until the window has a button.
  void SetTaskbar(TaskbarButton* taskbar) { taskbar_ = taskbar; }

  // A press of the start button: a new run, so the last run's error leaves the taskbar.
  void StartPressed();
  // The run's own values: 0 at its start, 100 after each file.
  void ShowValue(int value);
  // The current file's body: 0 bytes as it begins, then after every chunk; declared is the
  // length its response declared, if any. With a length the bar follows the share received;
  // without one tmrProgress animates the bar.
  void BodyReceived(uint64_t received, std::optional<uint64_t> declared);
  // tmrProgress stopped by the run.
  void StopAnimation();
  // A failed file or an unexpected error: the bar keeps its value, the taskbar turns to error
  // at that share, or full when nothing had arrived.
  void RunStopped();
  // Every file in place.
  void RunCompleted();

 private:
  void Animate();
  void Draw(int value, uint64_t now);
  void ShowOnTaskbar(TaskbarState state, int percent);

  ProgressBarControl& bar_;
  Clock clock_;
  TaskbarButton* taskbar_ = nullptr;
  uint64_t received_ = 0;
  int drawn_ = 0;  // the share last drawn for the current file
  uint64_t drawnAt_ = 0;
  bool animating_ = false;
  TaskbarState taskbarState_ = TaskbarState::kNoProgress;
  int taskbarPercent_ = 0;
};
