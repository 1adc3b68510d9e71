// Decoding the smaller forms of a listed file (a compressed copy, or a patch from an older file)
// with zstd's own decoder, in memory and in one call, bounded by the size the signed list gives.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

struct ZstdDecoded {
  size_t written = 0;  // bytes written into the output
  std::string error;   // why it failed (zstd's error name, or ours); empty when it decoded
  bool ok() const { return error.empty(); }
};

// Decodes exactly one zstd frame into output, whose size is the file's listed size: output that
// would not fit is refused, as is a frame asking for a window larger than the file (or the
// reference) needs. reference is a patch's older file, given to the decoder as raw content before
// the output; empty for a compressed copy. The caller still checks the result's size and digest.
ZstdDecoded DecodeZstdFrame(std::string_view frame, std::span<char> output, std::string_view reference = {});
