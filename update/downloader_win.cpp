#include "update/downloader_win.h"

#include <windows.h>

#include <memory>

#include "install/file_name_rule.h"
#include "install/file_sink_win.h"
#include "install/folder_files_win.h"
#include "install/mdl_fso_win.h"
#include "install/self_replace_win.h"
#include "install/updater_files.h"
#include "net/file_address.h"
#include "net/resume_record.h"
#include "net/retrying_fetch.h"
#include "net/watched_request_win.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/win_error_win.h"
#include "platform/worker_win.h"

namespace {

constexpr wchar_t kStagePrepare[] = L"prepare download";
constexpr wchar_t kStageCheckTemporary[] = L"check temporary file";
constexpr wchar_t kStageCreateRequest[] = L"create WinHTTP request";
constexpr wchar_t kStageSend[] = L"send HTTP GET";
constexpr wchar_t kStageReadBody[] = L"read HTTP response body";
constexpr wchar_t kStageValidateExe[] = L"validate EXE signature";
constexpr wchar_t kStageCreateStream[] = L"create ADODB.Stream";
constexpr wchar_t kStageVerifyDigest[] = L"verify file digest";
constexpr wchar_t kStageCopy[] = L"copy temporary file to destination";

// How often the window is served while a kept part is hashed.
constexpr uint64_t kHashTickMs = 20;

// An expected failure with its fixed text, as opposed to an error raised by a step.
[[noreturn]] void CheckFailed(std::wstring details) {
  throw TransferFailure::Shown(TransferEnd::kRefused, std::move(details));
}

bool EndsInExe(const std::wstring& path) {
  return AsciiUpper(path.substr(path.size() < 4 ? 0 : path.size() - 4)) == L".EXE";
}

// What a failed download leaves beside the destination.
enum class Leftover {
  kNothing,
  kPart,        // a passing failure: what arrived, for the next press to continue
  kTheUpdater,  // the verified new updater, which could not take the old one's name
};

Leftover LeftoverOf(TransferEnd end) {
  switch (end) {
    case TransferEnd::kPassing:
    case TransferEnd::kCancelled:
      return Leftover::kPart;
    case TransferEnd::kUpdaterKeptAside:
      return Leftover::kTheUpdater;
    default:
      return Leftover::kNothing;
  }
}

class Download final : public WatchedFetchHost {
 public:
  Download(const std::wstring& url, const std::wstring& destination, Logger& log,
           const DownloadOptions& options, const std::optional<ListedFile>& listed)
      : WatchedFetchHost(url, {options.timeouts, options.stall, options.window, options.network, &log}),
        destination_(destination),
        log_(log),
        options_(options),
        listed_(listed),
        shownAddress_(VisibleText(address())) {}

  // The steps in order: the file's size once it is in place. Throws a TransferFailure for a
  // failed check and what the attempts throw, AppError for a failing step.
  DownloadResult Run() {
    Prepare();
    const int64_t bytes = Check(Fetch());
    if (options_.stageOnly) {
      Stage();
      log_.LOG_YAZ(L"Download staged; path=" + temporaryPath_ + L"; bytes=" + std::to_wstring(bytes) +
                   L"; sha256=" + DigestHex(temporary_->Digest()));
    } else {
      Place();
      log_.LOG_YAZ(L"Download complete; destination=" + destination_ + L"; bytes=" + std::to_wstring(bytes));
    }
    return DownloadResult{true, bytes, {}, temporary_->Digest()};
  }

  // The failure exit: log, then clean up ignoring every error. A part that a later press can
  // continue (a passing failure, from a response that told how) stays, on the disk first and its
  // record after; anything else goes, but for a new updater that is the folder's only whole one.
  std::wstring Fail(const TransferFailure& failure) noexcept {
    // A failure of the temporary file is reported under the writing stage, wherever it happens.
    if (!failure.stage().empty()) stage_ = failure.stage();
    std::wstring details;
    IgnoringFailure([&] { details = failure.Details(stage_); });
    IgnoringFailure([&] {
      log_.LOG_YAZ(L"Download failed; stage=" + stage_ + L"; url=" + shownAddress_ + L"; reason=" + details);
    });
    CleanUp(LeftoverOf(failure.end()));
    return details;
  }

 private:
  void Prepare() {
    stage_ = kStagePrepare;
    log_.LOG_YAZ(L"Download start; url=" + shownAddress_ + L"; destination=" + VisibleText(destination_));
    // Windows stores "x.exe." as "x.exe" and cuts "x.exe<NUL>.download" at the NUL: such a path
    // would dodge the ".exe" test or delete the very file it replaces. Nothing is asked or touched.
    if (std::optional<std::wstring> refused = DestinationNotStoredAsWritten(destination_)) {
      CheckFailed(*refused);
    }
  }

