// SHA-256 and ECDSA P-256 verification through the platform's cryptography (CNG), which every
// supported Windows has. Failures of the platform are thrown as AppError.
#pragma once

#include <windows.h>
// After windows.h, whose types it needs.
#include <bcrypt.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/scoped_win.h"
#include "trust/ecdsa_signature.h"
#include "trust/release_trust.h"

struct AlgorithmTraits {
  using Type = BCRYPT_ALG_HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashTraits {
  using Type = BCRYPT_HASH_HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { BCryptDestroyHash(h); }
};
struct KeyTraits {
  using Type = BCRYPT_KEY_HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { BCryptDestroyKey(h); }
};
using UniqueAlgorithm = UniqueResource<AlgorithmTraits>;
using UniqueHash = UniqueResource<HashTraits>;
using UniqueKey = UniqueResource<KeyTraits>;

// One SHA-256 computation, fed piece by piece. BCryptHash, which does it in one call, is newer
// than Windows 7.
class Sha256 {
 public:
  Sha256();
  void Add(const void* data, size_t size);
  // The digest of everything added; the object is spent afterwards.
  Sha256Digest Finish();

 private:
  UniqueAlgorithm algorithm_;
  std::vector<unsigned char> object_;  // the hash's own state, which CNG leaves to the caller
  UniqueHash hash_;
};

Sha256Digest Sha256Of(std::string_view data);

// True when signature is the key's ECDSA P-256 signature of data's SHA-256 digest; false for
// any other signature. publicKey is the raw point X‖Y (64 bytes); anything else throws AppError.
bool VerifyEcdsaP256(std::string_view publicKey, std::string_view data, const EcdsaP256Signature& signature);
