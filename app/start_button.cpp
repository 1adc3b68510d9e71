#include "app/start_button.h"

#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/text.h"
#include "update/file_name_rule.h"

std::optional<std::wstring> ProgramNameToClose(std::wstring_view slotName) {
  const std::wstring_view lastThree = slotName.substr(slotName.size() < 3 ? 0 : slotName.size() - 3);
  if (AsciiUpper(lastThree) != L"EXE") return std::nullopt;
  // A window's title carries the program's own name, never the folder it lies in.
  const std::wstring file = FileNameOf(slotName);
  if (file.size() <= 4) return std::nullopt;
  return file.substr(0, file.size() - 4);
}

namespace {

// The box: the folder, the error and what to do.
std::wstring FolderNotWritableText(const std::wstring& folder, const ErrorInfo& error) {
  return L"Program klasörüne yazılamıyor, güncelleme yapılamaz:\r\n" + folder + L"\r\n\r\n" +
         ErrorText(error, L"Hata ") +
         L"\r\n\r\nHiçbir program kapatılmadı. Güncelleyiciyi yönetici olarak çalıştırın (sağ tıklayıp "
         L"\"Yönetici olarak çalıştır\") ya da yazılım firmanıza danışın.";
}

// A run that could never write its files must not close the shop's program and lose its work.
bool FolderTakesFiles(const std::wstring& programFolder, StartButtonWindow& window,
                      const FolderWriteCheck& checkFolder) noexcept {
  std::optional<ErrorInfo> error = ErrorInfo{-1, L"The program folder could not be checked."};
  IgnoringFailure([&] { error = checkFolder(programFolder); });
  if (!error) return true;
  IgnoringFailure([&] {
    window.LOG_YAZ(L"Program folder is not writable; folder=" + programFolder + L"; error=" +
                   ErrorText(*error, L""));
  });
  IgnoringFailure(
      [&] { ShowMessageBox(FolderNotWritableText(programFolder, *error), kProgramTitle, kBoxError); });
  return false;
}

void CloseRunningCopies(const std::array<std::wstring, 5>& files, const std::wstring& programFolder,
                        const TerminateTaskFunction& terminateTask) noexcept {
  for (const std::wstring& name : files) {
    // A copy that could not be closed shows up later, when its file cannot be replaced.
    IgnoringFailure([&] {
      if (name.empty()) return;
      const std::optional<std::wstring> program = ProgramNameToClose(name);
      if (!program) return;
      // "..\Other\x.exe" is never fetched, so the program it names is not ours to close.
      const std::wstring file = TrimSpaces(name);
      if (FileNameOutsideFolder(file)) return;
      terminateTask(*program, programFolder + L"\\" + file);
    });
  }
}

}  // namespace

void StartButtonPressed(const std::array<std::wstring, 5>& files, const std::wstring& programFolder,
                        StartButtonWindow& window, const TerminateTaskFunction& terminateTask,
                        const FolderWriteCheck& checkFolder) noexcept {
  if (!FolderTakesFiles(programFolder, window, checkFolder)) return;
  CloseRunningCopies(files, programFolder, terminateTask);
  IgnoringFailure([&] { window.SetStatus(kClosingFilesStatus); });
  IgnoringFailure([&] { window.StartRunTimer(kRunDelayMs); });
  IgnoringFailure([&] { window.SetStartEnabled(false); });
}

int NextProgressValue(int current) noexcept { return current < 100 ? current + 1 : 0; }
