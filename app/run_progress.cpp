#include "app/run_progress.h"

#include <algorithm>
#include <limits>

namespace {

// The share of the body received, 0 to 100, rounded down so that 100 means every byte.
int ShareOf(uint64_t received, uint64_t declared) {
  if (declared == 0) return 0;
  if (received >= declared) return 100;
  constexpr uint64_t kLargest = std::numeric_limits<uint64_t>::max() / 100;
  const uint64_t share = declared > kLargest ? received / (declared / 100) : received * 100 / declared;
  return static_cast<int>(std::min<uint64_t>(share, 99));
}

}  // namespace

void RunProgress::StartPressed() { ShowOnTaskbar(TaskbarState::kNoProgress, 0); }

void RunProgress::ShowValue(int value) {
  bar_.SetProgress(value);
  drawn_ = value;
  // Before the first body of a run the taskbar shows nothing; from then on it follows the bar.
  if (taskbarState_ != TaskbarState::kNoProgress) ShowOnTaskbar(TaskbarState::kNormal, value);
}

void RunProgress::BodyReceived(uint64_t received, std::optional<uint64_t> declared) {
  const uint64_t now = clock_();
  // Each file starts again from its own share; its first report is of 0 bytes.
  const bool newBody = received == 0 || received < received_;
  received_ = received;
  if (!declared) {
    if (newBody) Animate();
    return;
  }
  const int share = ShareOf(received, *declared);
  if (newBody) {
    if (animating_) StopAnimation();
    Draw(share, now);
  } else if (share > drawn_ && now - drawnAt_ >= kProgressRedrawMs) {
    Draw(share, now);
  }
}

void RunProgress::StopAnimation() {
  bar_.SetProgressTimer(0);
  animating_ = false;
}

// The taskbar draws the error state only as far as its share: at 0 % nothing would show.
void RunProgress::RunStopped() {
  const int value = bar_.Progress();
  ShowOnTaskbar(TaskbarState::kError, value > 0 ? value : 100);
}

void RunProgress::RunCompleted() { ShowOnTaskbar(TaskbarState::kNoProgress, 0); }

// Without a length only the animation can show that bytes arrive.
void RunProgress::Animate() {
  if (!animating_) {
    bar_.SetProgressTimer(kProgressAnimationMs);
    animating_ = true;
  }
  ShowOnTaskbar(TaskbarState::kIndeterminate, 0);
}

void RunProgress::Draw(int value, uint64_t now) {
  bar_.SetProgress(value);
  drawn_ = value;
  drawnAt_ = now;
  ShowOnTaskbar(TaskbarState::kNormal, value);
}

// The taskbar is told only what changed: a COM call per chunk would be wasted.
void RunProgress::ShowOnTaskbar(TaskbarState state, int percent) {
  if (state == TaskbarState::kNoProgress || state == TaskbarState::kIndeterminate) percent = 0;
  if (state == taskbarState_ && percent == taskbarPercent_) return;
  taskbarState_ = state;
  taskbarPercent_ = percent;
  if (taskbar_) taskbar_->Show(state, percent);
}
