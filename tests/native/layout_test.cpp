#include "app/layout.h"

#include <gtest/gtest.h>

#include "app/caption.h"

namespace {

PixelRect At(std::wstring_view name, unsigned dpi) { return ToPixels(FindElement(name)->rect, dpi); }

TEST(Layout, TwipsBecomePixelsAtTheDpiWithHalvesRoundedUp) {
  EXPECT_EQ(TwipsToPixels(8760, 96), 584);
  EXPECT_EQ(TwipsToPixels(6930, 96), 462);
  EXPECT_EQ(TwipsToPixels(8760, 144), 876);
  EXPECT_EQ(TwipsToPixels(6930, 144), 693);
  EXPECT_EQ(TwipsToPixels(-30, 96), -2);
  EXPECT_EQ(TwipsToPixels(-30, 144), -3);
  EXPECT_EQ(TwipsToPixels(5, 144), 1);   // 0.5 pixel
  EXPECT_EQ(TwipsToPixels(-5, 144), 0);  // -0.5 pixel
  EXPECT_EQ(TwipsToPixels(1440, 120), 120);
}

TEST(Layout, EveryElementHasItsDesignedPixelsAt96Dpi) {
  struct Expected {
    const wchar_t* name;
    PixelRect pixels;
  };
  const Expected expected[] = {
      {L"Picture1", {0, 42, 585, 377}},      {L"Image5", {234, 420, 120, 41}},
      {L"Image3", {0, 418, 585, 44}},        {L"lblsurukle", {0, 0, 585, 43}},
      {L"Label1", {78, 14, 437, 17}},        {L"Image4", {0, 0, 585, 42}},
      {L"ProgressBar1", {44, 138, 493, 17}}, {L"cmdbaslat", {180, 294, 101, 33}},
      {L"cmdKapat", {300, 294, 101, 33}},    {L"lbldurum", {14, 350, 553, 19}},
      {L"Shape1", {-2, 340, 587, 37}},       {L"Image6", {164, 8, 300, 100}},
      {L"lblad", {68, 114, 357, 17}},        {L"lblkalan", {430, 114, 83, 17}},
      {L"Image1", {44, 114, 20, 20}},        {L"Label2", {516, 114, 21, 17}},
      {L"lblAciklama", {44, 164, 493, 121}},
  };
  EXPECT_EQ(WindowElements().size() + PanelElements().size(), std::size(expected));
  for (const Expected& e : expected) {
    ASSERT_NE(FindElement(e.name), nullptr) << e.name;
    EXPECT_EQ(At(e.name, 96), e.pixels) << e.name;
  }
}

TEST(Layout, At144DpiEverythingGrowsByHalfAndNeighboursStillMeet) {
  EXPECT_EQ(At(L"Picture1", 144), (PixelRect{0, 63, 878, 566}));
  EXPECT_EQ(At(L"Image6", 144), (PixelRect{246, 12, 450, 150}));
  EXPECT_EQ(At(L"Image1", 144), (PixelRect{66, 171, 30, 30}));
  EXPECT_EQ(At(L"cmdbaslat", 144), (PixelRect{270, 441, 152, 50}));
  EXPECT_EQ(At(L"Shape1", 144), (PixelRect{-3, 510, 881, 56}));
  // The progress bar and the list box share their left and right edges at any DPI.
  for (unsigned dpi : {96u, 120u, 144u, 192u}) {
    EXPECT_EQ(At(L"ProgressBar1", dpi).left, At(L"lblAciklama", dpi).left);
    EXPECT_EQ(At(L"ProgressBar1", dpi).right(), At(L"lblAciklama", dpi).right());
    EXPECT_EQ(At(L"ProgressBar1", dpi).right(), At(L"Label2", dpi).right());
    EXPECT_EQ(At(L"Image4", dpi).bottom(), At(L"Picture1", dpi).top);
  }
}

TEST(Layout, TextsColoursAndStackingAreAsDesigned) {
  EXPECT_EQ(FindElement(L"Label1")->text, L"YENİ VERSİYON iNDiR");
  EXPECT_EQ(FindElement(L"lbldurum")->text, L"Hazır !");
  EXPECT_EQ(FindElement(L"cmdbaslat")->text, L"&BAŞLAT");
  EXPECT_EQ(FindElement(L"cmdKapat")->text, L"&KAPAT");
  EXPECT_EQ(FindElement(L"lblkalan")->text, L"0");
  EXPECT_EQ(FindElement(L"Label2")->text, L"KB");
  EXPECT_EQ(FindElement(L"lblAciklama")->text, L"Dosyalar");
  EXPECT_TRUE(FindElement(L"lblad")->text.empty());
  EXPECT_TRUE(FindElement(L"lbldurum")->transparent);
  EXPECT_EQ(FindElement(L"Shape1")->backColor, 0xE0E0E0u);
  EXPECT_EQ(FindElement(L"lblad")->backColor, 0xFFFFC0u);
  EXPECT_EQ(FindElement(L"lblkalan")->align, TextAlign::kRight);
  EXPECT_EQ(WindowElements().front().name, L"Picture1");  // the panel lies on top
  EXPECT_EQ(PanelElements().front().name, L"ProgressBar1");

  const ButtonColors start = ButtonColorsOf(ControlId::cmdbaslat);
  EXPECT_EQ(start.face, 0x57AFF7u);
  EXPECT_EQ(start.faceHover, 0x404040u);
  EXPECT_EQ(ButtonColorsOf(ControlId::cmdKapat).faceHover, 0x808080u);
}

TEST(Layout, TabMovesThroughTheButtonsThenThePanel) {
  EXPECT_EQ(TabStopControls(), (std::vector<ControlId>{ControlId::cmdbaslat, ControlId::cmdKapat, ControlId::Picture1}));
}

TEST(Layout, FontIsEightAndAQuarterPointsAtTheDpi) {
  EXPECT_EQ(FontHeightPixels(96), 11);
  EXPECT_EQ(FontHeightPixels(120), 14);
  EXPECT_EQ(FontHeightPixels(144), 17);
}

TEST(Caption, VersionIsAppendedInPlainDecimal) {
  EXPECT_EQ(CaptionWithVersion(kDesignCaption, 9, 8, 0), L"Zefra iNDiR Ovantis v9.8.0");
  EXPECT_EQ(CaptionWithVersion(L"x", 10, 0, 12), L"x v10.0.12");
}

}  // namespace
