#include "trust/release_verify_win.h"

#include "platform/error.h"
#include "platform/invariant_case_win.h"
#include "trust/cng_win.h"
#include "trust/ecdsa_signature.h"

VerifiedRelease VerifyReleaseList(std::string_view listBytes, std::string_view signatureBytes,
                                  std::string_view publicKey) {
  const EcdsaP256Signature signature = EcdsaP256FromDer(signatureBytes);
  bool valid = false;
  Sha256Digest listSha256{};
  try {
    valid = VerifyEcdsaP256(publicKey, listBytes, signature);
    listSha256 = Sha256Of(listBytes);
  } catch (const AppError& error) {
    throw ReleaseRefused(L"İmza denetlenemedi: " + ErrorText(error.info()));
  }
  if (!valid) {
    throw ReleaseRefused(L"İmza geçersiz: SHA256SUMS değiştirilmiş ya da başka bir anahtarla imzalanmış.");
  }
  return VerifiedRelease{ReleaseList::Parse(listBytes, WindowsFileNameKey), listSha256, std::string(listBytes),
                         std::string(signatureBytes)};
}
