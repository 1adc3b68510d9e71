#include "update/file_forms.h"

#include "trust/release_trust.h"

namespace {

constexpr wchar_t kPatchMark[] = L".patch-";
constexpr wchar_t kCompressedSuffix[] = L".zst";

}  // namespace

bool OffersPatches(const ReleaseList& list, const std::wstring& name) {
  return list.NamesBeginningWith(name + kPatchMark);
}

std::vector<FileForm> FormsToFetch(const ReleaseList& list, const std::wstring& name,
                                   const std::optional<Sha256Digest>& installed) {
  std::vector<FileForm> forms;
  const auto offer = [&](FileFormKind kind, const std::wstring& formName) {
    if (std::optional<ListedFile> listed = list.Find(formName)) forms.push_back({kind, formName, *listed});
  };
  if (installed) offer(FileFormKind::kPatch, name + kPatchMark + DigestHex(*installed) + kCompressedSuffix);
  offer(FileFormKind::kCompressed, name + kCompressedSuffix);
  offer(FileFormKind::kPlain, name);
  return forms;
}
