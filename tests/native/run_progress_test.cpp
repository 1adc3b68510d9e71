// What the progress bar, tmrProgress and the taskbar button show during a run, on a clock that
// the test moves.
#include "app/run_progress.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Records the bar's values, the timer's intervals and the taskbar's states as texts, in order.
class Recorder : public ProgressBarControl, public TaskbarButton {
 public:
  void SetProgress(int value) override {
    value_ = value;
    events.push_back("bar " + std::to_string(value));
  }
  int Progress() const override { return value_; }
  void SetProgressTimer(unsigned intervalMs) override {
    events.push_back("timer " + std::to_string(intervalMs));
  }
  void Show(TaskbarState state, int percent) override {
    static const char* const kNames[] = {"none", "indeterminate", "normal", "error"};
    std::string event = std::string("taskbar ") + kNames[static_cast<int>(state)];
    if (state == TaskbarState::kNormal || state == TaskbarState::kError)
      event += " " + std::to_string(percent);
    events.push_back(event);
    taskbar.push_back(event);
  }
  // A tick of tmrProgress, as the window handles it.
  void Tick() { SetProgress(value_ < 100 ? value_ + 1 : 0); }

  std::vector<std::string> events;
  std::vector<std::string> taskbar;

 private:
  int value_ = 0;
};

class RunProgressTest : public ::testing::Test {
 protected:
  RunProgressTest() { progress.SetTaskbar(&recorder); }

  // The bar values drawn since the last call.
  std::vector<int> BarValues() {
    std::vector<int> values;
    for (size_t i = seen_; i < recorder.events.size(); ++i) {
      if (recorder.events[i].rfind("bar ", 0) == 0) values.push_back(std::stoi(recorder.events[i].substr(4)));
    }
    seen_ = recorder.events.size();
    return values;
  }

  uint64_t now = 1000;
  Recorder recorder;
  RunProgress progress{recorder, [this] { return now; }};

 private:
  size_t seen_ = 0;
};

TEST_F(RunProgressTest, ADeclaredBodyRisesWithItsBytesAtMostTwentyTimesASecond) {
  const uint64_t length = 8u << 20;
  progress.BodyReceived(0, length);
  // A fast line: a chunk every 2 ms for two seconds.
  for (uint64_t received = 8192; received <= length; received += 8192) {
    now += 2;
    progress.BodyReceived(received, length);
  }
  const std::vector<int> drawn = BarValues();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.front(), 0) << "the file starts from nothing at once";
  EXPECT_LE(drawn.size(), 1 + 2048 / kProgressRedrawMs);
  EXPECT_GE(drawn.size(), 30u) << "the bar moves all along";
  for (size_t i = 1; i < drawn.size(); ++i) EXPECT_GT(drawn[i], drawn[i - 1]) << "at " << i;
  EXPECT_GE(drawn.back(), 95);
  EXPECT_THAT(recorder.events, ::testing::Not(::testing::Contains("timer 50"))) << "no animation";
}

TEST_F(RunProgressTest, ASlowLineRedrawsAtEveryPercentAndTheShareNeverRoundsUpToAHundred) {
  progress.BodyReceived(0, 1000);
  for (const uint64_t received : {9u, 10u, 10u, 999u}) {
    now += 100;
    progress.BodyReceived(received, 1000);
  }
  EXPECT_THAT(BarValues(), ElementsAre(0, 1, 99));
  now += 100;
  progress.BodyReceived(1000, 1000);
  EXPECT_THAT(BarValues(), ElementsAre(100));
}

TEST_F(RunProgressTest, ADeclaredLengthOfNothingDividesByNothing) {
  progress.BodyReceived(0, 0);
  now += 100;
  progress.BodyReceived(5, 0);
  EXPECT_THAT(BarValues(), ElementsAre(0));
}

// Each line: a step of the run, then the taskbar states it leads to.
struct TaskbarCase {
  const char* name;
  std::vector<const char*> steps;
  std::vector<const char*> taskbar;
};

class RunProgressTaskbar : public RunProgressTest, public ::testing::WithParamInterface<TaskbarCase> {
 protected:
  void Step(const std::string& step) {
    now += 60;
    if (step == "press") return progress.StartPressed();
    if (step == "run") return progress.ShowValue(0);
    if (step == "done") return progress.StopAnimation(), progress.ShowValue(100);
    if (step == "stopped") return progress.StopAnimation(), progress.RunStopped();
    if (step == "completed") return progress.RunCompleted();
    if (step == "tick") return recorder.Tick();
    // "body R/L": R bytes of L, or of an unknown length when L is "-".
    const size_t slash = step.find('/');
    const uint64_t received = std::stoull(step.substr(5, slash - 5));
    const std::string length = step.substr(slash + 1);
    progress.BodyReceived(received,
                          length == "-" ? std::nullopt : std::optional<uint64_t>(std::stoull(length)));
  }
};

TEST_P(RunProgressTaskbar, FollowsTheRun) {
  for (const char* step : GetParam().steps) Step(step);
  EXPECT_THAT(recorder.taskbar, ElementsAreArray(std::vector<std::string>(GetParam().taskbar.begin(),
                                                                          GetParam().taskbar.end())));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunProgressTaskbar,
    ::testing::Values(
        TaskbarCase{"TwoFilesThenCompletion",
                    {"press", "run", "body 0/200", "body 100/200", "body 200/200", "done", "body 0/100",
                     "body 50/100", "done", "completed"},
                    {"taskbar normal 0", "taskbar normal 50", "taskbar normal 100", "taskbar normal 0",
                     "taskbar normal 50", "taskbar normal 100", "taskbar none"}},
        TaskbarCase{"NothingToFetch", {"press", "run", "completed"}, {}},
        TaskbarCase{"AFailureMidBodyKeepsItsShareInTheErrorState",
                    {"press", "run", "body 0/100", "body 30/100", "stopped", "press", "run", "body 0/100"},
                    {"taskbar normal 0", "taskbar normal 30", "taskbar error 30", "taskbar none",
                     "taskbar normal 0"}},
        TaskbarCase{"AFailureBeforeAnyBody",
                    {"press", "run", "stopped", "press"},
                    {"taskbar error 100", "taskbar none"}},
        TaskbarCase{"ARefusedReleaseTwiceShowsTheErrorFullEachTime",
                    {"press", "run", "stopped", "press", "run", "stopped"},
                    {"taskbar error 100", "taskbar none", "taskbar error 100"}},
        TaskbarCase{"AFailureAtTheFirstByteOfAFileShowsTheErrorFull",
                    {"press", "run", "body 0/100", "stopped"},
                    {"taskbar normal 0", "taskbar error 100"}},
        TaskbarCase{
            "AnUnknownLengthIsIndeterminateUntilTheFileIsIn",
            {"press", "run", "body 0/-", "tick", "body 9000/-", "tick", "done", "body 0/-", "tick", "tick",
             "stopped"},
            {"taskbar indeterminate", "taskbar normal 100", "taskbar indeterminate", "taskbar error 1"}}),
    [](const ::testing::TestParamInfo<TaskbarCase>& info) { return info.param.name; });

}  // namespace
