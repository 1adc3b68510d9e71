// Smooth scaling of decoded pictures to the pixel size that the window's DPI asks for.
#pragma once

#include <cstdint>
#include <vector>

// Pixels as 0xAARRGGBB with premultiplied alpha, rows from the top.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// Scales with a triangle filter that widens when shrinking, so that neither enlarging nor
// shrinking produces blocks or lost lines. An empty target size gives an empty image.
PixelImage Resample(const PixelImage& source, int width, int height);

// Lays the image over a solid background colour (0xRRGGBB): the result is opaque.
void CompositeOver(PixelImage& image, uint32_t backgroundRgb);
