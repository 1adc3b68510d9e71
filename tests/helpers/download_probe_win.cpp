// Runs DOSYA_INDIR in a process of its own that a test can end at a chosen point:
//   zefra_download_probe URL DESTINATION POINT EVENT
// POINT is "chunk" (after the first body chunk is on disk), "replace" (temporary file flushed
// and closed, destination untouched), "swap" (DESTINATION being the probe's own file: that file
// set aside, the new one not yet under its name) or "none". At the point the probe sets the named event
// and waits to be killed. Exit code 0 when the file is in place, 1 when it failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "recording_log.h"
#include "update/downloader_win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  const std::wstring point = argv[3];
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[4]);
  DownloadOptions options;
  options.seams.reached = [&](DownloadPoint reached) {
    const bool hold = (point == L"chunk" && reached == DownloadPoint::kBodyChunkWritten) ||
                      (point == L"replace" && reached == DownloadPoint::kBeforeReplace);
    if (!hold) return;
    SetEvent(event);
    Sleep(INFINITE);
  };
  options.seams.selfReplace.placeFault = [&]() -> uint32_t {
    if (point != L"swap") return 0;
    SetEvent(event);
    Sleep(INFINITE);
    return 0;
  };
  SilentLog log;
  const DownloadResult result = DOSYA_INDIR(argv[1], argv[2], log, options);
  const bool ok = result.fetched;
  if (!ok) std::fwprintf(stderr, L"%ls\n", result.details.c_str());
  return ok ? 0 : 1;
}
