#include "install/zstd_decode.h"

// For ZSTD_getFrameHeader: the decoder is built from the same sources, so its layout is ours.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

struct FreeDCtx {
  void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

// The smallest power-of-two window that covers the whole file and the whole reference, as the
// vendor's encoder chooses it: a frame that asks for more would only make the decoder reserve more.
int WindowLogFor(size_t outputSize, size_t referenceSize) {
  const uint64_t largest = std::max<uint64_t>(outputSize, referenceSize);
  int log = 0;
  while (log < 63 && (uint64_t{1} << log) <= largest) ++log;
  const ZSTD_bounds bounds = ZSTD_dParam_getBounds(ZSTD_d_windowLogMax);
  return std::clamp(log, bounds.lowerBound, bounds.upperBound);
}

ZstdDecoded Failure(size_t code) { return ZstdDecoded{0, ZSTD_getErrorName(code)}; }

// The one-call decoder applies ZSTD_d_windowLogMax only when it streams: the frame's own claim is
// checked here, so a frame never gets further than the bound allows.
bool WindowFits(std::string_view frame, int windowLog) {
  ZSTD_frameHeader header{};
  return ZSTD_getFrameHeader(&header, frame.data(), frame.size()) == 0 &&
         header.windowSize <= (uint64_t{1} << windowLog);
}

}  // namespace

ZstdDecoded DecodeZstdFrame(std::string_view frame, std::span<char> output, std::string_view reference) {
  // One frame and nothing after it: zstd would go on to decode a second one into the same output.
  const size_t frameSize = ZSTD_findFrameCompressedSize(frame.data(), frame.size());
  if (ZSTD_isError(frameSize)) return Failure(frameSize);
  if (frameSize != frame.size()) return ZstdDecoded{0, "bytes after the end of the frame"};

  const int windowLog = WindowLogFor(output.size(), reference.size());
  if (!WindowFits(frame, windowLog))
    return ZstdDecoded{0, ZSTD_getErrorString(ZSTD_error_frameParameter_windowTooLarge)};

  const std::unique_ptr<ZSTD_DCtx, FreeDCtx> context(ZSTD_createDCtx());
  if (!context) return ZstdDecoded{0, "no memory for the decoder"};
  size_t status = ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, windowLog);
  if (!ZSTD_isError(status) && !reference.empty())
    status = ZSTD_DCtx_refPrefix(context.get(), reference.data(), reference.size());
  if (ZSTD_isError(status)) return Failure(status);

  const size_t written =
      ZSTD_decompressDCtx(context.get(), output.data(), output.size(), frame.data(), frame.size());
  if (ZSTD_isError(written)) return Failure(written);
  return ZstdDecoded{written, {}};
}
