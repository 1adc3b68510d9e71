// The downtime benchmark's run, in a process of its own:
//   zefra_downtime_bench FOLDER BASEURL QUERY NAME...
// Starts a stand-in of the shop's program from FOLDER\Zefra VUNO.exe, then the whole update run
// of NAME... from BASEURL (QUERY added to every file's address, e.g. to slow the line). Prints
// "run=<ms from the start of the run to the completion message>
//  closed=<ms from the stand-in's end to the completion message>".
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/message_box.h"
#include "quiet_run_window.h"
#include "recording_log.h"
#include "update/update_services_win.h"

namespace {

// The real services, but the files come over a slowed line and nothing is started or ended.
class BenchServices : public WindowsUpdateServices {
 public:
  explicit BenchServices(std::wstring query) : query_(std::move(query)) {}
  DownloadResult Download(const std::wstring& url, const std::wstring& destination, TransferWindow& window,
                          Logger& log, const std::optional<ListedFile>& listed) override {
    return WindowsUpdateServices::Download(url + query_, destination, window, log, listed);
  }
  void StartProgram(const std::wstring&) override {}
  void EndProcess() override {}

 private:
  std::wstring query_;
};

HANDLE StartStandIn(const std::wstring& program) {
  std::wstring commandLine = L"\"" + program + L"\" --title \"Zefra VUNO bench\"";
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  for (int i = 0; i < 300 && !FindWindowW(nullptr, L"Zefra VUNO bench"); ++i) Sleep(20);
  return process.hProcess;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) return 2;
  const std::wstring folder = argv[1];
  HANDLE standIn = StartStandIn(folder + L"\\Zefra VUNO.exe");
  if (!standIn) return 3;
  std::atomic<ULONGLONG> closedAt{0}, doneAt{0};
  std::thread watch([&] {
    WaitForSingleObject(standIn, INFINITE);
    closedAt = GetTickCount64();
  });
  SetMessageBoxHandler([&](const MessageBoxRequest&) { doneAt = GetTickCount64(); });
  std::array<std::wstring, 5> files;
  for (int i = 4; i < argc && i < 9; ++i) files[i - 4] = argv[i];
  QuietRunWindow window;
  SilentLog log;
  BenchServices services(argv[3]);
  const ULONGLONG startedAt = GetTickCount64();
  RunUpdate(argv[2], files, folder, window, log, services);
  if (!doneAt || WaitForSingleObject(standIn, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(standIn, 1);
    watch.join();
    return 1;
  }
  watch.join();
  std::printf("run=%llu closed=%llu\n", doneAt - startedAt, doneAt - closedAt);
  return 0;
}
