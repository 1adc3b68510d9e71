// The vendor's key, SHA-256 and ECDSA P-256 through OpenSSL, for the vendor's own check.
#pragma once

#include <openssl/evp.h>

#include <memory>
#include <string>
#include <string_view>

#include "trust/ecdsa_signature.h"
#include "trust/release_trust.h"

struct PublicKeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using PublicKey = std::unique_ptr<EVP_PKEY, PublicKeyFree>;

// A PEM P-256 public key and its raw point X‖Y, as the updater is built with it.
struct ReleaseKey {
  PublicKey key;
  std::string rawPoint;
};

// Reads the key file; throws std::runtime_error with the reason when it is no P-256 public key.
ReleaseKey LoadReleaseKey(const std::string& path);

// SHA-256 fed piece by piece.
class Sha256Stream {
 public:
  Sha256Stream();
  void Add(const void* data, size_t size);
  Sha256Digest Finish();

 private:
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context_;
};

Sha256Digest Sha256Of(std::string_view data);

// True when r‖s is the key's signature of data's SHA-256, as the updater's CNG check decides.
bool VerifyP256(const ReleaseKey& key, std::string_view data, const EcdsaP256Signature& signature);
