#include "update/downloader_win.h"

#include <windows.h>

#include <memory>

#include "platform/text.h"
#include "platform/win_error_win.h"
#include "update/file_address.h"
#include "update/file_name_rule.h"
#include "update/file_sink_win.h"
#include "update/mdl_fso_win.h"
#include "update/self_replace_win.h"

namespace {

constexpr wchar_t kStagePrepare[] = L"prepare download";
constexpr wchar_t kStageCheckTemporary[] = L"check temporary file";
constexpr wchar_t kStageCreateRequest[] = L"create WinHTTP request";
constexpr wchar_t kStageSend[] = L"send HTTP GET";
constexpr wchar_t kStageReadBody[] = L"read HTTP response body";
constexpr wchar_t kStageValidateExe[] = L"validate EXE signature";
constexpr wchar_t kStageCreateStream[] = L"create ADODB.Stream";
constexpr wchar_t kStageWriteTemporary[] = L"write response to temporary file";
constexpr wchar_t kStageVerifyDigest[] = L"verify file digest";
constexpr wchar_t kStageCopy[] = L"copy temporary file to destination";

constexpr wchar_t kTemporarySuffix[] = L".download";

// An expected failure with its fixed text, as opposed to an error raised by a step.
struct CheckFailed {
  std::wstring details;
};

bool EndsInExe(const std::wstring& path) {
  return AsciiUpper(path.substr(path.size() < 4 ? 0 : path.size() - 4)) == L".EXE";
}

class Download {
 public:
  Download(const std::wstring& url, const std::wstring& destination, Logger& log,
           const DownloadOptions& options, const std::optional<ListedFile>& digest)
      : url_(url), destination_(destination), log_(log), options_(options), digest_(digest) {}

  // The steps in order; throws AppError for a failing step and CheckFailed for a failed check.
  // bytes is set once the temporary file holds the whole body.
  void Run(int64_t& bytes) {
    stage_ = kStagePrepare;
    requestAddress_ = RequestAddress(url_);
    log_.LOG_YAZ(L"Download start; url=" + requestAddress_ + L"; destination=" + VisibleText(destination_));
    // Windows stores "x.exe." as "x.exe" and cuts "x.exe<NUL>.download" at the NUL: such a path
    // would dodge the ".exe" test or delete the very file it replaces. Nothing is asked or touched.
    if (std::optional<std::wstring> refused = DestinationNotStoredAsWritten(destination_)) {
      throw CheckFailed{*refused};
    }

    stage_ = kStageCheckTemporary;
    temporaryPath_ = destination_ + kTemporarySuffix;
    if (mdlFSO::FileExists(temporaryPath_)) mdlFSO::DeleteFileForced(temporaryPath_);

    stage_ = kStageCreateRequest;
    HttpRequest request(requestAddress_, options_.timeouts);

    stage_ = kStageSend;
    request.Send();
    const uint32_t status = request.Status();
    const std::wstring reason = request.StatusText();
    log_.LOG_YAZ(L"HTTP response; status=" + std::to_wstring(status) + L"; statusText=" + reason);
    if (std::optional<std::wstring> refused = StatusRefusal(status, reason)) throw CheckFailed{*refused};

    stage_ = kStageReadBody;
    temporary_ = std::make_unique<FileSink>(temporaryPath_, digest_.has_value(),
                                            [this] { Hold(DownloadPoint::kBodyChunkWritten); });
    const uint64_t count = ReadBody(request, *temporary_, options_.progress);
    log_.LOG_YAZ(L"HTTP body received; bytes=" + std::to_wstring(count));
    if (count < 2) throw CheckFailed{L"Sunucu boş veya eksik dosya döndürdü."};

    stage_ = kStageValidateExe;
    const auto& head = temporary_->head();
    if (EndsInExe(destination_) && (head[0] != 'M' || head[1] != 'Z')) {
      throw CheckFailed{L"Sunucu EXE yerine farklı içerik döndürdü (MZ başlığı yok)."};
    }

    // The body already streams into the temporary file; this stage has nothing left to create.
    stage_ = kStageCreateStream;

    stage_ = kStageWriteTemporary;
    bytes = temporary_->Close();
    log_.LOG_YAZ(L"Temporary file saved; path=" + temporaryPath_ + L"; bytes=" + std::to_wstring(bytes));

    if (digest_) {
      stage_ = kStageVerifyDigest;
      VerifyDigest(*digest_, *temporary_->digest());
    }
    Hold(DownloadPoint::kBeforeReplace);

    stage_ = kStageCopy;
    if (IsRunningUpdater(destination_)) {
      ReplaceRunningUpdater(temporaryPath_, destination_, log_, options_.seams.selfReplace);
    } else {
      mdlFSO::MoveFileOver(temporaryPath_, destination_);
    }
    log_.LOG_YAZ(L"Download complete; destination=" + destination_ + L"; bytes=" + std::to_wstring(bytes));
  }