  // The part an earlier press kept, continued when it can be, into the temporary file.
  uint64_t Fetch() {
    stage_ = kStageCheckTemporary;
    CreateMissingFolders(FolderOf(destination_));
    temporaryPath_ = destination_ + kTemporarySuffix;
    recordPath_ = destination_ + kResumeRecordSuffix;
    const std::optional<ResumePoint> kept = KeptPart();
    resumePoint_ = kept;

    temporary_ = std::make_unique<FileSink>(temporaryPath_, listed_, kept ? keptBytes_ : 0,
                                            [this] { Hold(DownloadPoint::kBodyChunkWritten); });
    if (kept) HashKeptPart();
    const uint64_t count = FetchWithRetries(*this, *temporary_, options_.retry, kept);
    log_.LOG_YAZ(L"HTTP body received; bytes=" + std::to_wstring(count));
    return count;
  }

  // The whole body checked and saved: its size.
  int64_t Check(uint64_t count) {
    if (count < 2) CheckFailed(L"Sunucu boş veya eksik dosya döndürdü.");

    stage_ = kStageValidateExe;
    const auto& head = temporary_->head();
    if (EndsInExe(destination_) && (head[0] != 'M' || head[1] != 'Z')) {
      CheckFailed(L"Sunucu EXE yerine farklı içerik döndürdü (MZ başlığı yok).");
    }

    // The body already streams into the temporary file; this stage has nothing left to create.
    stage_ = kStageCreateStream;

    stage_ = kStageWriteTemporary;
    const int64_t bytes = temporary_->Close();
    log_.LOG_YAZ(L"Temporary file saved; path=" + temporaryPath_ + L"; bytes=" + std::to_wstring(bytes));

    if (listed_) {
      stage_ = kStageVerifyDigest;
      log_.LOG_YAZ(L"File digest verified; sha256=" + DigestHex(temporary_->VerifiedDigest()));
    }
    Hold(DownloadPoint::kBeforeReplace);
    return bytes;
  }

  // The checked file waits beside its destination for the run to place it. Its record, when the
  // server gave a validator, lets a later press take it after asking for one byte.
  void Stage() {
    if (resumePoint_) IgnoringFailure([&] { WriteResumeRecord(*resumePoint_); });
  }

  // The file in place, the running updater's own by its own steps; no record left behind.
  void Place() {
    stage_ = kStageCopy;
    if (IsRunningUpdater(destination_)) {
      ReplaceRunningUpdater(temporaryPath_, destination_, log_, options_.seams.selfReplace);
    } else {
      mdlFSO::MoveFileOver(temporaryPath_, destination_);
    }
    // A file in place needs no record of how to continue it.
    IgnoringFailure([&] { RemoveIfThere(recordPath_); });
  }

  void CleanUp(Leftover leftover) noexcept {
    if (temporaryPath_.empty() || leftover == Leftover::kTheUpdater) return;
    bool keep = false;
    uint64_t kept = 0;
    if (temporary_) {
      if (leftover == Leftover::kPart && resumePoint_) {
        IgnoringFailure([&] {
          kept = temporary_->KeepForLaterRun();
          WriteResumeRecord(*resumePoint_);
          keep = true;
        });
      }
      temporary_->Abandon();
    }
    if (keep) {
      IgnoringFailure([&] {
        log_.LOG_YAZ(L"Download part kept; path=" + temporaryPath_ + L"; bytes=" + std::to_wstring(kept));
      });
      return;
    }
    IgnoringFailure([&] { RemoveIfThere(temporaryPath_); });
    IgnoringFailure([&] { RemoveIfThere(recordPath_); });
  }

  // --- What the attempts need of the download.
  void Step(FetchStep step) override {
    stage_ = step == FetchStep::kCreateRequest ? kStageCreateRequest
             : step == FetchStep::kSend        ? kStageSend
                                               : kStageReadBody;
  }

  void Response(const ResponseHead& head) override {
    log_.LOG_YAZ(L"HTTP response; status=" + std::to_wstring(head.status) + L"; statusText=" + head.reason);
  }

  // Kept in memory: the record is written only when the part is kept (Fail).
  void Resumable(const std::optional<ResumePoint>& point) override { resumePoint_ = point; }

  void Retrying(const RetryNotice& notice) override {
    log_.LOG_YAZ(L"Download retry; attempt=" + std::to_wstring(notice.attempt) + L"; reason=" +
                 notice.reason + L"; resumeFrom=" + std::to_wstring(notice.resumeFrom) + L"; waitMs=" +
                 std::to_wstring(notice.waitMs));
    if (options_.window) options_.window->ShowRetry(notice);
  }

  void Progress(uint64_t received, std::optional<uint64_t> total) override {
    if (!options_.window) return;
    options_.window->ShowProgress(received, total);
    // The watched request pumps only while no piece comes; after a piece the window's turn is here.
    options_.window->Pump();
  }

