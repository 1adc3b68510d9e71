#include "app/placing_copy_win.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <vector>

#include "install/folder_files_win.h"
#include "install/mdl_fso_win.h"
#include "install/placing_folder_win.h"
#include "install/updater_files.h"
#include "platform/path.h"
#include "platform/scoped_win.h"
#include "platform/text.h"
#include "platform/win_error_win.h"
#include "process/mdl_task_win.h"
#include "trust/cng_win.h"
#include "trust/release_order.h"
#include "trust/release_verify_win.h"
#include "update/run_texts.h"
#include "update/update_services_win.h"

namespace {

// Why the placing stops, as the exit code and a line for the log.
struct Refusal {
  ElevatedExit code;
  std::wstring reason;
};

class PlacingCopy {
 public:
  PlacingCopy(const ElevatedPlacingRequest& request, const std::optional<std::string>& releaseKey,
              Logger& log)
      : request_(request), releaseKey_(releaseKey), log_(log) {}

  // Checks and copies every file beside its target before anything is closed; then the placing
  // the user's own copy would have done.
  ElevatedExit Run() {
    const HandOver handOver = ReadHandOver();
    const std::vector<StagedFile> expected = ExpectedFiles(handOver);
    try {
      for (const StagedFile& file : expected) CopyChecked(file);
    } catch (const AppError& error) {
      throw Refusal{ElevatedExit::placingRolledBack, L"copy: " + ErrorText(error.info(), L"")};
    }
    CloseRunningCopies(handOver.slots);
    Place(expected);
    for (const StagedFile& file : expected) RemoveStaged(file.name);
    for (const wchar_t* name : {kHandOverName, kHandedListName, kHandedSignatureName}) RemoveStaged(name);
    return ElevatedExit::placed;
  }

  // The copies made beside the targets, and the folders made for them, after a refusal or an
  // undone placing.
  void RemoveCopies() noexcept {
    for (const std::wstring& copy : copies_) {
      IgnoringFailure([&] {
        if (mdlFSO::FileExists(copy)) mdlFSO::DeleteFileForced(copy);
      });
    }
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
      RemoveDirectoryW(folder->c_str());
  }

 private:
  std::wstring Staged(const std::wstring& name) const { return request_.stagedFolder + L"\\" + name; }
  std::wstring InProgram(const std::wstring& name) const { return request_.programFolder + L"\\" + name; }

  std::string ReadStaged(const wchar_t* name) {
    std::optional<std::string> bytes;
    try {
      bytes = ReadSmallFile(Staged(name), 1024 * 1024);
    } catch (const AppError& error) {
      throw Refusal{ElevatedExit::handOverUnreadable,
                    std::wstring(name) + L": " + ErrorText(error.info(), L"")};
    }
    if (!bytes) throw Refusal{ElevatedExit::handOverUnreadable, std::wstring(name) + L": missing"};
    return std::move(*bytes);
  }

  HandOver ReadHandOver() {
    std::optional<HandOver> handOver = ParseHandOver(ReadStaged(kHandOverName));
    if (!handOver) throw Refusal{ElevatedExit::handOverUnreadable, L"hand-over not in its form"};
    if (handOver->keyed != releaseKey_.has_value())
      throw Refusal{ElevatedExit::handOverUnreadable, L"hand-over and the built-in key disagree"};
    return std::move(*handOver);
  }

  // What each file must hold: with a key built in, what the list that key signed says, the list
  // no older than the one this folder kept; without one, the digests the user's copy computed.
  std::vector<StagedFile> ExpectedFiles(const HandOver& handOver) {
    std::vector<StagedFile> files;
    if (!releaseKey_) {
      for (const HandedFile& file : handOver.files) files.push_back({file.name, file.size, file.sha256});
      return files;
    }
    const VerifiedRelease verified = VerifiedList();
    for (const HandedFile& file : handOver.files) {
      const std::optional<ListedFile> listed = verified.list.Find(file.name);
      if (!listed)
        throw Refusal{ElevatedExit::stagedFileChanged, L"not in the signed list: " + VisibleText(file.name)};
      files.push_back({file.name, listed->size, listed->digest});
    }
    return files;
  }

  VerifiedRelease VerifiedList() {
    try {
      VerifiedRelease verified =
          VerifyReleaseList(ReadStaged(kHandedListName), ReadStaged(kHandedSignatureName), *releaseKey_);
      const std::optional<std::string> keptText = ReadSmallFile(InProgram(kKeptReleaseName), 4096);
      const std::optional<KeptRelease> kept = keptText ? ParseKeptRelease(*keptText) : KeptRelease{};
      if (!kept) throw ReleaseRefused(L"kept release unreadable");
      if (std::optional<std::wstring> refused = ReleaseOrderRefusal(verified, *kept))
        throw ReleaseRefused(*refused);
      const uint64_t number = *verified.list.release();
      // Kept before any file changes, as the user's copy would have kept it.
      if (number != kept->number || !kept->listSha256) {
        WriteFileAtomically(InProgram(kKeptReleaseName), KeptReleaseText(number, verified.listSha256));
        log_.LOG_YAZ(L"Kept release written; path=" + InProgram(kKeptReleaseName) + L"; release=" +
                     std::to_wstring(number) + L"; sha256=" + DigestHex(verified.listSha256));
      }
      return verified;
    } catch (const ReleaseRefused& refused) {
      throw Refusal{ElevatedExit::stagedFileChanged, L"signed list refused: " + refused.reason()};
    } catch (const AppError& error) {
      throw Refusal{ElevatedExit::handOverUnreadable, L"kept release: " + ErrorText(error.info(), L"")};
    }
  }

