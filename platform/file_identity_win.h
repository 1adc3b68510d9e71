// Whether two paths name one and the same file, however each is spelled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A file as the file system knows it: its volume and its index on that volume. Short names,
// letter case, "." steps and other spellings of one path all give the same identity.
struct FileIdentity {
  uint32_t volumeSerial = 0;
  uint64_t fileIndex = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file or folder at path; none when it cannot be opened or queried.
// The file is opened for its attributes only, sharing everything, so a running program's image
// or a file another program holds open can still be asked.
std::optional<FileIdentity> IdentityOf(const std::wstring& path);

// True only when both paths can be queried and name the same file.
bool SameFile(const std::wstring& first, const std::wstring& second);
