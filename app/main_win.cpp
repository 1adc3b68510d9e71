// Entry point of "Zefra INDIR.exe": the window frmindir, its load handler, then its messages.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "app/placing_copy_win.h"
#include "app/single_instance_win.h"
#include "app/updater_win.h"
#include "diag/log_line.h"
#include "diag/log_win.h"
#include "install/elevated_placing.h"
#include "install/placing_folder_win.h"
#include "install/self_replace_win.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/message_box_win.h"
#include "platform/program_folder_win.h"
#include "trust/release_key_win.h"

namespace {

// An updater that replaced itself left its old file aside, and a write probe may be left over.
// They go before anything else touches the folder, quietly; while the old file is still in use
// (the old updater ending) the next start retries.
void RemoveOldUpdaterFiles() noexcept {
  IgnoringFailure([] { RemoveSetAsideFiles(ProgramFolder()); });
}

// An update that a power cut or a killed process stopped while it placed its files is finished
// or undone before anything reads the folder. False when it could not be, so that nothing it may
// still need (the old files set aside) is cleared.
bool FinishInterruptedUpdate(Logger& log) noexcept {
  std::wstring problem;
  try {
    WindowsPlacingFolder folder(ProgramFolder(), log);
    const Recovery recovery = RecoverInterruptedPlacing(folder, log);
    if (recovery != Recovery::kUnreadable) return true;
    problem = L"Kaydı okunamadı.";
  } catch (const AppError& error) {
    log.LOG_YAZ(L"Interrupted update could not be finished; error=" + ErrorText(error.info(), L""));
    problem = ErrorText(error.info(), L"Hata ");
  } catch (...) {
    problem = L"Bellek yetersiz.";
  }
  IgnoringFailure([&] {
    ShowMessageBox(L"Yarım kalmış bir güncelleme tamamlanamadı ya da geri alınamadı.\r\n" + problem +
                       L"\r\n\r\nDosyalara dokunulmadı; kayıt \"" + std::wstring(kPlacingJournalName) +
                       L"\" program klasöründe duruyor. Güncelleyiciyi yeniden açın; düzelmezse yazılım "
                       L"firmanıza danışın.",
                   kProgramTitle, kBoxError);
  });
  return false;
}

// A second updater in this folder ends before it touches it. The claim is held until the end.
bool ClaimFolder() noexcept {
  static UniqueHandle claim;
  try {
    return ClaimProgramFolder(ProgramFolder(), claim);
  } catch (...) {
    return true;
  }
}

// The copy started with the administrator's approval only places what the user's copy staged. It
// may run as another account, so it touches no per-user path, claims no folder and shows no box.
int RunAsPlacingCopy(const ParsedPlacingCommand& command) noexcept {
  if (!command.request) return static_cast<int>(ElevatedExit::badCommandLine);
  try {
    DiagnosticLog log(LogFilePath(command.request->programFolder));
    return static_cast<int>(PlaceStagedFiles(*command.request, ReleaseKeyFromResources(), log));
  } catch (...) {
    return static_cast<int>(ElevatedExit::placingRolledBack);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const ParsedPlacingCommand placing = ParseElevatedCommandLine(GetCommandLineW());
  if (placing.isPlacingCopy) return RunAsPlacingCopy(placing);
  InstallSystemMessageBox();
  if (!ClaimFolder()) return 0;
  static DiagnosticLog log(LogFilePath(ProgramFolder()));
  if (FinishInterruptedUpdate(log)) RemoveOldUpdaterFiles();
  ScopedCoInit com;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    static UpdaterWindow window(instance, ProgramFolder(), log);
    window.Form_Load();
    window.Show();
    return window.RunMessageLoop();
  } catch (const AppError& error) {
    ShowMessageBox(error.description(), kProgramTitle, kBoxError);
    return 1;
  }
}
