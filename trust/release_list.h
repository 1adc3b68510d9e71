// The vendor's signed release list "SHA256SUMS": one SHA-256 digest per file of a release, in
// the form that sha256sum writes, after header lines that say which release it is.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "trust/release_trust.h"

// How a file name is compared: two names are one file when their keys are equal. On Windows the
// key follows the file system (case-insensitive, "/" and "\" alike).
using FileNameKey = std::function<std::wstring(std::wstring_view name)>;

// What a verified list says of one file: its digest and its size in bytes.
struct ListedFile {
  Sha256Digest digest{};
  // 0 for every file of a list in the old form (no size lines), which the updater refuses before
  // any file: a body bounded by it could never pass.
  uint64_t size = 0;
};

class ReleaseList {
 public:
  // Reads the list strictly. First the header, lines that sha256sum -c skips as comments:
  //   # product Zefra VUNO        the product, once
  //   # release 20261209153000    the release number, once, decimal, fitting 64 bits
  //   # size 307207 sub/a.dll     one per listed file, its name written as on its digest line
  // Then each line 64 hex digits, "  " or " *", a name in UTF-8 (sha256sum's "\" escaped form
  // included), ended by LF or CRLF; blank lines only at the end. A malformed line, an unknown or
  // repeated header, a size without its digest line or the reverse, a name listed twice or an
  // empty list refuses the whole list (ReleaseRefused). A list without any header (the old form)
  // reads; what it lacks is the updater's to refuse.
  static ReleaseList Parse(std::string_view text, FileNameKey key);

  // What the list holds for the name; none when the list does not name it.
  std::optional<ListedFile> Find(std::wstring_view name) const;
  // True when some listed name begins with prefix, compared as names are.
  bool NamesBeginningWith(std::wstring_view prefix) const;
  size_t size() const { return files_.size(); }

  const std::optional<std::wstring>& product() const { return product_; }
  std::optional<uint64_t> release() const { return release_; }
  bool HasSizes() const { return hasSizes_; }

 private:
  explicit ReleaseList(FileNameKey key) : key_(std::move(key)) {}

  FileNameKey key_;
  std::map<std::wstring, ListedFile> files_;
  std::optional<std::wstring> product_;
  std::optional<uint64_t> release_;
  bool hasSizes_ = false;
};
