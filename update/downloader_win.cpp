#include "update/downloader_win.h"

#include <windows.h>

#include <exception>
#include <memory>

#include "platform/scoped_win.h"
#include "platform/text.h"
#include "platform/win_error_win.h"
#include "update/background_sha256_win.h"
#include "update/file_address.h"
#include "update/file_name_rule.h"
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
constexpr DWORD kChunkSize = 256 * 1024;

// An expected failure with its fixed text, as opposed to an error raised by a step.
struct CheckFailed {
  std::wstring details;
};

// What the body loop learned: how much came, and how it began.
struct BodySummary {
  uint64_t count = 0;
  unsigned char head[2] = {0, 0};
  std::optional<Sha256Digest> digest;  // when the options ask for it
};

class Download {
 public:
  Download(const std::wstring& url, const std::wstring& destination, Logger& log,
           const DownloadOptions& options)
      : url_(url), destination_(destination), log_(log), options_(options) {}

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
    if (status < 200 || status >= 300) throw CheckFailed{L"HTTP " + std::to_wstring(status) + L" " + reason};

    stage_ = kStageReadBody;
    const BodySummary body = StreamBody(request);
    log_.LOG_YAZ(L"HTTP body received; bytes=" + std::to_wstring(body.count));
    if (body.count < 2) throw CheckFailed{L"Sunucu boş veya eksik dosya döndürdü."};

    stage_ = kStageValidateExe;
    if (AsciiUpper(destination_.substr(destination_.size() < 4 ? 0 : destination_.size() - 4)) == L".EXE" &&
        (body.head[0] != 'M' || body.head[1] != 'Z')) {
      throw CheckFailed{L"Sunucu EXE yerine farklı içerik döndürdü (MZ başlığı yok)."};
    }

    // The body already streams into the temporary file; this stage has nothing left to create.
    stage_ = kStageCreateStream;

    stage_ = kStageWriteTemporary;
    bytes = CloseTemporaryFile();
    log_.LOG_YAZ(L"Temporary file saved; path=" + temporaryPath_ + L"; bytes=" + std::to_wstring(bytes));

    if (options_.digestCheck) {
      stage_ = kStageVerifyDigest;
      VerifyDigest(*options_.digestCheck, *body.digest);
    }
    Hook(DownloadPoint::kBeforeReplace);

