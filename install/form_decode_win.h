// Decoding a fetched patch or compressed copy into the file it stands for, in one pass over
// memory-mapped files: nothing of the sizes involved is copied onto the heap.
#pragma once

#include <cstdint>
#include <string>

#include "trust/release_trust.h"

struct DecodedFile {
  std::wstring error;  // why it failed; empty when the output holds the decoded file
  Sha256Digest sha256{};
};

// Decodes the zstd frame in formPath into outputPath, created anew at exactly size bytes, with
// referencePath (a patch's older file; empty for a compressed copy) mapped read-only as its
// reference. The output is flushed and its SHA-256 given; the caller compares it with the list.
// Throws AppError when a file cannot be opened, mapped or written.
DecodedFile DecodeFormFile(const std::wstring& formPath, const std::wstring& referencePath,
                           const std::wstring& outputPath, uint64_t size);
