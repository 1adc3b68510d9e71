// Runs DOSYA_INDIR onto its own running file, as the updater does when the manifest lists it.
// A test copies it into a scratch folder as "Zefra INDIR.exe" and starts it there:
//   zefra_self_update_probe URL [TAG [CODE[:TIMES] [PUTBACK]]]
// TAG fixes the unique part of the set-aside name ("-" for none); CODE makes the move of the
// new file fail with that error, the first TIMES attempts only when given. The log goes to the
// diagnostic log in the probe's folder. Exit code 0 when the file is in place, 1 when it failed.
// PUTBACK, a code given as CODE is, makes putting the old file back fail.
#include <windows.h>

#include <cwchar>
#include <string>

#include "diag/log_line.h"
#include "diag/log_win.h"
#include "platform/program_folder_win.h"
#include "update/downloader_win.h"

namespace {

// "CODE" fails every time; "CODE:TIMES" the first TIMES times.
std::function<uint32_t()> FaultFrom(const std::wstring& argument) {
  wchar_t* rest = nullptr;
  const uint32_t code = std::wcstoul(argument.c_str(), &rest, 10);
  const int times = *rest == L':' ? static_cast<int>(std::wcstol(rest + 1, nullptr, 10)) : -1;
  return [code, times, calls = 0]() mutable -> uint32_t {
    ++calls;
    return times < 0 || calls <= times ? code : 0;
  };
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 5) return 2;
  DownloadOptions options;
  if (argc >= 3 && std::wstring(argv[2]) != L"-") options.seams.selfReplace.setAsideTag = argv[2];
  if (argc >= 4) options.seams.selfReplace.placeFault = FaultFrom(argv[3]);
  if (argc >= 5) options.seams.selfReplace.putBackFault = FaultFrom(argv[4]);
  DiagnosticLog log(ProgramFolder() + L"\\" + kLogFileName);
  return DOSYA_INDIR(argv[1], ExecutablePath(), log, options).fetched ? 0 : 1;
}
