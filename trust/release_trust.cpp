#include "trust/release_trust.h"

std::wstring DigestHex(const Sha256Digest& digest) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring hex;
  for (const uint8_t byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

std::wstring ReleaseKeyFingerprint(const Sha256Digest& rawKeySha256) {
  return DigestHex(rawKeySha256).substr(0, 16);
}