    stage_ = kStageCopy;
    if (IsRunningUpdater(destination_)) {
      ReplaceRunningUpdater(temporaryPath_, destination_, log_, options_.selfReplace);
    } else {
      mdlFSO::MoveFileOver(temporaryPath_, destination_);
    }
    log_.LOG_YAZ(L"Download complete; destination=" + destination_ + L"; bytes=" + std::to_wstring(bytes));
  }

  // The failure exit: log, then clean up ignoring every error.
  void Fail(const std::wstring& details) noexcept {
    try {
      log_.LOG_YAZ(L"Download failed; stage=" + stage_ + L"; url=" + requestAddress_ + L"; reason=" +
                   details);
    } catch (...) {
    }
    temporary_.reset();
    try {
      if (!temporaryPath_.empty() && mdlFSO::FileExists(temporaryPath_))
        mdlFSO::DeleteFileForced(temporaryPath_);
    } catch (...) {
    }
  }

  const std::wstring& stage() const { return stage_; }

 private:
  // Streams the body into the temporary file, so memory stays flat whatever the file's size,
  // and counts it: a body that ends short of its declared length is an error, not a file.
  BodySummary StreamBody(HttpRequest& request) {
    const std::optional<uint64_t> declared = request.DeclaredLength();
    OpenTemporaryFile();
    // While a piece is hashed on the hashing thread the next one arrives in the other buffer.
    const std::unique_ptr<unsigned char[]> buffers[2] = {
        std::make_unique<unsigned char[]>(kChunkSize),
        options_.digestCheck ? std::make_unique<unsigned char[]>(kChunkSize) : nullptr};
    std::optional<BackgroundSha256> hasher;  // after the buffers: it finishes with them before they go
    if (options_.digestCheck) hasher.emplace();
    BodySummary body;
    // Pieces gather in a buffer that goes to disk (and to the hashing thread) once full: few large
    // writes and hand-overs, however small the pieces that the network delivers.
    int turn = 0;
    uint32_t filled = 0;
    ReportBody(body.count, declared);
    while (const uint32_t got = request.Read(buffers[turn].get() + filled, kChunkSize - filled)) {
      for (uint32_t i = 0; i < got && body.count + i < 2; ++i)
        body.head[body.count + i] = buffers[turn][filled + i];
      body.count += got;
      filled += got;
      if (filled == kChunkSize) {
        StoreBuffer(buffers[turn].get(), filled, hasher);
        turn = hasher ? 1 - turn : 0;
        filled = 0;
      }
      ReportBody(body.count, declared);
    }
    StoreBuffer(buffers[turn].get(), filled, hasher);
    if (declared && body.count != *declared) {
      throw AppError(ERROR_WINHTTP_INVALID_SERVER_RESPONSE, L"The response body ended after " +
                                                                std::to_wstring(body.count) + L" of " +
                                                                std::to_wstring(*declared) + L" bytes.");
    }
    if (hasher) body.digest = hasher->Finish();
    return body;
  }

  // The file must be the one the vendor signed: listed, with the very same digest.
  void VerifyDigest(const DigestCheck& check, const Sha256Digest& digest) {
    if (!check.listed) throw CheckFailed{L"Dosya imzalı sürüm listesinde yok."};
    if (*check.listed != digest) {
      // The heads of both digests tell the vendor which file arrived, without filling the box.
      throw CheckFailed{L"Dosyanın SHA-256 özeti imzalı sürüm listesindekiyle uyuşmuyor (liste: " +
                        DigestHex(*check.listed).substr(0, 16) + L"…, gelen: " +
                        DigestHex(digest).substr(0, 16) + L"…)."};
    }
    log_.LOG_YAZ(L"File digest verified; sha256=" + DigestHex(digest));
  }

  void StoreBuffer(const unsigned char* data, uint32_t size, std::optional<BackgroundSha256>& hasher) {
    if (size == 0) return;
    WriteToTemporaryFile(data, size);
    if (hasher) hasher->Add(data, size);
    Hook(DownloadPoint::kBodyChunkWritten);
  }

  void OpenTemporaryFile() {
    const StageScope scope(stage_, kStageWriteTemporary);
    temporary_.reset(CreateFileW(temporaryPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!temporary_) ThrowLastError();
  }

  void WriteToTemporaryFile(const unsigned char* data, uint32_t size) {
    const StageScope scope(stage_, kStageWriteTemporary);
    DWORD written = 0;
    if (!WriteFile(temporary_.get(), data, size, &written, nullptr)) ThrowLastError();
    if (written != size) ThrowWin32Error(ERROR_WRITE_FAULT);
  }

  // Everything on disk before the rename, so the replaced file can never be a torn one.
  int64_t CloseTemporaryFile() {
    if (!FlushFileBuffers(temporary_.get())) ThrowLastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(temporary_.get(), &size)) ThrowLastError();
    const HANDLE file = temporary_.release();
    if (!CloseHandle(file)) ThrowLastError();
    return size.QuadPart;
  }

  void ReportBody(uint64_t received, const std::optional<uint64_t>& declared) {
    if (options_.bodyProgress) options_.bodyProgress(received, declared);
  }

  void Hook(DownloadPoint point) {
    if (options_.testHook) options_.testHook(point);
  }

  // Failures of the temporary file are reported under the writing stage, wherever they happen.
  class StageScope {
   public:
    StageScope(std::wstring& stage, const wchar_t* inner) : stage_(stage), outer_(stage) { stage_ = inner; }
    ~StageScope() {
      if (std::uncaught_exceptions() == 0) stage_ = outer_;
    }

   private:
    std::wstring& stage_;
    std::wstring outer_;
  };

  const std::wstring& url_;
  const std::wstring& destination_;
  Logger& log_;
  const DownloadOptions& options_;
  std::wstring stage_;
  std::wstring requestAddress_;
  std::wstring temporaryPath_;
  UniqueFile temporary_;
};

}  // namespace

bool DOSYA_INDIR(const std::wstring& url, const std::wstring& destination, int64_t& bytes,
                 std::wstring& details, Logger& log, const DownloadOptions& options) {
  Download download(url, destination, log, options);
  std::wstring failure;
  try {
    download.Run(bytes);
    return true;
  } catch (const CheckFailed& check) {
    failure = check.details;
  } catch (const AppError& error) {
    failure = L"Stage " + download.stage() + L" - Error " + std::to_wstring(error.number()) + L": " +
              error.description();
  } catch (...) {
    // Only memory can run out here besides what the platform calls report.
    const ErrorInfo error = ErrorInfoFromCode(ERROR_NOT_ENOUGH_MEMORY);
    failure = L"Stage " + download.stage() + L" - Error " + std::to_wstring(error.number) + L": " +
              error.description;
  }
  details = failure;
  download.Fail(details);
  return false;
}
