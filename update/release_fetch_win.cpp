#include "update/release_fetch_win.h"

#include "trust/release_verify_win.h"
#include "update/body_reader.h"
#include "update/file_address.h"

namespace {

// One of the two release files, whole, or the reason why not.
std::string FetchReleaseFile(const std::wstring& url, const std::wstring& fileName,
                             const DownloadTimeouts& timeouts) {
  try {
    HttpRequest request(RequestAddress(url), timeouts);
    request.Send();
    if (std::optional<std::wstring> refused = StatusRefusal(request.Status(), request.StatusText())) {
      throw ReleaseRefused(fileName + L": " + *refused);
    }
    MemorySink body(kReleaseFileLimit);
    ReadBody(request, body);
    return std::move(body.bytes());
  } catch (const BodyTooLarge&) {
    throw ReleaseRefused(fileName + L": 1 MiB sınırını aşıyor.");
  } catch (const BodyCutShort& cut) {
    throw ReleaseRefused(fileName + L": yanıt " + std::to_wstring(cut.declared()) + L" baytın " +
                         std::to_wstring(cut.received()) + L" baytında kesildi.");
  } catch (const AppError& error) {
    throw ReleaseRefused(fileName + L": " + ErrorText(error.info()));
  }
}

}  // namespace

VerifiedRelease FetchVerifiedReleaseList(const std::wstring& listUrl, const std::wstring& signatureUrl,
                                         std::string_view publicKey, const DownloadTimeouts& timeouts) {
  const std::string list = FetchReleaseFile(listUrl, kReleaseListName, timeouts);
  const std::string signature = FetchReleaseFile(signatureUrl, kReleaseSignatureName, timeouts);
  return VerifyReleaseList(list, signature, publicKey);
}
