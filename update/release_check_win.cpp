#include "update/release_check_win.h"

#include <memory>

#include "platform/invariant_case_win.h"
#include "platform/win_error_win.h"
#include "update/cng_win.h"
#include "update/ecdsa_signature.h"
#include "update/file_address.h"
#include "update/release_key_id.h"

namespace {

constexpr uint32_t kPieceSize = 64 * 1024;

std::wstring TooLarge(const std::wstring& fileName) { return fileName + L": 1 MiB sınırını aşıyor."; }

std::string ReadWholeBody(HttpRequest& request, const std::wstring& fileName) {
  const std::optional<uint64_t> declared = request.DeclaredLength();
  if (declared && *declared > kReleaseFileLimit) throw ReleaseRefused(TooLarge(fileName));
  std::string body;
  const std::unique_ptr<char[]> piece(new char[kPieceSize]);
  while (const uint32_t got = request.Read(piece.get(), kPieceSize)) {
    if (body.size() + got > kReleaseFileLimit) throw ReleaseRefused(TooLarge(fileName));
    body.append(piece.get(), got);
  }
  if (declared && body.size() != *declared) {
    throw ReleaseRefused(fileName + L": yanıt " + std::to_wstring(*declared) + L" baytın " +
                         std::to_wstring(body.size()) + L" baytında kesildi.");
  }
  return body;
}

// One of the two release files, whole, or the reason why not.
std::string FetchReleaseFile(const std::wstring& url, const std::wstring& fileName,
                             const DownloadTimeouts& timeouts) {
  try {
    HttpRequest request(RequestAddress(url), timeouts);
    request.Send();
    const uint32_t status = request.Status();
    if (status < 200 || status >= 300) {
      throw ReleaseRefused(fileName + L": HTTP " + std::to_wstring(status) + L" " + request.StatusText());
    }
    return ReadWholeBody(request, fileName);
  } catch (const AppError& error) {
    throw ReleaseRefused(fileName + L": Error " + std::to_wstring(error.number()) + L": " +
                         error.description());
  }
}

}  // namespace

std::optional<std::string> ReleaseKeyFromResources() {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_RELEASE_KEY), RT_RCDATA);
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  // A key that cannot be read is kept as an empty one: it verifies nothing, so every release is
  // refused, rather than none being checked.
  if (!data) return std::string();
  return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

ReleaseList FetchVerifiedReleaseList(const std::wstring& listUrl, const std::wstring& signatureUrl,
                                     std::string_view publicKey, const DownloadTimeouts& timeouts) {
  const std::string list = FetchReleaseFile(listUrl, kReleaseListName, timeouts);
  const std::string signature = FetchReleaseFile(signatureUrl, kReleaseSignatureName, timeouts);
  const EcdsaP256Signature raw = EcdsaP256FromDer(signature);
  bool valid = false;
  try {
    valid = VerifyEcdsaP256(publicKey, list, raw);
  } catch (const AppError& error) {
    throw ReleaseRefused(L"İmza denetlenemedi: Error " + std::to_wstring(error.number()) + L": " +
                         error.description());
  }
  if (!valid) {
    throw ReleaseRefused(L"İmza geçersiz: SHA256SUMS değiştirilmiş ya da başka bir anahtarla imzalanmış.");
  }
  return ReleaseList::Parse(list, WindowsFileNameKey);
}

std::wstring WindowsFileNameKey(std::wstring_view name) {
  std::wstring key(name);
  for (wchar_t& c : key) {
    if (c == L'/') c = L'\\';
  }
  // The invariant upper case, as the file system folds names, whatever the user's locale.
  return InvariantUpper(key);
}
