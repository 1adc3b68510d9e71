// The real window on the (virtual) screen: colour probes, a repaint without garbled text,
// and the picture of the whole window saved for a person to look at.
#include <gtest/gtest.h>

#include "screen_capture.h"
#include "frmindir_fixture.h"

namespace {

// A point of a panel element, in window coordinates (the panel's frame is one pixel).
POINT InPanel(const TestWindow& test, std::wstring_view name, int dx, int dy) {
  const RECT panel = RectInParent(test.Control(ControlId::Picture1));
  const PixelRect rect = ToPixels(FindElement(name)->rect, 96);
  return {panel.left + 1 + rect.left + dx, panel.top + 1 + rect.top + dy};
}

class WindowOnScreen : public testing::Test {
 protected:
  void SetUp() override {
    test_.window.Form_Load();
    test_.window.Show();
    SetWindowPos(test_.window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpFor(300);
  }
  PixelImage Capture(bool fromScreen = true) { return CaptureWindow(test_.window.hwnd(), fromScreen); }

  TestWindow test_;
};

TEST_F(WindowOnScreen, ColoursOfTheBandsButtonsAndBoxes) {
  SetCursorPos(0, 0);
  PumpFor(200);
  const PixelImage shot = Capture();
  ASSERT_EQ(shot.width, 584);
  ASSERT_EQ(shot.height, 462);
  SavePng(shot, ArtifactsFolder() + L"\\frmindir.png");

  // Header band: the dark strip, left of the title.
  const uint32_t header = PixelAt(shot, 20, 21);
  EXPECT_LT((header >> 16) & 0xFF, 0x70u);
  EXPECT_LT((header >> 8) & 0xFF, 0x70u);
  EXPECT_LT(header & 0xFF, 0x70u);
  const POINT status = InPanel(test_, L"Shape1", 30, 5);
  EXPECT_EQ(PixelAt(shot, status.x, status.y), 0xE0E0E0u);
  const POINT start = InPanel(test_, L"cmdbaslat", 2, 16);
  EXPECT_EQ(PixelAt(shot, start.x, start.y), 0x57AFF7u);
  const POINT startFrame = InPanel(test_, L"cmdbaslat", 0, 16);
  EXPECT_EQ(PixelAt(shot, startFrame.x, startFrame.y), 0x003C74u);
  const POINT close = InPanel(test_, L"cmdKapat", 2, 16);
  EXPECT_EQ(PixelAt(shot, close.x, close.y), 0x808080u);
  const POINT box = InPanel(test_, L"lblad", 100, 8);
  EXPECT_EQ(PixelAt(shot, box.x, box.y), 0xFFFFC0u);
  const POINT list = InPanel(test_, L"lblAciklama", 10, 60);
  EXPECT_EQ(PixelAt(shot, list.x, list.y), 0xFFFFC0u);

  // With the pointer over the start button its face turns dark grey, and back when it leaves.
  RECT window;
  GetWindowRect(test_.window.hwnd(), &window);
  SetCursorPos(window.left + start.x + 40, window.top + start.y);
  PumpFor(300);
  const PixelImage hovered = Capture();
  EXPECT_EQ(PixelAt(hovered, start.x, start.y), 0x404040u);
  EXPECT_EQ(PixelAt(hovered, close.x, close.y), 0x808080u);
  SetCursorPos(window.left + close.x + 40, window.top + close.y);
  PumpFor(300);
  const PixelImage left = Capture();
  EXPECT_EQ(PixelAt(left, start.x, start.y), 0x57AFF7u);
  EXPECT_EQ(PixelAt(left, close.x, close.y), 0x808080u);
  SetCursorPos(0, 0);
}

TEST(WindowOnScreenAt144Dpi, EverythingIsDrawnOneAndAHalfTimesAsLarge) {
  TestWindow test(144);
  test.window.Form_Load();
  test.window.Show();
  SetWindowPos(test.window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetCursorPos(0, 0);
  PumpFor(300);
  const PixelImage shot = CaptureWindow(test.window.hwnd());
  ASSERT_EQ(shot.width, 876);
  ASSERT_EQ(shot.height, 693);
  SavePng(shot, ArtifactsFolder() + L"\\frmindir-144dpi.png");
  const RECT panel = RectInParent(test.Control(ControlId::Picture1));
  auto inPanel = [&](std::wstring_view name, int dx, int dy) {
    const PixelRect rect = ToPixels(FindElement(name)->rect, 144);
    return PixelAt(shot, panel.left + 1 + rect.left + dx, panel.top + 1 + rect.top + dy);
  };
  EXPECT_EQ(inPanel(L"Shape1", 45, 8), 0xE0E0E0u);
  EXPECT_EQ(inPanel(L"cmdbaslat", 2, 24), 0x57AFF7u);
  EXPECT_EQ(inPanel(L"cmdKapat", 2, 24), 0x808080u);
  EXPECT_EQ(inPanel(L"lblad", 150, 12), 0xFFFFC0u);
}

TEST_F(WindowOnScreen, ChangingTheStatusTextLeavesNoOldLettersBehind) {
  SetCursorPos(0, 0);
  PumpFor(100);
  const RECT band = RectInParent(test_.Control(ControlId::lbldurum));
  auto statusPixels = [&](bool fromScreen = false) {
    const PixelImage shot = Capture(fromScreen);
    const RECT panel = RectInParent(test_.Control(ControlId::Picture1));
    std::vector<uint32_t> pixels;
    for (int y = band.top; y < band.bottom; ++y) {
      for (int x = band.left; x < band.right; ++x)
        pixels.push_back(PixelAt(shot, panel.left + 1 + x, panel.top + 1 + y));
    }
    return pixels;
  };
  const std::vector<uint32_t> ready = statusPixels();
  // Read at once, without running messages: the status line repaints immediately.
  test_.window.SetStatusText(L"Zefra VUNO.exe Dosyası indirilmeye başladı... WWWWWWWWWWWWWWWWWWWW");
  const std::vector<uint32_t> longText = statusPixels();
  EXPECT_NE(longText, ready);
  test_.window.SetStatusText(L"Açık dosyalar kapatılıyor...");
  test_.window.SetStatusText(L"İ");
  test_.window.SetStatusText(L"Hazır !");
  EXPECT_EQ(statusPixels(), ready);
  PumpFor(200);
  EXPECT_EQ(statusPixels(true), statusPixels(false)) << "the screen shows what was painted";
  EXPECT_EQ(test_.window.StatusText(), L"Hazır !");
}

}  // namespace
