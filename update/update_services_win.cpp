#include "update/update_services_win.h"

#include <windows.h>

#include "install/elevated_placing_win.h"
#include "install/folder_files_win.h"
#include "install/form_decode_win.h"
#include "install/mdl_fso_win.h"
#include "install/placing_folder_win.h"
#include "install/updater_files.h"
#include "platform/path.h"
#include "platform/program_folder_win.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"
#include "process/mdl_task_win.h"
#include "process/start_as_user_win.h"
#include "trust/release_order.h"
#include "update/run_texts.h"

namespace {

void RemoveIfThere(const std::wstring& path) {
  if (mdlFSO::FileExists(path)) mdlFSO::DeleteFileForced(path);
}

// The fetched form at formPath decoded into destination's ".download" (a patch against the
// installed file) and checked against target; a failed result is deleted.
DownloadResult DecodeFetchedForm(const std::wstring& formPath, const std::wstring& destination,
                                 const std::wstring& installed, const FileForm& form,
                                 const ListedFile& target) {
  const std::wstring output = destination + kTemporarySuffix;
  DownloadResult result{false, 0, {}, {}};
  try {
    // A part of the plain file kept for a later press is overwritten here: its record goes first.
    RemoveIfThere(destination + kResumeRecordSuffix);
    const DecodedFile decoded =
        DecodeFormFile(formPath, form.kind == FileFormKind::kPatch ? installed : L"", output, target.size);
    if (!decoded.error.empty()) {
      result.details = L"decode: " + decoded.error;
    } else if (decoded.sha256 != target.digest) {
      result.details =
          L"result sha256=" + DigestHex(decoded.sha256) + L", listed " + DigestHex(target.digest);
    } else {
      result = DownloadResult{true, static_cast<int64_t>(target.size), {}, decoded.sha256};
    }
  } catch (const AppError& error) {
    result.details = L"decode: " + ErrorText(error.info());
  }
  if (!result.fetched) IgnoringFailure([&] { RemoveIfThere(output); });
  return result;
}

}  // namespace

void WindowsUpdateServices::RunStarting() {
  network_.emplace();
  // The release this folder kept before the run; one that cannot be read is none.
  std::optional<KeptRelease> kept;
  IgnoringFailure([&] {
    if (std::optional<std::string> text = ::ReadSmallFile(ProgramFolder() + L"\\" + kKeptReleaseName, 4096))
      kept = ParseKeptRelease(*text);
  });
  SetAgentRelease(kept ? kept->number : 0);
}

DownloadOptions WindowsUpdateServices::OptionsFor(TransferWindow& transfer) {
  if (!network_) network_.emplace();
  DownloadOptions options = options_;
  options.window = &transfer;
  options.network = &*network_;
  return options;
}

std::optional<VerifiedRelease> WindowsUpdateServices::VerifiedReleaseList(const std::wstring& listUrl,
                                                                          const std::wstring& signatureUrl,
                                                                          TransferWindow& window,
                                                                          Logger& log) {
  if (!releaseKey_) return std::nullopt;
  return FetchVerifiedReleaseList(listUrl, signatureUrl, *releaseKey_, log, OptionsFor(window));
}

DownloadResult WindowsUpdateServices::Download(const std::wstring& url, const std::wstring& destination,
                                               TransferWindow& window, Logger& log,
                                               const std::optional<ListedFile>& listed) {
  DownloadOptions options = OptionsFor(window);
  options.stageOnly = true;
  return DOSYA_INDIR(url, destination, log, options, listed);
}

DownloadResult WindowsUpdateServices::DownloadForm(const std::wstring& url, const std::wstring& destination,
                                                   const std::wstring& installed, TransferWindow& window,
                                                   Logger& log, const FileForm& form, const ListedFile& target) {
  const std::wstring formPath =
      destination + (form.kind == FileFormKind::kPatch ? kPatchFormSuffix : kCompressedFormSuffix);
  DownloadResult result = Download(url, formPath, window, log, form.listed);
  if (result.fetched)
    result = DecodeFetchedForm(formPath + kTemporarySuffix, destination, installed, form, target);
  // A form the user stopped stays for the next press to continue; any other is tried once.
  if (!result.fetched && window.CancelRequested()) return result;
  IgnoringFailure([&] { RemoveIfThere(formPath + kTemporarySuffix); });
  IgnoringFailure([&] { RemoveIfThere(formPath + kResumeRecordSuffix); });
  return result;
}