 private:
  // A part an earlier run left, with the record of how to continue it; without a record for
  // this very address it goes, as any stale temporary file does. The record is taken off the
  // disk while this run changes the part: were the power cut meanwhile, what the disk then shows
  // of the part could end in bytes never written.
  std::optional<ResumePoint> KeptPart() {
    WIN32_FILE_ATTRIBUTE_DATA part{};
    const bool found = GetFileAttributesExW(temporaryPath_.c_str(), GetFileExInfoStandard, &part) &&
                       !(part.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    std::optional<ResumePoint> point;
    if (found && !(part.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) point = ReadResumeRecord();
    if (!point) {
      // A new updater kept under this name is the folder's only whole one: it goes in place, never away.
      PlaceKeptUpdater(temporaryPath_, destination_, log_);
      if (mdlFSO::FileExists(temporaryPath_)) mdlFSO::DeleteFileForced(temporaryPath_);
      RemoveIfThere(recordPath_);
      return std::nullopt;
    }
    keptBytes_ = (uint64_t{part.nFileSizeHigh} << 32) | part.nFileSizeLow;
    log_.LOG_YAZ(L"Download part found; path=" + temporaryPath_ + L"; bytes=" + std::to_wstring(keptBytes_));
    // Longer than the signed list's size, no response can end it as that file.
    if (listed_ && keptBytes_ > listed_->size) {
      log_.LOG_YAZ(L"Download part longer than listed, deleted; path=" + temporaryPath_ + L"; listedBytes=" +
                   std::to_wstring(listed_->size));
      mdlFSO::DeleteFileForced(temporaryPath_);
      RemoveIfThere(recordPath_);
      keptBytes_ = 0;
      return std::nullopt;
    }
    RemoveIfThere(recordPath_);
    // A whole part (an earlier press fetched it, then another file failed) asks for its last byte
    // again: If-Range then tells whether the server still has that very file.
    if (keptBytes_ > 0 && keptBytes_ == point->total) --keptBytes_;
    return point;
  }

  // A large kept part is hashed before the first request, on a thread of its own while the window
  // answers: the window never freezes, and no stall clock runs yet.
  void HashKeptPart() {
    Worker worker;
    worker.Start([sink = temporary_.get()] { sink->HashKeptPart(); });
    // The window is served at least once, however quickly the part is done; after a cancel the
    // hash is still waited for, as it reads the sink.
    bool cancelled = false;
    for (bool ended = false; !ended;) {
      cancelled = cancelled || !WaitWatched(kHashTickMs, options_.window);
      ended = worker.Wait(cancelled ? INFINITE : 0);
    }
    if (const std::exception_ptr failure = worker.failure()) std::rethrow_exception(failure);
    if (cancelled) throw TransferFailure::Cancelled();
  }

  // A record that cannot be read is none: the part then starts over.
  std::optional<ResumePoint> ReadResumeRecord() {
    std::optional<std::string> text;
    IgnoringFailure([&] { text = ReadSmallFile(recordPath_, 4096); });
    return text ? ParseResumeRecord(*text, address()) : std::nullopt;
  }

  // Whenever the process dies the record is whole or not there.
  void WriteResumeRecord(const ResumePoint& point) {
    WriteFileAtomically(recordPath_, ResumeRecordText(address(), point));
  }

  // A release may bring a file in a subfolder the shop does not have yet. The name rule keeps
  // every name inside the program's folder, so only folders below it are ever made here.
  void CreateMissingFolders(const std::wstring& folder) {
    if (folder.empty() || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    CreateMissingFolders(FolderOf(folder));
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      ThrowLastError();
    log_.LOG_YAZ(L"Folder created; path=" + folder);
  }

  static void RemoveIfThere(const std::wstring& path) {
    if (mdlFSO::FileExists(path)) mdlFSO::DeleteFileForced(path);
  }

  void Hold(DownloadPoint point) {
    if (options_.seams.reached) options_.seams.reached(point);
  }

  const std::wstring& destination_;
  Logger& log_;
  const DownloadOptions& options_;
  const std::optional<ListedFile>& listed_;
  std::wstring stage_;
  std::wstring shownAddress_;  // from the database: escaped in the log, as the destination is
  std::wstring temporaryPath_;
  std::wstring recordPath_;
  std::optional<ResumePoint> resumePoint_;  // how the part could be continued, as the last response told
  uint64_t keptBytes_ = 0;
  std::unique_ptr<FileSink> temporary_;
};

}  // namespace

DownloadResult DOSYA_INDIR(const std::wstring& url, const std::wstring& destination, Logger& log,
                           const DownloadOptions& options, const std::optional<ListedFile>& listed) {
  Download download(url, destination, log, options, listed);
  try {
    return download.Run();
  } catch (...) {
    // Only memory can run out here besides what the platform calls and the transfer report.
    const TransferFailure failure = CurrentTransferFailure(ErrorInfoFromCode(ERROR_NOT_ENOUGH_MEMORY));
    return DownloadResult{false, 0, download.Fail(failure), {}};
  }
}
