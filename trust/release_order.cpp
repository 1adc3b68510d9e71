#include "trust/release_order.h"

#include <algorithm>

#include "platform/text.h"

std::optional<std::wstring> ReleaseOrderRefusal(const VerifiedRelease& release, const KeptRelease& kept) {
  const ReleaseList& list = release.list;
  if (!list.release() || !list.HasSizes()) {
    return L"SHA256SUMS eski biçimde: sürüm numarası ya da dosya boyutları yok. Sürümü tools/sign-release "
           L"ile yeniden imzalayın.";
  }
  if (list.product() != kProductName) {
    return L"SHA256SUMS başka bir ürünün sürümü: \"" + list.product().value_or(L"") + L"\" (beklenen: \"" +
           kProductName + L"\").";
  }
  const uint64_t number = *list.release();
  if (number < kept.number) {
    return L"Bu sürüm (" + std::to_wstring(number) + L") kurulu sürümden (" + std::to_wstring(kept.number) +
           L") eski: eski bir sürüm yeniden kurulmaz.";
  }
  if (number == kept.number && kept.listSha256 && *kept.listSha256 != release.listSha256) {
    return L"Sürüm " + std::to_wstring(number) +
           L" daha önce başka bir SHA256SUMS ile kuruldu: aynı numaralı iki liste karıştırılmaz.";
  }
  return std::nullopt;
}

std::string KeptReleaseText(uint64_t number, const Sha256Digest& listSha256) {
  const std::wstring hex = DigestHex(listSha256);
  return "release " + std::to_string(number) + "\r\nsha256 " + std::string(hex.begin(), hex.end()) + "\r\n";
}

std::optional<KeptRelease> ParseKeptRelease(std::string_view text) {
  constexpr std::string_view kRelease = "release ", kSha256 = "\r\nsha256 ";
  const std::string_view original = text;
  if (!text.starts_with(kRelease)) return std::nullopt;
  text.remove_prefix(kRelease.size());
  KeptRelease kept;
  const size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
  const std::optional<uint64_t> number = DecimalValue(text.substr(0, digits));
  if (!number) return std::nullopt;
  kept.number = *number;
  text.remove_prefix(digits);
  Sha256Digest digest{};
  if (!text.starts_with(kSha256) || text.size() < kSha256.size() + 64 ||
      !HexBytes(text.substr(kSha256.size(), 64), digest)) {
    return std::nullopt;
  }
  // Only the very text this program writes: one spelling of each value, nothing around it.
  if (KeptReleaseText(kept.number, digest) != original) return std::nullopt;
  kept.listSha256 = digest;
  return kept;
}
