// The vendor's signed release list "SHA256SUMS": one SHA-256 digest per file of a release, in
// the form that sha256sum writes.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "trust/release_trust.h"

// How a file name is compared: two names are one file when their keys are equal. On Windows the
// key follows the file system (case-insensitive, "/" and "\" alike).
using FileNameKey = std::function<std::wstring(std::wstring_view name)>;

class ReleaseList {
 public:
  // Reads the list strictly: each line 64 hex digits, "  " or " *", a name in UTF-8 (sha256sum's
  // "\" escaped form included), ended by LF or CRLF; blank lines only at the end. A malformed line,
  // a name listed twice or an empty list refuses the whole list (ReleaseRefused).
  static ReleaseList Parse(std::string_view text, FileNameKey key);

  // The digest listed for the name; none when the list does not name it.
  std::optional<Sha256Digest> Find(std::wstring_view name) const;
  size_t size() const { return digests_.size(); }

 private:
  explicit ReleaseList(FileNameKey key) : key_(std::move(key)) {}

  FileNameKey key_;
  std::map<std::wstring, Sha256Digest> digests_;
};

// What a verified list says of one file to be fetched: its digest, or none when it is not listed.
struct DigestCheck {
  std::optional<Sha256Digest> listed;
};
