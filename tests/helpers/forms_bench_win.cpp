// One run of the bytes benchmark, in a process of its own so that its peak memory is its own:
//   zefra_forms_bench FOLDER BASEURL KEYFILE NAME
// The whole update run of NAME from the release at BASEURL into FOLDER, as a program built with
// the release key in KEYFILE (its raw point X‖Y) runs it. Prints
//   "ms=<from the start of the run to the completion message> form=<patch|copy|file>
//    peak=<peak private bytes>"
// Wine gives the current private bytes as their peak too, so a thread also reads them every
// millisecond and keeps the highest; on Windows the peak that the system kept is the larger.
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/message_box.h"
#include "quiet_run_window.h"
#include "recording_log.h"
#include "update/update_services_win.h"

namespace {

// The real services with a built-in key; nothing is started, closed or ended.
class BenchServices : public WindowsUpdateServices {
 public:
  explicit BenchServices(std::string key) : WindowsUpdateServices({}, std::move(key)) {}
  void StartProgram(const std::wstring&) override {}
  void CloseRunningCopies(const std::wstring&, const std::wstring&) override {}
  void EndProcess() override {}
};

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  return memory;
}

// The process's peak private bytes from its creation until Stop.
class PeakPrivateBytes {
 public:
  PeakPrivateBytes() : sampler_([this] {
    while (running_) {
      sampled_ = std::max(sampled_.load(), MemoryCounters().PagefileUsage);
      Sleep(1);
    }
  }) {}
  ~PeakPrivateBytes() { Stop(); }
  SIZE_T Stop() {
    running_ = false;
    if (sampler_.joinable()) sampler_.join();
    return std::max(MemoryCounters().PeakPagefileUsage, sampled_.load());
  }

 private:
  std::atomic<bool> running_{true};
  std::atomic<SIZE_T> sampled_{0};
  std::thread sampler_;
};

// The form the log names as applied; the plain file otherwise.
const char* FormOf(const RecordingLog& log) {
  for (const std::wstring& line : log.lines) {
    if (line.starts_with(L"Patch applied;")) return "patch";
    if (line.starts_with(L"Compressed copy applied;")) return "copy";
  }
  return "file";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  std::ifstream keyFile(argv[3], std::ios::binary);
  std::string key{std::istreambuf_iterator<char>(keyFile), std::istreambuf_iterator<char>()};
  if (key.size() != 64) return 2;
  std::wstring shown;
  bool completed = false;
  SetMessageBoxHandler([&](const MessageBoxRequest& box) {
    shown = box.text;
    completed = box.style == kBoxInformation;
  });
  PeakPrivateBytes peak;
  QuietRunWindow window;
  RecordingLog log;
  BenchServices services(std::move(key));
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  RunUpdate(argv[2], {argv[4], L"", L"", L"", L""}, argv[1], window, log, services);
  QueryPerformanceCounter(&end);
  const SIZE_T peakBytes = peak.Stop();
  if (!completed) {
    std::fwprintf(stderr, L"the run did not complete: %ls\n", shown.c_str());
    for (const std::wstring& line : log.lines) std::fwprintf(stderr, L"  %ls\n", line.c_str());
    return 1;
  }
  std::printf("ms=%.0f form=%s peak=%lu\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart,
              FormOf(log), static_cast<unsigned long>(peakBytes));
  return 0;
}
