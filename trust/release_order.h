// Which signed release may follow which: a release is never replaced by an older one, nor mixed
// with another list that carries its number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "trust/release_list.h"

inline constexpr wchar_t kProductName[] = L"Zefra VUNO";

// A list whose signature held, with the SHA-256 of its bytes.
struct VerifiedRelease {
  ReleaseList list;
  Sha256Digest listSha256;
  // The bytes that were verified, for a placing copy to verify once more.
  std::string listBytes;
  std::string signatureBytes;
};

// The highest release that an installation was begun from; number 0 and no digest when none is
// known.
struct KeptRelease {
  uint64_t number = 0;
  std::optional<Sha256Digest> listSha256;
};

// The Turkish reason why the release may not be installed where kept was installed, or none:
// the old form (no release number or no sizes), another product, a lower number, or the kept
// number with other list bytes.
std::optional<std::wstring> ReleaseOrderRefusal(const VerifiedRelease& release, const KeptRelease& kept);

// The kept release as it is stored: "release <number>\r\nsha256 <64 hex>\r\n".
std::string KeptReleaseText(uint64_t number, const Sha256Digest& listSha256);
// That text read back strictly; none for anything else.
std::optional<KeptRelease> ParseKeptRelease(std::string_view text);
