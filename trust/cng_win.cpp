#include "trust/cng_win.h"

#include <string>

#include "platform/win_error_win.h"

namespace {

constexpr NTSTATUS kStatusInvalidSignature = static_cast<NTSTATUS>(0xC000A000);
constexpr size_t kCoordinateSize = 32;

UniqueAlgorithm OpenAlgorithm(const wchar_t* name) {
  UniqueAlgorithm algorithm;
  CheckNtStatus(BCryptOpenAlgorithmProvider(algorithm.put(), name, nullptr, 0));
  return algorithm;
}

}  // namespace

Sha256::Sha256() : algorithm_(OpenAlgorithm(BCRYPT_SHA256_ALGORITHM)) {
  DWORD objectSize = 0;
  ULONG got = 0;
  CheckNtStatus(BCryptGetProperty(algorithm_.get(), BCRYPT_OBJECT_LENGTH,
                                  reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize, &got, 0));
  object_.resize(objectSize);
  CheckNtStatus(BCryptCreateHash(algorithm_.get(), hash_.put(), object_.data(), objectSize, nullptr, 0, 0));
}

void Sha256::Add(const void* data, size_t size) {
  // CNG takes at most 4 GiB a call; the pieces fed here are far smaller.
  CheckNtStatus(
      BCryptHashData(hash_.get(), static_cast<PUCHAR>(const_cast<void*>(data)), static_cast<ULONG>(size), 0));
}

Sha256Digest Sha256::Finish() {
  Sha256Digest digest{};
  CheckNtStatus(BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
  return digest;
}

Sha256Digest Sha256Of(std::string_view data) {
  Sha256 hash;
  hash.Add(data.data(), data.size());
  return hash.Finish();
}

bool VerifyEcdsaP256(std::string_view publicKey, std::string_view data, const EcdsaP256Signature& signature) {
  if (publicKey.size() != 2 * kCoordinateSize) {
    throw AppError(ERROR_INVALID_DATA, L"The release key is not a P-256 point of 64 bytes.");
  }
  std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + publicKey.size());
  auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
  header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
  header->cbKey = kCoordinateSize;
  std::copy(publicKey.begin(), publicKey.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));

  const UniqueAlgorithm algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  UniqueKey key;
  CheckNtStatus(BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(), blob.data(),
                                    static_cast<ULONG>(blob.size()), 0));
  Sha256Digest digest = Sha256Of(data);
  const NTSTATUS status =
      BCryptVerifySignature(key.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                            const_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()), 0);
  if (status == kStatusInvalidSignature) return false;
  CheckNtStatus(status);
  return true;
}
