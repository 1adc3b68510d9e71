#include "update/release_fetch_win.h"

#include <windows.h>


#include "net/body_reader.h"
#include "net/file_address.h"
#include "net/retrying_fetch.h"
#include "net/watched_request_win.h"
#include "platform/text.h"
#include "platform/win_error_win.h"
#include "trust/release_verify_win.h"

namespace {

// The attempts at one release file: retried and watched like a download, logged only when they
// fail, and brought whole each time (the files are small).
class ReleaseFileFetch final : public WatchedFetchHost {
 public:
  ReleaseFileFetch(const std::wstring& url, Logger& log, const DownloadOptions& options)
      : WatchedFetchHost(url, {options.timeouts, options.stall, options.window, options.network, &log}),
        log_(log),
        options_(options) {}

  std::string Fetch() {
    MemorySink body(kReleaseFileLimit);
    FetchWithRetries(*this, body, options_.retry);
    return std::move(body.bytes());
  }

  void Retrying(const RetryNotice& notice) override {
    log_.LOG_YAZ(L"Release file retry; url=" + VisibleText(address()) + L"; attempt=" + std::to_wstring(notice.attempt) +
                 L"; reason=" + notice.reason + L"; waitMs=" + std::to_wstring(notice.waitMs));
    if (options_.window) options_.window->ShowRetry(notice);
  }
  void Progress(uint64_t, std::optional<uint64_t>) override {
    if (options_.window) options_.window->Pump();
  }
 private:
  Logger& log_;
  const DownloadOptions& options_;
};

// Why a release file could not be had: a refusal's own text, else the (last) attempt's failure,
// a body cut short told in Turkish.
std::wstring ReasonOf(const TransferFailure& failure) {
  if (!failure.shown().empty()) return failure.shown();
  if (const std::optional<BodyCutShort> cut = LastFailureAs<BodyCutShort>(failure)) {
    return L"yanıt " + std::to_wstring(cut->declared()) + L" baytın " + std::to_wstring(cut->received()) +
           L" baytında kesildi.";
  }
  return ErrorText(failure.info());
}

// One of the two release files, whole, or the reason why not. A cancel is refused too: the run
// tells it by the window's CancelRequested.
std::string FetchReleaseFile(const std::wstring& url, const std::wstring& fileName, Logger& log,
                             const DownloadOptions& options) {
  try {
    return ReleaseFileFetch(url, log, options).Fetch();
  } catch (...) {
    const TransferFailure failure = CurrentTransferFailure(ErrorInfoFromCode(ERROR_NOT_ENOUGH_MEMORY));
    throw ReleaseRefused(fileName + L": " + ReasonOf(failure));
  }
}

}  // namespace

VerifiedRelease FetchVerifiedReleaseList(const std::wstring& listUrl, const std::wstring& signatureUrl,
                                         std::string_view publicKey, Logger& log,
                                         const DownloadOptions& options) {
  const std::string list = FetchReleaseFile(listUrl, kReleaseListName, log, options);
  const std::string signature = FetchReleaseFile(signatureUrl, kReleaseSignatureName, log, options);
  return VerifyReleaseList(list, signature, publicKey);
}
