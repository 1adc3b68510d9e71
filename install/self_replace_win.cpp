#include "install/self_replace_win.h"

#include <windows.h>

#include <optional>
#include <utility>

#include "install/mdl_fso_win.h"
#include "install/set_aside_name.h"
#include "install/sharing_retry.h"
#include "install/updater_files.h"
#include "platform/file_identity_win.h"
#include "platform/path.h"
#include "platform/program_folder_win.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"

namespace {

constexpr DWORD kRename = MOVEFILE_WRITE_THROUGH;
constexpr DWORD kRenameOver = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

uint32_t Rename(const std::wstring& from, const std::wstring& to, DWORD flags) {
  return MoveFileExW(from.c_str(), to.c_str(), flags) ? 0 : GetLastError();
}

// What one attempt at the two renames came to; 0 where a step succeeded or was not reached.
struct Swap {
  uint32_t setAsideError = 0;
  uint32_t placeError = 0;
  uint32_t putBackError = 0;
  bool placedLate = false;  // the new file took the name while the old one could not go back
};

// The old file leaves and the new one arrives with nothing in between: no log line, no check.
// A failed arrival is undone at once, so the folder always keeps an updater that runs.
Swap SwapOnce(const std::wstring& newFile, const std::wstring& destination, const std::wstring& setAside,
              const SelfReplaceSeams& seams) {
  Swap swap;
  swap.setAsideError = Rename(destination, setAside, kRename);
  if (swap.setAsideError != 0) return swap;
  swap.placeError = seams.placeFault ? seams.placeFault() : 0;
  if (swap.placeError == 0) swap.placeError = Rename(newFile, destination, kRenameOver);
  if (swap.placeError == 0) return swap;
  // Whichever whole updater can take the name first does: the new one is tried again before any
  // pause, so the name stays empty over a pause only while both files are held.
  swap.putBackError = RetryOnSharingViolation(
      [&] {
        const uint32_t fault = seams.putBackFault ? seams.putBackFault() : 0;
        const uint32_t back = fault != 0 ? fault : Rename(setAside, destination, kRenameOver);
        if (back == 0) return back;
        const uint32_t placeFault = seams.placeFault ? seams.placeFault() : 0;
        swap.placedLate = (placeFault != 0 ? placeFault : Rename(newFile, destination, kRenameOver)) == 0;
        return swap.placedLate ? 0 : back;
      },
      [](unsigned ms) { Sleep(ms); });
  return swap;
}

void LogSwap(Logger& log, const Swap& swap, const std::wstring& destination, const std::wstring& setAside) {
  const std::wstring where = L"; path=" + destination + L"; setAside=" + setAside;
  if (swap.setAsideError != 0) {
    log.LOG_YAZ(L"Running updater could not be set aside" + where + L"; error=" +
                std::to_wstring(swap.setAsideError));
    return;
  }
  log.LOG_YAZ(L"Running updater set aside" + where);
  if (swap.placeError == 0) {
    log.LOG_YAZ(L"New updater moved into place; path=" + destination);
    return;
  }
  log.LOG_YAZ(L"New updater could not be moved into place; path=" + destination + L"; error=" +
              std::to_wstring(swap.placeError));
  if (swap.placedLate) {
    log.LOG_YAZ(L"New updater moved into place after all; path=" + destination + L"; setAside=" + setAside);
  } else if (swap.putBackError == 0) {
    log.LOG_YAZ(L"Running updater put back" + where);
  } else {
    log.LOG_YAZ(L"Running updater could not be put back" + where + L"; error=" +
                std::to_wstring(swap.putBackError));
  }
}

bool IsSharingViolation(uint32_t error) {
  return error == kErrorSharingViolation || error == kErrorLockViolation;
}

// Neither file is under the updater's name: the verified new one, the only whole updater left
// in place of the old, goes there if it still can, and otherwise stays where it is, said so.
void KeepAWholeUpdater(const std::wstring& newFile, const std::wstring& destination,
                       const std::wstring& setAside, uint32_t error, Logger& log,
                       const SelfReplaceSeams& seams) {
  const uint32_t fault = seams.placeFault ? seams.placeFault() : 0;
  const uint32_t placed = fault != 0 ? fault : Rename(newFile, destination, kRenameOver);
  if (placed == 0) {
    log.LOG_YAZ(L"New updater moved into place after all; path=" + destination + L"; setAside=" + setAside);
    return;
  }
  log.LOG_YAZ(L"New updater kept under its temporary name; path=" + newFile + L"; setAside=" + setAside +
              L"; error=" + std::to_wstring(placed));
  ErrorInfo info = ErrorInfoFromCode(error);
  info.description += L" Güncelleyici yerine konamadı: yenisi \"" + newFile + L"\", eskisi \"" + setAside +
                      L"\" adıyla duruyor. Birini \"" + FileNameOf(destination) +
                      L"\" adıyla yeniden adlandırın ya da yazılım firmanıza danışın.";
  throw TransferFailure(TransferEnd::kUpdaterKeptAside, std::move(info));
}

}  // namespace