  // A failure of the temporary file is reported under the writing stage, wherever it happens.
  std::wstring FailedWriting(const ErrorInfo& error) {
    stage_ = kStageWriteTemporary;
    return StageErrorText(stage_, error);
  }

  // The failure exit: log, then clean up ignoring every error.
  void Fail(const std::wstring& details) noexcept {
    IgnoringFailure([&] {
      log_.LOG_YAZ(L"Download failed; stage=" + stage_ + L"; url=" + requestAddress_ + L"; reason=" +
                   details);
    });
    if (temporary_) temporary_->Abandon();
    IgnoringFailure([&] {
      if (!temporaryPath_.empty() && mdlFSO::FileExists(temporaryPath_))
        mdlFSO::DeleteFileForced(temporaryPath_);
    });
  }

  const std::wstring& stage() const { return stage_; }

 private:
  // The file must be the one the vendor signed: listed, with the very same digest.
  void VerifyDigest(const ListedFile& listed, const Sha256Digest& digest) {
    if (listed.digest != digest) {
      // The heads of both digests tell the vendor which file arrived, without filling the box.
      throw CheckFailed{L"Dosyanın SHA-256 özeti imzalı sürüm listesindekiyle uyuşmuyor (liste: " +
                        DigestHex(listed.digest).substr(0, 16) + L"…, gelen: " +
                        DigestHex(digest).substr(0, 16) + L"…)."};
    }
    log_.LOG_YAZ(L"File digest verified; sha256=" + DigestHex(digest));
  }

  void Hold(DownloadPoint point) {
    if (options_.seams.reached) options_.seams.reached(point);
  }

  const std::wstring& url_;
  const std::wstring& destination_;
  Logger& log_;
  const DownloadOptions& options_;
  const std::optional<ListedFile>& digest_;
  std::wstring stage_;
  std::wstring requestAddress_;
  std::wstring temporaryPath_;
  std::unique_ptr<FileSink> temporary_;
};

}  // namespace

bool DOSYA_INDIR(const std::wstring& url, const std::wstring& destination, int64_t& bytes,
                 std::wstring& details, Logger& log, const DownloadOptions& options,
                 const std::optional<ListedFile>& digest) {
  Download download(url, destination, log, options, digest);
  std::wstring failure;
  try {
    download.Run(bytes);
    return true;
  } catch (const CheckFailed& check) {
    failure = check.details;
  } catch (const FileSinkError& error) {
    failure = download.FailedWriting(error.info());
  } catch (const AppError& error) {
    failure = StageErrorText(download.stage(), error.info());
  } catch (...) {
    // Only memory can run out here besides what the platform calls report.
    failure = StageErrorText(download.stage(), ErrorInfoFromCode(ERROR_NOT_ENOUGH_MEMORY));
  }
  details = failure;
  download.Fail(details);
  return false;
}
