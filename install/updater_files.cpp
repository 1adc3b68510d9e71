#include "install/updater_files.h"

#include "platform/text.h"

namespace {

// The name Windows stores: trailing dots and spaces are dropped, letter case is kept but not
// compared.
std::wstring ResolvedUpper(std::wstring_view segment) {
  const size_t end = segment.find_last_not_of(L". ");
  return end == std::wstring_view::npos ? std::wstring() : AsciiUpper(segment.substr(0, end + 1));
}

}  // namespace

bool IsUpdaterFileName(std::wstring_view segment) {
  const std::wstring resolved = ResolvedUpper(segment);
  const size_t dot = resolved.rfind(L'.');
  return dot != std::wstring::npos && resolved.substr(dot).starts_with(AsciiUpper(kUpdaterFileMark));
}

bool IsTemporaryFileName(std::wstring_view segment) {
  return ResolvedUpper(segment).ends_with(AsciiUpper(kTemporarySuffix));
}

bool IsClearedAtStart(std::wstring_view fileName) {
  const std::wstring resolved = ResolvedUpper(fileName);
  for (const UpdaterFileKind& kind : kUpdaterFileKinds) {
    const std::wstring suffix = AsciiUpper(kind.suffix);
    if (kind.clearedAtStart && resolved.ends_with(suffix)) return true;
  }
  return false;
}

std::wstring WriteProbeName(std::wstring_view tag) {
  return L"Zefra INDIR." + std::wstring(tag) + kWriteProbeSuffix;
}
