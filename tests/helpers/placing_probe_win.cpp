// Places the checked files of a folder, for a test to end it at a chosen step:
//   zefra_placing_probe FOLDER STEP HELD GO
// Every NAME.download in FOLDER (NAME one of the three test files) is placed over NAME. Before
// the step numbered STEP that changes the folder, the probe sets the event HELD and waits for GO,
// so that the test can kill it there or a moment later. Exit code 0 when every file is in place.
#include <windows.h>

#include "install/folder_files_win.h"
#include "install/mdl_fso_win.h"
#include "install/placing_folder_win.h"
#include "recording_log.h"

namespace {

const wchar_t* const kNames[] = {L"Zefra VUNO.exe", L"bin\\VunoRapor.dll", L"Yeni.dll"};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  const std::wstring folder = argv[1];
  const int holdAt = _wtoi(argv[2]);
  HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
  int step = 0;
  SilentLog log;
  WindowsPlacingFolder placing(folder, log, [&] {
    if (step++ != holdAt) return;
    SetEvent(held);
    WaitForSingleObject(go, INFINITE);
  });
  try {
    PlacingJournal journal;
    for (const wchar_t* name : kNames) {
      const std::wstring staged = folder + L"\\" + name + L".download";
      const std::optional<std::string> bytes = ReadSmallFile(staged, 64 * 1024 * 1024);
      if (!bytes) continue;
      journal.push_back(
          PlacedFileFor(folder, name, bytes->size(), *FileSha256(staged, [] {}), placing.setAsideTag()));
    }
    PlaceFiles(journal, placing, log);
  } catch (...) {
    return 1;
  }
  return 0;
}