  // The staged file, opened so that nobody can write it meanwhile, copied through that handle to
  // NAME.download beside its target with write-through, its digest computed from the same bytes.
  void CopyChecked(const StagedFile& file) {
    const std::wstring source = Staged(file.name) + kTemporarySuffix;
    const UniqueFile in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) {
      const ErrorInfo error = LastErrorInfo();
      throw Refusal{ElevatedExit::stagedFileChanged, source + L": " + ErrorText(error, L"")};
    }
    const std::wstring target = InProgram(file.name) + kTemporarySuffix;
    CreateMissingFolders(FolderOf(target));
    copies_.push_back(target);
    const UniqueFile out(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!out) ThrowLastError();
    Sha256 digest;
    std::vector<char> buffer(256 * 1024);
    uint64_t total = 0;
    for (DWORD read = 0;; total += read) {
      CheckBool(ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr));
      if (read == 0 || total + read > file.size) break;
      digest.Add(buffer.data(), read);
      DWORD written = 0;
      CheckBool(WriteFile(out.get(), buffer.data(), read, &written, nullptr));
    }
    if (total != file.size || digest.Finish() != file.sha256)
      throw Refusal{ElevatedExit::stagedFileChanged,
                    L"changed after it was checked: " + VisibleText(file.name)};
    CheckBool(FlushFileBuffers(out.get()));
  }

  void CreateMissingFolders(const std::wstring& folder) {
    if (folder.empty() || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    CreateMissingFolders(FolderOf(folder));
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
      if (GetLastError() != ERROR_ALREADY_EXISTS) ThrowLastError();
      return;
    }
    folders_.push_back(folder);
  }

  void CloseRunningCopies(const std::vector<std::wstring>& slots) {
    std::array<std::wstring, 5> files;
    std::copy(slots.begin(), slots.end(), files.begin());
    for (const ProgramToClose& program : ProgramsToClose(files, request_.programFolder)) {
      if (!TerminateTaskAndLog(program.name, program.file, log_))
        throw Refusal{ElevatedExit::programsStillRunning, L"could not close " + VisibleText(program.name)};
    }
  }

  // A placing the user's copy could not finish or undo is dealt with first, as its start would.
  void Place(const std::vector<StagedFile>& files) {
    try {
      WindowsPlacingFolder folder(request_.programFolder, log_);
      RecoverInterruptedPlacing(folder, log_);
      WindowsUpdateServices({}, std::nullopt).PlaceFiles(request_.programFolder, files, log_);
    } catch (const PlacingFailed& failed) {
      throw Refusal{ElevatedExit::placingRolledBack,
                    VisibleText(failed.name) + L": " + ErrorText(failed.error, L"")};
    }
  }

  void RemoveStaged(const std::wstring& name) {
    IgnoringFailure([&] {
      for (const std::wstring& path :
           {Staged(name) + kTemporarySuffix, Staged(name) + kResumeRecordSuffix, Staged(name)})
        if (mdlFSO::FileExists(path)) mdlFSO::DeleteFileForced(path);
    });
  }

  const ElevatedPlacingRequest& request_;
  const std::optional<std::string>& releaseKey_;
  Logger& log_;
  std::vector<std::wstring> copies_;   // NAME.download files made in the program's folder
  std::vector<std::wstring> folders_;  // folders made there for them, outermost first
};

}  // namespace

ElevatedExit PlaceStagedFiles(const ElevatedPlacingRequest& request,
                              const std::optional<std::string>& releaseKey, Logger& log) noexcept {
  IgnoringFailure([&] {
    log.LOG_YAZ(L"Placing copy started; staged=" + request.stagedFolder + L"; folder=" +
                request.programFolder + L"; release=" + VisibleText(request.release));
  });
  PlacingCopy copy(request, releaseKey, log);
  Refusal refusal{ElevatedExit::placingRolledBack, L""};
  try {
    const ElevatedExit placed = copy.Run();
    IgnoringFailure([&] { log.LOG_YAZ(L"Placing copy ended; exitCode=0"); });
    return placed;
  } catch (const Refusal& refused) {
    refusal = refused;
    copy.RemoveCopies();
  } catch (...) {
    // The placing could not even be undone: its journal and copies stay for the next start.
    refusal.reason = ErrorText(CurrentErrorInfo(), L"");
  }
  IgnoringFailure([&] {
    log.LOG_YAZ(L"Placing copy refused; exitCode=" + std::to_wstring(static_cast<uint32_t>(refusal.code)) +
                L"; reason=" + refusal.reason);
  });
  return refusal.code;
}
