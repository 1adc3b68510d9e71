#include "app/start_button.h"

#include <vector>

#include "install/file_name_rule.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/text.h"

namespace {

// Each slot's name as the run will take it that the run would refuse, with its slot and reason.
// The names are known before the run, so a run that would stop at slot 3 never closes the shop's
// program for slots 1 and 2.
std::vector<std::wstring> RefusedNames(const std::array<std::wstring, 5>& files) {
  std::vector<std::wstring> refusals;
  for (size_t slot = 0; slot < files.size(); ++slot) {
    const std::wstring name = TrimSpaces(files[slot]);
    if (name.empty()) continue;
    if (std::optional<std::wstring> refused = FileNameOutsideFolder(name)) {
      refusals.push_back(L"dosya" + std::to_wstring(slot + 1) + L": " + VisibleText(*refused));
    }
  }
  return refusals;
}

std::wstring Joined(const std::vector<std::wstring>& parts, std::wstring_view separator) {
  std::wstring text;
  for (const std::wstring& part : parts) text += (text.empty() ? L"" : std::wstring(separator)) + part;
  return text;
}

// The row is read once at start-up: a corrected name reaches only an updater opened afterwards.
bool NamesAreAllowed(const std::array<std::wstring, 5>& files, StartButtonWindow& window) noexcept {
  std::vector<std::wstring> refused;
  IgnoringFailure([&] { refused = RefusedNames(files); });
  if (refused.empty()) return true;
  IgnoringFailure(
      [&] { window.LOG_YAZ(L"Update not started, file names refused; names=" + Joined(refused, L" | ")); });
  IgnoringFailure([&] {
    ShowMessageBox(L"Güncelleme başlatılmadı: veritabanındaki şu dosya adları kullanılamaz.\r\n\r\n" +
                       Joined(refused, L"\r\n") +
                       L"\r\n\r\nHiçbir program kapatılmadı, hiçbir dosya değişmedi. Yazılım firmanıza "
                       L"bildirin; adlar düzeltildikten sonra güncelleyiciyi kapatıp yeniden açın.",
                   kProgramTitle, kBoxError);
  });
  return false;
}

// The user's staging folder when it takes files; none (logged) otherwise.
std::optional<std::wstring> StagingFolderTakingFiles(const std::wstring& programFolder,
                                                     StartButtonWindow& window,
                                                     const FolderWriteCheck& checkFolder,
                                                     const StagingFolderFor& stagingFolder) noexcept {
  if (!stagingFolder) return std::nullopt;
  std::wstring folder;
  std::optional<ErrorInfo> error = ErrorInfo{-1, L"The staging folder could not be checked."};
  try {
    folder = stagingFolder(programFolder);
    error = checkFolder(folder);
  } catch (...) {
    error = CurrentErrorInfo();
  }
  IgnoringFailure([&] {
    window.LOG_YAZ(error ? L"Staging folder is not writable either; folder=" + folder + L"; error=" +
                               ErrorText(*error, L"")
                         : L"Files will be staged for a placing with approval; folder=" + folder);
  });
  if (error) return std::nullopt;
  return folder;
}

// The box: the folder, the error and what to do.
std::wstring FolderNotWritableText(const std::wstring& folder, const ErrorInfo& error) {
  return L"Program klasörüne yazılamıyor, güncelleme yapılamaz:\r\n" + folder + L"\r\n\r\n" +
         ErrorText(error, L"Hata ") +
         L"\r\n\r\nHiçbir program kapatılmadı. Bu pencereyi kapatıp güncelleyiciyi yönetici olarak "
         L"çalıştırın (sağ tıklayıp \"Yönetici olarak çalıştır\") ya da yazılım firmanıza danışın.";
}

// A run that could never write its files must not close the shop's program and lose its work.
// The folder the run stages in: "" for the program's own, none when neither takes files.
std::optional<std::wstring> FolderTakingFiles(const std::wstring& programFolder, StartButtonWindow& window,
                                              const FolderWriteCheck& checkFolder,
                                              const StagingFolderFor& stagingFolder) noexcept {
  std::optional<ErrorInfo> error = ErrorInfo{-1, L"The program folder could not be checked."};
  IgnoringFailure([&] { error = checkFolder(programFolder); });
  if (!error) return std::wstring();
  IgnoringFailure([&] {
    window.LOG_YAZ(L"Program folder is not writable; folder=" + programFolder + L"; error=" +
                   ErrorText(*error, L""));
  });
  if (std::optional<std::wstring> staging =
          StagingFolderTakingFiles(programFolder, window, checkFolder, stagingFolder))
    return staging;
  IgnoringFailure(
      [&] { ShowMessageBox(FolderNotWritableText(programFolder, *error), kProgramTitle, kBoxError); });
  return std::nullopt;
}

}  // namespace

std::wstring StartButtonPressed(const std::array<std::wstring, 5>& files, const std::wstring& programFolder,
                                StartButtonWindow& window, const FolderWriteCheck& checkFolder,
                                const StagingFolderFor& stagingFolder) noexcept {
  if (!NamesAreAllowed(files, window)) return {};
  std::optional<std::wstring> staging = FolderTakingFiles(programFolder, window, checkFolder, stagingFolder);
  if (!staging) return {};
  IgnoringFailure([&] { window.StartRunTimer(kRunDelayMs); });
  IgnoringFailure([&] { window.SetStartEnabled(false); });
  return std::move(*staging);
}

int NextProgressValue(int current) noexcept { return current < 100 ? current + 1 : 0; }
