#include "app/resample.h"

#include <algorithm>
#include <cmath>

namespace {

struct Tap {
  int index;
  double weight;
};

// For every target position, the source positions it draws from and their normalised weights.
std::vector<std::vector<Tap>> Taps(int sourceSize, int targetSize) {
  std::vector<std::vector<Tap>> taps(targetSize);
  const double scale = static_cast<double>(sourceSize) / targetSize;
  const double support = std::max(1.0, scale);
  for (int i = 0; i < targetSize; ++i) {
    const double center = (i + 0.5) * scale - 0.5;
    const int first = static_cast<int>(std::floor(center - support));
    const int last = static_cast<int>(std::ceil(center + support));
    double total = 0;
    for (int s = first; s <= last; ++s) {
      const double weight = 1.0 - std::abs(s - center) / support;
      if (weight <= 0) continue;
      taps[i].push_back({std::clamp(s, 0, sourceSize - 1), weight});
      total += weight;
    }
    for (Tap& tap : taps[i]) tap.weight /= total;
  }
  return taps;
}

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// One pass along rows (or along columns, with the strides swapped).
void Pass(const uint32_t* in, uint32_t* out, int lines, int inStep, int inLineStep, int outStep,
          int outLineStep, const std::vector<std::vector<Tap>>& taps) {
  for (int line = 0; line < lines; ++line) {
    for (size_t i = 0; i < taps.size(); ++i) {
      double sum[4] = {0, 0, 0, 0};
      for (const Tap& tap : taps[i]) {
        const uint32_t pixel = in[line * inLineStep + tap.index * inStep];
        for (int c = 0; c < 4; ++c) sum[c] += tap.weight * Channel(pixel, c * 8);
      }
      uint32_t result = 0;
      for (int c = 0; c < 4; ++c) {
        result |= static_cast<uint32_t>(std::clamp(std::lround(sum[c]), 0L, 255L)) << (c * 8);
      }
      out[line * outLineStep + static_cast<int>(i) * outStep] = result;
    }
  }
}

}  // namespace

PixelImage Resample(const PixelImage& source, int width, int height) {
  if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0) return {};
  // Rows first (source height lines), then columns of the intermediate image.
  std::vector<uint32_t> wide(static_cast<size_t>(width) * source.height);
  Pass(source.pixels.data(), wide.data(), source.height, 1, source.width, 1, width,
       Taps(source.width, width));
  PixelImage target{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  Pass(wide.data(), target.pixels.data(), width, width, 1, width, 1, Taps(source.height, height));
  return target;
}

void CompositeOver(PixelImage& image, uint32_t backgroundRgb) {
  for (uint32_t& pixel : image.pixels) {
    const uint32_t alpha = pixel >> 24;
    uint32_t result = 0xFF000000;
    for (int c = 0; c < 3; ++c) {
      const uint32_t under = Channel(backgroundRgb, c * 8) * (255 - alpha) / 255;
      result |= std::min<uint32_t>(255, Channel(pixel, c * 8) + under) << (c * 8);
    }
    pixel = result;
  }
}