std::wstring NewSetAsideTag() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return SetAsideTag(GetCurrentProcessId(),
                     (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

bool IsRunningUpdater(const std::wstring& path) {
  // Once this process has set its file aside, its start path names the new file.
  static const std::optional<FileIdentity> running = IdentityOf(ExecutablePath());
  return running && IdentityOf(path) == running;
}

void ReplaceRunningUpdater(const std::wstring& newFile, const std::wstring& destination, Logger& log,
                           const SelfReplaceSeams& seams) {
  const std::wstring setAside =
      FolderOf(destination) + L"\\" +
      SetAsideName(FileNameOf(destination), seams.setAsideTag.empty() ? NewSetAsideTag() : seams.setAsideTag);
  log.LOG_YAZ(L"Replacing the running updater; path=" + destination + L"; setAside=" + setAside);
  // A virus scanner that holds either file briefly is waited out with the old file in place.
  const RetryPlan plan;
  Swap swap;
  uint32_t error = 0;
  for (int attempt = 1;; ++attempt) {
    swap = SwapOnce(newFile, destination, setAside, seams);
    LogSwap(log, swap, destination, setAside);
    if (swap.placedLate) return;
    error = swap.setAsideError != 0 ? swap.setAsideError : swap.placeError;
    if (error == 0) return;
    if (swap.putBackError != 0 || !IsSharingViolation(error) || attempt >= plan.attempts) break;
    Sleep(plan.pauseMs);
  }
  if (swap.putBackError != 0) {
    KeepAWholeUpdater(newFile, destination, setAside, error, log, seams);
    return;
  }
  throw AppError(ErrorInfoFromCode(error));
}

bool PlaceKeptUpdater(const std::wstring& newFile, const std::wstring& destination, Logger& log) {
  if (GetFileAttributesW(destination.c_str()) != INVALID_FILE_ATTRIBUTES || !mdlFSO::FileExists(newFile)) {
    return false;
  }
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = destination + L".*" + kSetAsideSuffix;
  UniqueFind search(FindFirstFileW(pattern.c_str(), &found));
  if (!search || !IsSetAsideName(found.cFileName)) return false;
  const uint32_t error = Rename(newFile, destination, kRenameOver);
  if (error == 0) {
    log.LOG_YAZ(L"Kept new updater moved into place; path=" + destination + L"; from=" + newFile);
    return true;
  }
  log.LOG_YAZ(L"Kept new updater could not be moved into place; path=" + destination + L"; from=" + newFile +
              L"; error=" + std::to_wstring(error));
  ErrorInfo info = ErrorInfoFromCode(error);
  info.description += L" Güncelleyici yerine konamadı: yenisi \"" + newFile + L"\" adıyla duruyor. Onu \"" +
                      FileNameOf(destination) +
                      L"\" adıyla yeniden adlandırın ya da yazılım firmanıza danışın.";
  throw TransferFailure(TransferEnd::kUpdaterKeptAside, std::move(info));
}

void RemoveSetAsideFiles(const std::wstring& folder) noexcept {
  IgnoringFailure([&] {
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = folder + L"\\*" + kUpdaterFileMark + L"*";
    UniqueFind search(FindFirstFileW(pattern.c_str(), &found));
    if (!search) return;
    do {
      // The pattern also meets short names; only the long name decides.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsClearedAtStart(found.cFileName)) continue;
      IgnoringFailure([&] { mdlFSO::DeleteFileForced(folder + L"\\" + found.cFileName); });
    } while (FindNextFileW(search.get(), &found));
  });
}
