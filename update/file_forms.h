// The forms in which a signed release offers a file: a patch from an older file, a compressed
// copy, the file itself. A form is an ordinary listed file: "NAME.zst", or "NAME.patch-H.zst"
// where H is the older file's SHA-256 in lower-case hex.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "trust/release_list.h"

enum class FileFormKind { kPatch, kCompressed, kPlain };

struct FileForm {
  FileFormKind kind = FileFormKind::kPlain;
  std::wstring name;  // as listed: the file's own name for the plain form
  ListedFile listed;  // the form's own size and digest
};

// True when the list offers a patch of name from any older file: the installed file's digest
// is then worth reading even when its size differs from the listed one.
bool OffersPatches(const ReleaseList& list, const std::wstring& name);

// The forms of a listed name to try, smallest first: the patch from the installed file (digest
// installed) if listed, the compressed copy if listed, the plain file last.
std::vector<FileForm> FormsToFetch(const ReleaseList& list, const std::wstring& name,
                                   const std::optional<Sha256Digest>& installed);
