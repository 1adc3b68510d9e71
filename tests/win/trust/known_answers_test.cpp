// Release trust against known answers: the platform's SHA-256, the hashing thread, and ECDSA
// P-256 verification of a signature that stock openssl made.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "trust/background_sha256_win.h"
#include "trust/cng_win.h"
#include "trust/ecdsa_signature.h"

namespace {

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return bytes;
}

// openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256, then openssl dgst -sha256 -sign
// of kMessage: the key's raw point X‖Y and the DER signature.
constexpr char kKey[] =
    "da7f34aff939b0829c7c017ee7ffd2216e32871ac62fc096ef4f19eb9bfca0814b1f77ba5033d66e4a51ccfed2ad1116972f2106"
    "5cc4"
    "edeabbb6fb842414f2fd";
constexpr char kSignature[] =
    "3045022100ba7feb691fb27804f186c822289575f9b3964b3a58a5b73725ee181797205d6902200df6bed2abfff6426564ad70a4"
    "9868"
    "6198f640d7b4e5dde65eddd9fac6b43516";
constexpr char kMessage[] = "The vendor signed this list.\n";

TEST(TrustKnownAnswers, Sha256GivesTheStandardDigests) {
  const std::pair<std::string, const wchar_t*> vectors[] = {
      {"", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       L"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}};
  for (const auto& [input, digest] : vectors) EXPECT_EQ(DigestHex(Sha256Of(input)), digest) << input.size();
}

// Pieces of every size a network delivers, from three buffers in turn: each stays untouched until
// the next Add returns, as the hashing thread asks, and is overwritten right after.
TEST(TrustKnownAnswers, TheHashingThreadFedUnevenPiecesGivesTheOneShotDigest) {
  std::string data(3 * 1024 * 1024 + 7, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  const size_t sizes[] = {1, 64 * 1024 - 1, 3, 256 * 1024, 17, 700 * 1024 + 5, 2};
  std::string buffers[3];
  BackgroundSha256 hasher;
  size_t pieces = 0;
  for (size_t at = 0; at < data.size(); ++pieces) {
    std::string& buffer = buffers[pieces % 3];
    buffer.assign(data, at, sizes[pieces % std::size(sizes)]);
    hasher.Add(reinterpret_cast<const unsigned char*>(buffer.data()), buffer.size());
    at += buffer.size();
  }
  EXPECT_GT(pieces, 6u);
  EXPECT_EQ(hasher.Finish(), Sha256Of(data));
}

TEST(TrustKnownAnswers, AnOpensslSignatureVerifiesAndNothingElseDoes) {
  const std::string key = FromHex(kKey);
  const EcdsaP256Signature signature = EcdsaP256FromDer(FromHex(kSignature));
  EXPECT_TRUE(VerifyEcdsaP256(key, kMessage, signature));

  for (const size_t byte : {size_t{10}, size_t{31}, size_t{63}}) {
    EcdsaP256Signature flipped = signature;
    flipped[byte] ^= 0x01;
    EXPECT_FALSE(VerifyEcdsaP256(key, kMessage, flipped)) << "bit flipped in byte " << byte;
  }
  std::string changed = kMessage;
  changed[4] ^= 0x01;
  EXPECT_FALSE(VerifyEcdsaP256(key, changed, signature));
  // Another point: refused as not on the curve, or not the signer; never accepted.
  std::string otherKey = key;
  otherKey[40] ^= 0x01;
  bool accepted = false;
  try {
    accepted = VerifyEcdsaP256(otherKey, kMessage, signature);
  } catch (const AppError&) {
  }
  EXPECT_FALSE(accepted);

  for (const size_t size : {size_t{0}, size_t{63}, size_t{65}}) {
    const std::string wrong = (key + key).substr(0, size);
    EXPECT_THROW(VerifyEcdsaP256(wrong, kMessage, signature), AppError) << size;
  }
}

}  // namespace
