#include "tools/check_release/release_crypto.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/pem.h>

#include <cstdio>
#include <stdexcept>

ReleaseKey LoadReleaseKey(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) throw std::runtime_error("cannot open the key file " + path);
  PublicKey key(PEM_read_PUBKEY(file.get(), nullptr, nullptr, nullptr));
  if (!key) throw std::runtime_error(path + " is not a PEM public key (never give the private key)");
  char group[64] = {};
  size_t length = 0;
  if (EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_EC ||
      !EVP_PKEY_get_utf8_string_param(key.get(), OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) ||
      std::string(group) != "prime256v1") {
    throw std::runtime_error(path + " is not an ECDSA P-256 (prime256v1) public key");
  }
  // The point as 04‖X‖Y; the updater holds X‖Y.
  unsigned char point[65];
  if (!EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, point, sizeof point,
                                       &length) ||
      length != sizeof point || point[0] != 4) {
    throw std::runtime_error(path + ": the key's point cannot be read in uncompressed form");
  }
  return ReleaseKey{std::move(key), std::string(reinterpret_cast<const char*>(point + 1), 64)};
}

Sha256Stream::Sha256Stream() : context_(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
  if (!context_ || !EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr))
    throw std::runtime_error("OpenSSL cannot compute SHA-256");
}

void Sha256Stream::Add(const void* data, size_t size) { EVP_DigestUpdate(context_.get(), data, size); }

Sha256Digest Sha256Stream::Finish() {
  Sha256Digest digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_.get(), digest.data(), &length);
  return digest;
}

Sha256Digest Sha256Of(std::string_view data) {
  Sha256Stream hash;
  hash.Add(data.data(), data.size());
  return hash.Finish();
}

namespace {

// r‖s back in DER, so that OpenSSL verifies exactly the two numbers the updater gives CNG.
std::string DerOf(const EcdsaP256Signature& signature) {
  std::unique_ptr<ECDSA_SIG, void (*)(ECDSA_SIG*)> sig(ECDSA_SIG_new(), ECDSA_SIG_free);
  BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
  BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
  if (!sig || !r || !s || !ECDSA_SIG_set0(sig.get(), r, s)) {
    BN_free(r);
    BN_free(s);
    throw std::runtime_error("OpenSSL cannot hold the signature");
  }
  unsigned char* der = nullptr;
  const int length = i2d_ECDSA_SIG(sig.get(), &der);
  if (length <= 0) throw std::runtime_error("OpenSSL cannot encode the signature");
  std::string bytes(reinterpret_cast<const char*>(der), static_cast<size_t>(length));
  OPENSSL_free(der);
  return bytes;
}

}  // namespace

bool VerifyP256(const ReleaseKey& key, std::string_view data, const EcdsaP256Signature& signature) {
  const std::string der = DerOf(signature);
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.key.get()) != 1)
    throw std::runtime_error("OpenSSL cannot verify with the key");
  return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(der.data()), der.size(),
                          reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
}
