#include "trust/ecdsa_signature.h"

#include <algorithm>
#include <string>

#include "trust/release_trust.h"

namespace {

constexpr uint8_t kSequenceTag = 0x30;
constexpr uint8_t kIntegerTag = 0x02;
constexpr size_t kScalarSize = 32;

[[noreturn]] void Refuse(const wchar_t* what) {
  throw ReleaseRefused(std::wstring(L"İmza dosyası bozuk: ") + what);
}

// Reads one tag and its short-form length (a P-256 signature never needs the long form, and
// DER allows no other), and returns the contents.
std::string_view TakeElement(std::string_view& der, uint8_t tag) {
  if (der.size() < 2 || static_cast<uint8_t>(der[0]) != tag) Refuse(L"beklenmeyen ASN.1 etiketi.");
  const auto length = static_cast<uint8_t>(der[1]);
  if (length >= 0x80) Refuse(L"uzunluk kısa biçimde olmalı.");
  if (der.size() - 2 < length) Refuse(L"kesik.");
  const std::string_view contents = der.substr(2, length);
  der.remove_prefix(2 + length);
  return contents;
}

// A positive integer in at most 32 bytes, written in as few bytes as DER demands.
void TakeScalar(std::string_view& der, uint8_t* out) {
  std::string_view value = TakeElement(der, kIntegerTag);
  if (value.empty()) Refuse(L"boş tamsayı.");
  if (static_cast<uint8_t>(value[0]) & 0x80) Refuse(L"negatif tamsayı.");
  if (value.size() > 1 && value[0] == 0 && !(static_cast<uint8_t>(value[1]) & 0x80)) {
    Refuse(L"tamsayı gereksiz sıfırla başlıyor.");
  }
  if (value[0] == 0) value.remove_prefix(1);
  if (value.size() > kScalarSize) Refuse(L"tamsayı 32 bayttan uzun.");
  if (value.empty()) Refuse(L"tamsayı sıfır.");
  std::fill(out, out + kScalarSize - value.size(), uint8_t{0});
  std::copy(value.begin(), value.end(), out + kScalarSize - value.size());
}

}  // namespace

EcdsaP256Signature EcdsaP256FromDer(std::string_view der) {
  std::string_view sequence = TakeElement(der, kSequenceTag);
  if (!der.empty()) Refuse(L"imzadan sonra fazladan bayt var.");
  EcdsaP256Signature signature{};
  TakeScalar(sequence, signature.data());
  TakeScalar(sequence, signature.data() + kScalarSize);
  if (!sequence.empty()) Refuse(L"iki tamsayıdan sonra fazladan bayt var.");
  return signature;
}
