// One side of the downloader benchmark, in a process of its own so that its peak working set
// is its own:
//   zefra_download_bench indir URL DESTINATION        DOSYA_INDIR into the destination, its
//                                                     progress going through the window's throttle
//   zefra_download_bench signed URL DESTINATION HEX SIZE   the same, checking the body against its
//                                                     listed SHA-256 (HEX) and size in bytes
//   zefra_download_bench bare URL                     a plain WinHTTP read loop that drops the body
// Prints "ms=<wall time> peak=<peak working set in bytes> bytes=<body bytes>".
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/run_progress.h"
#include "platform/error.h"
#include "recording_log.h"
#include "trust/release_list.h"
#include "update/downloader_win.h"

namespace {

// The digest that sha256sum printed and the size, as the signed list would hold them.
ListedFile Listed(const std::wstring& hex, const std::wstring& size) {
  const std::string list = "# size " + std::string(size.begin(), size.end()) + " file\n" +
                           std::string(hex.begin(), hex.end()) + "  file\n";
  return ReleaseList::Parse(list, [](std::wstring_view name) { return std::wstring(name); })
      .Find(L"file")
      .value();
}

// The progress bar without a window.
class BarValue : public ProgressBarControl {
 public:
  void SetProgress(int value) override { value_ = value; }
  int Progress() const override { return value_; }
  void SetProgressTimer(unsigned) override {}

 private:
  int value_ = 0;
};

// The window's side of a download: its progress through the bar's throttle, nothing to pump.
class BarWindow : public TransferWindow {
 public:
  explicit BarWindow(BarValue& bar) : progress_(bar, [] { return GetTickCount64(); }) {}
  void ShowProgress(uint64_t received, std::optional<uint64_t> total) override {
    progress_.BodyReceived(received, total);
  }
  void ShowRetry(const RetryNotice&) override {}
  void Pump() override {}
  bool CancelRequested() const override { return false; }

 private:
  RunProgress progress_;
};

int64_t BareLoop(const std::wstring& url) {
  HttpRequest request(url, DownloadTimeouts{});
  request.Send();
  const uint32_t size = 256 * 1024;
  const std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
  int64_t total = 0;
  while (const uint32_t got = request.Read(buffer.get(), size)) total += got;
  return total;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring mode = argv[1];
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  int64_t bytes = 0;
  try {
    if (mode == L"bare") {
      bytes = BareLoop(argv[2]);
    } else if ((mode == L"indir" && argc == 4) || (mode == L"signed" && argc == 6)) {
      SilentLog log;
      BarValue bar;
      BarWindow window(bar);
      DownloadOptions options;
      options.window = &window;
      std::optional<ListedFile> digest;
      if (mode == L"signed") digest = Listed(argv[4], argv[5]);
      const DownloadResult result = DOSYA_INDIR(argv[2], argv[3], log, options, digest);
      if (!result.fetched) {
        std::fwprintf(stderr, L"%ls\n", result.details.c_str());
        return 1;
      }
      bytes = result.bytes;
    } else {
      return 2;
    }
  } catch (const AppError& error) {
    std::fwprintf(stderr, L"error %d: %ls\n", error.number(), error.description().c_str());
    return 1;
  } catch (const ReleaseRefused& refused) {
    std::fwprintf(stderr, L"%ls\n", refused.reason().c_str());
    return 1;
  }
  QueryPerformanceCounter(&end);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("ms=%.1f peak=%lu bytes=%lld\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart,
              static_cast<unsigned long>(memory.PeakWorkingSetSize), static_cast<long long>(bytes));
  return 0;
}
