#include "trust/release_trust.h"

#include "platform/text.h"

std::wstring DigestHex(const Sha256Digest& digest) { return HexText(digest); }

std::wstring ReleaseKeyFingerprint(const Sha256Digest& rawKeySha256) {
  return DigestHex(rawKeySha256).substr(0, 16);
}
