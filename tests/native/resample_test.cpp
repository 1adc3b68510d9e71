#include "app/resample.h"

#include <gtest/gtest.h>

namespace {

PixelImage Filled(int w, int h, uint32_t pixel) {
  return {w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, pixel)};
}

TEST(Resample, SameSizeKeepsEveryPixel) {
  PixelImage image{3, 2, {0xFF010203, 0xFF102030, 0x80404040, 0x00000000, 0xFFFFFFFF, 0xFF7F0000}};
  EXPECT_EQ(Resample(image, 3, 2).pixels, image.pixels);
}

TEST(Resample, AUniformPictureStaysUniformAtAnySize) {
  for (auto [w, h] : {std::pair{585, 42}, {450, 150}, {7, 3}, {1, 1}}) {
    const PixelImage out = Resample(Filled(13, 36, 0xFF203040), w, h);
    ASSERT_EQ(out.pixels.size(), static_cast<size_t>(w) * h);
    for (uint32_t pixel : out.pixels) ASSERT_EQ(pixel, 0xFF203040u);
  }
}

TEST(Resample, EnlargingBlendsEdgesInsteadOfMakingBlocks) {
  // A black and a white column, made three times wider: the middle gets grey steps.
  PixelImage image{2, 1, {0xFF000000, 0xFFFFFFFF}};
  const PixelImage out = Resample(image, 6, 1);
  EXPECT_EQ(out.pixels.front(), 0xFF000000u);
  EXPECT_EQ(out.pixels.back(), 0xFFFFFFFFu);
  for (int i = 1; i < 6; ++i) EXPECT_GE(out.pixels[i] & 0xFF, out.pixels[i - 1] & 0xFF);
  EXPECT_GT(out.pixels[2] & 0xFF, 0u);
  EXPECT_LT(out.pixels[3] & 0xFF, 255u);
}

TEST(Resample, ShrinkingAveragesRatherThanDroppingLines) {
  // One-pixel stripes shrunk to half: every pixel becomes grey, none stays black or white.
  PixelImage image{4, 1, {0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}};
  for (uint32_t pixel : Resample(image, 2, 1).pixels) {
    EXPECT_GT(pixel & 0xFF, 60u);
    EXPECT_LT(pixel & 0xFF, 200u);
  }
  EXPECT_TRUE(Resample(image, 0, 1).pixels.empty());
}

TEST(Resample, TransparentPixelsShowTheBackground) {
  PixelImage image{3, 1, {0x00000000, 0xFFFF8000, 0x80400000}};
  CompositeOver(image, 0xFFFFFF);
  EXPECT_EQ(image.pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(image.pixels[1], 0xFFFF8000u);
  EXPECT_EQ(image.pixels[2], 0xFFBF7F7Fu);  // half-covered: premultiplied red plus half white
}

}  // namespace
