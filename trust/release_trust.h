// What release trust speaks of everywhere: the vendor's two release files, the SHA-256 digest and
// the refusal of a release that cannot be trusted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

inline constexpr wchar_t kReleaseListName[] = L"SHA256SUMS";
inline constexpr wchar_t kReleaseSignatureName[] = L"SHA256SUMS.sig";
// Neither file comes near this; a larger answer is no release list.
inline constexpr size_t kReleaseFileLimit = 1024 * 1024;

using Sha256Digest = std::array<uint8_t, 32>;

// "9f86d0…": lower-case hex, as sha256sum writes a digest.
std::wstring DigestHex(const Sha256Digest& digest);

// The name of a release key: the first 16 hex digits of the SHA-256 of its raw point X‖Y. The
// log, make dist and tools/check-release all show it, so a vendor can tell which key is which.
std::wstring ReleaseKeyFingerprint(const Sha256Digest& rawKeySha256);

// Why a release cannot be trusted: its list or signature could not be had, or is not right.
// The reason is shown to the user and logged.
class ReleaseRefused : public std::exception {
 public:
  explicit ReleaseRefused(std::wstring reason) : reason_(std::move(reason)) {}
  const std::wstring& reason() const noexcept { return reason_; }
  const char* what() const noexcept override { return "ReleaseRefused"; }

 private:
  std::wstring reason_;
};