std::optional<Sha256Digest> WindowsUpdateServices::InstalledSha256(const std::wstring& path,
                                                                   TransferWindow& window, Logger& log) {
  try {
    return FileSha256(path, [&window] { window.Pump(); });
  } catch (const AppError& error) {
    log.LOG_YAZ(L"File could not be checked, fetching it; path=" + path + L"; error=" +
                ErrorText(error.info()));
    return std::nullopt;
  }
}

bool WindowsUpdateServices::FileIsCurrent(const std::wstring& path, const ListedFile& listed,
                                          TransferWindow& window, Logger& log) {
  try {
    return FileHasListedContent(path, listed, [&window] { window.Pump(); });
  } catch (const AppError& error) {
    log.LOG_YAZ(L"File could not be checked, fetching it; path=" + path + L"; error=" +
                ErrorText(error.info()));
    return false;
  }
}

// The kept release is two short lines; anything larger is no kept release.
std::optional<std::string> WindowsUpdateServices::ReadSmallFile(const std::wstring& path) {
  return ::ReadSmallFile(path, 4096);
}

void WindowsUpdateServices::WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
  ::WriteFileAtomically(path, bytes);
}

bool WindowsUpdateServices::FileExists(const std::wstring& path) { return mdlFSO::FileExists(path); }

std::optional<uint64_t> WindowsUpdateServices::FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    ThrowWin32Error(error);
  }
  return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

uint64_t WindowsUpdateServices::FreeBytes(const std::wstring& folder) {
  ULARGE_INTEGER available{};
  CheckBool(GetDiskFreeSpaceExW((folder + L"\\").c_str(), &available, nullptr, nullptr));
  return available.QuadPart;
}

void WindowsUpdateServices::PlaceFiles(const std::wstring& programFolder,
                                       const std::vector<StagedFile>& files, Logger& log) {
  WindowsPlacingFolder folder(programFolder, log);
  PlacingJournal journal;
  for (const StagedFile& file : files) {
    journal.push_back(PlacedFileFor(programFolder, file.name, file.size, file.sha256, folder.setAsideTag()));
  }
  ::PlaceFiles(journal, folder, log);
  // Placed files need no record of how a later press could take them.
  for (const StagedFile& file : files) {
    IgnoringFailure([&] { folder.Remove(file.name + kResumeRecordSuffix); });
  }
}

void WindowsUpdateServices::CloseRunningCopies(const std::wstring& name, const std::wstring& programFile) {
  if (terminateTask_) {
    terminateTask_(name, programFile);
  } else {
    TerminateTask(name, programFile);
  }
}

void WindowsUpdateServices::StartProgram(const std::wstring& path) {
  if (RunsElevated()) {
    // Started by an administrator, it would lose the user's mapped drives: never start it so.
    try {
      StartThroughDesktopShell(path, FolderOf(path));
    } catch (const AppError& error) {
      throw AppError(error.number(),
                     L"Güncelleyici yönetici olarak çalışıyor; program yönetici olarak "
                     L"başlatılmadı, masaüstünden kendiniz açın. " +
                         error.description());
    }
    return;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  // The program's own name is its only argument; it starts in its own folder.
  std::wstring commandLine = L"\"" + path + L"\"";
  const std::wstring folder = FolderOf(path);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    ThrowLastError();
  }
  // Started with our foreground right, it may take the focus; it is not waited for.
  AllowSetForegroundWindow(process.dwProcessId);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

PlacingCopyOutcome WindowsUpdateServices::RunPlacingCopy(const ElevatedPlacingRequest& request,
                                                         TransferWindow& window) {
  return ::RunPlacingCopy(GetActiveWindow(), ExecutablePath(), request, [&window] { window.Pump(); });
}

void WindowsUpdateServices::EndProcess() { ExitProcess(0); }

std::wstring WindowsUpdateServices::ThousandsSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8) == 0) ThrowLastError();
  return separator;
}
